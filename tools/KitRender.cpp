#include "tools/KitRender.h"

#include "engine/core/Render.h"
#include "kit/SampleExport.h"
#include "kits/support/Errors.h"
#include "preset/KitFile.h"

namespace {

std::string Line(const std::string& subject, const std::string& problem)
{
	return "tunk-render: " + subject + ": " + problem + "\n";
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
	if (kit.pads.empty())
		return {1, result.messages + Line(options.kit, "the kit has no pads; no sample pack written")};

	const SamplePackResult pack = ExportSamplePack(kit, options.directory, options.format);
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
