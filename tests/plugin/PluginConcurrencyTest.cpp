// The plugin under a host's audio thread at its most erratic: random block sizes with random
// MIDI (notes, note-offs, panics) and control automation, the switches included. Built for
// ThreadSanitizer and AddressSanitizer as well; links no window toolkit.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

#include "PluginTestSupport.h"

namespace {

struct Range {
	const char* symbol;
	float minimum;
	float maximum;
	bool whole; // integer values only
};

// Durations beyond the declared range too: the plugin clamps them.
constexpr Range kAutomated[] = {{"startFreq", 0, 4000, false}, {"duration", -100, 4000, false},
    {"amplitude", 0, 1, false}, {"oscType", 1, 4, true}, {"freqEnvelope", -50, 50, false},
    {"ampEnvelope", -50, 50, false}, {"distortion", 1, 10, false},
    {"filterCutoff", 20, 20000, false}, {"filterQ", 0.1f, 4, false}, {"freqEnvEnabled", 0, 1, true},
    {"ampEnvEnabled", 0, 1, true}, {"distortionEnabled", 0, 1, true}, {"filterEnabled", 0, 1, true},
    {"velocity", 0, 1, false}, {"noteOff", 0, 1, true}, {"retrigger", 0, 1, true}};

double StressSeconds()
{
	const char* text = std::getenv("TUNK_PLUGIN_STRESS_SECONDS");
	return text != nullptr ? std::atof(text) : 4.0;
}

TEST(PluginConcurrencyTest, RandomMidiBlocksAndAutomation)
{
	PluginWorld world;
	for (double rate : {44100.0, 48000.0}) {
		SCOPED_TRACE("rate " + std::to_string(rate));
		PluginInstance plugin(world, rate, 4096);
		std::mt19937 random(rate == 44100.0 ? 11 : 12);
		auto uniform = [&](float low, float high) {
			return low + (high - low) * float(random() % 1000001) / 1000000.0f;
		};

		std::vector<float> out;
		int64_t blocks = 0;
		int64_t notes = 0;
		auto until =
		    std::chrono::steady_clock::now() + std::chrono::duration<double>(StressSeconds());
		while (std::chrono::steady_clock::now() < until) {
			uint32_t frames = 1 + random() % 4096;
			if (random() % 3 == 0) {
				const Range& control = kAutomated[random() % std::size(kAutomated)];
				float value = uniform(control.minimum, control.maximum);
				plugin.SetControl(control.symbol, control.whole ? std::round(value) : value);
			}
			std::vector<uint32_t> at(random() % 5);
			for (uint32_t& frame : at)
				frame = random() % frames;
			std::sort(at.begin(), at.end());
			for (uint32_t frame : at) {
				const uint8_t channel = uint8_t(random() % 16);
				switch (random() % 8) {
					case 0: plugin.Midi(frame, uint8_t(0x80 | channel), uint8_t(random() % 128), 0); break;
					case 1: plugin.Midi(frame, uint8_t(0xB0 | channel), random() % 2 ? 120 : 123, 0); break;
					default:
						plugin.NoteOn(frame, uint8_t(random() % 128), uint8_t(random() % 128), channel);
						notes++;
				}
			}
			out.clear();
			plugin.Run(frames, &out);
			for (float sample : out) {
				ASSERT_TRUE(std::isfinite(sample));
				// Sixteen voices sounding and as many fading out, each of at most full
				// scale plus the resampler's ringing.
				ASSERT_LE(std::fabs(sample), 32 * 1.25f);
			}
			blocks++;
			if (random() % 64 == 0)
				std::this_thread::yield();
		}
		EXPECT_GT(blocks, 100);
		EXPECT_GT(notes, 100);

		// Quiet again: every voice ends, and the next note plays exactly the last sound the
		// controls describe.
		const tunk::SoundParams last = BusySound(25);
		SetSound(plugin, last);
		plugin.SetControl("velocity", 1);
		for (uint32_t left = uint32_t(rate * 3.1); left > 0;) {
			uint32_t frames = std::min(left, 4096u);
			plugin.Run(frames);
			left -= frames;
		}
		out.clear();
		plugin.Run(4096, &out);
		EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return s == 0; }));

		out.clear();
		plugin.NoteOn(7);
		plugin.Run(2000, &out);
		if (rate == 44100.0) {
			std::vector<float> expected(2000, 0.0f);
			Place(expected, AsFloat(EngineSamples(last)), 7);
			EXPECT_EQ(FirstDifference(out, expected), -1);
		} else {
			size_t end = out.size();
			while (end > 0 && out[end - 1] == 0.0f)
				end--;
			EXPECT_NEAR(double(end) - 7, 25 * rate / 1000, 1.0);
		}
	}
}

} // namespace
