// Command line of tunk-render, parsed into a plain record with no side effects, so that
// it can be tested (and fuzzed) on its own.
#pragma once

#include <string>
#include <vector>

#include "kits/support/SupportDefs.h"

struct PresetParams;

// One --set NAME=VALUE, already checked: `number` holds a float field's value, `integer`
// an integer field's (oscType, the flags).
struct ParamSetting {
	std::string name;
	float number = 0;
	int32 integer = 0;
};

struct RenderOptions {
	enum class Action { Render, Help, Version };
	Action action = Action::Render;
	std::vector<std::string> presets;
	std::string output;     // -o: the one output file
	std::string directory;  // -d: where outputs go
	std::string format = "wav";  // wav, flac, aiff or ogg
	std::vector<ParamSetting> settings;
	std::string savePreset;
};

struct ParsedArgs {
	bool ok = false;
	RenderOptions options;
	std::string error;  // what was wrong, for a usage message
};

// argv[0] is the program's name and is skipped.
ParsedArgs ParseRenderArgs(int argc, const char* const* argv);

// Applies the settings in order.
void ApplySettings(const std::vector<ParamSetting>& settings, PresetParams* params);

// Where the sound of `preset` ("" for the default sound) goes.
std::string OutputPathFor(const RenderOptions& options, const std::string& preset);

// The help text.
const char* RenderUsage();
