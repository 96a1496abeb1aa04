#include "plugin/PluginTurtle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "plugin/KitPorts.h"
#include "plugin/Ports.h"
#include "plugin/PresetTurtle.h"
#include "plugin/ui/UiTurtle.h"

namespace tunk::lv2 {

namespace {

constexpr const char* kPrefixes =
    "@prefix atom:   <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap:   <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:   <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:    <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix log:    <http://lv2plug.in/ns/ext/log#> .\n"
    "@prefix midi:   <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix midnam: <http://ardour.org/lv2/midnam#> .\n"
    "@prefix patch:  <http://lv2plug.in/ns/ext/patch#> .\n"
    "@prefix pg:     <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix rdf:    <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:   <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state:  <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix units:  <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:   <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix work:   <http://lv2plug.in/ns/ext/worker#> .\n\n";

// The units LV2 names, by the text the table shows.
struct KnownUnit {
	std::string_view text;
	const char* term;
};
constexpr KnownUnit kKnownUnits[] = {{"Hz", "units:hz"}, {"kHz", "units:khz"}, {"ms", "units:ms"},
    {"s", "units:s"}, {"dB", "units:db"}, {"%", "units:pc"}, {"ct", "units:cent"},
    {"cents", "units:cent"}, {"st", "units:semitone12TET"}, {"semitones", "units:semitone12TET"},
    {"oct", "units:oct"}, {"BPM", "units:bpm"}, {"\u00b0", "units:degree"},
    {"samples", "units:frame"}};

// One control port as the description states it: a sound parameter's row or one of the
// plugin's own controls.
struct Control {
	uint32_t index;
	const char* symbol;
	const char* name;
	const char* comment;
	const char* unit;
	int digits;
	ParamKind kind;
	std::span<const char* const> choices;
	float min, max, def;
	bool logarithmic;
	const ParamGroup* group;
	bool output;
	bool reportsLatency;
};

Control FromRow(const ParamInfo& row)
{
	const PortRange range = RangeOf(row);
	return {PortOf(row.id), row.symbol, row.label, row.comment, row.unit, row.digits, row.kind,
	    row.choices, range.minimum, range.maximum, range.start,
	    row.kind == ParamKind::Number && row.scale == ParamScale::Logarithmic, &row.group, false,
	    false};
}

Control FromOwn(const OwnControl& own)
{
	return {own.port, own.symbol, own.name, own.comment, own.unit, own.digits, own.kind, {},
	    own.min, own.max, own.def, false, nullptr, own.output, own.reportsLatency};
}

// Switches and choices are whole numbers, written as such.
std::string Value(const Control& control, float value)
{
	if (control.kind == ParamKind::Number)
		return TurtleNumber(value);
	return std::to_string(std::lround(value));
}

std::string GroupUri(ParamGroup group)
{
	return std::string(kPluginUri) + "#" + GroupInfo(group).symbol;
}

void AppendControl(std::string& out, const Control& control)
{
	out.append(control.output ? "\t\ta lv2:OutputPort , lv2:ControlPort ;\n"
	                          : "\t\ta lv2:InputPort , lv2:ControlPort ;\n");
	out.append("\t\tlv2:index ").append(std::to_string(control.index)).append(" ;\n");
	out.append("\t\tlv2:symbol \"").append(control.symbol).append("\" ;\n");
	out.append("\t\tlv2:name ").append(TurtleString(control.name)).append(" ;\n");
	out.append("\t\trdfs:comment ").append(TurtleString(control.comment));
	if (control.group != nullptr)
		out.append(" ;\n\t\tpg:group <").append(GroupUri(*control.group)).append(">");
	if (control.output) {
		// The plugin's reports: only the latency, in frames.
		if (control.reportsLatency)
			out.append(" ;\n\t\tlv2:designation lv2:latency ;\n"
			           "\t\tlv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
			           "\t\tunits:unit units:frame");
		out.append("\n\t]");
		return;
	}
	out.append(" ;\n\t\tlv2:default ").append(Value(control, control.def));
	out.append(" ;\n\t\tlv2:minimum ").append(Value(control, control.min));
	out.append(" ;\n\t\tlv2:maximum ").append(Value(control, control.max));
	// The plugin keeps every input within its range.
	out.append(" ;\n\t\tlv2:portProperty pprops:hasStrictBounds");
	switch (control.kind) {
		case ParamKind::Number:
			if (control.logarithmic)
				out.append(" , pprops:logarithmic");
			out.append(" ;\n\t\tunits:unit ").append(UnitTurtle(control.unit, control.digits));
			break;
		case ParamKind::Switch: out.append(" , lv2:toggled"); break;
		case ParamKind::Choice:
			out.append(" , lv2:integer , lv2:enumeration");
			for (size_t i = 0; i < control.choices.size(); i++) {
				out.append(i == 0 ? " ;\n\t\tlv2:scalePoint " : " ,\n\t\t\t");
				out.append("[ rdfs:label ").append(TurtleString(control.choices[i]));
				out.append(" ; rdf:value ")
					.append(std::to_string(int(control.min) + int(i)))
					.append(" ]");
			}
			break;
	}
	out.append("\n\t]");
}

// The instrument's subject and what it says of itself as a project (doap:license and
// doap:maintainer describe a project), up to its required features.
void AppendInstrument(std::string& out, const char* uri, const char* name, const char* comment,
    DescriptionVersion version)
{
	out.append("<").append(uri).append(">\n");
	out.append("\ta lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n");
	out.append("\tdoap:name ").append(TurtleString(name)).append(" ;\n");
	out.append("\tdoap:license <http://spdx.org/licenses/GPL-3.0-or-later> ;\n");
	out.append("\tdoap:maintainer [\n\t\tfoaf:name \"Tunk developers\"\n\t] ;\n");
	out.append("\trdfs:comment ").append(TurtleString(comment)).append(" ;\n");
	out.append("\tlv2:minorVersion ").append(std::to_string(version.minor)).append(" ;\n");
	out.append("\tlv2:microVersion ").append(std::to_string(version.micro)).append(" ;\n");
	out.append("\tlv2:requiredFeature urid:map ;\n");
}

// The first port, where notes (and messages) come in: `supports` lists the atoms taken.
void AppendMidiIn(std::string& out, const char* supports)
{
	out.append("\tlv2:port [\n"
	           "\t\ta lv2:InputPort , atom:AtomPort ;\n"
	           "\t\tlv2:index 0 ;\n"
	           "\t\tlv2:symbol \"midi_in\" ;\n"
	           "\t\tlv2:name \"MIDI in\" ;\n"
	           "\t\tatom:bufferType atom:Sequence ;\n");
	out.append("\t\tatom:supports ").append(supports).append(" ;\n");
	out.append("\t\tlv2:designation lv2:control\n\t]");
}

} // namespace

std::string UnitTurtle(std::string_view unit, int digits)
{
	for (const KnownUnit& known : kKnownUnits) {
		if (known.text == unit)
			return known.term;
	}
	// A printf format: a '%' of the unit's own text is doubled.
	std::string render = "%." + std::to_string(std::max(digits, 0)) + "f";
	std::string symbol;
	for (char c : unit) {
		symbol += c;
		if (c == '%')
			symbol += '%';
	}
	if (unit.empty())
		return "[\n\t\t\ta units:Unit ;\n\t\t\tunits:render " + TurtleString(render) + "\n\t\t]";
	return "[\n\t\t\ta units:Unit ;\n\t\t\tunits:symbol " + TurtleString(std::string(unit)) +
	       " ;\n\t\t\tunits:render " + TurtleString(render + " " + symbol) + "\n\t\t]";
}

std::string PluginTurtle(DescriptionVersion version)
{
	std::vector<Control> controls;
	for (const ParamInfo& row : kParams)
		controls.push_back(FromRow(row));
	for (const OwnControl& own : kOwnControls)
		controls.push_back(FromOwn(own));
	std::sort(controls.begin(), controls.end(),
	    [](const Control& a, const Control& b) { return a.index < b.index; });

	std::string out = kPrefixes;
	// The window's sections, in the window's order.
	for (const ParamGroupInfo& group : kParamGroups) {
		out.append("<").append(GroupUri(group.id)).append(">\n");
		out.append("\ta pg:InputGroup ;\n\tlv2:symbol \"").append(group.symbol);
		out.append("\" ;\n\tlv2:name ").append(TurtleString(group.label)).append(" .\n\n");
	}

	out.append(
	    "# One-shot percussion: every note plays the whole sound that the controls describe at "
	    "its\n"
	    "# frame, as the Tunk window would generate it. Ranges and start values are the window's;\n"
	    "# the plugin keeps every control within its range (hasStrictBounds).\n");
	AppendInstrument(out, kPluginUri, "Tunk",
	    "Percussive sounds whose pitch and loudness fall exponentially: kicks, toms, zaps. Any "
	    "note plays the sound.",
	    version);
	out.append("\tlv2:optionalFeature lv2:hardRTCapable ;\n");
	AppendMidiIn(out, "midi:MidiEvent");
	out.append(" , [\n"
	           "\t\ta lv2:OutputPort , lv2:AudioPort ;\n"
	           "\t\tlv2:index 1 ;\n"
	           "\t\tlv2:symbol \"out\" ;\n"
	           "\t\tlv2:name \"Out\"\n"
	           "\t]");
	for (const Control& control : controls) {
		out.append(" , [\n");
		AppendControl(out, control);
	}
	out.append(" .\n");
	out.append(UiTurtle());
	return out;
}

std::string KitPluginTurtle(DescriptionVersion version)
{
	std::string out = kPrefixes;
	out.append("<").append(kKitFileUri).append(">\n");
	out.append("\ta lv2:Parameter ;\n\trdfs:label \"Kit file\" ;\n");
	out.append("\trdfs:comment \"A Tunk kit (.tunkkit) to play: every pad's sound, note, level, "
	           "pan, choke group and output.\" ;\n");
	out.append("\trdfs:range atom:Path .\n\n");
	out.append("<").append(kKitStateUri).append(">\n");
	out.append("\ta rdf:Property ;\n\trdfs:label \"Kit\" ;\n");
	out.append("\trdfs:comment \"The kit the instrument plays, by value: a Tunk kit file's "
	           "text.\" .\n\n");
	// Ardour's note-name extension has no vocabulary installed: say what its terms are.
	out.append("midnam:interface\n\ta lv2:ExtensionData .\n\n");
	out.append("midnam:update\n\ta lv2:Feature .\n\n");
	const std::string mainGroup = std::string(kKitPluginUri) + "#main";
	out.append("<").append(mainGroup).append(">\n");
	out.append("\ta pg:StereoGroup , pg:OutputGroup ;\n\tlv2:symbol \"main\" ;\n");
	out.append("\tlv2:name \"Main\" .\n\n");

	AppendInstrument(out, kKitPluginUri, "Tunk Kit",
	    "A drum kit of up to sixteen Tunk sounds, each on its own note with its level, pan, "
	    "choke group and output. The kit is saved with the session; load a .tunkkit file through "
	    "the Kit file parameter or choose a factory kit among the presets.",
	    version);
	out.append("\tlv2:optionalFeature lv2:hardRTCapable , work:schedule , log:log , "
	           "midnam:update ;\n");
	out.append("\tlv2:extensionData state:interface , work:interface , midnam:interface ;\n");
	out.append("\tpatch:writable <").append(kKitFileUri).append("> ;\n");
	AppendMidiIn(out, "midi:MidiEvent , patch:Message");
	out.append(" , [\n"
	           "\t\ta lv2:OutputPort , atom:AtomPort ;\n"
	           "\t\tlv2:index 1 ;\n"
	           "\t\tlv2:symbol \"notify\" ;\n"
	           "\t\tlv2:name \"Notify\" ;\n"
	           "\t\tatom:bufferType atom:Sequence ;\n"
	           "\t\tatom:supports patch:Message ;\n"
	           "\t\tlv2:designation lv2:control\n"
	           "\t] , [\n"
	           "\t\ta lv2:OutputPort , lv2:AudioPort ;\n"
	           "\t\tlv2:index 2 ;\n"
	           "\t\tlv2:symbol \"out_l\" ;\n"
	           "\t\tlv2:name \"Left\" ;\n"
	           "\t\tlv2:designation pg:left ;\n");
	out.append("\t\tpg:group <").append(mainGroup).append(">\n");
	out.append("\t] , [\n"
	           "\t\ta lv2:OutputPort , lv2:AudioPort ;\n"
	           "\t\tlv2:index 3 ;\n"
	           "\t\tlv2:symbol \"out_r\" ;\n"
	           "\t\tlv2:name \"Right\" ;\n"
	           "\t\tlv2:designation pg:right ;\n");
	out.append("\t\tpg:group <").append(mainGroup).append(">\n\t]");
	// The per-pad outputs carry only the pads routed to them; hosts may leave them open.
	for (uint32_t pad = 0; pad < kMaxPads; pad++) {
		const std::string number = std::to_string(pad + 1);
		out.append(" , [\n\t\ta lv2:OutputPort , lv2:AudioPort ;\n");
		out.append("\t\tlv2:index ").append(std::to_string(kKitPortFirstPadOut + pad));
		out.append(" ;\n\t\tlv2:symbol \"out_pad").append(number).append("\" ;\n");
		out.append("\t\tlv2:name \"Pad ").append(number).append("\" ;\n");
		out.append("\t\tlv2:portProperty lv2:connectionOptional\n\t]");
	}
	std::vector<std::string> symbols, names;
	for (uint32_t pad = 0; pad < kMaxPads; pad++) {
		symbols.push_back("level_pad" + std::to_string(pad + 1));
		names.push_back("Pad " + std::to_string(pad + 1) + " level");
	}
	for (uint32_t pad = 0; pad < kMaxPads; pad++) {
		const Control level{kKitPortFirstPadLevel + pad, symbols[pad].c_str(), names[pad].c_str(),
		    "Added to the pad's own level in the kit.", "dB", 1, ParamKind::Number, {},
		    kPadLevelRange.minimum, kPadLevelRange.maximum, kPadLevelRange.start, false, nullptr,
		    false, false};
		out.append(" , [\n");
		AppendControl(out, level);
	}
	for (const OwnControl& own : kKitOwnControls) {
		out.append(" , [\n");
		AppendControl(out, FromOwn(own));
	}
	out.append(" .\n");
	return out;
}

} // namespace tunk::lv2
