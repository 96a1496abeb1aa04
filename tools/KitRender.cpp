#include "tools/KitRender.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "audio/SoundFileWriter.h"
#include "engine/core/Render.h"
#include "kit/KitVoices.h"
#include "kit/LoopRender.h"
#include "kit/MidiFile.h"
#include "kit/SampleExport.h"
#include "kits/support/Errors.h"
#include "preset/KitFile.h"

namespace {

std::string Line(const std::string& subject, const std::string& problem)
{
	return "tunk-render: " + subject + ": " + problem + "\n";
}

// A stereo sound into a 16-bit file; a failure is said and makes the exit status 1.
void WriteStereo(const StereoSound& sound, const std::string& path, const std::string& format,
    KitRenderResult* result)
{
	std::vector<int16_t> frames;
	frames.reserve(2 * sound.left.size());
	for (size_t i = 0; i < sound.left.size(); i++) {
		frames.push_back(tunk::voices::ToShort(sound.left[i]));
		frames.push_back(tunk::voices::ToShort(sound.right[i]));
	}
	const status_t status = WriteSoundFile(frames.data(), int64(sound.left.size()), path, format, nullptr, 2);
	if (status != B_OK) {
		result->exitStatus = 1;
		result->messages += Line(path, DescribeStatus(status));
	}
}

// The kit playing the notes, as the window plays them, into one stereo file.
KitRenderResult RenderNotes(const Kit& kit, const RenderOptions& options, KitRenderResult result)
{
	WriteStereo(RenderKitEvents(kit, KitPlayOptions(), options.notes), options.output, options.format, &result);
	return result;
}

// The longest loop written: an hour.
constexpr int64_t kMaxLoopFrames = int64_t(3600) * tunk::kSampleRate;

// The kit's pattern or chain as a seamless loop, its stems and its MIDI file.
KitRenderResult RenderPattern(const Kit& kit, const RenderOptions& options, KitRenderResult result)
{
	std::vector<int> order;
	if (const std::string error = FindPatternOrder(kit, options.pattern, &order); !error.empty())
		return {2, result.messages + Line(options.kit, error)};
	const float bpm = options.bpm != 0 ? options.bpm : PlayedTempo(kit.tempo);
	const PatternLoop loop = MakePatternLoop(kit, order, options.bars, bpm, 0, tunk::kSampleRate);
	if (loop.frames > kMaxLoopFrames)
		return {2, result.messages + Line(options.kit, "the loop would last over an hour; give fewer --bars")};
	if (!options.midi.empty()) {
		const std::vector<uint8_t> bytes = PatternMidiFile(kit, loop, bpm);
		std::FILE* file = std::fopen(options.midi.c_str(), "wb");
		const bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
		if ((file != nullptr && std::fclose(file) != 0) || !written) {
			result.exitStatus = 1;
			result.messages += Line(options.midi, std::strerror(errno));
		}
	}
	if (options.output.empty() && !options.stems)
		return result;
	const LoopSound sound = RenderLoop(kit, KitPlayOptions(), loop, options.stems);
	if (!options.output.empty())
		WriteStereo(sound.mix, options.output, options.format, &result);
	if (options.stems) {
		std::error_code error;
		std::filesystem::create_directories(options.directory, error);
		const SoundFileFormat* format = FindSoundFileFormat(options.format);
		const std::vector<std::string> names = PadFileNames(kit, *format->extensions.begin());
		std::vector<bool> plays(kit.pads.size());
		for (const KitEvent& hit : loop.hits)
			plays[size_t(hit.key)] = true;
		for (size_t pad = 0; pad < sound.stems.size(); pad++) {
			if (plays[pad])
				WriteStereo(sound.stems[pad], (std::filesystem::path(options.directory) / names[pad]).string(),
			    options.format, &result);
		}
	}
	return result;
}

}  // namespace

KitRenderResult RenderKit(const RenderOptions& options)
{
	KitRenderResult result;
	Kit kit;
	const KitRead read = ReadKitFile(options.kit.c_str(), &kit);
	if (!read.Ok())
		return {1, Line(options.kit, read.error)};
	for (const std::string& note : read.messages)
		result.messages += Line(options.kit, note);
	if (!options.notes.empty())
		return RenderNotes(kit, options, result);
	if (!options.pattern.empty())
		return RenderPattern(kit, options, result);
	if (kit.pads.empty())
		return {1, result.messages + Line(options.kit, "the kit has no pads; no sample pack written")};

	const SamplePackResult pack = ExportSamplePack(
		kit, options.directory, options.format, {}, {options.layers, options.roundRobins});
	for (size_t pad : pack.unvaried)
		result.messages += Line(options.kit, "pad " + std::to_string(pad + 1) + " (" + kit.pads[pad].name
			+ ") does not vary from hit to hit: one sample a band, not "
			+ std::to_string(options.roundRobins));
	if (pack.status != B_OK) {
		result.exitStatus = 1;
		result.messages += Line(pack.failedFile,
			pack.soundRefused
				? "the sound could not be generated: its duration must be 0 to "
					+ std::to_string(TUNK_MAX_SOUND_SECONDS * 1000) + " ms"
				: DescribeStatus(pack.status));
	}
	return result;
}
