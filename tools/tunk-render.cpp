// tunk-render: renders Tunk presets to sound files without the window, through the
// synthesis core that the window's engine owns, so the samples are the window's.
//
// A run has two stages. First, on the main thread and in command-line order, every sound is
// decided: its preset read, its settings applied, its output named and claimed. Then the
// sounds are rendered and written on the worker threads; a random sound is also drawn there,
// from a seed that depends only on its place in the pack (drawing renders it too). Each sound's messages are collected
// and printed in command-line order, so every job count says the same things in the same
// order and writes the same files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "audio/SoundFileWriter.h"
#include "kits/storage/ReplacingFile.h"
#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "engine/voices/Player.h"
#include "preset/PresetExtension.h"
#include "preset/PresetRecord.h"
#include "preset/Randomize.h"
#include "tools/KitRender.h"
#include "tools/RenderJobs.h"
#include "tools/RenderOptions.h"

#ifndef TUNK_VERSION
#define TUNK_VERSION "unknown"
#endif

namespace {

std::string message(const std::string& subject, const std::string& problem)
{
	return "tunk-render: " + subject + ": " + problem + "\n";
}

std::string describe_read_status(status_t status)
{
	return status == B_BAD_DATA ? "not a valid Tunk preset" : DescribeStatus(status);
}

// The files of a run's presets, by device and inode, gathered once: comparing each output
// with each preset would stat the whole list for every sound of a large pack.
using FileIds = std::set<std::pair<dev_t, ino_t>>;

FileIds file_ids(const std::vector<std::string>& paths)
{
	FileIds ids;
	struct stat info;
	for (const std::string& path : paths) {
		if (!path.empty() && stat(path.c_str(), &info) == 0)
			ids.emplace(info.st_dev, info.st_ino);
	}
	return ids;
}

// True when `path` is an existing file that one of `ids` names.
bool is_one_of(const std::string& path, const FileIds& ids)
{
	struct stat info;
	return stat(path.c_str(), &info) == 0 && ids.count({info.st_dev, info.st_ino}) != 0;
}

// True when `path` is a preset file: a sound written there would destroy it.
bool holds_a_preset(const std::string& path)
{
	PresetParams ignored;
	return ReadPresetFile(path.c_str(), &ignored) == B_OK;
}

// True when `path` is this process's standard output under another name (/dev/stdout,
// /dev/fd/1, /proc/self/fd/1): writing there is writing to standard output.
bool names_standard_output(const std::string& path)
{
	struct stat named;
	struct stat out;
	return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &out) == 0
		&& named.st_dev == out.st_dev && named.st_ino == out.st_ino;
}

// One sound of the run, as the first stage decided it.
struct Sound {
	std::string subject;  // what messages about its rendering name
	std::string output;
	std::string presetBeside;  // --random --save-preset: where its preset goes
	tunk::SoundParams params;
	PresetExtras extras;  // what its preset file carries beyond the values, written back
	bool random = false;  // its parameters are drawn on the worker, as random sound `index`
	size_t index = 0;
	bool render = false;  // false: the first stage already failed it
	JobResult prepared;   // the first stage's outcome and messages
};

// A preset of the command line ("" for the default sound).
Sound prepare_preset(const RenderOptions& options, const std::string& preset,
	const FileIds& presetFiles, std::set<std::string>* written)
{
	Sound sound;
	JobResult& result = sound.prepared;
	if (!preset.empty()) {
		std::vector<std::string> notes;
		if (status_t status = ReadPreset(preset.c_str(), &sound.params, &sound.extras, &notes);
			status != B_OK) {
			result = {false, message(preset, describe_read_status(status))};
			return sound;
		}
		for (const std::string& note : notes)
			result.messages += message(preset, note);
	}
	ApplySettings(options.settings, &sound.params);

	if (!options.savePreset.empty()) {
		if (status_t status = WritePreset(options.savePreset.c_str(), sound.params, sound.extras);
			status != B_OK)
			result = {false, message(options.savePreset, DescribeStatus(status))};
	}

	sound.output = OutputPathFor(options, preset);
	sound.subject = preset.empty() ? sound.output : preset;
	if (options.ToStandardOutput()) {
		sound.subject = preset.empty() ? "the default sound" : preset;
		sound.render = true;
		return sound;
	}
	if (!written->insert(sound.output).second) {
		result.ok = false;
		result.messages += message(sound.output, "already written by an earlier preset of this run");
		return sound;
	}
	if (is_one_of(sound.output, presetFiles)
		|| is_one_of(sound.output, file_ids({options.savePreset}))) {
		result.ok = false;
		result.messages += message(sound.output, "is a preset of this run; not overwritten with sound");
		return sound;
	}
	if (holds_a_preset(sound.output)) {
		result.ok = false;
		result.messages += message(sound.output, "is a Tunk preset; not overwritten with sound");
		return sound;
	}
	sound.render = true;
	return sound;
}

Sound prepare_random(const RenderOptions& options, size_t index)
{
	Sound sound;
	sound.random = true;
	sound.index = index;
	sound.output = RandomOutputPath(options, index);
	sound.subject = sound.output;
	if (options.presetsBeside)
		sound.presetBeside = RandomPresetPath(options, index);
	if (holds_a_preset(sound.output)) {
		sound.prepared = {false, message(sound.output, "is a Tunk preset; not overwritten with sound")};
		return sound;
	}
	sound.render = true;
	return sound;
}

// The words for the last system error; DescribeStatus' words, unlike strerror's, may be
// asked for on any worker thread.
std::string system_error_text()
{
	return DescribeStatus(status_from_errno(errno));
}

// Copies a finished file to standard output; a reader that stops early is a failure
// ("Broken pipe"), not the end of the process.
std::string copy_to_standard_output(const std::string& path)
{
	const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
	if (in < 0)
		return system_error_text();
	char buffer[65536];
	std::string error;
	for (;;) {
		const ssize_t got = read(in, buffer, sizeof(buffer));
		if (got < 0 && errno == EINTR)
			continue;
		if (got <= 0) {
			if (got < 0)
				error = system_error_text();
			break;
		}
		if (status_t status = write_fully(STDOUT_FILENO, buffer, size_t(got)); status != B_OK) {
			error = DescribeStatus(status);
			break;
		}
	}
	close(in);
	return error;
}

// The container needs a file it can seek in: standard output gets the finished file.
JobResult write_to_standard_output(const std::vector<int16_t>& samples, const std::string& format)
{
	std::error_code ignored;
	std::string path =
		(std::filesystem::temp_directory_path(ignored) / "tunk-render-XXXXXX").string();
	const int fd = mkstemp(path.data());
	if (fd < 0)
		return {false, message("a temporary file", system_error_text())};
	close(fd);
	JobResult result;
	if (status_t status = WriteSoundFile(samples.data(), int64(samples.size()), path, format);
		status != B_OK) {
		result = {false, message("a temporary file", DescribeStatus(status))};
	} else if (std::string error = copy_to_standard_output(path); !error.empty()) {
		result = {false, message("standard output", error)};
	}
	std::filesystem::remove(path, ignored);
	return result;
}

JobResult render(const RenderOptions& options, const Sound& sound)
{
	JobResult result = sound.prepared;
	if (!sound.render)
		return result;
	tunk::SoundParams params = sound.params;
	if (sound.random) {
		params = Randomize(
			*FindSoundCategory(options.random), RandomSoundSeed(options.seed, sound.index));
		ApplySettings(options.settings, &params);
	}
	const tunk::Hit hit = tunk::HitOf(params, options.velocity, options.hit);
	std::vector<int16_t> samples;
	switch (tunk::Render(hit.params, &samples)) {
		case tunk::RenderStatus::Ok: break;
		case tunk::RenderStatus::Refused:
			result.ok = false;
			result.messages += message(sound.subject,
				"the sound could not be generated: its duration must be 0 to "
					+ std::to_string(TUNK_MAX_SOUND_SECONDS * 1000) + " ms");
			return result;
		case tunk::RenderStatus::NoMemory:
			result.ok = false;
			result.messages += message(
				sound.subject, "the sound could not be generated: " + DescribeStatus(B_NO_MEMORY));
			return result;
	}
	// The note's level as the players scale it: a float sample times its gain, then 16 bits.
	if (const float gain = hit.level * hit.gain; gain != 1.0f) {
		for (int16_t& sample : samples)
			sample = tunk::voices::ToShort(float(sample) / 32768.0f * gain);
	}
	if (options.ToStandardOutput()) {
		JobResult written = write_to_standard_output(samples, options.format);
		result.ok = result.ok && written.ok;
		result.messages += written.messages;
		return result;
	}
	if (status_t status =
			WriteSoundFile(samples.data(), int64(samples.size()), sound.output, options.format);
		status != B_OK) {
		result.ok = false;
		result.messages += message(sound.output, DescribeStatus(status));
		return result;
	}
	if (!sound.presetBeside.empty()) {
		if (status_t status = WritePreset(sound.presetBeside.c_str(), params, sound.extras);
			status != B_OK) {
			result.ok = false;
			result.messages += message(sound.presetBeside, DescribeStatus(status));
		}
	}
	return result;
}

// "12 of 100 sounds done" on a terminal's last line, kept below the messages.
class ProgressLine {
public:
	explicit ProgressLine(bool enabled) : fEnabled(enabled) {}

	void Show(size_t done, size_t count)
	{
		if (!fEnabled)
			return;
		fText = "tunk-render: " + std::to_string(done) + " of " + std::to_string(count)
			+ " sounds done";
		std::fprintf(stderr, "\r%s\033[K", fText.c_str());
		std::fflush(stderr);
	}

	// Prints whole lines above the progress line.
	void Say(const std::string& lines)
	{
		if (lines.empty())
			return;
		if (!fText.empty())
			std::fputs("\r\033[K", stderr);
		std::fputs(lines.c_str(), stderr);
		if (!fText.empty())
			std::fputs(fText.c_str(), stderr);
		std::fflush(stderr);
	}

	void Finish()
	{
		if (!fText.empty())
			std::fputc('\n', stderr);
	}

private:
	bool fEnabled;
	std::string fText;  // what the line shows now, "" before the first
};

} // namespace

int main(int argc, char** argv)
{
	// Beyond a file-size limit (ulimit -f) a write then fails with the system's words, and
	// the unfinished file is removed, instead of the signal ending the program mid-write.
	std::signal(SIGXFSZ, SIG_IGN);
	ParsedArgs parsed = ParseRenderArgs(argc, argv);
	if (!parsed.ok) {
		std::fprintf(stderr, "tunk-render: %s\nTry 'tunk-render --help' for more information.\n",
			parsed.error.c_str());
		return 2;
	}
	RenderOptions& options = parsed.options;
	if (options.action == RenderOptions::Action::Help) {
		std::fputs(RenderUsage(), stdout);
		return 0;
	}
	if (options.action == RenderOptions::Action::Version) {
		std::printf("tunk-render (Tunk) %s\n", TUNK_VERSION);
		return 0;
	}
	if (!options.output.empty() && names_standard_output(options.output))
		options.output = "-";
	if (options.ToStandardOutput() && isatty(STDOUT_FILENO)) {
		std::fputs("tunk-render: standard output is a terminal; not writing sound data to it "
				   "(redirect it, or name a file with -o)\n"
				   "Try 'tunk-render --help' for more information.\n",
			stderr);
		return 2;
	}
	for (const std::string& warning : parsed.warnings)
		std::fprintf(stderr, "tunk-render: %s\n", warning.c_str());
	if (!options.random.empty() && !options.seedGiven)
		options.seed = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());

	if (!options.directory.empty()) {
		std::error_code error;
		std::filesystem::create_directories(options.directory, error);
		if (error) {
			std::fputs(message(options.directory, error.message()).c_str(), stderr);
			return 1;
		}
	}

	if (!options.kit.empty()) {
		const KitRenderResult kit = RenderKit(options);
		std::fputs(kit.messages.c_str(), stderr);
		return kit.exitStatus;
	}

	std::vector<Sound> sounds;
	if (!options.random.empty()) {
		for (size_t i = 0; i < options.SoundCount(); i++)
			sounds.push_back(prepare_random(options, i));
	} else {
		std::set<std::string> written;
		const FileIds presetFiles = file_ids(options.presets);
		if (options.presets.empty())
			sounds.push_back(prepare_preset(options, "", presetFiles, &written));
		for (const std::string& preset : options.presets)
			sounds.push_back(prepare_preset(options, preset, presetFiles, &written));
	}

	ProgressLine progress(sounds.size() > 1 && isatty(STDERR_FILENO));
	bool allGood = true;
	JobCallbacks callbacks;
	callbacks.work = [&](size_t index) { return render(options, sounds[index]); };
	callbacks.report = [&](size_t, const JobResult& result) {
		progress.Say(result.messages);
		allGood = allGood && result.ok;
	};
	callbacks.progress = [&](size_t done, size_t count) { progress.Show(done, count); };
	RunJobs(sounds.size(), options.jobs > 0 ? options.jobs : ProcessorCount(), callbacks);
	progress.Finish();
	return allGood ? 0 : 1;
}
