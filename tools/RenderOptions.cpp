#include "tools/RenderOptions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "preset/PresetRecord.h"

namespace {

enum class Kind { Float, OscType, Flag };

struct Field {
	const char* name;
	Kind kind;
	float PresetParams::*number;
	uint8 PresetParams::*flag;
};

constexpr Field kFields[] = {
	{"startFreq", Kind::Float, &PresetParams::startFreq, nullptr},
	{"duration", Kind::Float, &PresetParams::duration, nullptr},
	{"amplitude", Kind::Float, &PresetParams::amplitude, nullptr},
	{"freqEnvelope", Kind::Float, &PresetParams::freqEnvelope, nullptr},
	{"ampEnvelope", Kind::Float, &PresetParams::ampEnvelope, nullptr},
	{"distortion", Kind::Float, &PresetParams::distortion, nullptr},
	{"filterCutoff", Kind::Float, &PresetParams::filterCutoff, nullptr},
	{"filterQ", Kind::Float, &PresetParams::filterQ, nullptr},
	{"oscType", Kind::OscType, nullptr, nullptr},
	{"ampEnvEnabled", Kind::Flag, nullptr, &PresetParams::ampEnvEnabled},
	{"freqEnvEnabled", Kind::Flag, nullptr, &PresetParams::freqEnvEnabled},
	{"distortionEnabled", Kind::Flag, nullptr, &PresetParams::distortionEnabled},
	{"filterEnabled", Kind::Flag, nullptr, &PresetParams::filterEnabled},
};

const Field* find_field(std::string_view name)
{
	for (const Field& field : kFields) {
		if (name == field.name)
			return &field;
	}
	return nullptr;
}

// The format named by a file's extension, "" when it names none.
std::string format_of_extension(const std::string& path)
{
	size_t slash = path.rfind('/');
	size_t dot = path.rfind('.');
	if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
		return "";
	std::string extension = path.substr(dot + 1);
	for (char& c : extension)
		c = char(std::tolower(static_cast<unsigned char>(c)));
	if (extension == "wav" || extension == "flac" || extension == "aiff" || extension == "ogg")
		return extension;
	if (extension == "aif")
		return "aiff";
	if (extension == "oga")
		return "ogg";
	return "";
}

template <typename T>
bool parse_whole(std::string_view text, T* value)
{
	if (text.empty())
		return false;
	auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
	return error == std::errc() && end == text.data() + text.size();
}

// Checks one NAME=VALUE; an error text, "" when it is good.
std::string parse_setting(std::string_view text, ParamSetting* setting)
{
	size_t equals = text.find('=');
	if (equals == std::string_view::npos)
		return "--set needs NAME=VALUE, got '" + std::string(text) + "'";
	std::string_view name = text.substr(0, equals);
	std::string_view value = text.substr(equals + 1);
	const Field* field = find_field(name);
	if (field == nullptr)
		return "unknown parameter '" + std::string(name) + "'";
	setting->name = std::string(name);
	// Appended piece by piece: g++ 12 at -O3 warns falsely about "'" + string + "'".
	std::string quoted(1, '\'');
	quoted.append(value);
	quoted += '\'';
	switch (field->kind) {
		case Kind::Float:
			if (!parse_whole(value, &setting->number) || !std::isfinite(setting->number))
				return std::string(name) + " needs a finite number, got " + quoted;
			return "";
		case Kind::OscType:
			if (!parse_whole(value, &setting->integer) || setting->integer < 1
				|| setting->integer > 4)
				return "oscType needs 1 (sine), 2 (square), 3 (saw) or 4 (triangle), got " + quoted;
			return "";
		case Kind::Flag:
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

ParsedArgs ParseRenderArgs(int argc, const char* const* argv)
{
	ParsedArgs result;
	RenderOptions& options = result.options;
	bool formatGiven = false;
	bool optionsEnded = false;

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

		// Options with a value: "-o FILE", "--output FILE" or "--output=FILE".
		std::string_view name = arg;
		std::string value;
		bool inlineValue = false;
		if (size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
			name = arg.substr(0, equals);
			value = std::string(arg.substr(equals + 1));
			inlineValue = true;
		}
		std::string* target = nullptr;
		if (name == "-o" || name == "--output")
			target = &options.output;
		else if (name == "-d" || name == "--directory")
			target = &options.directory;
		else if (name == "-f" || name == "--format")
			target = &options.format;
		else if (name == "--save-preset")
			target = &options.savePreset;
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
		if (format_of_extension("." + options.format) != options.format)
			return fail("unknown format '" + options.format + "' (wav, flac, aiff or ogg)");
	} else if (std::string fromName = format_of_extension(options.output); !fromName.empty()) {
		options.format = fromName;
	}
	if (!options.output.empty() && options.presets.size() > 1)
		return fail("-o names one output; use -d DIR for several presets");
	if (!options.output.empty() && !options.directory.empty())
		return fail("-o and -d cannot be used together");
	if (!options.savePreset.empty() && options.presets.size() > 1)
		return fail("--save-preset needs a single preset");
	result.ok = true;
	return result;
}

void ApplySettings(const std::vector<ParamSetting>& settings, PresetParams* params)
{
	for (const ParamSetting& setting : settings) {
		const Field* field = find_field(setting.name);
		if (field == nullptr)
			continue;
		switch (field->kind) {
			case Kind::Float: params->*field->number = setting.number; break;
			case Kind::OscType: params->oscType = setting.integer; break;
			case Kind::Flag: params->*field->flag = uint8(setting.integer); break;
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
	std::string name = stem + "." + options.format;
	if (options.directory.empty())
		return name;
	return options.directory.back() == '/' ? options.directory + name
											: options.directory + "/" + name;
}

const char* RenderUsage()
{
	return "Usage: tunk-render [OPTIONS] [PRESET...]\n"
		   "Renders Tunk presets to sound files, exactly as the Tunk window plays them.\n"
		   "Without a preset the default sound is rendered.\n"
		   "\n"
		   "  -o, --output FILE      the output file of a single sound\n"
		   "                         (default: the preset's name with the format's extension,\n"
		   "                         or Untitled.wav)\n"
		   "  -d, --directory DIR    the folder for the outputs (default: the current one)\n"
		   "  -f, --format FORMAT    wav (default), flac, aiff or ogg; without it the\n"
		   "                         extension of -o decides\n"
		   "      --set NAME=VALUE   overrides one parameter (repeatable): startFreq, duration,\n"
		   "                         amplitude, freqEnvelope, ampEnvelope, distortion,\n"
		   "                         filterCutoff, filterQ (numbers), oscType (1 sine,\n"
		   "                         2 square, 3 saw, 4 triangle), ampEnvEnabled,\n"
		   "                         freqEnvEnabled, distortionEnabled, filterEnabled (0 or 1)\n"
		   "      --save-preset FILE also writes the resulting parameters as a preset\n"
		   "  -h, --help             shows this help\n"
		   "      --version          shows the version\n"
		   "\n"
		   "Sounds are 16-bit mono at 44100 Hz. Exit status: 0 when every sound was written,\n"
		   "1 when a preset could not be read or an output not written (the others are\n"
		   "still rendered), 2 for a wrong command line.\n";
}
