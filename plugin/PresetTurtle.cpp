#include "plugin/PresetTurtle.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "plugin/KitPorts.h"
#include "plugin/Ports.h"

namespace tunk::lv2 {

namespace {

constexpr const char* kPrefixes = "@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n";

} // namespace

std::string UriSlug(const std::string& text)
{
	std::string out;
	bool gap = false;
	for (unsigned char c : text) {
		// Bytes, not characters: a letter beyond ASCII is a gap like any punctuation.
		const bool letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
		const bool upper = c >= 'A' && c <= 'Z';
		if (!letter && !upper) {
			gap = true;
			continue;
		}
		if (gap && !out.empty())
			out += '-';
		gap = false;
		out += upper ? char(c - 'A' + 'a') : char(c);
	}
	return out;
}

std::string TurtleString(const std::string& text)
{
	std::string out = "\"";
	for (unsigned char c : text) {
		if (c == '"' || c == '\\') {
			out += '\\';
			out += char(c);
		} else if (c < 0x20) {
			char escaped[8];
			std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
			out += escaped;
		} else {
			out += char(c);
		}
	}
	return out + "\"";
}

std::string PresetUri(const std::string& category, const std::string& name)
{
	return std::string(kPresetUriPrefix) + UriSlug(category + " " + name);
}

std::string BankUri(const std::string& category)
{
	return std::string(kBankUriPrefix) + UriSlug(category);
}

std::string TurtleNumber(float value)
{
	// Nine significant digits single out every float, and such a decimal lies far from the
	// midpoint between two floats, so even a reader's double rounding lands on the same one.
	char text[32];
	std::snprintf(text, sizeof text, "%.9g", double(value));
	std::string out = text;
	if (out.find_first_of(".eE") == std::string::npos)
		out += ".0";
	return out;
}

// The texts are appended piece by piece: g++ 12 at -O3 warns falsely about a literal plus a
// temporary string.
std::string ManifestTurtle(const std::string& binaryName, const std::vector<FactoryPreset>& presets)
{
	std::string out = kPrefixes;
	out.append("<").append(kPluginUri).append(">\n\ta lv2:Plugin , lv2:InstrumentPlugin ;\n");
	out.append("\tlv2:binary <").append(binaryName).append("> ;\n");
	out.append("\trdfs:seeAlso <tunk.ttl> .\n");
	// One bank per category, here with the presets' links so that a host sorts its list
	// without loading every preset.
	std::set<std::string> categories;
	for (const FactoryPreset& preset : presets)
		categories.insert(preset.category);
	for (const std::string& category : categories) {
		out.append("\n<").append(BankUri(category)).append(">\n");
		out.append("\ta pset:Bank ;\n\trdfs:label ").append(TurtleString(category)).append(" .\n");
	}
	for (const FactoryPreset& preset : presets) {
		out.append("\n<").append(PresetUri(preset.category, preset.name)).append(">\n");
		out.append("\ta pset:Preset ;\n\tlv2:appliesTo <").append(kPluginUri).append("> ;\n");
		out.append("\tpset:bank <").append(BankUri(preset.category)).append("> ;\n");
		out.append("\trdfs:seeAlso <presets.ttl> .\n");
	}
	return out;
}

std::string PresetsTurtle(const std::vector<FactoryPreset>& presets)
{
	std::string out = kPrefixes;
	for (const FactoryPreset& preset : presets) {
		out.append("<").append(PresetUri(preset.category, preset.name)).append(">\n");
		out.append("\ta pset:Preset ;\n\tlv2:appliesTo <").append(kPluginUri).append("> ;\n");
		std::string label = preset.category;
		label.append(": ").append(preset.name);
		out.append("\trdfs:label ").append(TurtleString(label)).append(" ;\n");
		out.append("\tlv2:port ");
		for (const ParamInfo& info : kParams) {
			out.append(info.id == Param(0) ? "[\n" : " , [\n");
			out.append("\t\tlv2:symbol \"").append(info.symbol);
			out.append("\" ;\n\t\tpset:value ");
			out.append(TurtleNumber(preset.params[info.id])).append("\n\t]");
		}
		out.append(" .\n\n");
	}
	return out;
}

std::string KitPresetUri(const std::string& name)
{
	return std::string(kKitPresetUriPrefix) + UriSlug(name);
}

std::string KitManifestTurtle(const std::string& binaryName, const std::vector<FactoryKit>& kits)
{
	std::string out = "\n<";
	out.append(kKitPluginUri).append(">\n\ta lv2:Plugin , lv2:InstrumentPlugin ;\n");
	out.append("\tlv2:binary <").append(binaryName).append("> ;\n");
	out.append("\trdfs:seeAlso <tunk-kit.ttl> .\n");
	for (const FactoryKit& kit : kits) {
		out.append("\n<").append(KitPresetUri(kit.name)).append(">\n");
		out.append("\ta pset:Preset ;\n\tlv2:appliesTo <").append(kKitPluginUri).append("> ;\n");
		out.append("\trdfs:seeAlso <kit-presets.ttl> .\n");
	}
	return out;
}

std::string KitPresetsTurtle(const std::vector<FactoryKit>& kits)
{
	std::string out = kPrefixes;
	out.append("@prefix state: <http://lv2plug.in/ns/ext/state#> .\n\n");
	for (const FactoryKit& kit : kits) {
		out.append("<").append(KitPresetUri(kit.name)).append(">\n");
		out.append("\ta pset:Preset ;\n\tlv2:appliesTo <").append(kKitPluginUri).append("> ;\n");
		out.append("\trdfs:label ").append(TurtleString(kit.name)).append(" ;\n");
		// A plain literal: hosts hand it to the plugin as an atom:String.
		out.append("\tstate:state [\n\t\t<").append(kKitStateUri).append("> ");
		out.append(TurtleString(kit.text)).append("\n\t] .\n\n");
	}
	return out;
}

std::string PresetUriFault(
    const std::vector<FactoryPreset>& presets, const std::vector<FactoryKit>& kits)
{
	std::vector<std::pair<std::string, std::string>> labelled; // label, slug-bearing URI
	for (const FactoryPreset& preset : presets) {
		std::string label = preset.category;
		label.append(": ").append(preset.name);
		labelled.emplace_back(label, UriSlug(preset.category + " " + preset.name).empty()
		                                 ? ""
		                                 : PresetUri(preset.category, preset.name));
	}
	for (const FactoryKit& kit : kits)
		labelled.emplace_back(kit.name, UriSlug(kit.name).empty() ? "" : KitPresetUri(kit.name));
	std::map<std::string, std::string> seen; // URI, label
	for (const auto& [label, uri] : labelled) {
		if (uri.empty())
			return "\"" + label + "\" has no ASCII letter or digit to name its preset's URI";
		const auto [at, fresh] = seen.emplace(uri, label);
		if (!fresh)
			return "\"" + at->second + "\" and \"" + label + "\" would share the preset URI " + uri;
	}
	return "";
}

} // namespace tunk::lv2
