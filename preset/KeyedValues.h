// A sound's values as a JSON object keyed by the parameters' symbols, the form both the preset
// extension and the kit file hold sounds in: {"startFreq":55,"noiseLevel":0.5,...}. Reading
// keeps every value as the file gives it, also beyond the range the window offers (the sound
// brings a value into range where it plays, so what a file holds is what plays), keeps what
// this program does not know and refuses, changing nothing, a known value that is no number
// or too large for a float. Writing gives the shortest decimal that reads back as the same
// float.
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

// How far a keyed text may reach. The JSON library keeps an object's keys in their order in a
// list, so building an object of n keys takes time in n squared: bounding the keys of one
// object and of the whole text, and its values, keeps any text under a file's size limit
// quick to read (a kit of 16 pads of every value holds some 600 keys).
struct KeyedLimits {
	int depth;                // objects and lists inside one another
	size_t objectKeys = 256;  // in one object, a key given twice counted twice
	size_t keys = 32768;
	size_t values = 65536;    // numbers, texts, lists, objects ... of the whole text
};

// Parses `text` into `root` in two passes: the first builds nothing and stops at the first
// bound exceeded. Returns "" when parsed, else why not: "nested too deeply", "an object holds
// more than 256 keys", "not well-formed JSON at byte 7; cut short?", ... `root` is then
// unchanged.
std::string ParseKeyed(std::string_view text, const KeyedLimits& limits, KeyedJson* root);

// Reads the members of `object` named after a row that `rows` holds into `params`, each as
// given; members named after other rows are ignored, and those named after no parameter (but
// `ignored`, the object's own keys such as its version) go into `unknown`. A known value that
// is no number, or whose float would be infinite, refuses the object: then neither `params`
// nor `unknown` changes. Returns why it was refused, "" when read.
std::string ReadKeyedValues(const KeyedJson& object, KeyedRows rows, std::string_view ignored,
	tunk::SoundParams* params, KeyedUnknown* unknown);

// Adds to `object` the values of the rows `rows` holds (those bit for bit at their default
// left out when `skipDefaults`), whole numbers as integers, then the `unknown` values that
// name no parameter and are not `ignored`. Values JSON cannot hold are written as
// WritableNumber does, a non-number as the row's default.
void WriteKeyedValues(const tunk::SoundParams& params, KeyedRows rows, bool skipDefaults,
	const KeyedUnknown& unknown, std::string_view ignored, KeyedJson* object);

// `value` as JSON, which holds neither infinities nor non-numbers: an infinity as the largest
// float of its sign (which plays as the infinity does wherever the sound or the pad brings a
// value into range), a non-number as `otherwise`.
KeyedJson WritableNumber(float value, float otherwise);

// `value` as the shortest decimal that reads back as the same float; whole numbers (but -0) as
// integers. `value` must be finite.
KeyedJson ShortestNumber(float value);

// `value` as the shortest decimal that reads back as the same double, as messages name it.
std::string NumberText(double value);

// "Values from a newer version of Tunk are kept as they are: a, b." for the keys of `unknown`.
std::string KeptValuesMessage(const KeyedUnknown& unknown);
