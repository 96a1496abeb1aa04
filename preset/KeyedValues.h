// A sound's values as a JSON object keyed by the parameters' symbols, the form both the preset
// extension and the kit file hold sounds in: {"startFreq":55,"noiseLevel":0.5,...}. Reading
// clamps what lies beyond a parameter's range (naming it), keeps what this program does not
// know and refuses, changing nothing, a known value that is no number. Writing gives the
// shortest decimal that reads back as the same float.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/core/Params.h"

using KeyedJson = nlohmann::ordered_json;
// Key to the JSON text of a value this program does not know.
using KeyedUnknown = std::map<std::string, std::string>;
// Which rows of the table an object holds.
using KeyedRows = bool (*)(const tunk::ParamInfo&);

bool AllRows(const tunk::ParamInfo& info);

struct KeyedRead {
	std::string refusal;               // why nothing was read; "" when read
	std::vector<std::string> clamped;  // one sentence per value set to the end of its range
	bool Refused() const { return !refusal.empty(); }
};

// Reads the members of `object` named after a row that `rows` holds into `params`; members
// named after other rows are ignored, and those named after no parameter (but `ignored`, the
// object's own keys such as its version) go into `unknown`. A value beyond its row's range is
// set to the nearest end; a switch holds 1 for any value but 0. A known value that is no
// number refuses the object: then neither `params` nor `unknown` changes.
KeyedRead ReadKeyedValues(const KeyedJson& object, KeyedRows rows, std::string_view ignored,
	tunk::SoundParams* params, KeyedUnknown* unknown);

// Adds to `object` the values of the rows `rows` holds (those bit for bit at their default
// left out when `skipDefaults`), whole numbers as integers, then the `unknown` values that
// name no parameter and are not `ignored`. A non-number is written as the default, an
// infinity as its end of the range, as reading them back would give.
void WriteKeyedValues(const tunk::SoundParams& params, KeyedRows rows, bool skipDefaults,
	const KeyedUnknown& unknown, std::string_view ignored, KeyedJson* object);

// `value` as the shortest decimal that reads back as the same float; whole numbers (but -0) as
// integers. `value` must be finite.
KeyedJson ShortestNumber(float value);

// "Values from a newer version of Tunk are kept as they are: a, b." for the keys of `unknown`.
std::string KeptValuesMessage(const KeyedUnknown& unknown);
