// The generated description as hosts read it: every row of the parameter table a port with
// the row's range, unit, comment, group, scale and kind; the ports hosts saved sessions by
// where they always were; licence, maintainer and a release version; presets in banks; and
// Turtle that parses and validates against the LV2 schemas without a word on stderr.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/units/units.h>
#include <map>
#include <set>
#include <unistd.h>

#include "PluginTestSupport.h"
#include "plugin/PluginTurtle.h"
#include "plugin/Ports.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRdfsComment = "http://www.w3.org/2000/01/rdf-schema#comment";
constexpr const char* kRdfsLabel = "http://www.w3.org/2000/01/rdf-schema#label";

// Runs a shell command; its standard error is returned in `errors`.
std::string RunKeepingErrors(const std::string& command, int* status, std::string* errors)
{
	char pattern[] = "/tmp/tunk-description-err-XXXXXX";
	const int fd = mkstemp(pattern);
	if (fd < 0) {
		*status = -1;
		return {};
	}
	close(fd);
	std::string output = RunCommand(command + " 2>'" + pattern + "'", status);
	*errors = ReadText(pattern);
	fs::remove(pattern);
	return output;
}

std::vector<fs::path> BundleTurtle()
{
	std::vector<fs::path> files;
	for (const fs::directory_entry& entry : fs::directory_iterator(TUNK_LV2_BUNDLE_DIR))
		if (entry.path().extension() == ".ttl")
			files.push_back(entry.path());
	std::sort(files.begin(), files.end());
	return files;
}

class PluginDescriptionTest : public ::testing::Test {
protected:
	const LilvPort* Port(const char* symbol)
	{
		LilvNode* node = lilv_new_string(world.World(), symbol);
		const LilvPort* found = lilv_plugin_get_port_by_symbol(world.Plugin(), node);
		lilv_node_free(node);
		return found;
	}
	// The one value of `predicate` on `subject`, as text; empty for none.
	std::string Get(const LilvNode* subject, const char* predicate)
	{
		LilvNode* value = lilv_world_get(world.World(), subject, world.Uri(predicate), nullptr);
		std::string text = value != nullptr ? lilv_node_as_string(value) : "";
		lilv_node_free(value);
		return text;
	}
	std::string PortGet(const LilvPort* port, const char* predicate)
	{
		LilvNode* value = lilv_port_get(world.Plugin(), port, world.Uri(predicate));
		std::string text = value != nullptr ? lilv_node_as_string(value) : "";
		lilv_node_free(value);
		return text;
	}

	PluginWorld world;
};

// Hosts keep a session's controls by port index: today's ports never move.
TEST_F(PluginDescriptionTest, TheOriginalPortsKeepTheirIndices)
{
	const char* const original[] = {"midi_in", "out", "startFreq", "duration", "amplitude",
	    "oscType", "freqEnvelope", "ampEnvelope", "distortion", "filterCutoff", "filterQ",
	    "freqEnvEnabled", "ampEnvEnabled", "distortionEnabled", "filterEnabled", "velocity"};
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	ASSERT_GE(lilv_plugin_get_num_ports(plugin), std::size(original));
	for (uint32_t index = 0; index < std::size(original); index++) {
		const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
		ASSERT_NE(port, nullptr) << index;
		EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), original[index]);
	}
}

// The kit instrument's ports where sessions keep them, each pad's output in a group of its own
// and the pads' levels in one.
TEST(KitDescriptionTest, PortsKeepTheirIndicesInTheirGroups)
{
	PluginWorld world{TUNK_LV2_BUNDLE_DIR, "urn:quillfeather:tunk-kit"};
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	std::vector<std::string> symbols = {"midi_in", "notify", "out_l", "out_r"};
	for (const char* prefix : {"out_pad", "level_pad"})
		for (int pad = 1; pad <= 16; pad++)
			symbols.push_back(prefix + std::to_string(pad));
	for (const char* own : {"velocity", "noteOff", "retrigger", "latency"})
		symbols.push_back(own);
	ASSERT_EQ(lilv_plugin_get_num_ports(plugin), symbols.size());
	auto value = [&](const LilvNode* subject, const char* predicate) {
		LilvNode* found = lilv_world_get(world.World(), subject, world.Uri(predicate), nullptr);
		std::string text = found != nullptr ? lilv_node_as_string(found) : "";
		lilv_node_free(found);
		return text;
	};
	auto is = [&](const std::string& subject, const char* type) {
		return lilv_world_ask(world.World(), world.Uri(subject),
		    world.Uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type"), world.Uri(type));
	};
	for (uint32_t index = 0; index < symbols.size(); index++) {
		const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
		const std::string& symbol = symbols[index];
		SCOPED_TRACE(symbol);
		EXPECT_EQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), symbol);
		LilvNode* groupNode = lilv_port_get(plugin, port, world.Uri(LV2_PORT_GROUPS__group));
		const std::string group = groupNode != nullptr ? lilv_node_as_uri(groupNode) : "";
		LilvNode* channel = lilv_port_get(plugin, port, world.Uri(LV2_CORE__designation));
		const std::string designation = channel != nullptr ? lilv_node_as_uri(channel) : "";
		lilv_node_free(groupNode);
		lilv_node_free(channel);
		const size_t digits = symbol.find_first_of("0123456789");
		const std::string number = digits == std::string::npos ? "" : symbol.substr(digits);
		if (symbol.starts_with("out_pad")) {
			EXPECT_EQ(group, "urn:quillfeather:tunk-kit#pad" + number);
			EXPECT_EQ(value(world.Uri(group), LV2_CORE__name), "Pad " + number);
			EXPECT_TRUE(is(group, LV2_PORT_GROUPS__MonoGroup));
			EXPECT_TRUE(is(group, LV2_PORT_GROUPS__OutputGroup));
			EXPECT_EQ(designation, LV2_PORT_GROUPS__center);
		} else if (symbol.starts_with("level_pad")) {
			EXPECT_EQ(group, "urn:quillfeather:tunk-kit#levels");
			EXPECT_TRUE(is(group, LV2_PORT_GROUPS__InputGroup));
		} else if (symbol == "out_l" || symbol == "out_r") {
			EXPECT_EQ(group, "urn:quillfeather:tunk-kit#main");
			EXPECT_TRUE(is(group, LV2_PORT_GROUPS__StereoGroup));
			EXPECT_EQ(
			    designation, symbol == "out_l" ? LV2_PORT_GROUPS__left : LV2_PORT_GROUPS__right);
		} else {
			EXPECT_EQ(group, "");
		}
	}
}

TEST_F(PluginDescriptionTest, EveryParameterRowIsAPortAsTheTableDescribesIt)
{
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	EXPECT_EQ(lilv_plugin_get_num_ports(plugin), tunk::lv2::kPortCount);
	EXPECT_EQ(tunk::lv2::kPortCount, 2 + tunk::kParamCount + std::size(tunk::lv2::kOwnControls)
	                                     + std::size(tunk::lv2::kLateControls));
	// Key tracking sits where the table ended when it came, and stays there.
	EXPECT_EQ(tunk::lv2::kPortKeyTrack, 2 + 42 + std::size(tunk::lv2::kOwnControls));

	std::set<std::string> groups;
	for (const tunk::ParamInfo& row : tunk::kParams) {
		SCOPED_TRACE(row.symbol);
		const LilvPort* port = Port(row.symbol);
		ASSERT_NE(port, nullptr);
		EXPECT_EQ(lilv_port_get_index(plugin, port), tunk::lv2::PortOf(row.id));
		EXPECT_TRUE(lilv_port_is_a(plugin, port, world.Uri(LV2_CORE__InputPort)));
		EXPECT_TRUE(lilv_port_is_a(plugin, port, world.Uri(LV2_CORE__ControlPort)));
		LilvNode* name = lilv_port_get_name(plugin, port);
		ASSERT_NE(name, nullptr);
		EXPECT_STREQ(lilv_node_as_string(name), row.label);
		lilv_node_free(name);
		EXPECT_EQ(PortGet(port, kRdfsComment), row.comment);

		// The window's range; a logarithmic scale only where the range stays above 0, which
		// LV2 asks of it (the start frequency reaches 0 Hz as in the window).
		LilvNode* start = nullptr;
		LilvNode* minimum = nullptr;
		LilvNode* maximum = nullptr;
		lilv_port_get_range(plugin, port, &start, &minimum, &maximum);
		ASSERT_TRUE(start && minimum && maximum);
		const bool logarithmic =
		    row.kind == tunk::ParamKind::Number && row.scale == tunk::ParamScale::Logarithmic;
		EXPECT_EQ(lilv_node_as_float(start), row.def);
		EXPECT_EQ(lilv_node_as_float(maximum), row.max);
		EXPECT_EQ(lilv_node_as_float(minimum), row.min);
		const bool hostLog =
		    lilv_port_has_property(plugin, port, world.Uri(LV2_PORT_PROPS__logarithmic));
		EXPECT_EQ(hostLog, logarithmic && row.min > 0);
		lilv_node_free(start);
		lilv_node_free(minimum);
		lilv_node_free(maximum);

		// The window's section is the port's group, named as the section.
		LilvNode* group = lilv_port_get(plugin, port, world.Uri(LV2_PORT_GROUPS__group));
		ASSERT_NE(group, nullptr);
		EXPECT_EQ(Get(group, LV2_CORE__name), tunk::GroupInfo(row.group).label);
		EXPECT_EQ(Get(group, LV2_CORE__symbol), tunk::GroupInfo(row.group).symbol);
		EXPECT_TRUE(lilv_world_ask(world.World(), group,
		    world.Uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type"),
		    world.Uri(LV2_PORT_GROUPS__InputGroup)));
		groups.insert(lilv_node_as_uri(group));
		lilv_node_free(group);

		const bool toggled = lilv_port_has_property(plugin, port, world.Uri(LV2_CORE__toggled));
		const bool enumeration =
		    lilv_port_has_property(plugin, port, world.Uri(LV2_CORE__enumeration));
		LilvNode* unit = lilv_port_get(plugin, port, world.Uri(LV2_UNITS__unit));
		switch (row.kind) {
			case tunk::ParamKind::Number:
				EXPECT_FALSE(toggled || enumeration);
				EXPECT_NE(unit, nullptr) << "a number without a unit";
				break;
			case tunk::ParamKind::Switch:
				EXPECT_TRUE(toggled);
				EXPECT_FALSE(enumeration);
				break;
			case tunk::ParamKind::Choice: {
				EXPECT_TRUE(enumeration);
				EXPECT_TRUE(lilv_port_has_property(plugin, port, world.Uri(LV2_CORE__integer)));
				std::map<float, std::string> labels;
				LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
				LILV_FOREACH(scale_points, i, points)
				{
					const LilvScalePoint* point = lilv_scale_points_get(points, i);
					labels[lilv_node_as_float(lilv_scale_point_get_value(point))] =
					    lilv_node_as_string(lilv_scale_point_get_label(point));
				}
				lilv_scale_points_free(points);
				std::map<float, std::string> expected;
				for (size_t i = 0; i < row.choices.size(); i++)
					expected[row.min + float(i)] = row.choices[i];
				EXPECT_EQ(labels, expected);
				break;
			}
		}
		lilv_node_free(unit);
	}
	EXPECT_GE(groups.size(), 2u);
}

// The standard units where hosts know one; otherwise a unit that prints the window's digits.
TEST(PluginTurtleTest, UnitsAreLv2sWhereTheyExistAndPrintTheShownDigitsOtherwise)
{
	EXPECT_EQ(tunk::lv2::UnitTurtle("Hz", 0), "units:hz");
	EXPECT_EQ(tunk::lv2::UnitTurtle("ms", 1), "units:ms");
	EXPECT_EQ(tunk::lv2::UnitTurtle("dB", 1), "units:db");
	const std::string bare = tunk::lv2::UnitTurtle("", 2);
	EXPECT_NE(bare.find("units:render \"%.2f\""), std::string::npos) << bare;
	EXPECT_EQ(bare.find("units:symbol"), std::string::npos) << bare;
	// A percent sign of the unit's own must not become a printf conversion.
	const std::string odd = tunk::lv2::UnitTurtle("x%", 1);
	EXPECT_NE(odd.find("units:render \"%.1f x%%\""), std::string::npos) << odd;
	EXPECT_NE(odd.find("units:symbol \"x%\""), std::string::npos) << odd;
}

TEST_F(PluginDescriptionTest, NamesItsLicenceMaintainerAndAReleaseVersion)
{
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	// The plugin's own statement of `predicate` (its description loaded first, as a host does).
	auto value = [&](const char* predicate) {
		LilvNodes* values = lilv_plugin_get_value(plugin, world.Uri(predicate));
		std::string text =
		    lilv_nodes_size(values) == 1 ? lilv_node_as_string(lilv_nodes_get_first(values)) : "";
		lilv_nodes_free(values);
		return text;
	};
	EXPECT_EQ(
	    value("http://usefulinc.com/ns/doap#license"), "http://spdx.org/licenses/GPL-3.0-or-later");
	LilvNode* author = lilv_plugin_get_author_name(plugin);
	ASSERT_NE(author, nullptr);
	EXPECT_STREQ(lilv_node_as_string(author), "Tunk developers");
	lilv_node_free(author);
	// An odd minor version is a development release to hosts.
	const std::string minor = value(LV2_CORE__minorVersion);
	ASSERT_FALSE(minor.empty());
	EXPECT_EQ(std::stoi(minor) % 2, 0) << minor;
	EXPECT_GT(std::stoi(minor), 0);
	EXPECT_FALSE(value(LV2_CORE__microVersion).empty());
	EXPECT_FALSE(value(kRdfsComment).empty());
}

TEST_F(PluginDescriptionTest, EachFactoryCategoryIsABankHoldingItsPresets)
{
	ASSERT_NE(world.Plugin(), nullptr);
	std::set<std::string> folders;
	for (const fs::directory_entry& folder : fs::directory_iterator(TUNK_PRESET_DIR))
		if (folder.is_directory())
			folders.insert(folder.path().filename().string());

	std::map<std::string, std::set<std::string>> banks; // bank label: preset labels
	LilvNodes* presets = lilv_plugin_get_related(world.Plugin(), world.Uri(LV2_PRESETS__Preset));
	LILV_FOREACH(nodes, i, presets)
	{
		const LilvNode* preset = lilv_nodes_get(presets, i);
		lilv_world_load_resource(world.World(), preset);
		LilvNodes* inBanks =
		    lilv_world_find_nodes(world.World(), preset, world.Uri(LV2_PRESETS__bank), nullptr);
		ASSERT_EQ(lilv_nodes_size(inBanks), 1u) << lilv_node_as_uri(preset);
		const LilvNode* bank = lilv_nodes_get_first(inBanks);
		EXPECT_TRUE(lilv_world_ask(world.World(), bank,
		    world.Uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type"),
		    world.Uri(LV2_PRESETS__Bank)));
		banks[Get(bank, kRdfsLabel)].insert(Get(preset, kRdfsLabel));
		lilv_nodes_free(inBanks);
	}
	lilv_nodes_free(presets);

	std::set<std::string> labels;
	for (const auto& [label, members] : banks) {
		labels.insert(label);
		for (const std::string& preset : members)
			EXPECT_EQ(preset.rfind(label + ": ", 0), 0u) << preset << " in " << label;
	}
	EXPECT_EQ(labels, folders);
}

// sordi reads each file alone, so a file that leans on another's prefixes fails here;
// sord_validate checks the bundle's statements against the LV2 vocabularies installed
// with the headers (every bundle there that describes no plugin).
TEST(PluginTurtleTest, EveryBundleFileParsesAndValidatesWithoutAWord)
{
	const std::vector<fs::path> files = BundleTurtle();
	ASSERT_GE(files.size(), 3u);
	std::string all;
	for (const fs::path& file : files) {
		SCOPED_TRACE(file.string());
		int status = 0;
		std::string errors;
		std::string triples = RunKeepingErrors(
		    "sordi -i turtle -o ntriples 'file://" + file.string() + "'", &status, &errors);
		EXPECT_EQ(status, 0);
		EXPECT_EQ(errors, "");
		EXPECT_NE(triples.find(tunk::lv2::kPluginUri), std::string::npos);
		all += " '" + file.string() + "'";
	}

	std::string schemas;
	for (const fs::directory_entry& bundle : fs::directory_iterator("/usr/lib/lv2")) {
		std::ifstream manifest(bundle.path() / "manifest.ttl");
		std::string text(std::istreambuf_iterator<char>(manifest), {});
		if (text.empty() || text.find("lv2:Plugin") != std::string::npos)
			continue;
		for (const fs::directory_entry& file : fs::directory_iterator(bundle.path()))
			if (file.path().extension() == ".ttl")
				schemas += " '" + file.path().string() + "'";
	}
	ASSERT_NE(schemas.find("lv2core.ttl"), std::string::npos) << "no LV2 vocabulary found";
	int status = 0;
	std::string errors;
	std::string report = RunKeepingErrors("sord_validate" + schemas + all, &status, &errors);
	EXPECT_EQ(status, 0);
	EXPECT_EQ(errors, "");
	EXPECT_NE(report.find("Found 0 errors"), std::string::npos) << report;
}

} // namespace
