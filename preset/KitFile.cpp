// The kit file's codec and reader: nothing but the core and the JSON library, for the plugin.
#include "preset/KitFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <set>
#include <system_error>

#include "kit/Pattern.h"
#include "preset/KeyedValues.h"

namespace {

using Json = KeyedJson;

// Root, pads, pad, sound, and room below for what a later version may carry in a value.
constexpr int kMaxDepth = 12;

const char* const kPadKeys[] = {"name", "note", "level", "pan", "choke", "output", "sound", "soundName"};
// In a pad's sound: the reserved word of the preset it came from, written when not 0.
constexpr char kSoundReservedKey[] = "reserved";
const char* const kKitKeys[] = {kKitFormatKey, "name", "pads", "tempo", "chain", "patterns"};
const char* const kPatternKeys[] = {"name", "steps", "stepsPerBeat", "swing", "velocity", "probability"};

template <size_t N>
bool IsOneOf(const std::string& key, const char* const (&keys)[N])
{
	for (const char* known : keys) {
		if (key == known)
			return true;
	}
	return false;
}

// Thrown while decoding, caught once at the top: the words for the user.
struct Refusal {
	std::string why;
};

// A pad as messages name it: "pad 3 (Snare)".
std::string PadLabel(size_t index, const std::string& name)
{
	std::string label = "pad " + std::to_string(index + 1);
	if (!name.empty())
		label += " (" + name + ")";
	return label;
}

std::string Name(const Json& value, const std::string& what)
{
	if (!value.is_string())
		throw Refusal{what + " is not text"};
	std::string name = value.get<std::string>();
	if (name.size() > kKitNameLimit)
		throw Refusal{what + " is longer than " + std::to_string(kKitNameLimit) + " bytes"};
	return name;
}

// A whole number in [low, high], else a refusal saying `what`.
int WholeNumber(const Json& value, int low, int high, const std::string& what)
{
	if (value.is_number()) {
		const double number = value.get<double>();
		if (number >= low && number <= high && std::trunc(number) == number)
			return int(number);
	}
	throw Refusal{what};
}

// A number as given, beyond the range the window offers too: the kit brings it into range
// where it plays.
float Number(const Json& value, const std::string& what)
{
	if (!value.is_number())
		throw Refusal{what + " is no number"};
	const double wanted = value.get<double>();
	if (!std::isfinite(float(wanted)))
		throw Refusal{what + " (" + NumberText(wanted) + ") is too large"};
	return float(wanted);
}

Pad DecodePad(const Json& object, size_t index, std::set<std::string>* unknownKeys)
{
	if (!object.is_object())
		throw Refusal{PadLabel(index, "") + " is not a list of named values"};
	Pad pad;
	if (const auto name = object.find("name"); name != object.end())
		pad.name = Name(*name, "the name of " + PadLabel(index, ""));
	const std::string label = PadLabel(index, pad.name);
	if (const auto soundName = object.find("soundName"); soundName != object.end())
		pad.soundName = Name(*soundName, "the sound's name of " + label);

	const auto note = object.find("note");
	if (note == object.end())
		throw Refusal{label + " has no note"};
	pad.note = WholeNumber(*note, kLowestNote, kHighestNote,
		"the note of " + label + " is no MIDI note (a whole number from 0 to 127)");
	if (const auto level = object.find("level"); level != object.end())
		pad.level = Number(*level, "the level of " + label);
	if (const auto pan = object.find("pan"); pan != object.end())
		pad.pan = Number(*pan, "the pan of " + label);
	if (const auto choke = object.find("choke"); choke != object.end()) {
		pad.choke = WholeNumber(*choke, 0, kChokeGroups,
			"the choke group of " + label + " is none of 0 (none) to 8");
	}
	if (const auto output = object.find("output"); output != object.end()) {
		if (*output == "main")
			pad.output = PadOutput::Main;
		else if (*output == "own")
			pad.output = PadOutput::Own;
		else
			throw Refusal{"the output of " + label + " is neither \"main\" nor \"own\""};
	}
	if (const auto sound = object.find("sound"); sound != object.end()) {
		if (!sound->is_object())
			throw Refusal{"the sound of " + label + " is not a list of named values"};
		const std::string refusal
			= ReadKeyedValues(*sound, AllRows, "", &pad.sound, &pad.soundUnknown);
		if (!refusal.empty())
			throw Refusal{"the sound of " + label + ": " + refusal};
		if (const auto reserved = sound->find(kSoundReservedKey);
		    reserved != sound->end() && reserved->is_number_unsigned() &&
		    reserved->get<uint64_t>() <= UINT32_MAX) {
			pad.soundReserved = uint32_t(reserved->get<uint64_t>());
			pad.soundUnknown.erase(kSoundReservedKey);
		}
		for (const auto& [key, text] : pad.soundUnknown)
			unknownKeys->insert(key);
	}
	for (const auto& [key, value] : object.items()) {
		if (!IsOneOf(key, kPadKeys)) {
			pad.unknown[key] = value.dump(-1, ' ', false, Json::error_handler_t::replace);
			unknownKeys->insert(key);
		}
	}
	return pad;
}

// A pattern's steps of one kind: a list per pad, of whole numbers in [0, high] per step.
void DecodeSteps(const Json& lists, int high, const std::string& what, Pattern* pattern,
    uint8_t Step::*field)
{
	if (!lists.is_array() || lists.size() > kMaxPads)
		throw Refusal{what + " is not a list of at most " + std::to_string(kMaxPads) + " lists"};
	for (size_t pad = 0; pad < lists.size(); pad++) {
		const Json& list = lists[pad];
		const std::string lane = what + " of pad " + std::to_string(pad + 1);
		if (!list.is_array() || list.size() > size_t(kMaxSteps))
			throw Refusal{lane + " is not a list of at most " + std::to_string(kMaxSteps) + " steps"};
		for (size_t step = 0; step < list.size(); step++) {
			pattern->lanes[pad][step].*field = uint8_t(WholeNumber(list[step], 0, high,
			    lane + " has a step that is no whole number from 0 to " + std::to_string(high)));
		}
	}
}

Pattern DecodePattern(const Json& object, size_t index, std::set<std::string>* unknownKeys)
{
	const std::string number = "pattern " + std::to_string(index + 1);
	if (!object.is_object())
		throw Refusal{number + " is not a list of named values"};
	Pattern pattern;
	if (const auto name = object.find("name"); name != object.end())
		pattern.name = Name(*name, "the name of " + number);
	const std::string label = pattern.name.empty() ? number : number + " (" + pattern.name + ")";
	if (const auto steps = object.find("steps"); steps != object.end()) {
		pattern.steps = WholeNumber(*steps, 1, kMaxSteps,
		    "the length of " + label + " is no whole number of steps from 1 to 64");
	}
	if (const auto rate = object.find("stepsPerBeat"); rate != object.end()) {
		const std::string rates = "the steps per beat of " + label + " are none of 2, 3, 4, 6 and 8";
		pattern.stepsPerBeat = WholeNumber(*rate, 2, 8, rates);
		if (!ValidStepRate(pattern.stepsPerBeat))
			throw Refusal{rates};
	}
	if (const auto swing = object.find("swing"); swing != object.end())
		pattern.swing = Number(*swing, "the swing of " + label);
	if (const auto velocity = object.find("velocity"); velocity != object.end())
		DecodeSteps(*velocity, 127, "the velocities of " + label, &pattern, &Step::velocity);
	if (const auto probability = object.find("probability"); probability != object.end())
		DecodeSteps(*probability, 100, "the probabilities of " + label, &pattern, &Step::probability);
	for (const auto& [key, value] : object.items()) {
		if (!IsOneOf(key, kPatternKeys)) {
			pattern.unknown[key] = value.dump(-1, ' ', false, Json::error_handler_t::replace);
			unknownKeys->insert(key);
		}
	}
	return pattern;
}

// The kit's tempo, patterns and chain; a kit without them keeps a new kit's.
void DecodePatterns(const Json& root, Kit* kit, std::set<std::string>* unknownKeys)
{
	if (const auto tempo = root.find("tempo"); tempo != root.end())
		kit->tempo = Number(*tempo, "the kit's tempo");
	if (const auto patterns = root.find("patterns"); patterns != root.end()) {
		if (!patterns->is_array() || patterns->size() > kMaxPatterns) {
			throw Refusal{"the kit's \"patterns\" is not a list of at most "
			    + std::to_string(kMaxPatterns) + " patterns"};
		}
		for (size_t i = 0; i < patterns->size(); i++) {
			kit->patterns.push_back(DecodePattern((*patterns)[i], i, unknownKeys));
		}
	}
	if (const auto chain = root.find("chain"); chain != root.end()) {
		if (!chain->is_array() || chain->size() > 1024)
			throw Refusal{"the kit's \"chain\" is not a list of at most 1024 pattern numbers"};
		const int count = int(kit->patterns.size());
		if (count == 0 && !chain->empty())
			throw Refusal{"the kit's chain names patterns, but the kit has none"};
		for (const Json& number : *chain) {
			kit->chain.push_back(WholeNumber(number, 1, count,
			    "the kit's chain names a pattern it does not have (patterns are numbered 1 to "
			        + std::to_string(count) + ")") - 1);
		}
	}
}

Kit DecodeRoot(const Json& root, std::vector<std::string>* messages)
{
	const auto version = root.is_object() ? root.find(kKitFormatKey) : root.end();
	if (version == root.end() || !version->is_number_integer() || version->get<int64_t>() < 1)
		throw Refusal{"not a Tunk kit (it names no \"tunkKit\" version)"};
	Kit kit;
	if (version->get<int64_t>() > kKitFormatVersion) {
		messages->push_back("The kit was made by a newer version of Tunk (format "
			+ std::to_string(version->get<int64_t>()) + "); what this version knows was read.");
		kit.unknown[kKitFormatKey] = std::to_string(version->get<int64_t>());
	}

	if (const auto name = root.find("name"); name != root.end())
		kit.name = Name(*name, "the kit's name");
	const auto pads = root.find("pads");
	if (pads == root.end())
		throw Refusal{"the kit has no \"pads\""};
	if (!pads->is_array())
		throw Refusal{"the kit's \"pads\" is not a list"};
	if (pads->size() > kMaxPads) {
		throw Refusal{"the kit has " + std::to_string(pads->size()) + " pads; a kit has at most "
			+ std::to_string(kMaxPads)};
	}
	std::set<std::string> unknownKeys;
	for (size_t i = 0; i < pads->size(); i++)
		kit.pads.push_back(DecodePad((*pads)[i], i, &unknownKeys));
	DecodePatterns(root, &kit, &unknownKeys);
	for (const auto& [key, value] : root.items()) {
		if (!IsOneOf(key, kKitKeys)) {
			kit.unknown[key] = value.dump(-1, ' ', false, Json::error_handler_t::replace);
			unknownKeys.insert(key);
		}
	}
	size_t unknownSize = 0;
	auto count = [&unknownSize](const KeptValues& values) {
		for (const auto& [key, text] : values)
			unknownSize += key.size() + text.size();
	};
	count(kit.unknown);
	for (const Pad& pad : kit.pads) {
		count(pad.unknown);
		count(pad.soundUnknown);
	}
	for (const Pattern& pattern : kit.patterns)
		count(pattern.unknown);
	if (unknownSize > kKitUnknownLimit) {
		throw Refusal{"the kit carries more than " + std::to_string(kKitUnknownLimit / 1024)
			+ " kB of values this version of Tunk does not know"};
	}
	if (!unknownKeys.empty()) {
		KeyedUnknown named;
		for (const std::string& key : unknownKeys)
			named[key];
		messages->push_back(KeptValuesMessage(named));
	}
	return kit;
}

// Compact JSON text; bytes that are not UTF-8 replaced.
std::string Compact(const Json& value)
{
	return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The unknown values that name none of the `known` keys, as "key": value members.
std::vector<std::pair<std::string, Json>> Unknown(const KeptValues& unknown, const char* const* known,
	size_t knownCount)
{
	std::vector<std::pair<std::string, Json>> members;
	for (const auto& [key, text] : unknown) {
		bool ours = false;
		for (size_t i = 0; i < knownCount; i++)
			ours = ours || key == known[i];
		Json value = Json::parse(text, nullptr, false);
		if (!ours && !value.is_discarded())
			members.emplace_back(key, std::move(value));
	}
	return members;
}

// The format a kit is written in: this program's, or the newer one it was read in.
int64_t FormatVersion(const Kit& kit)
{
	int64_t version = kKitFormatVersion;
	if (const auto newer = kit.unknown.find(kKitFormatKey); newer != kit.unknown.end()) {
		int64_t number = 0;
		const std::string& text = newer->second;
		const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
		if (error == std::errc() && end == text.data() + text.size() && number > version)
			version = number;
	}
	return version;
}

// A pattern's steps of one kind as lists per pad, each up to its last step that differs from
// `none` (steps beyond the pattern's length too, which it keeps), none after the last such pad.
Json EncodeSteps(const Pattern& pattern, uint8_t Step::*field, uint8_t none)
{
	Json lists = Json::array();
	size_t pads = 0;
	std::array<size_t, kMaxPads> lengths{};
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		for (size_t step = 0; step < size_t(kMaxSteps); step++) {
			if (pattern.lanes[pad][step].*field != none)
				lengths[pad] = step + 1;
		}
		if (lengths[pad] > 0)
			pads = pad + 1;
	}
	for (size_t pad = 0; pad < pads; pad++) {
		Json list = Json::array();
		for (size_t step = 0; step < lengths[pad]; step++)
			list.push_back(int(pattern.lanes[pad][step].*field));
		lists.push_back(std::move(list));
	}
	return lists;
}

// The tempo, the chain (pattern numbers from 1) and the patterns, a line each.
std::string EncodePatterns(const Kit& kit)
{
	std::string text = ",\n  \"tempo\": " + Compact(WritableNumber(kit.tempo, Kit().tempo));
	Json chain = Json::array();
	for (int index : kit.chain) {
		if (index >= 0 && size_t(index) < kit.patterns.size())
			chain.push_back(index + 1);
	}
	text += ",\n  \"chain\": " + Compact(chain) + ",\n  \"patterns\": [";
	for (size_t i = 0; i < kit.patterns.size(); i++) {
		const Pattern& pattern = kit.patterns[i];
		Json object = Json::object();
		object["name"] = pattern.name;
		object["steps"] = PlayedSteps(pattern);
		object["stepsPerBeat"] = PlayedRate(pattern);
		object["swing"] = WritableNumber(pattern.swing, 0);
		object["velocity"] = EncodeSteps(pattern, &Step::velocity, 0);
		if (Json probability = EncodeSteps(pattern, &Step::probability, 100); !probability.empty())
			object["probability"] = std::move(probability);
		for (auto& [key, value] : Unknown(pattern.unknown, kPatternKeys, std::size(kPatternKeys)))
			object[key] = std::move(value);
		text += (i == 0 ? "\n    " : ",\n    ") + Compact(object);
	}
	return text + (kit.patterns.empty() ? "]" : "\n  ]");
}

std::string SystemError(int error)
{
	return std::error_code(error, std::generic_category()).message();
}

}  // namespace

KitRead DecodeKit(std::string_view text, Kit* kit)
{
	KitRead read;
	if (text.size() > kKitFileLimit) {
		read.error = "the file is too large for a Tunk kit (over "
			+ std::to_string(kKitFileLimit / 1024) + " kB)";
		return read;
	}
	try {
		Json root;
		if (const std::string why = ParseKeyed(text, {kMaxDepth}, &root); !why.empty())
			throw Refusal{"not a Tunk kit (" + why + ")"};
		std::vector<std::string> messages;
		Kit decoded = DecodeRoot(root, &messages);
		*kit = std::move(decoded);
		read.messages = std::move(messages);
	} catch (const Refusal& refusal) {
		read.error = refusal.why;
	} catch (const std::exception&) {
		read.error = "not a Tunk kit (unreadable)";
	}
	return read;
}

std::string EncodeKit(const Kit& kit)
{
	// Laid out by hand rather than indented throughout, so that values of a newer version stay
	// compact and a pad reads as one line.
	std::string text = std::string("{\n  \"") + kKitFormatKey + "\": " + std::to_string(FormatVersion(kit))
		+ ",\n  \"name\": " + Compact(kit.name) + ",\n  \"pads\": [";
	for (size_t i = 0; i < kit.pads.size(); i++) {
		const Pad& pad = kit.pads[i];
		Json object = Json::object();
		object["name"] = pad.name;
		if (!pad.soundName.empty())
			object["soundName"] = pad.soundName;
		object["note"] = ValidNote(pad.note) ? pad.note : Pad().note;
		object["level"] = WritableNumber(pad.level, 0);
		object["pan"] = WritableNumber(pad.pan, 0);
		object["choke"] = ValidChoke(pad.choke) ? pad.choke : 0;
		object["output"] = pad.output == PadOutput::Own ? "own" : "main";
		Json sound = Json::object();
		WriteKeyedValues(pad.sound, AllRows, false, pad.soundUnknown, "", &sound);
		if (pad.soundReserved != 0)
			sound[kSoundReservedKey] = pad.soundReserved;
		object["sound"] = std::move(sound);
		for (auto& [key, value] : Unknown(pad.unknown, kPadKeys, std::size(kPadKeys)))
			object[key] = std::move(value);
		text += (i == 0 ? "\n    " : ",\n    ") + Compact(object);
	}
	text += kit.pads.empty() ? "]" : "\n  ]";
	if (!kit.patterns.empty() || !kit.chain.empty() || kit.tempo != Kit().tempo)
		text += EncodePatterns(kit);
	for (const auto& [key, value] : Unknown(kit.unknown, kKitKeys, std::size(kKitKeys)))
		text += ",\n  " + Compact(key) + ": " + Compact(value);
	return text + "\n}\n";
}

KitRead ReadKitFile(const char* path, Kit* kit)
{
	KitRead read;
	// Not blocking: opening a pipe for reading would wait for a writer.
	const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
	if (fd < 0) {
		read.error = SystemError(errno);
		return read;
	}
	struct stat info;
	std::string text;
	if (fstat(fd, &info) != 0) {
		read.error = SystemError(errno);
	} else if (!S_ISREG(info.st_mode)) {
		read.error = S_ISDIR(info.st_mode) ? "is a folder, not a Tunk kit" : "not a file";
	} else if (size_t(info.st_size) > kKitFileLimit) {
		read.error = "the file is too large for a Tunk kit (over "
			+ std::to_string(kKitFileLimit / 1024) + " kB)";
	} else {
		// Read to the end, whatever the size said: the file may have grown since.
		char buffer[65536];
		for (;;) {
			const ssize_t got = ::read(fd, buffer, sizeof(buffer));
			if (got < 0 && errno == EINTR)
				continue;
			if (got < 0) {
				read.error = SystemError(errno);
				break;
			}
			if (got == 0)
				break;
			text.append(buffer, size_t(got));
			if (text.size() > kKitFileLimit)
				break;
		}
	}
	close(fd);
	if (!read.Ok())
		return read;
	return DecodeKit(text, kit);
}
