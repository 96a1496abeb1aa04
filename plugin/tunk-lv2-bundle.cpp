// Writes the bundle's Turtle files: tunk.ttl and tunk-kit.ttl from the parameter table,
// manifest.ttl and presets.ttl from the factory sounds, kit-presets.ttl from the factory kits.
//   tunk-lv2-bundle OUTPUT_DIR BINARY_NAME [PRESET_FILE... | KIT_FILE... | KIT_FOLDER...]
// Each preset file is <Category>/<Name>.tunk; the folder names the category. A kit file ends
// in .tunkkit; a folder gives every kit file in it (the factory kits are made at build time). A file that is no preset or kit, whose extension is damaged or holds values
// this program does not take, or a sound with a parameter outside its port's range, fails
// the build rather than shipping a preset that would not sound like the library's. The kit
// instrument's presets start with a new kit, so that a host can go back to it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/PluginTurtle.h"
#include "plugin/Ports.h"
#include "plugin/PresetTurtle.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"

namespace {

bool WriteText(const std::filesystem::path& path, const std::string& text)
{
	// Written beside and renamed, so that a build stopped halfway leaves no torn bundle.
	std::filesystem::path partial = path;
	partial += ".partial";
	{
		std::ofstream out(partial, std::ios::binary | std::ios::trunc);
		out << text;
		if (!out.flush())
			return false;
	}
	std::error_code error;
	std::filesystem::rename(partial, path, error);
	return !error;
}

} // namespace

int main(int argc, char** argv)
{
	if (argc < 3) {
		std::fprintf(stderr, "usage: %s OUTPUT_DIR BINARY_NAME [PRESET_FILE...]\n", argv[0]);
		return 2;
	}
	std::vector<tunk::lv2::FactoryPreset> presets;
	std::vector<tunk::lv2::FactoryKit> kits;
	std::vector<std::filesystem::path> files(argv + 3, argv + argc);
	for (size_t i = 0; i < files.size(); i++) {
		if (!std::filesystem::is_directory(files[i]))
			continue;
		for (const auto& entry : std::filesystem::directory_iterator(files[i]))
			if (entry.path().extension() == kKitFileExtension)
				files.push_back(entry.path());
	}
	for (const std::filesystem::path& file : files) {
		if (std::filesystem::is_directory(file))
			continue;
		if (file.extension() == kKitFileExtension) {
			Kit kit;
			const KitRead read = ReadKitFile(file.c_str(), &kit);
			if (!read.Ok() || !read.messages.empty()) {
				std::fprintf(stderr, "%s: %s\n", file.c_str(),
				    read.Ok() ? read.messages.front().c_str() : read.error.c_str());
				return 1;
			}
			kits.push_back({kit.name.empty() ? file.stem().string() : kit.name, EncodeKit(kit)});
			continue;
		}
		// The whole sound: the record and its extension (a snare's noise lives there).
		tunk::SoundParams sound;
		PresetExtras extras;
		std::vector<std::string> messages;
		if (ReadPreset(file.c_str(), &sound, &extras, &messages) != B_OK) {
			std::fprintf(stderr, "%s: not a preset\n", file.c_str());
			return 1;
		}
		if (!messages.empty()) {
			std::fprintf(stderr, "%s: %s\n", file.c_str(), messages.front().c_str());
			return 1;
		}
		tunk::lv2::FactoryPreset preset{
		    file.parent_path().filename().string(), file.stem().string(), sound};
		for (const tunk::ParamInfo& info : tunk::kParams) {
			// The plugin keeps a control within its port's range: a value outside would play
			// another sound than the library's.
			const float value = preset.params[info.id];
			const tunk::lv2::PortRange range = tunk::lv2::RangeOf(info);
			if (!std::isfinite(value) || value < range.minimum || value > range.maximum) {
				std::fprintf(stderr, "%s: %s is %g, not a number from %g to %g\n", file.c_str(),
				    info.symbol, double(value), double(range.minimum), double(range.maximum));
				return 1;
			}
		}
		presets.push_back(preset);
	}
	// Sorted, so that the files do not depend on the order the build found them in.
	std::sort(presets.begin(), presets.end(), [](const auto& a, const auto& b) {
		return a.category != b.category ? a.category < b.category : a.name < b.name;
	});

	std::sort(kits.begin(), kits.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
	kits.insert(kits.begin(), {NewKit().name, EncodeKit(NewKit())});
	// A host finds a preset by its URI alone: two on one URI would hide one of them.
	const std::string fault = tunk::lv2::PresetUriFault(presets, kits);
	if (!fault.empty()) {
		std::fprintf(stderr, "%s\n", fault.c_str());
		return 1;
	}

	std::filesystem::path dir = argv[1];
	const tunk::lv2::DescriptionVersion version{TUNK_LV2_MINOR_VERSION, TUNK_LV2_MICRO_VERSION};
	if (!WriteText(dir / "tunk.ttl", tunk::lv2::PluginTurtle(version)) ||
	    !WriteText(dir / "tunk-kit.ttl", tunk::lv2::KitPluginTurtle(version)) ||
	    !WriteText(dir / "manifest.ttl",
	        tunk::lv2::ManifestTurtle(argv[2], presets) +
	            tunk::lv2::KitManifestTurtle(argv[2], kits)) ||
	    !WriteText(dir / "presets.ttl", tunk::lv2::PresetsTurtle(presets)) ||
	    !WriteText(dir / "kit-presets.ttl", tunk::lv2::KitPresetsTurtle(kits))) {
		std::fprintf(stderr, "cannot write the bundle files in %s\n", dir.c_str());
		return 1;
	}
	return 0;
}
