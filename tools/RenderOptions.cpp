#include "tools/RenderOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "audio/SoundFileWriter.h"
#include "engine/core/Params.h"
#include "engine/core/Render.h"
#include "kit/SampleExport.h"
#include "kit/Pattern.h"
#include "preset/PresetRecord.h"
#include "preset/Randomize.h"

namespace {

constexpr int32 kMaxJobs = 1024;
constexpr int32 kMaxRandomCount = 100000;

const char* format_title(const std::string& format)
{
	const SoundFileFormat* known = FindSoundFileFormat(format);
	return known != nullptr ? known->title : "WAV";
}

// "a, b, c or d".
std::string one_of(const std::vector<std::string>& words)
{
	std::string text;
	for (size_t i = 0; i < words.size(); i++) {
		if (i > 0)
			text += i + 1 == words.size() ? " or " : ", ";
		text += words[i];
	}
	return text;
}

std::vector<std::string> format_names()
{
	std::vector<std::string> names;
	for (const SoundFileFormat& format : SoundFileFormats())
		names.emplace_back(format.name);
	return names;
}

// "wav (default), flac, aiff or ogg".
std::string formats_with_default()
{
	std::vector<std::string> names = format_names();
	for (std::string& name : names) {
		if (name == RenderOptions().format)
			name += " (default)";
	}
	return one_of(names);
}

std::vector<std::string> category_key_list()
{
	std::vector<std::string> keys;
	for (const SoundCategoryName& category : SoundCategories())
		keys.emplace_back(category.key);
	return keys;
}

// One option of the help: its name, then its description wrapped to the help's column.
std::string help_entry(const std::string& option, const std::string& description)
{
	constexpr size_t kColumn = 25;
	constexpr size_t kWidth = 55;
	std::string text = option + std::string(kColumn - std::min(kColumn, option.size()), ' ');
	size_t lineLength = 0;
	for (size_t at = 0; at < description.size();) {
		size_t end = description.find(' ', at);
		if (end == std::string::npos)
			end = description.size();
		const std::string_view word(description.data() + at, end - at);
		if (lineLength > 0 && lineLength + 1 + word.size() > kWidth) {
			text += "\n" + std::string(kColumn, ' ');
			lineLength = 0;
		} else if (lineLength > 0) {
			text += ' ';
			lineLength++;
		}
		text += word;
		lineLength += word.size();
		at = end + 1;
	}
	return text + "\n";
}

std::string category_keys()
{
	std::string keys;
	for (const SoundCategoryName& category : SoundCategories())
		keys += std::string(keys.empty() ? "" : ", ") + category.key;
	return keys;
}

// Random sounds of a run take their seeds through this mixer (splitmix64), so that the seeds
// of two runs' sounds do not overlap when the runs' seeds are neighbours.
uint64_t mix(uint64_t value)
{
	value += 0x9E3779B97F4A7C15ull;
	value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
	value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
	return value ^ (value >> 31);
}

std::string in_directory(const std::string& directory, const std::string& name)
{
	if (directory.empty())
		return name;
	return directory.back() == '/' ? directory + name : directory + "/" + name;
}

// "kick-007": numbered with at least three digits, and as many as the largest number needs.
std::string random_stem(const RenderOptions& options, size_t index)
{
	const size_t width = std::max<size_t>(3, std::to_string(options.count).size());
	std::string number = std::to_string(index + 1);
	number.insert(0, width - std::min(width, number.size()), '0');
	return options.random + "-" + number;
}

template <typename T>
bool parse_whole(std::string_view text, T* value)
{
	if (text.empty())
		return false;
	auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
	return error == std::errc() && end == text.data() + text.size();
}

// A choice row's codes with their names: "1 (sine), 2 (square) or 3 (saw)".
std::string choice_list(const tunk::ParamInfo& info)
{
	std::string list;
	for (size_t i = 0; i < info.choices.size(); i++) {
		if (i > 0)
			list += i + 1 == info.choices.size() ? " or " : ", ";
		list += std::to_string(int(info.min) + int(i)) + " (";
		for (const char* c = info.choices[i]; *c != '\0'; c++)
			list += char(std::tolower((unsigned char)*c));
		list += ')';
	}
	return list;
}

// Checks one NAME=VALUE; an error text, "" when it is good.
std::string parse_setting(std::string_view text, ParamSetting* setting)
{
	size_t equals = text.find('=');
	if (equals == std::string_view::npos)
		return "--set needs NAME=VALUE, got '" + std::string(text) + "'";
	std::string_view name = text.substr(0, equals);
	std::string_view value = text.substr(equals + 1);
	const std::optional<tunk::Param> param = tunk::FindParam(name);
	if (!param)
		return "unknown parameter '" + std::string(name) + "'";
	const tunk::ParamInfo& info = tunk::Info(*param);
	setting->name = std::string(name);
	// Appended piece by piece: g++ 12 at -O3 warns falsely about "'" + string + "'".
	std::string quoted(1, '\'');
	quoted.append(value);
	quoted += '\'';
	switch (info.kind) {
		case tunk::ParamKind::Number:
			if (!parse_whole(value, &setting->number) || !std::isfinite(setting->number))
				return std::string(name) + " needs a finite number, got " + quoted;
			return "";
		case tunk::ParamKind::Choice:
			if (!parse_whole(value, &setting->integer) || setting->integer < int32(info.min) ||
			    setting->integer > int32(info.max))
				return std::string(name) + " needs " + choice_list(info) + ", got " + quoted;
			return "";
		case tunk::ParamKind::Switch:
			if (!parse_whole(value, &setting->integer) || setting->integer < 0
				|| setting->integer > 1)
				return std::string(name) + " needs 0 or 1, got " + quoted;
			return "";
	}
	return "";
}

ParsedArgs fail(std::string error)
{
	ParsedArgs result;
	result.error = std::move(error);
	return result;
}

} // namespace

namespace {

// What --kit cannot go with: it renders the kit's own sounds into a folder of its own, or
// with --notes into one file.
std::string check_kit_options(const RenderOptions& options, bool notesGiven)
{
	if (options.kit.empty() && !options.pattern.empty())
		return "--pattern goes with --kit FILE";
	if (options.kit.empty())
		return notesGiven ? "--notes goes with --kit FILE" : "";
	if (!options.random.empty() || !options.presets.empty())
		return "--kit renders the kit's own sounds and takes no presets or --random";
	if (!options.settings.empty() || !options.savePreset.empty())
		return "--kit takes no --set or --save-preset: change the kit's sounds in its file";
	if (!options.pattern.empty()) {
		if (notesGiven)
			return "--kit plays either --notes or a --pattern";
		if (options.ToStandardOutput())
			return "--pattern writes its loop into a file; name it with -o FILE";
		if (options.stems != !options.directory.empty())
			return "--stems writes one file per pad into -d DIR, and -d goes with --stems";
		if (options.output.empty() && !options.stems && options.midi.empty())
			return "--pattern writes its loop to -o FILE, --stems -d DIR or --midi FILE.mid";
		return "";
	}
	if (notesGiven) {
		if (options.output.empty() || options.ToStandardOutput() || !options.directory.empty())
			return "--kit with --notes writes one stereo file; name it with -o FILE";
		return "";
	}
	if (!options.output.empty() || options.directory.empty())
		return "--kit writes a sample pack of several files; name its folder with -d DIR";
	return "";
}

}  // namespace

ParsedArgs ParseRenderArgs(int argc, const char* const* argv)
{
	ParsedArgs result;
	RenderOptions& options = result.options;
	bool formatGiven = false;
	std::string notesText;
	std::string barsText;
	std::string bpmText;
	bool optionsEnded = false;
	bool countGiven = false;
	bool jobsGiven = false;
	bool velocityGiven = false;
	bool hitGiven = false;
	bool layersGiven = false;
	bool roundRobinsGiven = false;

	// With --random, --save-preset names no file: the presets go beside the sounds.
	bool randomMode = false;
	for (int i = 1; i < argc && argv[i] != nullptr; i++) {
		std::string_view arg = argv[i];
		if (arg == "--")
			break;
		randomMode = randomMode || arg == "--random" || arg.starts_with("--random=");
	}

	for (int i = 1; i < argc; i++) {
		std::string_view arg = argv[i] != nullptr ? argv[i] : "";
		if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
			options.presets.emplace_back(arg);
			continue;
		}
		if (arg == "--") {
			optionsEnded = true;
			continue;
		}
		if (arg == "--help" || arg == "-h") {
			options.action = RenderOptions::Action::Help;
			result.ok = true;
			return result;
		}
		if (arg == "--version") {
			options.action = RenderOptions::Action::Version;
			continue;
		}
		if (arg == "--stems") {
			options.stems = true;
			continue;
		}
		if (randomMode && arg == "--save-preset") {
			options.presetsBeside = true;
			continue;
		}

		// Options with a value: "-o FILE", "--output FILE" or "--output=FILE"; "-j4" too.
		std::string_view name = arg;
		std::string value;
		bool inlineValue = false;
		if (size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
			name = arg.substr(0, equals);
			value = std::string(arg.substr(equals + 1));
			inlineValue = true;
		} else if (arg.starts_with("-j") && arg.size() > 2) {
			name = "-j";
			value = std::string(arg.substr(2));
			inlineValue = true;
		}
		std::string* target = nullptr;
		std::string number;  // the text of a numeric option
		if (name == "-o" || name == "--output")
			target = &options.output;
		else if (name == "-d" || name == "--directory")
			target = &options.directory;
		else if (name == "-f" || name == "--format")
			target = &options.format;
		else if (name == "--save-preset")
			target = &options.savePreset;
		else if (name == "--random")
			target = &options.random;
		else if (name == "--kit")
			target = &options.kit;
		else if (name == "--notes")
			target = &notesText;
		else if (name == "--pattern")
			target = &options.pattern;
		else if (name == "--bars")
			target = &barsText;
		else if (name == "--bpm")
			target = &bpmText;
		else if (name == "--midi")
			target = &options.midi;
		else if (name == "-j" || name == "--jobs" || name == "--count" || name == "--seed"
		         || name == "--velocity" || name == "--hit" || name == "--layers"
		         || name == "--round-robins")
			target = &number;
		else if (name != "--set")
			return fail("unknown option '" + std::string(arg) + "'");

		if (!inlineValue) {
			if (i + 1 >= argc || argv[i + 1] == nullptr)
				return fail("option '" + std::string(name) + "' needs a value");
			value = argv[++i];
		}
		if (target == nullptr) {
			ParamSetting setting;
			if (std::string error = parse_setting(value, &setting); !error.empty())
				return fail(error);
			options.settings.push_back(setting);
			continue;
		}
		if (value.empty())
			return fail("option '" + std::string(name) + "' needs a value");
		if (target == &number) {
			bool* given = name == "--count" ? &countGiven
				: name == "--seed"          ? &options.seedGiven
				: name == "--velocity"      ? &velocityGiven
				: name == "--hit"           ? &hitGiven
				: name == "--layers"        ? &layersGiven
				: name == "--round-robins"  ? &roundRobinsGiven
											: &jobsGiven;
			if (*given)
				return fail("option '" + std::string(name) + "' given twice");
			*given = true;
			if (name == "--seed") {
				if (!parse_whole(value, &options.seed))
					return fail("--seed needs a whole number from 0 to 18446744073709551615, got '"
						+ value + "'");
			} else if (name == "--velocity") {
				if (!parse_whole(value, &options.velocity) || options.velocity < 1
					|| options.velocity > 127)
					return fail("--velocity needs a velocity from 1 to 127, got '" + value + "'");
			} else if (name == "--hit") {
				if (!parse_whole(value, &options.hit))
					return fail("--hit needs a hit's number from 0 to 4294967295, got '" + value
						+ "'");
			} else if (name == "--layers") {
				if (!parse_whole(value, &options.layers) || options.layers < 1 || options.layers > 127)
					return fail("--layers needs a number of velocity bands from 1 to 127, got '" + value
						+ "'");
			} else if (name == "--round-robins") {
				if (!parse_whole(value, &options.roundRobins) || options.roundRobins < 1
					|| options.roundRobins > kMaxRoundRobins)
					return fail("--round-robins needs a number of hits from 1 to "
						+ std::to_string(kMaxRoundRobins) + ", got '" + value + "'");
			} else if (name == "--count") {
				if (!parse_whole(value, &options.count) || options.count < 1
					|| options.count > kMaxRandomCount)
					return fail("--count needs a number of sounds from 1 to "
						+ std::to_string(kMaxRandomCount) + ", got '" + value + "'");
			} else if (!parse_whole(value, &options.jobs) || options.jobs < 1
					   || options.jobs > kMaxJobs) {
				return fail("-j needs a number of threads from 1 to " + std::to_string(kMaxJobs)
					+ ", got '" + value + "'");
			}
			continue;
		}
		if (target == &options.format) {
			if (formatGiven)
				return fail("option '" + std::string(name) + "' given twice");
			formatGiven = true;
		} else if (!target->empty()) {
			return fail("option '" + std::string(name) + "' given twice");
		}
		*target = value;
	}

	if (options.action == RenderOptions::Action::Version) {
		result.ok = true;
		return result;
	}
	if (formatGiven) {
		if (FindSoundFileFormat(options.format) == nullptr)
			return fail(
				"unknown format '" + options.format + "' (" + one_of(format_names()) + ")");
		const std::string named = SoundFileFormatOfPath(options.output);
		if (!named.empty() && named != options.format)
			result.warnings.push_back(options.output + ": the name says "
				+ format_title(named) + ", but " + format_title(options.format)
				+ " data is written, as -f asks");
	} else if (!options.output.empty() && !options.ToStandardOutput()) {
		const std::string named = SoundFileFormatOfPath(options.output);
		if (named.empty() && !FileExtension(options.output).empty())
			return fail("'" + options.output + "': ." + FileExtension(options.output)
				+ " names no format tunk-render writes (" + one_of(format_names())
				+ "); give -f FORMAT to write one under this name");
		if (!named.empty())
			options.format = named;
	}
	if (!options.random.empty()) {
		std::optional<SoundCategory> category = FindSoundCategory(options.random);
		if (!category)
			return fail("unknown category '" + options.random + "' (" + category_keys() + ")");
		options.random = NameOf(*category).key;
		if (!options.presets.empty())
			return fail("--random makes its own sounds and takes no presets");
		if (!options.output.empty())
			return fail("--random names its sounds itself; use -d DIR for where they go");
	} else if (countGiven || options.seedGiven) {
		return fail("--count and --seed go with --random CATEGORY");
	} else if (options.presetsBeside) {
		return fail("option '--save-preset' needs a value");
	}
	if (!notesText.empty()) {
		if (std::string error = ParseKitNotes(notesText, &options.notes); !error.empty())
			return fail(error);
	}
	if (options.pattern.empty() && (!barsText.empty() || !bpmText.empty() || options.stems || !options.midi.empty()))
		return fail("--bars, --bpm, --stems and --midi go with --kit FILE --pattern N");
	if (!barsText.empty()
		&& (!parse_whole(barsText, &options.bars) || options.bars < 1 || options.bars > kMaxLoopBars))
		return fail("--bars needs a number of times the pattern plays from 1 to "
			+ std::to_string(kMaxLoopBars) + ", got '" + barsText + "'");
	if (!bpmText.empty()
		&& (!parse_whole(bpmText, &options.bpm) || !(options.bpm >= kMinTempo && options.bpm <= kMaxTempo)))
		return fail("--bpm needs a tempo from 20 to 300 beats a minute, got '" + bpmText + "'");
	if (std::string error = check_kit_options(options, !notesText.empty()); !error.empty())
		return fail(error);
	// A kit's notes carry their own velocities, and its pads count their own hits.
	if (!options.kit.empty() && (velocityGiven || hitGiven))
		return fail("--velocity and --hit render single sounds; --notes gives a kit's velocities");
	if ((layersGiven || roundRobinsGiven)
	    && (options.kit.empty() || !options.notes.empty() || !options.pattern.empty()))
		return fail("--layers and --round-robins shape a kit's sample pack: give --kit FILE -d DIR");
	if (!options.output.empty() && options.presets.size() > 1)
		return fail("-o names one output; use -d DIR for several presets");
	if (!options.output.empty() && !options.directory.empty() && !options.stems)
		return fail("-o and -d cannot be used together");
	if (!options.savePreset.empty() && options.presets.size() > 1)
		return fail("--save-preset needs a single preset");
	result.ok = true;
	return result;
}

std::string ParseKitNotes(std::string_view text, std::vector<KitEvent>* notes)
{
	// A whole number in `part` within min..max, or false.
	auto number = [](std::string_view part, int64_t min, int64_t max, int64_t* value) {
		const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), *value);
		return !part.empty() && error == std::errc() && end == part.data() + part.size()
		       && *value >= min && *value <= max;
	};
	notes->clear();
	for (size_t start = 0; start <= text.size();) {
		const size_t comma = std::min(text.find(',', start), text.size());
		const std::string_view note = text.substr(start, comma - start);
		const size_t at = note.find('@');
		const size_t colon = note.find(':');
		int64_t key = 0, frame = 0, velocity = 127;
		const bool good = at != std::string_view::npos
		                  && number(note.substr(0, at), kLowestNote, kHighestNote, &key)
		                  && number(note.substr(at + 1, colon == std::string_view::npos ? colon : colon - at - 1),
		                      0, tunk::kMaxSampleCount, &frame)
		                  && (colon == std::string_view::npos
		                      || (colon > at && number(note.substr(colon + 1), 1, 127, &velocity)));
		if (!good) {
			return "--notes takes NOTE@FRAME[:VELOCITY] separated by commas (a note 0 to 127, a "
			       "frame from 0 to " + std::to_string(tunk::kMaxSampleCount) + ", a velocity 1 to 127), not '"
			       + std::string(note) + "'";
		}
		KitEvent event;
		event.key = int32_t(key);
		event.frame = frame;
		event.velocity = uint8_t(velocity);
		notes->push_back(event);
		start = comma + 1;
	}
	std::stable_sort(notes->begin(), notes->end(),
	    [](const KitEvent& a, const KitEvent& b) { return a.frame < b.frame; });
	return "";
}

std::string ParseSetting(std::string_view text, ParamSetting* setting)
{
	return parse_setting(text, setting);
}

void ApplySettings(const std::vector<ParamSetting>& settings, tunk::SoundParams* params)
{
	for (const ParamSetting& setting : settings) {
		if (const std::optional<tunk::Param> param = tunk::FindParam(setting.name)) {
			const bool number = tunk::Info(*param).kind == tunk::ParamKind::Number;
			(*params)[*param] = number ? setting.number : float(setting.integer);
		}
	}
}

std::string OutputPathFor(const RenderOptions& options, const std::string& preset)
{
	if (!options.output.empty())
		return options.output;
	std::string stem = "Untitled";
	if (!preset.empty()) {
		std::string leaf = preset.substr(preset.rfind('/') + 1);
		size_t dot = leaf.rfind('.');
		stem = dot != std::string::npos && dot > 0 ? leaf.substr(0, dot) : leaf;
	}
	return in_directory(options.directory, stem + "." + options.format);
}

std::string RandomOutputPath(const RenderOptions& options, size_t index)
{
	return in_directory(options.directory, random_stem(options, index) + "." + options.format);
}

std::string RandomPresetPath(const RenderOptions& options, size_t index)
{
	return in_directory(options.directory, random_stem(options, index) + ".tunk");
}

uint64_t RandomSoundSeed(uint64_t seed, size_t index)
{
	return mix(mix(seed) + index);
}

size_t RenderOptions::SoundCount() const
{
	if (!random.empty())
		return size_t(count);
	return std::max<size_t>(1, presets.size());
}

namespace {

// The shortest text that reads back as the same float: 0.95, not 0.949999988.
std::string shortest(float value)
{
	char text[32];
	const auto [end, error] = std::to_chars(text, text + sizeof(text), value);
	return error == std::errc() ? std::string(text, end) : std::string();
}

// Every parameter of the table, one help entry each.
std::string parameter_help()
{
	std::string text;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		std::string values;
		switch (info.kind) {
			case tunk::ParamKind::Number:
				values = shortest(info.min) + " to " + shortest(info.max);
				if (*info.unit != '\0')
					values += std::string(" ") + info.unit;
				break;
			case tunk::ParamKind::Choice: values = choice_list(info); break;
			case tunk::ParamKind::Switch: values = "0 (off) or 1 (on)"; break;
		}
		text += help_entry(std::string("  ") + info.symbol,
		    values + "; default " + shortest(info.def) + ". " + info.comment);
	}
	return text;
}

} // namespace

const char* RenderUsage()
{
	static const std::string usage =
	    "Usage: tunk-render [OPTIONS] [PRESET...]\n"
	    "       tunk-render --random CATEGORY [--count N] [--seed S] [OPTIONS]\n"
	    "       tunk-render --kit FILE.tunkkit -d DIR [-f FORMAT]\n"
	    "       tunk-render --kit FILE.tunkkit --notes NOTES -o FILE [-f FORMAT]\n"
	    "       tunk-render --kit FILE.tunkkit --pattern N|NAME|chain [--bars B] [--bpm T]\n"
	    "                   [-o FILE] [--stems -d DIR] [--midi FILE.mid] [-f FORMAT]\n"
	    "Renders Tunk presets to sound files, exactly as the Tunk window plays them.\n"
	    "Without a preset the default sound is rendered.\n"
	    "\n"
	    "  -o, --output FILE      the output file of a single sound; - writes it to standard\n"
	    "                         output (default: the preset's name with the format's\n"
	    "                         extension, or Untitled.wav)\n"
	    "  -d, --directory DIR    the folder for the outputs, made if missing (default: the\n"
	    "                         current one)\n" +
	    help_entry("  -f, --format FORMAT",
	        formats_with_default() + "; without it the extension of -o decides") +
	    "      --set NAME=VALUE   overrides one parameter (repeatable); the parameters are\n"
	    "                         listed below\n"
	    "      --save-preset FILE also writes the resulting parameters as a preset\n"
	    "  -j, --jobs N           renders on N threads (default: one per processor)\n" +
	    help_entry("      --random CATEGORY",
	        "makes new sounds of a category: " + one_of(category_key_list()) +
	            ", named kick-001.wav and so on; with --save-preset (no FILE) each preset goes "
	            "beside its sound as kick-001.tunk") +
	    "      --count N          how many random sounds (default 1)\n" +
	    help_entry("      --kit FILE",
	        "writes a Tunk kit's sample pack into -d DIR: each pad's sound named after the pad, "
	        "an SFZ file mapping them to their notes, and drumkit.xml for Hydrogen") +
	    help_entry("      --layers N",
	        "with --kit, writes each pad in N velocity bands covering 1 to 127, each rendered "
	        "at its band's top velocity (default 1)") +
	    help_entry("      --round-robins M",
	        "with --kit, writes M hits of each band of a pad whose hits vary, for the sampler "
	        "to take turns with (default 1)") +
	    help_entry("      --notes NOTES",
	        "with --kit, renders the kit playing NOTE@FRAME[:VELOCITY],... (36@0,38@22050:100: "
	        "the kick at once, the snare half a second later at velocity 100; 127 when none is "
	        "given) into -o FILE, 16-bit stereo at 44100 Hz, as the kit window plays it (pads on "
	        "their own output in the middle), until the last sound ends") +
	    help_entry("      --pattern P",
	        "with --kit, renders the kit's pattern P (its number from 1 or its name; chain: the "
	        "kit's chain once) into -o FILE as a seamless stereo loop exactly its bars long, the "
	        "tails of its last hits continuing at its start") +
	    help_entry("      --bars B", "plays the pattern B times in the loop, 1 to 256 (default 1)") +
	    help_entry("      --bpm T", "the loop's tempo, 20 to 300 beats a minute (default: the kit's)") +
	    help_entry("      --stems", "also writes each pad that plays in the loop alone, named after it, into -d DIR") +
	    help_entry("      --midi FILE", "also writes the loop's notes as a Standard MIDI File") +
	    help_entry("      --velocity V",
	        "renders each sound as a note of velocity V (1 to 127, default 127) plays it: its "
	        "velocity rows shape it and its curve sets its level") +
	    help_entry("      --hit N",
	        "renders the variation of the sound's hit number N, as the Nth hit of a pad plays "
	        "it (default 0: the sound without variation)") +
	    "      --seed S           the same seed makes the same sounds (default: the clock)\n"
	    "  -h, --help             shows this help\n"
	    "      --version          shows the version\n"
	    "\n"
	    "Parameters (NAME for --set: its values, its default, what it does). A number\n"
	    "outside the range the window offers is kept as given, by --set as by presets\n"
	    "and kits, so a sound saved and read again plays the same; a number that is not\n"
	    "finite, or a duration beyond " + std::to_string(TUNK_MAX_SOUND_SECONDS * 1000) + " ms, is refused.\n" +
	    parameter_help() +
	    "\n"
	    "Sounds are 16-bit mono at 44100 Hz. When standard error is a terminal, a line\n"
	    "shows how many sounds are done. Exit status: 0 when every sound was written,\n"
	    "1 when a preset could not be read or an output not written (the others are\n"
	    "still rendered), 2 for a wrong command line.\n";
	return usage.c_str();
}
