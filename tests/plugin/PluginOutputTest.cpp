#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <soxr.h>

#include "AllocationCounter.h"
#include "PluginTestSupport.h"

namespace {

// Runs `total` frames in blocks of `block`, sending each note-on (absolute frame, velocity)
// in the block that holds it.
std::vector<float> Play(PluginInstance& plugin, uint32_t block, uint32_t total,
    const std::vector<std::pair<uint32_t, uint8_t>>& notes)
{
	std::vector<float> out;
	for (uint32_t start = 0; start < total; start += block) {
		uint32_t frames = std::min(block, total - start);
		for (auto [frame, velocity] : notes) {
			if (frame >= start && frame < start + frames)
				plugin.NoteOn(frame - start, velocity);
		}
		plugin.Run(frames, &out);
	}
	return out;
}

class PluginOutputTest : public ::testing::Test {
protected:
	// A plugin whose worker the test drives, holding `sound` and ready for the first note.
	std::unique_ptr<PluginInstance> Ready(const tunk::SoundParams& sound, double rate = 44100)
	{
		auto plugin = std::make_unique<PluginInstance>(world, rate, PluginInstance::Worker::Manual);
		SetSound(*plugin, sound);
		Settle(*plugin);
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
	PluginInstance plugin(world, 44100, PluginInstance::Worker::Manual);
	std::vector<float> out = Play(plugin, 256, 9000, {{10, 127}});
	std::vector<float> expected(9000, 0.0f);
	Place(expected, AsFloat(EngineSamples(tunk::SoundParams{})), 10);
	EXPECT_EQ(FirstDifference(out, expected), -1);
	EXPECT_EQ(plugin.Requests(), 0) << "nothing to regenerate";
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
		PluginInstance plugin(world, 44100, PluginInstance::Worker::Manual);
		SetSound(plugin, sound);
		plugin.SetControl("velocity", c.control);
		Settle(plugin);
		std::vector<float> out = Play(plugin, 512, 1000, {{5, c.velocity}});
		for (size_t i = 0; i < engine.size(); i++) {
			ASSERT_NEAR(out[5 + i], engine[i] * c.gain, 1e-6 * std::fabs(engine[i]) + 1e-9)
			    << "frame " << i;
		}
		ASSERT_EQ(out[4], 0.0f);
		ASSERT_EQ(out[5 + engine.size()], 0.0f);
	}
}

TEST_F(PluginOutputTest, VelocityZeroAndNoteOffsLeaveTheVoicesAlone)
{
	const tunk::SoundParams sound = BusySound(20);
	const std::vector<float> engine = AsFloat(EngineSamples(sound));
	const auto instance = Ready(sound);
	PluginInstance& plugin = *instance;

	std::vector<float> out;
	plugin.NoteOn(0, 0, 60, 3); // a note-off in disguise: ignored
	plugin.NoteOn(10, 127, 35, 9);
	plugin.Midi(20, 0x89, 35, 64); // the note's own note-off does not cut the one-shot
	plugin.Midi(30, 0xB0, 123, 0); // nor does "all notes off"
	plugin.Run(1000, &out);
	std::vector<float> expected(1000, 0.0f);
	Place(expected, engine, 10);
	EXPECT_EQ(FirstDifference(out, expected), -1);
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
	// A long steady sound, so that the fade shows against a level that does not fall.
	tunk::SoundParams sound;
	sound.oscType = tunk::kOscSquare;
	sound.startFreq = 150;
	sound.duration = 100;
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

	// What the other fifteen voices give, and what is left of note 0 and the newcomer.
	std::vector<double> rest(out.begin(), out.end());
	for (uint32_t n = 1; n < 16; n++) {
		for (size_t i = n * 3; i < rest.size(); i++)
			rest[i] -= engine[i - n * 3];
	}
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

	// Then the newcomer plays its whole sound from the start.
	size_t start = steal + 64;
	for (size_t i = start; i < rest.size(); i++)
		ASSERT_NEAR(rest[i], engine[i - start], 1e-5) << "frame " << i;
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

TEST_F(PluginOutputTest, OtherHostRatesPlayTheSoundResampledAtItsDuration)
{
	tunk::SoundParams sound;
	sound.startFreq = 440;
	sound.duration = 120;
	sound.amplitude = 0.9f;
	sound.oscType = tunk::kOscTriangle;
	sound.filterEnabled = true;
	sound.filterCutoff = 3000;
	const std::vector<float> engine = AsFloat(EngineSamples(sound));

	for (double rate : {48000.0, 96000.0}) {
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
		EXPECT_LT(10 * std::log10(error / signal + 1e-300), -90.0);
	}
}

TEST_F(PluginOutputTest, AControlChangeLeavesSoundingVoicesAndReachesTheNextNote)
{
	const tunk::SoundParams first = BusySound(60);
	tunk::SoundParams second = first;
	second.startFreq = 900;
	second.oscType = tunk::kOscSquare;
	const std::vector<float> a = AsFloat(EngineSamples(first));
	const std::vector<float> b = AsFloat(EngineSamples(second));

	const auto instance = Ready(first);
	PluginInstance& plugin = *instance;
	std::vector<float> out;
	plugin.NoteOn(0);
	plugin.Run(500, &out);
	SetSound(plugin, second);
	plugin.Run(500, &out); // asks for the new sound
	plugin.NoteOn(0);      // before the reply: still the sound it had
	plugin.Run(500, &out);
	EXPECT_EQ(plugin.RunWorker(), 1);
	plugin.Run(500, &out); // the reply arrives after this block
	plugin.NoteOn(0);
	plugin.Run(3000, &out);

	std::vector<float> expected(5000, 0.0f);
	Place(expected, a, 0);
	Place(expected, a, 1000);
	Place(expected, b, 2000);
	EXPECT_EQ(FirstDifference(out, expected), -1);
}

TEST_F(PluginOutputTest, ChangesWhileTheWorkerIsBusyBecomeOneRegeneration)
{
	PluginInstance plugin(world, 44100, PluginInstance::Worker::Manual);
	const tunk::SoundParams sound = BusySound(30);
	plugin.SetControl("startFreq", 500);
	plugin.Run(64); // first request in flight
	for (float value : {600.0f, 700.0f, 800.0f}) {
		plugin.SetControl("startFreq", value);
		plugin.Run(64);
	}
	SetSound(plugin, sound);
	plugin.Run(64);
	EXPECT_EQ(plugin.RunWorker(), 1);
	plugin.Run(64); // the reply arrives: the latest values go out as the second request
	plugin.Run(64);
	EXPECT_EQ(plugin.RunWorker(), 2) << "one new sound and the old one's release";
	plugin.Run(64);
	plugin.Run(64);
	EXPECT_EQ(plugin.Replies(), 2);

	std::vector<float> out;
	plugin.NoteOn(0);
	plugin.Run(2000, &out);
	std::vector<float> expected(2000, 0.0f);
	Place(expected, AsFloat(EngineSamples(sound)), 0);
	EXPECT_EQ(FirstDifference(out, expected), -1);
}

TEST_F(PluginOutputTest, ARegenerationThatRanOutOfMemoryIsAskedForAgain)
{
	// 44100 samples: their 16-bit copy fits under the limit, the float copy does not.
	const tunk::SoundParams sound = BusySound(1000);
	const auto instance = Ready(tunk::SoundParams{});
	PluginInstance& plugin = *instance;
	SetSound(plugin, sound);
	plugin.Run(64); // asks for the new sound
	if (!alloc_count::RefuseLargerThan(100000))
		GTEST_SKIP() << "the sanitizers' allocator cannot be made to fail";
	const int worked = plugin.RunWorker();
	alloc_count::RefuseLargerThan(0);
	EXPECT_EQ(worked, 1);
	plugin.Run(64); // the empty reply arrives: the start sound stays

	std::vector<float> expected(10000, 0.0f);
	Place(expected, AsFloat(EngineSamples(tunk::SoundParams{})), 0);
	EXPECT_EQ(FirstDifference(Play(plugin, 4096, 10000, {{0, 127}}), expected), -1);

	// With no control moved since, the next block asks again.
	Settle(plugin);
	expected.assign(50000, 0.0f);
	Place(expected, AsFloat(EngineSamples(sound)), 0);
	EXPECT_EQ(FirstDifference(Play(plugin, 4096, 50000, {{0, 127}}), expected), -1);
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

	for (double rate : {44100.0, 48000.0}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		PluginInstance plugin(world, rate, PluginInstance::Worker::Thread);
		plugin.SetAudioHooks(alloc_count::Begin, alloc_count::End);
		std::mt19937 random(7);
		tunk::SoundParams sound = BusySound(40);
		for (int block = 0; block < 400; block++) {
			if (block % 25 == 0) {
				sound.startFreq = float(100 + random() % 2000);
				sound.oscType = int32_t(1 + random() % 4);
				sound.filterEnabled = random() % 2 == 0;
				SetSound(plugin, sound);
			}
			for (int n = 0; n < 3; n++)
				plugin.NoteOn(uint32_t(random() % 256), uint8_t(1 + random() % 127));
			plugin.Run(256);
			if (block % 50 == 0)
				plugin.WaitForWorker(); // so that replies and releases flow as well
		}
		EXPECT_GT(plugin.Replies(), 4);
		EXPECT_GT(plugin.Requests(), plugin.Replies()) << "old sounds went back for freeing";
	}
	alloc_count::Counts counts = alloc_count::Totals();
	EXPECT_EQ(counts.allocations, 0);
	EXPECT_EQ(counts.frees, 0);
}

} // namespace
