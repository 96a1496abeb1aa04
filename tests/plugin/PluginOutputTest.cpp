#include <cmath>
#include <limits>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <soxr.h>

#include "AllocationCounter.h"
#include "PluginTestSupport.h"
#include "engine/core/Hit.h"
#include "plugin/Ports.h"

namespace {

// Runs `total` frames in blocks of `block`, sending each note-on (absolute frame, velocity)
// in the block that holds it, each on a key of its own (so that none retriggers another).
std::vector<float> Play(PluginInstance& plugin, uint32_t block, uint32_t total,
    const std::vector<std::pair<uint32_t, uint8_t>>& notes)
{
	std::vector<float> out;
	for (uint32_t start = 0; start < total; start += block) {
		uint32_t frames = std::min(block, total - start);
		for (size_t n = 0; n < notes.size(); n++) {
			auto [frame, velocity] = notes[n];
			if (frame >= start && frame < start + frames)
				plugin.NoteOn(frame - start, velocity, uint8_t(20 + n % 100));
		}
		plugin.Run(frames, &out);
	}
	return out;
}

// A low square at full level until its end, so that a fade shows against a level that does
// not fall.
tunk::SoundParams SteadySquare(float ms)
{
	tunk::SoundParams sound;
	sound[tunk::Param::oscType] = tunk::kOscSquare;
	sound[tunk::Param::startFreq] = 150;
	sound[tunk::Param::duration] = ms;
	return sound;
}

class PluginOutputTest : public ::testing::Test {
protected:
	// A plugin whose controls describe `sound`.
	std::unique_ptr<PluginInstance> Ready(const tunk::SoundParams& sound, double rate = 44100)
	{
		auto plugin = std::make_unique<PluginInstance>(world, rate);
		SetSound(*plugin, sound);
		return plugin;
	}

	PluginWorld world;
};

TEST_F(PluginOutputTest, NotesGiveTheEngineBufferAtTheirFrameForEveryBlockSize)
{
	const tunk::SoundParams sound = BusySound();
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	ASSERT_EQ(engine.size(), 2205u);

	// The first frame, the last frame of a 64- and a 4096-frame block, the first of a
	// 1000-frame block.
	const std::vector<std::pair<uint32_t, uint8_t>> notes = {{0, 127}, {4095, 127}, {9000, 127}};
	std::vector<float> expected(12000, 0.0f);
	for (auto [frame, velocity] : notes)
		Place(expected, engine, frame);

	for (uint32_t block : {1u, 64u, 1000u, 4096u}) {
		SCOPED_TRACE("block " + std::to_string(block));
		const auto instance = Ready(sound);
		PluginInstance& plugin = *instance;
		std::vector<float> out = Play(plugin, block, 12000, notes);
		EXPECT_EQ(FirstDifference(out, expected), -1);
	}
}

TEST_F(PluginOutputTest, TheStartSoundPlaysBeforeAnyControlMoves)
{
	PluginInstance plugin(world, 44100);
	std::vector<float> out = Play(plugin, 256, 9000, {{10, 127}});
	std::vector<float> expected(9000, 0.0f);
	Place(expected, AsFloat(EngineSamples(tunk::SoundParams{})), 10);
	EXPECT_EQ(FirstDifference(out, expected), -1);
	EXPECT_EQ(plugin.Control("latency"), 0.0f);
}

TEST_F(PluginOutputTest, VelocityScalesTheLevelAsMuchAsTheVelocityControlSays)
{
	const tunk::SoundParams sound = BusySound(20);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	struct Case {
		float control;
		uint8_t velocity;
		double gain;
	};
	for (Case c : {Case{1.0f, 64, 64.0 / 127}, Case{1.0f, 1, 1.0 / 127},
	         Case{0.5f, 64, 0.5 + 0.5 * 64 / 127}, Case{0.0f, 10, 1.0}}) {
		SCOPED_TRACE(
		    "control " + std::to_string(c.control) + " velocity " + std::to_string(c.velocity));
		PluginInstance plugin(world, 44100);
		SetSound(plugin, sound);
		plugin.SetControl("velocity", c.control);
		std::vector<float> out = Play(plugin, 512, 1000, {{5, c.velocity}});
		for (size_t i = 0; i < engine.size(); i++) {
			ASSERT_NEAR(out[5 + i], engine[i] * c.gain, 1e-6 * std::fabs(engine[i]) + 1e-9)
			    << "frame " << i;
		}
		ASSERT_EQ(out[4], 0.0f);
		ASSERT_EQ(out[5 + engine.size()], 0.0f);
	}
}

// Off, every key plays the sound; on, note 60 plays it as it is and an octave up doubles
// every frequency.
TEST_F(PluginOutputTest, KeyTrackingMovesEveryFrequencyFromNote60)
{
	tunk::SoundParams sound = BusySound(20);
	sound[tunk::Param::noiseLevel] = 0.2f;
	sound[tunk::Param::noiseFilter] = 2;
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	const std::vector<float> octave = AsFloat(EngineSamples(tunk::Transposed(sound, 12)));
	ASSERT_NE(engine, octave);
	EXPECT_FLOAT_EQ(tunk::Transposed(sound, 12)[tunk::Param::noiseCutoff],
	    2 * sound[tunk::Param::noiseCutoff]);
	for (bool on : {false, true}) {
		SCOPED_TRACE(on);
		PluginInstance plugin(world, 44100);
		for (const tunk::ParamInfo& row : tunk::kParams)
			plugin.SetControl(row.symbol, sound[row.id]);
		plugin.SetControl("keyTrack", on ? 1.0f : 0.0f);
		const uint32_t apart = uint32_t(engine.size()) + 64;
		std::vector<float> out;
		plugin.NoteOn(0, 127, 72);
		plugin.Run(apart, &out);
		plugin.NoteOn(0, 127, 60);
		plugin.Run(apart, &out);
		const std::vector<float>& high = on ? octave : engine;
		EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + long(high.size())), high);
		EXPECT_EQ(std::vector<float>(out.begin() + apart, out.begin() + apart + long(engine.size())),
		    engine);
	}
}

TEST_F(PluginOutputTest, VelocityZeroAndNoteOffsLeaveTheVoicesAloneByDefault)
{
	const tunk::SoundParams sound = BusySound(20);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	const auto instance = Ready(sound);
	PluginInstance& plugin = *instance;

	std::vector<float> out;
	plugin.NoteOn(0, 0, 60, 3); // a note-off in disguise: ignored
	plugin.NoteOn(10, 127, 35, 9);
	plugin.Midi(20, 0x89, 35, 64); // the note's own note-off does not cut the one-shot
	plugin.NoteOn(30, 0, 35, 9);   // nor does its velocity-0 note-on
	plugin.Run(1000, &out);
	std::vector<float> expected(1000, 0.0f);
	Place(expected, engine, 10);
	EXPECT_EQ(FirstDifference(out, expected), -1);
}

// How far `out` holds `sound` from `at` with a fade-out starting at `cut`: at full level up
// to `cut`, no louder than the sound and falling over the next 64 frames, then silence.
void ExpectFadedOut(const std::vector<float>& out, const std::vector<float>& sound, size_t at,
    size_t cut)
{
	for (size_t i = at; i < cut; i++)
		ASSERT_EQ(out[i], sound[i - at]) << "frame " << i;
	for (size_t i = cut; i < cut + 64; i++) {
		ASSERT_LE(std::fabs(out[i]), std::fabs(sound[i - at]) * (1.0 - double(i - cut) / 64) + 1e-7)
		    << "frame " << i;
	}
	for (size_t i = cut + 64; i < out.size(); i++)
		ASSERT_EQ(out[i], 0.0f) << "frame " << i;
}

TEST_F(PluginOutputTest, PanicMessagesEndEveryVoiceWithin64Frames)
{
	const tunk::SoundParams sound = SteadySquare(3000);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));

	struct Case {
		const char* name;
		std::vector<uint8_t> message;
	};
	// All Sound Off and All Notes Off on another channel than the notes', and a reset.
	for (const Case& c : {Case{"all sound off", {0xB5, 120, 0}},
	         Case{"all notes off", {0xB5, 123, 0}}, Case{"reset", {0xFF}}}) {
		for (double rate : {44100.0, 48000.0}) {
			SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(rate));
			const auto instance = Ready(sound, rate);
			PluginInstance& plugin = *instance;
			std::vector<float> out;
			plugin.NoteOn(0, 127, 36, 0);
			plugin.NoteOn(5, 127, 38, 9);
			plugin.Run(256, &out);
			plugin.Midi(100, c.message);
			plugin.Run(256, &out);
			for (int i = 0; i < 4; i++)
				plugin.Run(256, &out);
			if (rate == 44100.0) {
				std::vector<float> both(engine.size() + 5, 0.0f);
				Place(both, engine, 0);
				Place(both, engine, 5);
				ExpectFadedOut(out, both, 0, 256 + 100);
			} else {
				for (size_t i = 256 + 100 + 64; i < out.size(); i++)
					ASSERT_EQ(out[i], 0.0f) << "frame " << i;
				EXPECT_GT(std::fabs(out[256 + 99]), 0.5f);
			}
		}
	}
}

TEST_F(PluginOutputTest, WithNoteOffOnANoteOffFadesOnlyItsOwnKey)
{
	const tunk::SoundParams sound = SteadySquare(100);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	const auto instance = Ready(sound);
	PluginInstance& plugin = *instance;
	plugin.SetControl("noteOff", 1);

	std::vector<float> out;
	plugin.NoteOn(0, 127, 36, 0);
	plugin.NoteOn(0, 127, 36, 1); // the same note on another channel is another key
	plugin.NoteOn(10, 127, 38, 0);
	plugin.Midi(300, 0x80, 36, 0);
	plugin.NoteOn(400, 0, 38, 0); // velocity 0: a note-off too
	plugin.Run(5000, &out);

	// What is left once the channel-1 note, which plays on, is taken out.
	std::vector<float> rest(out);
	for (size_t i = 0; i < engine.size(); i++)
		rest[i] -= engine[i];
	for (size_t i = 0; i < 300; i++) {
		const float both = engine[i] + (i >= 10 ? engine[i - 10] : 0.0f);
		ASSERT_EQ(rest[i], both) << "frame " << i;
	}
	// Between the two note-offs only the note on 38 sounds in full.
	for (size_t i = 364; i < 400; i++)
		ASSERT_EQ(rest[i], engine[i - 10]) << "frame " << i;
	for (size_t i = 464; i < rest.size(); i++)
		ASSERT_EQ(rest[i], 0.0f) << "frame " << i;
	for (size_t i = 300; i < 364; i++)
		ASSERT_LE(std::fabs(rest[i] - engine[i - 10]), std::fabs(engine[i]) + 1e-6) << i;
}

TEST_F(PluginOutputTest, RetriggerEndsTheVoiceOnTheSameKeyAndOffLetsBothPlay)
{
	const tunk::SoundParams sound = SteadySquare(100);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));

	// Retrigger, the default: the first note fades out as the second starts at its frame.
	{
		const auto instance = Ready(sound);
		PluginInstance& plugin = *instance;
		std::vector<float> out;
		plugin.NoteOn(0, 127, 40);
		plugin.NoteOn(500, 127, 40);
		plugin.Run(6000, &out);
		std::vector<float> first(out);
		for (size_t i = 500; i < 500 + engine.size(); i++)
			first[i] -= engine[i - 500];
		ExpectFadedOut(first, engine, 0, 500);
	}
	// Off: both play whole.
	{
		const auto instance = Ready(sound);
		PluginInstance& plugin = *instance;
		plugin.SetControl("retrigger", 0);
		std::vector<float> out;
		plugin.NoteOn(0, 127, 40);
		plugin.NoteOn(500, 127, 40);
		plugin.Run(6000, &out);
		std::vector<float> expected(6000, 0.0f);
		Place(expected, engine, 0);
		Place(expected, engine, 500);
		EXPECT_EQ(FirstDifference(out, expected), -1);
	}
}

TEST_F(PluginOutputTest, OverlappingVoicesAreSummed)
{
	const tunk::SoundParams sound = BusySound(40);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));

	// Two voices: each sum of two floats is the exact float sum.
	{
		const auto instance = Ready(sound);
		PluginInstance& plugin = *instance;
		std::vector<float> out = Play(plugin, 300, 3000, {{0, 127}, {700, 127}});
		std::vector<float> expected(3000, 0.0f);
		Place(expected, engine, 0);
		Place(expected, engine, 700);
		EXPECT_EQ(FirstDifference(out, expected), -1);
	}
	// Sixteen voices, all sounding at once: summed, none dropped.
	{
		const auto instance = Ready(sound);
		PluginInstance& plugin = *instance;
		std::vector<std::pair<uint32_t, uint8_t>> notes;
		std::vector<double> expected(4000, 0.0);
		for (uint32_t n = 0; n < 16; n++) {
			notes.push_back({n * 37, 127});
			for (size_t i = 0; i < engine.size() && n * 37 + i < expected.size(); i++)
				expected[n * 37 + i] += engine[i];
		}
		std::vector<float> out = Play(plugin, 128, 4000, notes);
		for (size_t i = 0; i < expected.size(); i++)
			ASSERT_NEAR(out[i], expected[i], 1e-5) << "frame " << i;
	}
}

TEST_F(PluginOutputTest, ASeventeenthNoteFadesTheOldestVoiceOutAndTakesItsPlace)
{
	const tunk::SoundParams sound = SteadySquare(100);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	const auto instance = Ready(sound);
	PluginInstance& plugin = *instance;

	// Notes 0 to 15 at frames 0, 3, ..., 45; the 17th at frame 100 steals note 0.
	std::vector<std::pair<uint32_t, uint8_t>> notes;
	for (uint32_t n = 0; n < 16; n++)
		notes.push_back({n * 3, 127});
	const uint32_t steal = 100;
	notes.push_back({steal, 127});
	std::vector<float> out = Play(plugin, 64, 1000, notes);

	// What the other fifteen voices and the newcomer give, and what is left of note 0.
	std::vector<double> rest(out.begin(), out.end());
	for (uint32_t n = 1; n < 16; n++) {
		for (size_t i = n * 3; i < rest.size(); i++)
			rest[i] -= engine[i - n * 3];
	}
	std::vector<double> newcomer(rest.size(), 0.0);
	for (size_t i = steal; i < rest.size(); i++)
		newcomer[i] = engine[i - steal];
	for (size_t i = steal; i < steal + 64; i++)
		rest[i] -= newcomer[i];
	for (size_t i = 0; i < steal; i++)
		ASSERT_NEAR(rest[i], engine[i], 1e-5) << "note 0 before the steal, frame " << i;

	// Within 64 samples the oldest voice falls to nothing, never rising, with no jump
	// larger than a step of the fade.
	size_t silentFrom = 0;
	double previousLevel = 1.0;
	for (size_t i = steal; i < steal + 64; i++) {
		ASSERT_LE(std::fabs(rest[i]), std::fabs(engine[i]) + 1e-5) << "frame " << i;
		if (std::fabs(engine[i]) > 0.5) {
			double level = rest[i] / engine[i];
			ASSERT_LE(level, previousLevel + 1e-4) << "frame " << i;
			ASSERT_LT(level, 1.0) << "frame " << i;
			previousLevel = level;
		}
		if (std::fabs(rest[i]) > 1e-5)
			silentFrom = i + 1;
	}
	EXPECT_LE(silentFrom, steal + 64);
	EXPECT_LT(previousLevel, 0.05);

	// Then only the newcomer is left: it plays its whole sound from its own frame.
	for (size_t i = steal + 64; i < rest.size(); i++)
		ASSERT_NEAR(rest[i], engine[i - steal], 1e-5) << "frame " << i;
}

// The engine's buffer resampled by a libsoxr stream of very high quality, fed in pieces.
std::vector<float> Resampled(const std::vector<float>& in, double rate)
{
	soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
	soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
	soxr_error_t error = nullptr;
	soxr_t resampler = soxr_create(44100, rate, 1, &error, &io, &quality, nullptr);
	std::vector<float> out;
	std::vector<float> chunk(4096);
	size_t fed = 0;
	while (true) {
		size_t piece = std::min<size_t>(1000, in.size() - fed);
		size_t used = 0;
		size_t made = 0;
		bool last = piece == 0;
		soxr_process(resampler, last ? nullptr : in.data() + fed, piece, &used, chunk.data(),
		    chunk.size(), &made);
		fed += used;
		out.insert(out.end(), chunk.begin(), chunk.begin() + made);
		if (last && made == 0)
			break;
	}
	soxr_delete(resampler);
	return out;
}

TEST_F(PluginOutputTest, OtherHostRatesPlayTheSoundResampledAtItsFrameAndDuration)
{
	tunk::SoundParams sound;
	sound[tunk::Param::startFreq] = 440;
	sound[tunk::Param::duration] = 120;
	sound[tunk::Param::amplitude] = 0.9f;
	sound[tunk::Param::oscType] = tunk::kOscTriangle;
	sound[tunk::Param::filterEnabled] = true;
	sound[tunk::Param::filterCutoff] = 3000;
	const std::vector<float> engine = AsFloat(EngineSamples(sound));

	// Rates with a table row per phase, one that interpolates between rows, and one that
	// is not a whole number.
	for (double rate : {48000.0, 96000.0, 88201.0, 47999.5}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		const auto instance = Ready(sound, rate);
		PluginInstance& plugin = *instance;
		const uint32_t at = 100;
		std::vector<float> out = Play(plugin, 512, uint32_t(rate * 0.2), {{at, 127}});

		size_t last = out.size();
		while (last > 0 && out[last - 1] == 0.0f)
			last--;
		double length = double(last) - at;
		EXPECT_NEAR(length, 120.0 * rate / 1000.0, 1.0);

		std::vector<float> expected = Resampled(engine, rate);
		double error = 0;
		double signal = 0;
		for (size_t i = 0; i < expected.size(); i++) {
			double got = at + i < out.size() ? out[at + i] : 0.0;
			error += (got - expected[i]) * (got - expected[i]);
			signal += double(expected[i]) * expected[i];
		}
		for (size_t i = at + expected.size(); i < out.size(); i++)
			error += double(out[i]) * out[i];
		ASSERT_GT(signal, 0);
		// Two filters of more than 150 dB that differ only in the shape of their transition
		// above 20 kHz, where the sound's hard start and end put a little energy.
		EXPECT_LT(10 * std::log10(error / signal + 1e-300), -85.0) << "snr";
	}
}

TEST_F(PluginOutputTest, AControlChangeLeavesSoundingVoicesAndReachesTheNextNoteAtOnce)
{
	const tunk::SoundParams first = BusySound(60);
	tunk::SoundParams second = first;
	second[tunk::Param::startFreq] = 900;
	second[tunk::Param::oscType] = tunk::kOscSquare;
	const std::vector<float> a = AsFloat(EngineSamples(first));
	const std::vector<float> b = AsFloat(EngineSamples(second));

	const auto instance = Ready(first);
	PluginInstance& plugin = *instance;
	std::vector<float> out;
	plugin.NoteOn(0, 127, 40);
	plugin.Run(500, &out);
	SetSound(plugin, second);
	plugin.Run(500, &out);
	plugin.NoteOn(0, 127, 41); // the block right after the change already plays it
	plugin.Run(4000, &out);

	std::vector<float> expected(5000, 0.0f);
	Place(expected, a, 0);
	Place(expected, b, 1000);
	EXPECT_EQ(FirstDifference(out, expected), -1);
}

// A sequencer's automation: the sound changes at frame `change`, where a note falls. The
// host either hands the plugin the new values with the block that holds both (`split`
// false: the block is cut at `change` only when `change` starts a block anyway) or cuts its
// block at the change, as sample-accurate hosts do, so that the note is the first frame of
// the next block.
std::vector<float> AutomatedRun(PluginInstance& plugin, uint32_t block, uint32_t total,
    const tunk::SoundParams& before, const tunk::SoundParams& after, uint32_t change,
    const std::vector<uint32_t>& notes, bool split)
{
	std::vector<float> out;
	SetSound(plugin, before);
	uint32_t start = 0;
	uint8_t key = 30;
	while (start < total) {
		uint32_t frames = std::min(block, total - start);
		if (split && start < change && change < start + frames)
			frames = change - start;
		if (start <= change && change < start + frames)
			SetSound(plugin, after);
		for (uint32_t frame : notes) {
			if (frame >= start && frame < start + frames)
				plugin.NoteOn(frame - start, 127, key++);
		}
		plugin.Run(frames, &out);
		start += frames;
	}
	return out;
}

TEST_F(PluginOutputTest, AChangeOnTheFrameOfANoteIsHeardOnThatNoteAtEveryBlockSize)
{
	const tunk::SoundParams before = BusySound(40);
	tunk::SoundParams after = BusySound(70);
	after[tunk::Param::startFreq] = 520;
	after[tunk::Param::oscType] = tunk::kOscTriangle;
	after[tunk::Param::ampEnvelope] = 4;
	const std::vector<float> a = AsFloat(EngineSamples(before));
	const std::vector<float> b = AsFloat(EngineSamples(after));

	for (uint32_t block : {1u, 64u, 4096u}) {
		for (bool split : {false, true}) {
			// The change and a note on one frame inside a block (for 1 and 64 also a
			// block's first frame), a note before it and one after.
			const uint32_t change = 4096 + 100;
			SCOPED_TRACE("block " + std::to_string(block) + (split ? ", split" : ", whole"));
			PluginInstance plugin(world, 44100);
			std::vector<float> out =
			    AutomatedRun(plugin, block, 12000, before, after, change, {50, change, 9000}, split);
			std::vector<float> expected(12000, 0.0f);
			Place(expected, a, 50);
			Place(expected, b, change);
			Place(expected, b, 9000);
			EXPECT_EQ(FirstDifference(out, expected), -1);
		}
	}
}

TEST_F(PluginOutputTest, ControlsAreKeptWithinTheirDeclaredRanges)
{
	// What a host's automation may send beyond the ranges, and the value each stands for.
	tunk::SoundParams inRange = BusySound(3000);
	// The lowest frequency, 0 Hz as in the window.
	inRange[tunk::Param::startFreq] = 0;
	inRange[tunk::Param::distortion] = 10;
	inRange[tunk::Param::filterQ] = 0.1f;
	inRange[tunk::Param::ampEnvelope] = -50;
	inRange[tunk::Param::amplitude] = 0.95f; // the start value, for a non-number
	const std::vector<float> engine = AsFloat(EngineSamples(inRange));
	ASSERT_EQ(engine.size(), 132300u);

	const auto instance = Ready(BusySound());
	PluginInstance& plugin = *instance;
	plugin.SetControl("duration", 600000);
	plugin.SetControl("startFreq", -500);
	plugin.SetControl("distortion", 1e30f);
	plugin.SetControl("filterQ", -1);
	plugin.SetControl("ampEnvelope", -std::numeric_limits<float>::infinity());
	plugin.SetControl("amplitude", std::numeric_limits<float>::quiet_NaN());
	plugin.SetControl("velocity", 7);
	std::vector<float> out = Play(plugin, 4096, 140000, {{0, 127}});
	std::vector<float> expected(140000, 0.0f);
	Place(expected, engine, 0);
	EXPECT_EQ(FirstDifference(out, expected), -1);
}

TEST_F(PluginOutputTest, RatesOutsideWhatThePluginTakesAreRefused)
{
	UridMap& urids = world.Urids();
	LV2_Feature map{LV2_URID__map, urids.Feature()};
	const LV2_Feature* features[] = {&map, nullptr};
	for (double rate : {0.0, -44100.0, 7999.0, 768001.0, 1e300,
	         std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		LilvInstance* instance = lilv_plugin_instantiate(world.Plugin(), rate, features);
		EXPECT_EQ(instance, nullptr);
		if (instance != nullptr)
			lilv_instance_free(instance);
	}
	// The ends of the range play their sound at its duration.
	for (double rate : {8000.0, 768000.0}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		tunk::SoundParams sound;
		sound[tunk::Param::duration] = 10;
		const auto instance = Ready(sound, rate);
		std::vector<float> out = Play(*instance, 4096, uint32_t(rate / 50), {{0, 127}});
		size_t end = out.size();
		while (end > 0 && out[end - 1] == 0.0f)
			end--;
		EXPECT_NEAR(double(end), 441 * rate / 44100, 1.0);
	}
}

TEST_F(PluginOutputTest, ARestartSilencesAtOnceAndTheNextNotePlaysWhole)
{
	const tunk::SoundParams sound = BusySound(50);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	const auto instance = Ready(sound);
	PluginInstance& plugin = *instance;
	std::vector<float> out;
	plugin.NoteOn(0);
	plugin.Run(300, &out);
	plugin.Restart();
	out.clear();
	plugin.Run(300, &out);
	EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return s == 0.0f; }));
	out.clear();
	plugin.NoteOn(0);
	plugin.Run(3000, &out);
	std::vector<float> expected(3000, 0.0f);
	Place(expected, engine, 0);
	EXPECT_EQ(FirstDifference(out, expected), -1);
}

TEST_F(PluginOutputTest, AnInstanceWithoutMemoryIsRefusedNotCrashed)
{
	// Straight through the descriptor of a loaded instance, so that only the plugin's own
	// allocations are refused, not the host's.
	PluginInstance loaded(world, 44100);
	const LV2_Descriptor* descriptor = lilv_instance_get_descriptor(loaded.Instance());
	LV2_Feature map{LV2_URID__map, world.Urids().Feature()};
	const LV2_Feature* features[] = {&map, nullptr};
	for (double rate : {44100.0, 48000.0}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		if (!alloc_count::RefuseLargerThan(4096))
			GTEST_SKIP() << "the sanitizers' allocator cannot be made to fail";
		LV2_Handle handle = descriptor->instantiate(descriptor, rate, TUNK_LV2_BUNDLE_DIR, features);
		alloc_count::RefuseLargerThan(0);
		EXPECT_EQ(handle, nullptr);
		if (handle != nullptr)
			descriptor->cleanup(handle);
	}
}

TEST_F(PluginOutputTest, TheAudioThreadNeitherAllocatesNorFrees)
{
	ASSERT_TRUE(alloc_count::Installed());
	// The counter itself must see an allocation in a counted stretch.
	alloc_count::Reset();
	alloc_count::Begin();
	void* volatile probe = std::malloc(32);
	std::free(probe);
	alloc_count::End();
	ASSERT_EQ(alloc_count::Totals().allocations, 1);
	ASSERT_EQ(alloc_count::Totals().frees, 1);
	alloc_count::Reset();

	for (double rate : {44100.0, 48000.0, 22050.0}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		PluginInstance plugin(world, rate);
		plugin.SetAudioHooks(alloc_count::Begin, alloc_count::End);
		std::mt19937 random(7);
		tunk::SoundParams sound = BusySound(40);
		int64_t loud = 0;
		for (int block = 0; block < 400; block++) {
			if (block % 25 == 0) {
				sound[tunk::Param::startFreq] = float(100 + random() % 2000);
				sound[tunk::Param::oscType] = int32_t(1 + random() % 4);
				sound[tunk::Param::distortion] = float(1 + random() % 9);
				sound[tunk::Param::filterEnabled] = random() % 2 == 0;
				SetSound(plugin, sound);
				plugin.SetControl("noteOff", float(random() % 2));
			}
			// Notes, note-offs (heard when the switch is on), and now and then a panic.
			std::vector<uint32_t> frames(4);
			for (uint32_t& frame : frames)
				frame = uint32_t(random() % 256);
			std::sort(frames.begin(), frames.end());
			for (int n = 0; n < 3; n++)
				plugin.NoteOn(frames[size_t(n)], uint8_t(1 + random() % 127), uint8_t(random() % 8));
			plugin.Midi(frames[3], 0x80, uint8_t(random() % 8), 0);
			if (block % 40 == 39)
				plugin.Midi(255, 0xB0, 120, 0);
			std::vector<float> out;
			plugin.Run(256, &out);
			loud += std::count_if(out.begin(), out.end(), [](float s) { return s != 0.0f; });
		}
		EXPECT_GT(loud, 50000) << "the voices played";
	}
	alloc_count::Counts counts = alloc_count::Totals();
	EXPECT_EQ(counts.allocations, 0);
	EXPECT_EQ(counts.frees, 0);
}

TEST_F(PluginOutputTest, AWaveformCodeOfNoWaveformPlaysTheSineAsTheEngineDoes)
{
	tunk::SoundParams sine = BusySound(30);
	sine[tunk::Param::oscType] = tunk::kOscSine;
	const std::vector<float> engine = AsFloat(EngineSamples(sine));
	for (float code : {0.0f, 5.0f, 7.0f, -3.0f, 1e9f}) {
		SCOPED_TRACE(code);
		tunk::SoundParams square = sine;
		square[tunk::Param::oscType] = tunk::kOscSquare;
		const auto instance = Ready(square);
		PluginInstance& plugin = *instance;
		plugin.SetControl("oscType", code);
		std::vector<float> out = Play(plugin, 256, 2000, {{0, 127}});
		std::vector<float> expected(2000, 0.0f);
		Place(expected, engine, 0);
		EXPECT_EQ(FirstDifference(out, expected), -1);
	}
}

} // namespace
