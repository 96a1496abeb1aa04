// tunk-factory-kits TABLE PRESETS OUTPUT: makes the factory kits when the program is built.
// Each line of the table is a pad: its kit, name, note, level, pan, choke group, output, the
// factory sound it starts from (a path under PRESETS without ".tunk", or "-" for a new sound)
// and --set style changes to that sound ("-" for none). Pads go into their kit in table order;
// each kit is written to OUTPUT as "<kit>.tunkkit". Any fault in the table stops the build.
//
// PATTERNS, a second table, gives the kits their tempo and patterns: each line a lane of
// steps for the pad on a note (data/kits/patterns.tsv says how); the chain plays each pattern
// once in table order.
//
// tunk-factory-kits --new-kit TABLE PRESETS SOURCE: the same for the one kit a new kit starts
// as, whose pads are the General MIDI pads of kGmDrums in their order; written as a C++ source
// of kNewKitPads (kit/NewKitPads.h), since the program holds no files of its own.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kit/Pattern.h"
#include "kits/support/Errors.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"
#include "tools/RenderOptions.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Split(const std::string& line, char separator)
{
	std::vector<std::string> fields;
	std::stringstream in(line);
	std::string field;
	while (std::getline(in, field, separator)) {
		if (separator != ' ' || !field.empty())
			fields.push_back(field);
	}
	return fields;
}

template <typename T>
bool Number(const std::string& text, T* value)
{
	const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
	return error == std::errc() && end == text.data() + text.size();
}

// The pad of one table line; an error text, "" when it is good.
std::string ReadPad(const std::vector<std::string>& fields, const fs::path& presets, Pad* pad)
{
	if (fields.size() != 9)
		return "needs 9 columns, has " + std::to_string(fields.size());
	pad->name = fields[1];
	std::string output;
	if (!Number(fields[2], &pad->note) || !ValidNote(pad->note))
		return "no MIDI note: " + fields[2];
	if (!Number(fields[3], &pad->level) || pad->level < kMinPadLevel || pad->level > kMaxPadLevel)
		return "no level in dB: " + fields[3];
	if (!Number(fields[4], &pad->pan) || pad->pan < -1 || pad->pan > 1)
		return "no pan: " + fields[4];
	if (!Number(fields[5], &pad->choke) || !ValidChoke(pad->choke))
		return "no choke group: " + fields[5];
	if (fields[6] != "main" && fields[6] != "own")
		return "no output: " + fields[6];
	pad->output = fields[6] == "own" ? PadOutput::Own : PadOutput::Main;
	if (fields[7] != "-") {
		const fs::path preset = presets / (fields[7] + ".tunk");
		PresetExtras extras;
		std::vector<std::string> messages;
		if (ReadPreset(preset.c_str(), &pad->sound, &extras, &messages) != B_OK)
			return "no factory sound " + preset.string();
		if (!messages.empty())
			return preset.string() + ": " + messages.front();
		pad->soundName = fs::path(fields[7]).filename().string();
	}
	if (fields[8] != "-") {
		std::vector<ParamSetting> settings;
		for (const std::string& text : Split(fields[8], ' ')) {
			ParamSetting setting;
			if (std::string error = ParseSetting(text, &setting); !error.empty())
				return error;
			settings.push_back(setting);
		}
		ApplySettings(settings, &pad->sound);
	}
	return "";
}

// Calls `row` with the fields of every row of a tab-separated table (comments, blank lines and
// the header skipped); false, having said where and why, at the first row it refuses.
template <typename Row> bool ReadRows(const char* table, Row row)
{
	std::ifstream in(table);
	if (!in) {
		std::fprintf(stderr, "tunk-factory-kits: %s cannot be read\n", table);
		return false;
	}
	std::string line;
	for (int number = 1; std::getline(in, line); number++) {
		if (line.empty() || line[0] == '#' || line.starts_with("Kit\t"))
			continue;
		if (const std::string error = row(Split(line, '\t')); !error.empty()) {
			std::fprintf(stderr, "tunk-factory-kits: %s:%d: %s\n", table, number, error.c_str());
			return false;
		}
	}
	return true;
}

// The kits of a table, in its order; false, having said why, at the first fault.
bool ReadTable(const char* table, const char* presets, std::vector<Kit>* kits)
{
	return ReadRows(table, [&](const std::vector<std::string>& fields) {
		Pad pad;
		std::string error = ReadPad(fields, presets, &pad);
		if (error.empty() && (kits->empty() || kits->back().name != fields[0])) {
			for (const Kit& kit : *kits) {
				if (kit.name == fields[0])
					error = "the pads of kit " + fields[0] + " are not on consecutive lines";
			}
			kits->emplace_back().name = fields[0];
		}
		if (error.empty() && kits->back().pads.size() == kMaxPads)
			error = "more than " + std::to_string(kMaxPads) + " pads";
		if (error.empty())
			kits->back().pads.push_back(pad);
		return error;
	});
}

// One lane of the pattern table into its kit; an error text, "" when it is good.
std::string ReadLane(const std::vector<std::string>& fields, std::vector<Kit>* kits)
{
	if (fields.size() != 7)
		return "needs 7 columns, has " + std::to_string(fields.size());
	Kit* kit = nullptr;
	for (Kit& each : *kits) {
		if (each.name == fields[0])
			kit = &each;
	}
	if (kit == nullptr)
		return "no kit " + fields[0];
	float tempo = 0;
	if (!Number(fields[1], &tempo) || tempo < kMinTempo || tempo > kMaxTempo)
		return "no tempo: " + fields[1];
	if (!kit->patterns.empty() && tempo != kit->tempo)
		return "the kit's tempo differs from its first line's";
	kit->tempo = tempo;
	if (kit->patterns.empty() || kit->patterns.back().name != fields[2]) {
		for (const Pattern& pattern : kit->patterns) {
			if (pattern.name == fields[2])
				return "the lanes of pattern " + fields[2] + " are not on consecutive lines";
		}
		if (kit->patterns.size() == kMaxPatterns)
			return "more than " + std::to_string(kMaxPatterns) + " patterns";
		Pattern& pattern = kit->patterns.emplace_back();
		pattern.name = fields[2];
		pattern.steps = int(fields[6].size());
		if (!Number(fields[3], &pattern.stepsPerBeat) || !ValidStepRate(pattern.stepsPerBeat))
			return "no steps per beat: " + fields[3];
		if (!Number(fields[4], &pattern.swing) || pattern.swing < 0 || pattern.swing > kMaxSwing)
			return "no swing: " + fields[4];
		kit->chain.push_back(int(kit->patterns.size() - 1));
	}
	Pattern& pattern = kit->patterns.back();
	int note = 0;
	const PadMask pads = Number(fields[5], &note) ? PadsOnNote(*kit, note) : 0;
	if (pads == 0)
		return "no pad of the kit on note " + fields[5];
	if (fields[6].size() != size_t(pattern.steps) || pattern.steps > kMaxSteps)
		return "a lane of " + std::to_string(fields[6].size()) + " steps in a pattern of "
		       + std::to_string(pattern.steps);
	PatternLane& lane = pattern.lanes[size_t(std::countr_zero(pads))];
	for (size_t step = 0; step < fields[6].size(); step++) {
		const std::string marks = ".oxX?";
		const size_t mark = marks.find(fields[6][step]);
		if (mark == std::string::npos)
			return "no step: " + fields[6].substr(step, 1);
		constexpr Step kSteps[] = {{0, 100}, {60, 100}, {100, 100}, {127, 100}, {100, 50}};
		lane[step] = kSteps[mark];
	}
	return "";
}

// The patterns of a table into their kits; false, having said why, at the first fault.
bool ReadPatterns(const char* table, std::vector<Kit>* kits)
{
	return ReadRows(
	    table, [&](const std::vector<std::string>& fields) { return ReadLane(fields, kits); });
}

// An exact C++ literal of a float.
std::string FloatLiteral(float value)
{
	char text[64];
	std::snprintf(text, sizeof text, "%af", double(value));
	return text;
}

// `text` as a C string literal: quotes and backslashes escaped, other bytes as they are
// (the names are the factory sounds' file names).
std::string StringLiteral(const std::string& text)
{
	std::string literal = "\"";
	for (char c : text) {
		if (c == '"' || c == '\\')
			literal += '\\';
		literal += c;
	}
	return literal + "\"";
}

// Why a table's kits cannot be the new kit; "" when they can.
std::string NewKitFault(const std::vector<Kit>& kits)
{
	if (kits.size() != 1 || kits[0].pads.size() != kMaxPads)
		return "the new kit is one kit of " + std::to_string(kMaxPads) + " pads";
	for (size_t i = 0; i < kMaxPads; i++) {
		const Pad& pad = kits[0].pads[i];
		const GmDrum& drum = kGmDrums[i];
		if (pad.name != drum.name || pad.note != drum.note || pad.choke != drum.choke)
			return "pad " + std::to_string(i + 1) + " is not " + drum.name + " on "
			       + std::to_string(drum.note) + " in choke group " + std::to_string(drum.choke);
		for (float value : pad.sound.values) {
			if (!std::isfinite(value))
				return "pad " + std::to_string(i + 1) + " holds a value that is no number";
		}
	}
	return "";
}

std::string NewKitSource(const Kit& kit)
{
	std::string out = "// Made by tunk-factory-kits from data/kits/new-kit.tsv and the factory sounds.\n"
	                  "#include \"kit/NewKitPads.h\"\n\n"
	                  "const NewKitPad kNewKitPads[kMaxPads] = {\n";
	for (const Pad& pad : kit.pads) {
		out += "\t{" + FloatLiteral(pad.level) + ", " + FloatLiteral(pad.pan) + ", "
		       + (pad.output == PadOutput::Own ? "PadOutput::Own" : "PadOutput::Main") + ", "
		       + StringLiteral(pad.soundName) + ", {";
		for (size_t i = 0; i < pad.sound.values.size(); i++)
			out += (i == 0 ? "" : ", ") + FloatLiteral(pad.sound.values[i]);
		out += "}},  // " + pad.name + "\n";
	}
	out += "};\n";
	return out;
}

int MakeNewKit(const char* table, const char* presets, const fs::path& source)
{
	std::vector<Kit> kits;
	if (!ReadTable(table, presets, &kits))
		return 1;
	if (const std::string fault = NewKitFault(kits); !fault.empty()) {
		std::fprintf(stderr, "tunk-factory-kits: %s: %s\n", table, fault.c_str());
		return 1;
	}
	std::ofstream out(source);
	out << NewKitSource(kits[0]);
	out.close();
	if (!out) {
		std::fprintf(stderr, "tunk-factory-kits: %s cannot be written\n", source.c_str());
		return 1;
	}
	return 0;
}

}  // namespace

int main(int argc, char** argv)
{
	if (argc == 5 && std::string(argv[1]) == "--new-kit")
		return MakeNewKit(argv[2], argv[3], argv[4]);
	if (argc != 4 && argc != 5) {
		std::fputs("usage: tunk-factory-kits TABLE PRESETS OUTPUT [PATTERNS]\n"
		           "       tunk-factory-kits --new-kit TABLE PRESETS SOURCE\n",
		    stderr);
		return 2;
	}
	std::vector<Kit> kits;
	if (!ReadTable(argv[1], argv[2], &kits) || (argc == 5 && !ReadPatterns(argv[4], &kits)))
		return 1;

	const fs::path output = argv[3];
	std::error_code ignored;
	fs::create_directories(output, ignored);
	// Kits renamed or taken out of the table leave no file behind.
	for (const fs::directory_entry& entry : fs::directory_iterator(output, ignored)) {
		if (entry.path().extension() == kKitFileExtension)
			fs::remove(entry.path(), ignored);
	}
	for (const Kit& kit : kits) {
		const fs::path file = output / (kit.name + kKitFileExtension);
		if (status_t status = WriteKitFile(file.c_str(), kit); status != B_OK) {
			std::fprintf(stderr, "tunk-factory-kits: %s: %s\n", file.c_str(), DescribeStatus(status).c_str());
			return 1;
		}
	}
	return 0;
}
