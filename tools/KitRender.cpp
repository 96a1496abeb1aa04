#include "tools/KitRender.h"

#include "audio/SoundFileWriter.h"
#include "engine/core/Render.h"
#include "kit/KitVoices.h"
#include "kit/SampleExport.h"
#include "kits/support/Errors.h"
#include "preset/KitFile.h"

namespace {

std::string Line(const std::string& subject, const std::string& problem)
{
	return "tunk-render: " + subject + ": " + problem + "\n";
}

// The kit playing the notes, as the window plays them, into one stereo file.
KitRenderResult RenderNotes(const Kit& kit, const RenderOptions& options, KitRenderResult result)
{
	const StereoSound sound = RenderKitEvents(kit, KitPlayOptions(), options.notes);
	std::vector<int16_t> frames;
	frames.reserve(2 * sound.left.size());
	for (size_t i = 0; i < sound.left.size(); i++) {
		frames.push_back(tunk::voices::ToShort(sound.left[i]));
		frames.push_back(tunk::voices::ToShort(sound.right[i]));
	}
	const status_t status = WriteSoundFile(
	    frames.data(), int64(sound.left.size()), options.output, options.format, nullptr, 2);
	if (status != B_OK) {
		result.exitStatus = 1;
		result.messages += Line(options.output, DescribeStatus(status));
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
