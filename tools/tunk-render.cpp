// tunk-render: renders Tunk presets to sound files without the window, through the
// synthesis core that the window's engine owns, so the samples are the window's.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "audio/SoundFileWriter.h"
#include "engine/core/Render.h"
#include "preset/PresetRecord.h"
#include "tools/RenderOptions.h"

#ifndef TUNK_VERSION
#define TUNK_VERSION "unknown"
#endif

namespace {

void complain(const std::string& subject, const std::string& problem)
{
	std::fprintf(stderr, "tunk-render: %s: %s\n", subject.c_str(), problem.c_str());
}

std::string describe_read_status(status_t status)
{
	return status == B_BAD_DATA ? "not a valid Tunk preset" : DescribeStatus(status);
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
			complain(preset, describe_read_status(status));
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

	std::vector<int16_t> samples;
	switch (tunk::Render(ToSoundParams(params), &samples)) {
		case tunk::RenderStatus::Ok: break;
		case tunk::RenderStatus::Refused:
			complain(preset.empty() ? output : preset,
				"the sound could not be generated: its duration must be 0 to "
					+ std::to_string(TUNK_MAX_SOUND_SECONDS * 1000) + " ms");
			return false;
		case tunk::RenderStatus::NoMemory:
			complain(preset.empty() ? output : preset,
				"the sound could not be generated: " + DescribeStatus(B_NO_MEMORY));
			return false;
	}
	if (status_t status = WriteSoundFile(samples.data(), int64(samples.size()), output,
			options.format);
		status != B_OK) {
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
