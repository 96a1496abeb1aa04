#include "plugin/PluginTurtle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "plugin/Ports.h"
#include "plugin/PresetTurtle.h"

namespace tunk::lv2 {

namespace {

constexpr const char* kPrefixes =
    "@prefix atom:   <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap:   <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:   <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:    <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi:   <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix pg:     <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix rdf:    <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:   <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units:  <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:   <http://lv2plug.in/ns/ext/urid#> .\n\n";

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
	out.append("<").append(kPluginUri).append(">\n");
	// A project too, which doap:license and doap:maintainer describe.
	out.append("\ta lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n");
	out.append("\tdoap:name \"Tunk\" ;\n");
	out.append("\tdoap:license <http://spdx.org/licenses/GPL-3.0-or-later> ;\n");
	out.append("\tdoap:maintainer [\n\t\tfoaf:name \"Tunk developers\"\n\t] ;\n");
	out.append("\trdfs:comment \"Percussive sounds whose pitch and loudness fall exponentially: "
	           "kicks, toms, zaps. Any note plays the sound.\" ;\n");
	out.append("\tlv2:minorVersion ").append(std::to_string(version.minor)).append(" ;\n");
	out.append("\tlv2:microVersion ").append(std::to_string(version.micro)).append(" ;\n");
	out.append("\tlv2:requiredFeature urid:map ;\n");
	out.append("\tlv2:optionalFeature lv2:hardRTCapable ;\n");
	out.append("\tlv2:port [\n"
	           "\t\ta lv2:InputPort , atom:AtomPort ;\n"
	           "\t\tlv2:index 0 ;\n"
	           "\t\tlv2:symbol \"midi_in\" ;\n"
	           "\t\tlv2:name \"MIDI in\" ;\n"
	           "\t\tatom:bufferType atom:Sequence ;\n"
	           "\t\tatom:supports midi:MidiEvent ;\n"
	           "\t\tlv2:designation lv2:control\n"
	           "\t] , [\n"
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
	return out;
}

} // namespace tunk::lv2
