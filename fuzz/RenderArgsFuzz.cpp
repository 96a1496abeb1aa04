// tunk-render's command line: the input is split at zero bytes into arguments. A parse
// that succeeds must leave only values the renderer can use; its settings are then applied
// and rendered through the core.
#include <cmath>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "preset/PresetRecord.h"
#include "preset/Randomize.h"
#include "tools/RenderOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::vector<std::string> words = {"tunk-render"};
	std::string word;
	for (size_t i = 0; i < size; i++) {
		if (data[i] == 0) {
			words.push_back(word);
			word.clear();
		} else {
			word += char(data[i]);
		}
	}
	if (!word.empty())
		words.push_back(word);
	std::vector<const char*> argv;
	for (const std::string& w : words)
		argv.push_back(w.c_str());

	const ParsedArgs parsed = ParseRenderArgs(int(argv.size()), argv.data());
	FUZZ_CHECK(parsed.ok == parsed.error.empty());
	if (!parsed.ok || parsed.options.action != RenderOptions::Action::Render)
		return 0;

	const RenderOptions& options = parsed.options;
	const std::string& format = options.format;
	FUZZ_CHECK(format == "wav" || format == "flac" || format == "aiff" || format == "ogg");
	FUZZ_CHECK(options.output.empty() || options.presets.size() <= 1);
	FUZZ_CHECK(options.output.empty() || options.directory.empty());
	for (const ParamSetting& setting : options.settings) {
		FUZZ_CHECK(std::isfinite(setting.number));
		if (setting.name == "oscType")
			FUZZ_CHECK(setting.integer >= 1 && setting.integer <= 4);
		else if (setting.name.ends_with("Enabled"))
			FUZZ_CHECK(setting.integer == 0 || setting.integer == 1);
	}
	const std::string path = OutputPathFor(options, options.presets.empty() ? "" : options.presets[0]);
	FUZZ_CHECK(!path.empty());
	if (options.output.empty())
		FUZZ_CHECK(path.ends_with("." + format));
	FUZZ_CHECK(options.jobs >= 0 && options.jobs <= 1024);
	FUZZ_CHECK(options.SoundCount() >= 1);

	// Random packs: a known category, no presets and no single output; numbered names that
	// stay in the folder and never repeat.
	if (!options.random.empty()) {
		FUZZ_CHECK(FindSoundCategory(options.random).has_value());
		FUZZ_CHECK(options.presets.empty() && options.output.empty());
		FUZZ_CHECK(options.count >= 1 && options.SoundCount() == size_t(options.count));
		const size_t last = options.SoundCount() - 1;
		const std::string first = RandomOutputPath(options, 0);
		FUZZ_CHECK(first != RandomOutputPath(options, last) || last == 0);
		FUZZ_CHECK(first.ends_with("." + format));
		FUZZ_CHECK(RandomPresetPath(options, last).ends_with(".tunk"));
		if (!options.directory.empty())
			FUZZ_CHECK(first.starts_with(options.directory));
		tunk::SoundParams random =
			Randomize(*FindSoundCategory(options.random), RandomSoundSeed(options.seed, last));
		ApplySettings(options.settings, &random);
		fuzz::CheckRenderRepeats(random);
		return 0;
	}
	FUZZ_CHECK(!options.presetsBeside && !options.seedGiven);

	if (options.settings.empty())
		return 0;
	tunk::SoundParams params;
	ApplySettings(options.settings, &params);
	fuzz::CheckRenderRepeats(params);
	return 0;
}
