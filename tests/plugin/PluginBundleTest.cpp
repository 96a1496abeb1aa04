#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/units/units.h>
#include <map>
#include <regex>
#include <set>
#include <sys/wait.h>

#include "PluginTestSupport.h"
#include "plugin/KitPorts.h"
#include "plugin/Ports.h"
#include "plugin/PresetTurtle.h"
#include "preset/PresetExtension.h"

namespace {

namespace fs = std::filesystem;

struct FactoryFile {
	std::string category;
	std::string name;
	fs::path path;
};

std::vector<FactoryFile> FactoryFiles()
{
	std::vector<FactoryFile> files;
	for (const fs::directory_entry& folder : fs::directory_iterator(TUNK_PRESET_DIR)) {
		if (!folder.is_directory())
			continue;
		for (const fs::directory_entry& file : fs::directory_iterator(folder.path())) {
			if (file.path().extension() == ".tunk")
				files.push_back(
				    {folder.path().filename().string(), file.path().stem().string(), file.path()});
		}
	}
	return files;
}

std::string Label(const FactoryFile& file)
{
	return file.category + ": " + file.name;
}

class PluginBundleTest : public ::testing::Test {
protected:
	PluginWorld world;
};

TEST_F(PluginBundleTest, TheBuildTreeBundleHoldsTheInstrumentWithoutToolkitOrSdl)
{
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	// Beside it, the kit instrument in the same shared object.
	EXPECT_EQ(lilv_plugins_size(lilv_world_get_all_plugins(world.World())), 2u);
	EXPECT_TRUE(lilv_world_ask(world.World(), lilv_plugin_get_uri(plugin),
	    world.Uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type"),
	    world.Uri(LV2_CORE__InstrumentPlugin)));
	LilvNode* name = lilv_plugin_get_name(plugin);
	ASSERT_NE(name, nullptr);
	EXPECT_STREQ(lilv_node_as_string(name), "Tunk");
	lilv_node_free(name);
	EXPECT_TRUE(lilv_plugin_verify(plugin));

	char* library =
	    lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_library_uri(plugin)), nullptr);
	ASSERT_NE(library, nullptr);
	fs::path binary = library;
	lilv_free(library);
	EXPECT_EQ(binary.parent_path().filename(), "tunk.lv2");
	int status = 0;
	std::string needed = RunCommand("readelf -d '" + binary.string() + "'", &status);
	ASSERT_EQ(status, 0) << needed;
	// The plugin resamples on its own: no library beyond the C and C++ runtimes.
	for (const char* library : {"Qt", "SDL", "sndfile", "soxr"})
		EXPECT_EQ(needed.find(library), std::string::npos) << library << "\n" << needed;
}

// The sound's controls are checked row by row against the table in PluginDescriptionTest.
TEST_F(PluginBundleTest, PortsAreMidiInMonoOutTheControlsAndTheLatencyReport)
{
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	ASSERT_EQ(lilv_plugin_get_num_ports(plugin), tunk::lv2::kPortCount);

	auto port = [&](const char* symbol) {
		LilvNode* node = lilv_new_string(world.World(), symbol);
		const LilvPort* found = lilv_plugin_get_port_by_symbol(plugin, node);
		lilv_node_free(node);
		return found;
	};
	const LilvPort* midi = port("midi_in");
	ASSERT_NE(midi, nullptr);
	EXPECT_TRUE(lilv_port_is_a(plugin, midi, world.Uri(LV2_CORE__InputPort)));
	EXPECT_TRUE(lilv_port_is_a(plugin, midi, world.Uri(LV2_ATOM__AtomPort)));
	EXPECT_TRUE(lilv_port_supports_event(plugin, midi, world.Uri(LV2_MIDI__MidiEvent)));
	const LilvPort* out = port("out");
	ASSERT_NE(out, nullptr);
	EXPECT_TRUE(lilv_port_is_a(plugin, out, world.Uri(LV2_CORE__OutputPort)));
	EXPECT_TRUE(lilv_port_is_a(plugin, out, world.Uri(LV2_CORE__AudioPort)));

	// The plugin clamps every input control to its range, and says so.
	for (uint32_t index = 2; index < tunk::lv2::kPortCount; index++) {
		const LilvPort* control = lilv_plugin_get_port_by_index(plugin, index);
		ASSERT_NE(control, nullptr) << index;
		EXPECT_TRUE(lilv_port_is_a(plugin, control, world.Uri(LV2_CORE__ControlPort))) << index;
		if (lilv_port_is_a(plugin, control, world.Uri(LV2_CORE__InputPort))) {
			EXPECT_TRUE(lilv_port_has_property(
			    plugin, control, world.Uri("http://lv2plug.in/ns/ext/port-props#hasStrictBounds")))
			    << index;
		}
	}

	// How notes play: velocity, note-off and retrigger after the first sound ports, key
	// tracking after the rows of its time.
	std::vector<tunk::lv2::OwnControl> owns(
	    std::begin(tunk::lv2::kOwnControls), std::end(tunk::lv2::kOwnControls));
	owns.insert(owns.end(), std::begin(tunk::lv2::kLateControls), std::end(tunk::lv2::kLateControls));
	for (const tunk::lv2::OwnControl& own : owns) {
		SCOPED_TRACE(own.symbol);
		const LilvPort* control = port(own.symbol);
		ASSERT_NE(control, nullptr);
		EXPECT_EQ(lilv_port_get_index(plugin, control), own.port);
		LilvNode* comment = lilv_port_get(
		    plugin, control, world.Uri("http://www.w3.org/2000/01/rdf-schema#comment"));
		ASSERT_NE(comment, nullptr);
		EXPECT_STREQ(lilv_node_as_string(comment), own.comment);
		lilv_node_free(comment);
		if (own.output)
			continue;
		LilvNode* start = nullptr;
		LilvNode* minimum = nullptr;
		LilvNode* maximum = nullptr;
		lilv_port_get_range(plugin, control, &start, &minimum, &maximum);
		ASSERT_TRUE(start && minimum && maximum);
		EXPECT_EQ(lilv_node_as_float(start), own.def);
		EXPECT_EQ(lilv_node_as_float(minimum), own.min);
		EXPECT_EQ(lilv_node_as_float(maximum), own.max);
		lilv_node_free(start);
		lilv_node_free(minimum);
		lilv_node_free(maximum);
		EXPECT_EQ(lilv_port_has_property(plugin, control, world.Uri(LV2_CORE__toggled)),
		    own.kind == tunk::ParamKind::Switch);
		LilvNode* unit = lilv_port_get(plugin, control, world.Uri(LV2_UNITS__unit));
		EXPECT_EQ(unit != nullptr, own.kind == tunk::ParamKind::Number);
		lilv_node_free(unit);
	}

	// The standard latency report, where hosts look for it.
	const LilvPort* latency = port("latency");
	ASSERT_NE(latency, nullptr);
	EXPECT_EQ(lilv_port_get_index(plugin, latency), 18u);
	EXPECT_TRUE(lilv_port_is_a(plugin, latency, world.Uri(LV2_CORE__OutputPort)));
	EXPECT_TRUE(lilv_port_is_a(plugin, latency, world.Uri(LV2_CORE__ControlPort)));
	EXPECT_TRUE(lilv_port_has_property(plugin, latency, world.Uri(LV2_CORE__reportsLatency)));
	EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), 18u);
}

// Collects the port values a preset restores.
void CollectValue(const char* symbol, void* data, const void* value, uint32_t size, uint32_t type)
{
	auto* context = static_cast<std::pair<UridMap*, std::map<std::string, float>*>*>(data);
	UridMap& urids = *context->first;
	float number = NAN;
	if (type == urids.Map(LV2_ATOM__Float) && size == sizeof(float))
		number = *static_cast<const float*>(value);
	else if (type == urids.Map(LV2_ATOM__Double) && size == sizeof(double))
		number = float(*static_cast<const double*>(value));
	else if (type == urids.Map(LV2_ATOM__Int) && size == sizeof(int32_t))
		number = float(*static_cast<const int32_t*>(value));
	(*context->second)[symbol] = number;
}

// The plugin's presets by label, as a host lists them; empty when a preset has no label or
// two presets share one.
std::map<std::string, std::string> PresetsByLabel(PluginWorld& world)
{
	std::map<std::string, std::string> byLabel;
	LilvNodes* presets = lilv_plugin_get_related(world.Plugin(), world.Uri(LV2_PRESETS__Preset));
	size_t count = lilv_nodes_size(presets);
	LILV_FOREACH(nodes, i, presets)
	{
		const LilvNode* preset = lilv_nodes_get(presets, i);
		lilv_world_load_resource(world.World(), preset);
		LilvNodes* labels = lilv_world_find_nodes(world.World(), preset,
		    world.Uri("http://www.w3.org/2000/01/rdf-schema#label"), nullptr);
		if (lilv_nodes_size(labels) == 1)
			byLabel[lilv_node_as_string(lilv_nodes_get_first(labels))] = lilv_node_as_uri(preset);
		lilv_nodes_free(labels);
	}
	lilv_nodes_free(presets);
	return byLabel.size() == count ? byLabel : std::map<std::string, std::string>{};
}

// The port values a host restores from a preset.
std::map<std::string, float> PresetValues(PluginWorld& world, const std::string& uri)
{
	std::map<std::string, float> values;
	LilvState* state =
	    lilv_state_new_from_world(world.World(), world.Urids().Feature(), world.Uri(uri));
	if (state == nullptr)
		return values;
	std::pair<UridMap*, std::map<std::string, float>*> context{&world.Urids(), &values};
	lilv_state_emit_port_values(state, CollectValue, &context);
	lilv_state_free(state);
	return values;
}

// Every parameter's port and value.
std::map<std::string, float> PortValues(const tunk::SoundParams& sound)
{
	std::map<std::string, float> values;
	for (const tunk::ParamInfo& info : tunk::kParams)
		values[info.symbol] = sound[info.id];
	return values;
}

TEST_F(PluginBundleTest, EveryFactorySoundIsAPresetThatPlaysIt)
{
	const LilvPlugin* plugin = world.Plugin();
	ASSERT_NE(plugin, nullptr);
	std::vector<FactoryFile> files = FactoryFiles();
	std::map<std::string, std::string> byLabel = PresetsByLabel(world);
	EXPECT_EQ(byLabel.size(), files.size());
	// The drums' folders are among those whose sounds the bundle must hold, each as a preset.
	std::set<std::string> banks;
	for (const FactoryFile& file : files)
		banks.insert(file.category);
	for (const char* drums : {"Snares", "Claps", "Closed Hi-Hats", "Open Hi-Hats", "Cymbals",
	         "Rims and Sticks", "Cowbells and Metals", "Shakers"})
		EXPECT_EQ(banks.count(drums), 1u) << drums;
	EXPECT_GE(files.size(), 120u);

	std::vector<float> minimum(lilv_plugin_get_num_ports(plugin));
	std::vector<float> maximum(minimum.size());
	lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), nullptr);
	PluginInstance instance(world, 44100);
	for (const FactoryFile& file : files) {
		SCOPED_TRACE(file.path.string());
		ASSERT_EQ(byLabel.count(Label(file)), 1u);
		// The whole sound, a drum's noise and second tone with it.
		tunk::SoundParams sound;
		PresetExtras extras;
		std::vector<std::string> messages;
		ASSERT_EQ(ReadPreset(file.path.c_str(), &sound, &extras, &messages), B_OK);

		// The values a host restores are the file's, bit for bit (every control of the
		// sound, and not the velocity), and all within the ports' ranges, so a host that
		// keeps controls in range plays the same sound.
		std::map<std::string, float> values = PresetValues(world, byLabel[Label(file)]);
		EXPECT_EQ(values, PortValues(sound));
		for (auto [symbol, value] : values) {
			uint32_t index = 0;
			for (uint32_t i = 0; i < minimum.size(); i++) {
				const LilvNode* name =
				    lilv_port_get_symbol(plugin, lilv_plugin_get_port_by_index(plugin, i));
				if (symbol == lilv_node_as_string(name))
					index = i;
			}
			EXPECT_GE(value, minimum[index]) << symbol;
			EXPECT_LE(value, maximum[index]) << symbol;
		}

		// Applied to a running instance, the preset plays the library's sound on a note in
		// the very block it arrives with.
		for (auto [symbol, value] : values)
			instance.SetControl(symbol.c_str(), value);
		std::vector<float> out;
		instance.NoteOn(0);
		const std::vector<float> engine = AsFloat(EngineSamples(sound));
		for (size_t done = 0; done < engine.size() + 10; done += 4096)
			instance.Run(4096, &out);
		std::vector<float> expected(out.size(), 0.0f);
		Place(expected, engine, 0);
		EXPECT_EQ(FirstDifference(out, expected), -1);
	}
}

// A host's session: port values read from one instance and set on another.
const void* SavePortValue(const char* symbol, void* data, uint32_t* size, uint32_t* type)
{
	auto* context = static_cast<std::pair<PluginInstance*, std::map<std::string, float>*>*>(data);
	float& value = (*context->second)[symbol];
	value = context->first->Control(symbol);
	*size = sizeof value;
	*type = context->first->FloatType();
	return &value;
}

void RestorePortValue(
    const char* symbol, void* data, const void* value, uint32_t size, uint32_t type)
{
	auto* plugin = static_cast<PluginInstance*>(data);
	if (type == plugin->FloatType() && size == sizeof(float))
		plugin->SetControl(symbol, *static_cast<const float*>(value));
}

TEST_F(PluginBundleTest, TheFirstNoteAfterARestoredSessionPlaysTheRestoredSound)
{
	const tunk::SoundParams sound = BusySound(80);
	std::map<std::string, float> saved;
	LilvState* state = nullptr;
	{
		PluginInstance before(world, 44100);
		SetSound(before, sound);
		before.SetControl("velocity", 0.5f);
		std::pair<PluginInstance*, std::map<std::string, float>*> context{&before, &saved};
		state =
		    lilv_state_new_from_instance(world.Plugin(), before.Instance(), world.Urids().Feature(),
		        nullptr, nullptr, nullptr, nullptr, SavePortValue, &context, 0, nullptr);
	}
	ASSERT_NE(state, nullptr);
	EXPECT_EQ(saved.count("duration"), 1u);

	for (uint32_t block : {1u, 64u, 4096u}) {
		SCOPED_TRACE("block " + std::to_string(block));
		PluginInstance after(world, 44100);
		lilv_state_restore(state, after.Instance(), RestorePortValue, &after, 0, nullptr);
		std::vector<float> out;
		after.NoteOn(0, 127);
		while (out.size() < 4000)
			after.Run(block, &out);
		std::vector<float> expected(out.size(), 0.0f);
		Place(expected, AsFloat(EngineSamples(sound)), 0);
		EXPECT_EQ(FirstDifference(out, expected), -1);
	}
	lilv_state_free(state);
}

TEST(PresetTurtleTest, OddNamesAndExactNumbersSurviveAHostsReading)
{
	char pattern[] = "/tmp/tunk-lv2-presets-XXXXXX";
	ASSERT_NE(mkdtemp(pattern), nullptr);
	fs::path bundle = pattern;
	fs::copy_file(fs::path(TUNK_LV2_BUNDLE_DIR) / "tunk.ttl", bundle / "tunk.ttl");

	// Numbers with no short decimal form, and names with quotes, backslashes, percent
	// signs, slashes and letters beyond ASCII.
	tunk::SoundParams odd;
	odd[tunk::Param::startFreq] = 1234.5678f;
	odd[tunk::Param::amplitude] = 0.1f;
	odd[tunk::Param::ampEnvelope] = -37.3f;
	odd[tunk::Param::filterQ] = 0.35f;
	odd[tunk::Param::oscType] = tunk::kOscTriangle;
	odd[tunk::Param::filterEnabled] = true;
	const std::vector<tunk::lv2::FactoryPreset> presets = {
	    {"Odd, \"Names\"", "Back\\slash 100% / Caf\u00e9", odd}, {"Kicks", "Plain", {}}};
	std::ofstream(bundle / "manifest.ttl") << tunk::lv2::ManifestTurtle("tunk.so", presets);
	std::ofstream(bundle / "presets.ttl") << tunk::lv2::PresetsTurtle(presets);

	PluginWorld world((bundle.string() + "/").c_str());
	ASSERT_NE(world.Plugin(), nullptr);
	std::map<std::string, std::string> byLabel = PresetsByLabel(world);
	ASSERT_EQ(byLabel.size(), 2u);
	const std::string oddLabel = "Odd, \"Names\": Back\\slash 100% / Caf\u00e9";
	ASSERT_EQ(byLabel.count(oddLabel), 1u);
	EXPECT_EQ(PresetValues(world, byLabel[oddLabel]), PortValues(odd));
	ASSERT_EQ(byLabel.count("Kicks: Plain"), 1u);
	EXPECT_EQ(PresetValues(world, byLabel["Kicks: Plain"]), PortValues({}));
	fs::remove_all(bundle);
}

// A host's console reads a preset's URI as typed, without percent signs or spaces: every
// preset of either instrument has a URI of lower-case words and digits joined by hyphens, and
// no two presets share one (lilv would make them one preset with two labels).
TEST(PresetUriTest, EveryPresetInTheBundleHasATypableUriOfItsOwn)
{
	const std::regex typable("urn:quillfeather:tunk(-kit)?#preset-[a-z0-9]+(-[a-z0-9]+)*");
	size_t factoryKits = 0;
	for (const fs::directory_entry& file : fs::directory_iterator(TUNK_BUILD_DIR "/data/kits"))
		factoryKits += file.path().extension() == ".tunkkit";
	const std::pair<const char*, size_t> instruments[] = {
	    {kTunkUri, FactoryFiles().size()}, {tunk::lv2::kKitPluginUri, 1 + factoryKits}};
	std::set<std::string> all;
	for (const auto& [uri, expected] : instruments) {
		SCOPED_TRACE(uri);
		PluginWorld world(TUNK_LV2_BUNDLE_DIR, uri);
		ASSERT_NE(world.Plugin(), nullptr);
		const std::map<std::string, std::string> byLabel = PresetsByLabel(world);
		EXPECT_EQ(byLabel.size(), expected) << "a preset without its own label and URI";
		for (const auto& [label, preset] : byLabel) {
			EXPECT_TRUE(std::regex_match(preset, typable)) << label << ": " << preset;
			EXPECT_TRUE(all.insert(preset).second) << label << ": " << preset;
		}
	}
	EXPECT_EQ(
	    tunk::lv2::KitPresetUri("909 Electro"), "urn:quillfeather:tunk-kit#preset-909-electro");
}

TEST(PresetUriTest, SlugsKeepAsciiWordsAndDigitsAndJoinTheRestIntoSingleHyphens)
{
	using tunk::lv2::UriSlug;
	EXPECT_EQ(UriSlug("808 Electro"), "808-electro");
	EXPECT_EQ(UriSlug("Lo-Fi"), "lo-fi");
	EXPECT_EQ(UriSlug("Clicks, Rims and Woodblocks"), "clicks-rims-and-woodblocks");
	EXPECT_EQ(UriSlug("  --Odd \"Names\" 100% / Caf\u00e9!  "), "odd-names-100-caf");
	EXPECT_EQ(UriSlug("Caf\u00e9 Kit"), "caf-kit") << "a letter beyond ASCII is a gap";
	EXPECT_EQ(UriSlug("A"), "a");
	EXPECT_EQ(UriSlug(""), "");
	EXPECT_EQ(UriSlug("\u00e9\u00e8 -- !"), "");
}

TEST(PresetUriTest, TheBundleRefusesPresetsWithoutASlugOrOnOneUri)
{
	using tunk::lv2::PresetUriFault;
	const std::vector<tunk::lv2::FactoryKit> kits = {{"New Kit", ""}, {"808 Electro", ""}};
	EXPECT_EQ(PresetUriFault({{"Kicks", "Deep Kick", {}}, {"Snares", "Deep Kick", {}}}, kits), "");
	// Kits and sounds are the presets of two instruments, with prefixes of their own.
	EXPECT_EQ(PresetUriFault({{"New", "Kit", {}}}, kits), "");

	const std::string same =
	    PresetUriFault({{"Hi-Hats", "Open", {}}, {"Hi Hats", "Open!", {}}}, kits);
	EXPECT_NE(same.find("\"Hi-Hats: Open\" and \"Hi Hats: Open!\""), std::string::npos) << same;
	EXPECT_NE(same.find("urn:quillfeather:tunk#preset-hi-hats-open"), std::string::npos) << same;
	EXPECT_NE(PresetUriFault({}, {{"Lo-Fi", ""}, {"lo fi", ""}}), "");
	const std::string empty = PresetUriFault({}, {{"\u00e9\u00e9", ""}});
	EXPECT_NE(empty.find("no ASCII letter or digit"), std::string::npos) << empty;
}

TEST(PluginInstallTest, Lv2infoReadsTheInstalledBundleWithoutAWarning)
{
	char pattern[] = "/tmp/tunk-lv2-install-XXXXXX";
	ASSERT_NE(mkdtemp(pattern), nullptr);
	fs::path prefix = pattern;
	int status = 0;
	std::string log =
	    RunCommand(std::string("'") + TUNK_CMAKE_COMMAND + "' --install '" + TUNK_BUILD_DIR +
	                   "' --prefix '" + prefix.string() + "' --component lv2 2>&1",
	        &status);
	ASSERT_EQ(status, 0) << log;
	fs::path bundle = prefix / "lib/lv2/tunk.lv2";
	for (const char* file :
	    {"manifest.ttl", "tunk.ttl", "presets.ttl", "tunk-kit.ttl", "kit-presets.ttl", "tunk.so"})
		EXPECT_TRUE(fs::is_regular_file(bundle / file)) << file;

	fs::path errors = prefix / "lv2info.err";
	// The system bundles on the path too, as a host has them, so that lv2info can name the class.
	std::string info =
	    RunCommand("LV2_PATH='" + (prefix / "lib/lv2").string() + "':/usr/lib/lv2 lv2info " +
	                   kTunkUri + " 2>'" + errors.string() + "'",
	        &status);
	EXPECT_EQ(status, 0);
	EXPECT_EQ(ReadText(errors), "");
	EXPECT_NE(info.find("Name:              Tunk\n"), std::string::npos) << info;
	EXPECT_NE(info.find("Class:             Instrument Plugin\n"), std::string::npos) << info;
	EXPECT_NE(info.find(prefix.string() + "/lib/lv2/tunk.lv2/tunk.so"), std::string::npos) << info;
	// Each control with its range, in lv2info's words.
	for (const tunk::ParamInfo& row : tunk::kParams) {
		const tunk::lv2::PortRange range = tunk::lv2::RangeOf(row);
		const size_t at =
		    info.find("\n\tPort " + std::to_string(tunk::lv2::PortOf(row.id)) + ":\n");
		ASSERT_NE(at, std::string::npos) << row.symbol;
		const std::string port = info.substr(at, info.find("\n\tPort ", at + 1) - at);
		char block[512];
		std::snprintf(block, sizeof block,
		    "\t\tSymbol:      %s\n\t\tName:        %s\n\t\tGroup:       %s#%s\n"
		    "\t\tMinimum:     %f\n\t\tMaximum:     %f\n\t\tDefault:     %f\n",
		    row.symbol, row.label, kTunkUri, tunk::GroupInfo(row.group).symbol,
		    double(range.minimum), double(range.maximum), double(range.start));
		EXPECT_NE(port.find(block), std::string::npos) << block << "\nin\n" << port;
	}
	for (const FactoryFile& file : FactoryFiles())
		EXPECT_NE(info.find(Label(file)), std::string::npos) << Label(file);

	// The kit instrument: its outputs, a level per pad, its file parameter and presets.
	const std::string kit =
	    RunCommand("LV2_PATH='" + (prefix / "lib/lv2").string() +
	                   "':/usr/lib/lv2 lv2info urn:quillfeather:tunk-kit 2>'" + errors.string() + "'",
	        &status);
	EXPECT_EQ(status, 0);
	EXPECT_EQ(ReadText(errors), "");
	EXPECT_NE(kit.find("Name:              Tunk Kit\n"), std::string::npos) << kit;
	EXPECT_NE(kit.find(prefix.string() + "/lib/lv2/tunk.lv2/tunk.so"), std::string::npos) << kit;
	for (const char* symbol : {"out_l", "out_r", "out_pad1", "out_pad16", "level_pad1",
	         "level_pad16", "velocity", "noteOff", "retrigger", "latency", "notify"})
		EXPECT_NE(kit.find(std::string("Symbol:      ") + symbol + "\n"), std::string::npos)
		    << symbol;
	EXPECT_NE(kit.find("New Kit"), std::string::npos) << "the presets";
	EXPECT_NE(kit.find("http://lv2plug.in/ns/ext/state#interface"), std::string::npos);
	fs::remove_all(prefix);
}

} // namespace
