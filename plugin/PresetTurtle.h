// The Turtle text of the bundle's manifest and of its presets: one preset per factory
// sound, with the sound's port values, so that a host's preset list and the sound library
// never drift apart.
#pragma once

#include <string>
#include <vector>

#include "engine/core/Params.h"

namespace tunk::lv2 {

struct FactoryPreset {
	std::string category;
	std::string name;
	SoundParams params;
};

// The readable tail of a preset's or bank's URI: lower-case ASCII letters and digits, every
// run of anything else (spaces, punctuation, letters beyond ASCII) one hyphen, none at either
// end: "909 Electro" gives "909-electro", "Claps & Snaps!" "claps-snaps". Empty when
// `text` has no ASCII letter or digit.
std::string UriSlug(const std::string& text);

// The preset's URI: the plugin's preset prefix, then the slug of "Category Name". Two
// presets whose slugs meet get one URI: the bundle writer refuses them.
std::string PresetUri(const std::string& category, const std::string& name);

// A category's bank: the plugin's bank prefix, then the category's slug.
std::string BankUri(const std::string& category);

// A Turtle string literal of `text`, quotes, backslashes and control characters escaped.
std::string TurtleString(const std::string& text);

// A finite number as a Turtle literal that reads back as exactly `value` when parsed as a
// double and narrowed to float (Turtle has no literal for a non-number or an infinity).
std::string TurtleNumber(float value);

// manifest.ttl: the plugin (its binary and description), a bank per category and every
// preset with its bank.
std::string ManifestTurtle(
    const std::string& binaryName, const std::vector<FactoryPreset>& presets);
// presets.ttl: each preset's label and port values.
std::string PresetsTurtle(const std::vector<FactoryPreset>& presets);

// A factory kit: its name and its kit file's text, the kit instrument's state.
struct FactoryKit {
	std::string name;
	std::string text;
};

// The kit preset's URI: the kit preset prefix, then the name's slug.
std::string KitPresetUri(const std::string& name);
// What the manifest adds for the kit instrument (after ManifestTurtle, whose prefixes it
// uses): the instrument with its binary and description, and its presets.
std::string KitManifestTurtle(const std::string& binaryName, const std::vector<FactoryKit>& kits);
// kit-presets.ttl: each kit's label and state, the kit by value.
std::string KitPresetsTurtle(const std::vector<FactoryKit>& kits);

// Why the presets cannot share one bundle: a name with nothing for its URI's slug, or two
// presets (of either instrument) on one URI, named by their labels. Empty when every preset
// has a URI of its own.
std::string PresetUriFault(
    const std::vector<FactoryPreset>& presets, const std::vector<FactoryKit>& kits);

} // namespace tunk::lv2
