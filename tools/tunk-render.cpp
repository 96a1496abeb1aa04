// tunk-render: renders Tunk presets to sound files without the window, through the same
// engine path as the window (the preset pushed into the engine, then one generation).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/TunkSound.h"
#include "tools/RenderOptions.h"
#include "tools/SoundFileWriter.h"
#include "preset/PresetEngine.h"

#ifndef TUNK_VERSION
#define TUNK_VERSION "unknown"
#endif

namespace {

void complain(const std::string& subject, const std::string& problem)
{
	std::fprintf(stderr, "tunk-render: %s: %s\n", subject.c_str(), problem.c_str());
}

// True when `path` is an existing file that one of `others` also names.
bool names_same_file(const std::string& path, const std::vector<std::string>& others)
{
	std::error_code error;
	for (const std::string& other : others) {
		if (!other.empty() && std::filesystem::equivalent(path, other, error))
			return true;
	}
	return false;
}

// Renders one sound; false when it could not be read or written (already reported).
bool render_one(const RenderOptions& options, const std::string& preset,
	std::set<std::string>* written)
{
	PresetParams params = DefaultPresetParams();
	if (!preset.empty()) {
		if (status_t status = ReadPresetFile(preset.c_str(), &params); status != B_OK) {
			complain(preset, DescribeStatus(status));
			return false;
		}
	}
	ApplySettings(options.settings, &params);

	bool ok = true;
	if (!options.savePreset.empty()) {
		if (status_t status = WritePresetFile(options.savePreset.c_str(), params); status != B_OK) {
			complain(options.savePreset, DescribeStatus(status));
			ok = false;
		}
	}

	const std::string output = OutputPathFor(options, preset);
	if (!written->insert(output).second) {
		complain(output, "already written by an earlier preset of this run");
		return false;
	}
	if (names_same_file(output, options.presets) || names_same_file(output, {options.savePreset})) {
		complain(output, "is a preset of this run; not overwritten with sound");
		return false;
	}

	TunkSound sound;
	ApplyPresetToEngine(params, &sound);
	sound.GenerateSound();
	int64 count = 0;
	// A sound that should have samples but has no buffer failed to generate; the engine
	// has said why on standard error.
	if (sound.GetBuffer(&count) == nullptr
		&& std::ceil(double(params.duration) * kSampleRate / 1000.0) != 0) {
		complain(preset.empty() ? output : preset, "the sound could not be generated");
		return false;
	}
	if (status_t status = WriteSoundFile(sound, output, options.format); status != B_OK) {
		complain(output, DescribeStatus(status));
		return false;
	}
	return ok;
}

} // namespace

int main(int argc, char** argv)
{
	ParsedArgs parsed = ParseRenderArgs(argc, argv);
	if (!parsed.ok) {
		std::fprintf(stderr, "tunk-render: %s\nTry 'tunk-render --help' for more information.\n",
			parsed.error.c_str());
		return 2;
	}
	const RenderOptions& options = parsed.options;
	if (options.action == RenderOptions::Action::Help) {
		std::fputs(RenderUsage(), stdout);
		return 0;
	}
	if (options.action == RenderOptions::Action::Version) {
		std::printf("tunk-render (Tunk) %s\n", TUNK_VERSION);
		return 0;
	}

	std::set<std::string> written;
	bool allGood = true;
	if (options.presets.empty()) {
		allGood = render_one(options, "", &written);
	} else {
		for (const std::string& preset : options.presets)
			allGood = render_one(options, preset, &written) && allGood;
	}
	return allGood ? 0 : 1;
}
