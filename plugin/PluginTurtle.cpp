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
	std::string group; // the port group's URI, "" for none
	bool output;
	bool reportsLatency;
};

std::string GroupUri(ParamGroup group)
{
	return std::string(kPluginUri) + "#" + GroupInfo(group).symbol;
}

Control FromRow(const ParamInfo& row)
{
	const PortRange range = RangeOf(row);
	return {PortOf(row.id), row.symbol, row.label, row.comment, row.unit, row.digits, row.kind,
	    row.choices, range.minimum, range.maximum, range.start, HostLogarithmic(row),
	    GroupUri(row.group), false, false};
}

Control FromOwn(const OwnControl& own)
{
	return {own.port, own.symbol, own.name, own.comment, own.unit, own.digits, own.kind, {},
	    own.min, own.max, own.def, false, "", own.output, own.reportsLatency};
}

// Switches and choices are whole numbers, written as such.
std::string Value(const Control& control, float value)
{
	if (control.kind == ParamKind::Number)
		return TurtleNumber(value);
	return std::to_string(std::lround(value));
}

void AppendControl(std::string& out, const Control& control)
{
	out.append(control.output ? "\t\ta lv2:OutputPort , lv2:ControlPort ;\n"
	                          : "\t\ta lv2:InputPort , lv2:ControlPort ;\n");
	out.append("\t\tlv2:index ").append(std::to_string(control.index)).append(" ;\n");
	out.append("\t\tlv2:symbol \"").append(control.symbol).append("\" ;\n");
	out.append("\t\tlv2:name ").append(TurtleString(control.name)).append(" ;\n");
	out.append("\t\trdfs:comment ").append(TurtleString(control.comment));
	if (!control.group.empty())
		out.append(" ;\n\t\tpg:group <").append(control.group).append(">");
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

// A port of messages: notes (and patch messages) coming in, or the plugin's answers going out;
// `supports` lists the atoms it carries. Without the opening "[".
void AppendEventPort(std::string& out, bool input, uint32_t index, const std::string& symbol,
    const std::string& name, const char* supports)
{
	out.append(input ? "\t\ta lv2:InputPort , atom:AtomPort ;\n"
	                 : "\t\ta lv2:OutputPort , atom:AtomPort ;\n");
	out.append("\t\tlv2:index ").append(std::to_string(index)).append(" ;\n");
	out.append("\t\tlv2:symbol \"").append(symbol).append("\" ;\n");
	out.append("\t\tlv2:name ").append(TurtleString(name)).append(" ;\n");
	out.append("\t\tatom:bufferType atom:Sequence ;\n");
	out.append("\t\tatom:supports ").append(supports).append(" ;\n");
	out.append("\t\tlv2:designation lv2:control\n\t]");
}

// A per-pad row's text for pad `pad` (from 0): "%u" becomes the pad's number.
std::string ForPad(const char* pattern, uint32_t pad)
{
	std::string text = pattern;
	if (const size_t at = text.find("%u"); at != std::string::npos)
		text.replace(at, 2, std::to_string(pad + 1));
	return text;
}

std::string KitGroupUri(const std::string& symbol)
{
	return std::string(kKitPluginUri) + "#" + symbol;
}

void AppendKitGroups(std::string& out)
{
	for (const KitGroupRow& group : kKitGroups) {
		for (uint32_t pad = 0; pad < group.count; pad++) {
			const std::string symbol = ForPad(group.symbol, pad);
			out.append("<").append(KitGroupUri(symbol)).append(">\n");
			switch (group.kind) {
				case KitGroupKind::StereoOutput:
					out.append("\ta pg:StereoGroup , pg:OutputGroup ;\n");
					break;
				case KitGroupKind::MonoOutput:
					out.append("\ta pg:MonoGroup , pg:OutputGroup ;\n");
					break;
				case KitGroupKind::Inputs: out.append("\ta pg:InputGroup ;\n"); break;
			}
			out.append("\tlv2:symbol \"").append(symbol).append("\" ;\n");
			out.append("\tlv2:name ")
			    .append(TurtleString(ForPad(group.name, pad)))
			    .append(" .\n\n");
		}
	}
}

// One port of a row (pad `pad` of a per-pad row), without the opening "[".
void AppendKitPort(std::string& out, const KitPortRow& row, uint32_t pad)
{
	const uint32_t index = row.first + pad;
	const std::string symbol = row.symbol != nullptr ? ForPad(row.symbol, pad) : "";
	const std::string name = row.name != nullptr ? ForPad(row.name, pad) : "";
	const std::string group = *row.group != '\0' ? KitGroupUri(ForPad(row.group, pad)) : "";
	switch (row.kind) {
		case KitPortKind::EventsIn:
			AppendEventPort(out, true, index, symbol, name, "midi:MidiEvent , patch:Message");
			return;
		case KitPortKind::EventsOut:
			AppendEventPort(out, false, index, symbol, name, "patch:Message");
			return;
		case KitPortKind::Audio:
			out.append("\t\ta lv2:OutputPort , lv2:AudioPort ;\n");
			out.append("\t\tlv2:index ").append(std::to_string(index)).append(" ;\n");
			out.append("\t\tlv2:symbol \"").append(symbol).append("\" ;\n");
			out.append("\t\tlv2:name ").append(TurtleString(name));
			if (*row.designation != '\0')
				out.append(" ;\n\t\tlv2:designation pg:").append(row.designation);
			if (!group.empty())
				out.append(" ;\n\t\tpg:group <").append(group).append(">");
			if (row.optional)
				out.append(" ;\n\t\tlv2:portProperty lv2:connectionOptional");
			out.append("\n\t]");
			return;
		case KitPortKind::PadLevel:
			AppendControl(
			    out, {index, symbol.c_str(), name.c_str(), row.comment, "dB", 1, ParamKind::Number,
			             {}, kPadLevelRange.minimum, kPadLevelRange.maximum, kPadLevelRange.start,
			             false, group, false, false});
			return;
		case KitPortKind::Own: AppendControl(out, FromOwn(kKitOwnControls[pad])); return;
	}
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
	for (const OwnControl& own : kLateControls)
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
	out.append("\tlv2:port [\n");
	AppendEventPort(out, true, kPortMidiIn, "midi_in", "MIDI in", "midi:MidiEvent");
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
	AppendKitGroups(out);

	AppendInstrument(out, kKitPluginUri, "Tunk Kit",
	    "A drum kit of up to sixteen Tunk sounds, each on its own note with its level, pan, "
	    "choke group and output. The kit is saved with the session; load a .tunkkit file through "
	    "the Kit file parameter or choose a factory kit among the presets.",
	    version);
	out.append("\tlv2:optionalFeature lv2:hardRTCapable , work:schedule , log:log , "
	           "midnam:update ;\n");
	out.append("\tlv2:extensionData state:interface , work:interface , midnam:interface ;\n");
	out.append("\tpatch:writable <").append(kKitFileUri).append("> ;\n");
	const char* separator = "\tlv2:port [\n";
	for (const KitPortRow& row : kKitPorts) {
		for (uint32_t pad = 0; pad < row.count; pad++) {
			out.append(separator);
			AppendKitPort(out, row, pad);
			separator = " , [\n";
		}
	}
	out.append(" .\n");
	return out;
}

} // namespace tunk::lv2
