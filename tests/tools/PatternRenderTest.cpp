// tunk-render --pattern: the loop, its stems and its MIDI file as the real program writes them,
// read back with libsndfile and a small MIDI reader of the test's own.
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sndfile.h>

#include "engine/voices/Player.h"
#include "kit/LoopRender.h"
#include "kit/MidiFile.h"
#include "kits/storage/TempDir.h"
#include "preset/KitFile.h"
#include "tools/RunProgram.h"

namespace fs = std::filesystem;

namespace {

// Interleaved 16-bit stereo frames of a sound file.
std::vector<int16_t> ReadStereo(const std::string& path)
{
	SF_INFO info{};
	SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
	EXPECT_NE(file, nullptr) << path;
	if (file == nullptr)
		return {};
	EXPECT_EQ(info.channels, 2);
	std::vector<int16_t> frames(size_t(info.frames) * 2);
	sf_readf_short(file, frames.data(), info.frames);
	sf_close(file);
	return frames;
}

// What a MIDI file says, as a sequencer reads it.
struct MidiNote {
	int64_t on = 0;
	int64_t off = -1;
	int channel = 0;
	int note = 0;
	int velocity = 0;
	bool operator==(const MidiNote&) const = default;
};
struct Midi {
	int format = -1;
	int tracks = 0;
	int division = 0;
	int64_t tempo = 0; // microseconds a beat
	std::string name;
	std::vector<MidiNote> notes; // in the order they start
	int64_t end = 0;             // the end of the track's tick
	std::string error;
};

Midi ReadMidi(const std::string& bytes)
{
	Midi midi;
	size_t at = 0;
	auto byte = [&]() -> int {
		if (at >= bytes.size())
			throw std::string("cut short at byte " + std::to_string(at));
		return uint8_t(bytes[at++]);
	};
	auto big = [&](int count) {
		int64_t value = 0;
		for (int i = 0; i < count; i++)
			value = value << 8 | byte();
		return value;
	};
	auto vlq = [&]() {
		int64_t value = 0;
		for (int i = 0; i < 4; i++) {
			const int b = byte();
			value = value << 7 | (b & 0x7F);
			if ((b & 0x80) == 0)
				return value;
		}
		throw std::string("a length of more than four bytes");
	};
	try {
		if (bytes.compare(0, 4, "MThd") != 0)
			throw std::string("no MThd");
		at = 4;
		if (big(4) != 6)
			throw std::string("a header that is not 6 bytes");
		midi.format = int(big(2));
		midi.tracks = int(big(2));
		midi.division = int(big(2));
		if (bytes.compare(at, 4, "MTrk") != 0)
			throw std::string("no MTrk");
		at += 4;
		const size_t end = at + size_t(big(4));
		if (end != bytes.size())
			throw std::string("a track length that is not the rest of the file");
		int64_t now = 0;
		int status = 0;
		std::map<std::pair<int, int>, size_t> sounding;
		while (at < end) {
			now += vlq();
			int first = byte();
			if (first == 0xFF) {
				const int type = byte();
				const std::string data = bytes.substr(at, size_t(vlq()));
				at += data.size();
				if (type == 0x51)
					midi.tempo = int64_t(uint8_t(data[0])) << 16 | int64_t(uint8_t(data[1])) << 8 |
					             uint8_t(data[2]);
				if (type == 0x03)
					midi.name = data;
				if (type == 0x2F) {
					midi.end = now;
					if (at != end)
						throw std::string("events after the end of the track");
				}
				continue;
			}
			if (first & 0x80)
				status = first;
			else
				at--; // running status
			const int note = byte(), velocity = byte();
			const int channel = status & 0x0F;
			if ((status & 0xF0) == 0x90 && velocity > 0) {
				sounding[{channel, note}] = midi.notes.size();
				midi.notes.push_back({now, -1, channel, note, velocity});
			} else if ((status & 0xF0) == 0x80 || (status & 0xF0) == 0x90) {
				const auto found = sounding.find({channel, note});
				if (found == sounding.end())
					throw std::string("a note-off without its note");
				midi.notes[found->second].off = now;
				sounding.erase(found);
			} else {
				throw std::string("an event other than a note");
			}
		}
		if (!sounding.empty())
			throw std::string("a note that never ends");
	} catch (const std::string& why) {
		midi.error = why;
	}
	return midi;
}

// Three pads: a kick, a snare panned and quieter, and a hat; two patterns at different rates.
Kit BeatKit()
{
	Kit kit;
	kit.name = "Beat";
	for (const auto& [name, note, duration, freq] : {std::tuple{"Kick", 36, 400.0f, 60.0f},
	         {"Snare", 38, 900.0f, 300.0f}, {"Hat", 42, 80.0f, 3000.0f}}) {
		Pad pad;
		pad.name = name;
		pad.note = note;
		pad.level = -9;
		pad.sound[tunk::Param::duration] = duration;
		pad.sound[tunk::Param::startFreq] = freq;
		kit.pads.push_back(pad);
	}
	kit.pads[1].pan = -0.6f;
	kit.tempo = 120;
	Pattern rock;
	rock.name = "Rock";
	rock.swing = 25;
	for (int step : {0, 8})
		rock.lanes[0][size_t(step)].velocity = 127;
	for (int step : {4, 12})
		rock.lanes[1][size_t(step)].velocity = 100;
	for (int step = 0; step < 16; step += 2)
		rock.lanes[2][size_t(step)].velocity = step % 4 == 0 ? 90 : 60;
	rock.lanes[2][15].velocity = 70;
	Pattern shuffle;
	shuffle.name = "Shuffle";
	shuffle.steps = 12;
	shuffle.stepsPerBeat = 3;
	for (int step = 0; step < 12; step += 3)
		shuffle.lanes[0][size_t(step)].velocity = 120;
	for (int step = 2; step < 12; step += 3)
		shuffle.lanes[2][size_t(step)].velocity = 80;
	kit.patterns = {rock, shuffle};
	kit.chain = {0, 1, 0};
	return kit;
}

class PatternRender : public ::testing::Test {
protected:
	void SetUp() override
	{
		ASSERT_EQ(WriteKitFile((fDir / "beat.tunkkit").c_str(), BeatKit()), B_OK);
	}

	ProgramRun Render(std::vector<std::string> args)
	{
		args.insert(args.begin(), {"--kit", "beat.tunkkit"});
		return RunProgram(TUNK_RENDER_PATH, args, fDir.Path());
	}

	std::string Path(const std::string& name) const { return fDir / name; }

	TempDir fDir;
};

std::vector<int16_t> Interleaved(const StereoSound& sound)
{
	std::vector<int16_t> frames;
	for (size_t i = 0; i < sound.left.size(); i++) {
		frames.push_back(tunk::voices::ToShort(sound.left[i]));
		frames.push_back(tunk::voices::ToShort(sound.right[i]));
	}
	return frames;
}

} // namespace

TEST_F(PatternRender, TheLoopIsItsBarsLongTilesAndItsStemsSumToIt)
{
	const Kit kit = BeatKit();
	const ProgramRun run =
	    Render({"--pattern", "Rock", "-o", "rock.wav", "--stems", "-d", "stems"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	const std::vector<int16_t> mix = ReadStereo(Path("rock.wav"));
	// Four beats at 120 BPM, the kit's tempo.
	ASSERT_EQ(mix.size(), 2u * 88200);
	const int rock[] = {0};
	EXPECT_EQ(
	    mix, Interleaved(RenderLoop(kit, {}, MakePatternLoop(kit, rock, 1, 120, 0, 44100)).mix));

	// Two bars are the loop laid twice; the chain is its patterns one after another.
	ASSERT_EQ(Render({"--pattern", "1", "--bars", "2", "-o", "two.wav"}).status, 0);
	std::vector<int16_t> twice = mix;
	twice.insert(twice.end(), mix.begin(), mix.end());
	EXPECT_EQ(ReadStereo(Path("two.wav")), twice);
	ASSERT_EQ(Render({"--pattern", "chain", "--bpm", "90", "-o", "chain.flac"}).status, 0);
	EXPECT_EQ(ReadStereo(Path("chain.flac")).size(), 2u * 3 * 117600);

	// A stem for each pad that plays, named after it, and together they are the mix.
	std::vector<std::vector<int16_t>> stems;
	for (const char* name : {"Kick.wav", "Snare.wav", "Hat.wav"})
		stems.push_back(ReadStereo(Path("stems/") + name));
	EXPECT_EQ(std::distance(fs::directory_iterator(Path("stems")), {}), 3);
	for (size_t j = 0; j < mix.size(); j++)
		ASSERT_LE(std::abs(stems[0][j] + stems[1][j] + stems[2][j] - mix[j]), 3) << j;
	// The snare is panned left: its right side is quieter.
	int left = 0, right = 0;
	for (size_t j = 0; j < mix.size(); j += 2) {
		left = std::max(left, std::abs(int(stems[1][j])));
		right = std::max(right, std::abs(int(stems[1][j + 1])));
	}
	EXPECT_NEAR(double(right) / left, 0.4, 0.01);
}

TEST_F(PatternRender, TheMidiFileHoldsTheTempoAndEachHitOneStepLongWithSwing)
{
	ASSERT_EQ(Render({"--pattern", "chain", "--bpm", "100", "--midi", "beat.mid"}).status, 0);
	const Midi midi = ReadMidi(ReadWholeFile(Path("beat.mid")));
	ASSERT_EQ(midi.error, "");
	EXPECT_EQ(midi.format, 0);
	EXPECT_EQ(midi.tracks, 1);
	EXPECT_EQ(midi.division, 480);
	EXPECT_EQ(midi.tempo, 600000);
	EXPECT_EQ(midi.name, "Beat");
	// Rock, Shuffle, Rock: four beats each.
	EXPECT_EQ(midi.end, 3 * 4 * 480);
	std::vector<MidiNote> expected;
	const Kit kit = BeatKit();
	for (int64_t start : {0, 2 * 4 * 480}) {
		for (int step = 0; step < 16; step++) {
			for (size_t pad = 0; pad < 3; pad++) {
				const int velocity = kit.patterns[0].lanes[pad][size_t(step)].velocity;
				// A sixteenth is 120 ticks; swing 25% puts odd steps 30 ticks late.
				const int64_t on = start + step * 120 + (step % 2 == 1 ? 30 : 0);
				// The last step, swung, ends with the loop.
				const int64_t off = std::min<int64_t>(on + 120, 3 * 4 * 480);
				if (velocity != 0)
					expected.push_back({on, off, kMidiDrumChannel, kit.pads[pad].note, velocity});
			}
		}
		if (start == 0) {
			for (int step = 0; step < 12; step++) {
				for (size_t pad = 0; pad < 3; pad++) {
					const int velocity = kit.patterns[1].lanes[pad][size_t(step)].velocity;
					const int64_t on = 4 * 480 + step * 160;
					if (velocity != 0)
						expected.push_back(
						    {on, on + 160, kMidiDrumChannel, kit.pads[pad].note, velocity});
				}
			}
		}
	}
	EXPECT_EQ(midi.notes, expected);
	// Nothing else was asked for, nothing else written.
	EXPECT_EQ(std::distance(fs::directory_iterator(fDir.Path()), {}), 2);
}

TEST_F(PatternRender, BadValuesExitWithTwoAndAMessageAndWriteNothing)
{
	const struct {
		std::vector<std::string> args;
		const char* says;
	} cases[] = {
	    {{"--pattern", "3", "-o", "x.wav"}, "the kit has no pattern '3' (2 patterns"},
	    {{"--pattern", "Funk", "-o", "x.wav"}, "no pattern 'Funk'"},
	    {{"--pattern", "1", "--bars", "0", "-o", "x.wav"}, "--bars needs a number"},
	    {{"--pattern", "1", "--bars", "257", "-o", "x.wav"}, "from 1 to 256"},
	    {{"--pattern", "1", "--bpm", "19.9", "-o", "x.wav"}, "--bpm needs a tempo from 20 to 300"},
	    {{"--pattern", "1", "--bpm", "nan", "-o", "x.wav"}, "--bpm needs a tempo"},
	    {{"--pattern", "1", "--bpm", "301", "-o", "x.wav"}, "--bpm needs a tempo"},
	    {{"--pattern", "1"}, "writes its loop to -o FILE"},
	    {{"--pattern", "1", "--stems", "-o", "x.wav"},
	        "--stems writes one file per pad into -d DIR"},
	    {{"--pattern", "1", "-d", "out", "-o", "x.wav"}, "-d goes with --stems"},
	    {{"--pattern", "1", "-o", "-"}, "name it with -o FILE"},
	    {{"--pattern", "1", "--notes", "36@0", "-o", "x.wav"}, "either --notes or a --pattern"},
	    {{"--bars", "2", "-o", "x.wav"}, "go with --kit FILE --pattern N"},
	};
	for (const auto& c : cases) {
		const ProgramRun run = Render(c.args);
		EXPECT_EQ(run.status, 2) << c.args[1];
		EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
	}
	EXPECT_EQ(std::distance(fs::directory_iterator(fDir.Path()), {}), 1);
	// A kit without patterns, or without a chain.
	Kit plain = BeatKit();
	plain.chain.clear();
	ASSERT_EQ(WriteKitFile(Path("beat.tunkkit").c_str(), plain), B_OK);
	ProgramRun run = Render({"--pattern", "chain", "-o", "x.wav"});
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.err.find("the kit has no chain of its patterns"), std::string::npos) << run.err;
}
