// Parameters no slider can give, as presets and typed text hand them to the engine: each
// either renders a sound of the right length or is refused with the engine's alert, plays
// without touching memory it must not, and leaves the engine able to render good sounds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "badinput/BadInput.h"
#include "engine/AlertCapture.h"
#include "kits/media/SoundPlayer.h"

namespace {

using badinput::AllOn;
using badinput::FreshRender;
using badinput::Samples;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr char kRefusal[] = "Could not allocate a sufficient sample buffer in RAM!";

using Change = std::function<void(PresetParams&)>;

enum class Heard {
	Refused,     // the allocation alert, no buffer
	Anything,    // a sound of the right length; nothing more is promised
	Silent,      // every sample 0
	Audible,     // most samples not 0
	Saturated,   // only full scale or 0: an endless gain is clipped, never wrapped
	SameAs,      // exactly the sound of `same`
};

struct Case {
	std::string name;
	bool allOn;  // starts from every section on, otherwise from the defaults
	Change bad;
	Heard heard;
	Change same = nullptr;
};

std::vector<Case> Cases()
{
	auto field = [](float PresetParams::*member, float value) {
		return [member, value](PresetParams& p) { p.*member = value; };
	};
	auto osc = [](int32 code) { return [code](PresetParams& p) { p.oscType = code; }; };
	auto flags = [](uint8 value) {
		return [value](PresetParams& p) {
			p.ampEnvEnabled = p.freqEnvEnabled = p.distortionEnabled = p.filterEnabled = value;
		};
	};
	using P = PresetParams;
	return {
		{"duration NaN", true, field(&P::duration, kNaN), Heard::Refused},
		{"duration +inf", true, field(&P::duration, kInf), Heard::Refused},
		{"duration -inf", true, field(&P::duration, -kInf), Heard::Refused},
		{"duration 1e9 ms", true, field(&P::duration, 1e9f), Heard::Refused},
		{"duration 3.4e38 ms", true, field(&P::duration, 3.4e38f), Heard::Refused},
		{"duration -5 ms", true, field(&P::duration, -5.0f), Heard::Refused},
		{"duration -1e30 ms", true, field(&P::duration, -1e30f), Heard::Refused},
		{"duration 0 ms", true, field(&P::duration, 0.0f), Heard::Anything},
		// A frequency without a finite phase step holds the first table entry, as 0 Hz does.
		{"frequency NaN", true, field(&P::startFreq, kNaN), Heard::SameAs,
			field(&P::startFreq, 0.0f)},
		{"frequency +inf", true, field(&P::startFreq, kInf), Heard::SameAs,
			field(&P::startFreq, 0.0f)},
		{"frequency -inf", false, field(&P::startFreq, -kInf), Heard::SameAs,
			field(&P::startFreq, 0.0f)},
		{"frequency 1e30 Hz", true, field(&P::startFreq, 1e30f), Heard::Anything},
		{"frequency -1000 Hz", false, field(&P::startFreq, -1000.0f), Heard::Audible},
		{"amplitude NaN", true, field(&P::amplitude, kNaN), Heard::Silent},
		{"amplitude +inf", false, field(&P::amplitude, kInf), Heard::Saturated},
		{"amplitude -inf", false, field(&P::amplitude, -kInf), Heard::Saturated},
		{"amplitude 1e30", false, field(&P::amplitude, 1e30f), Heard::Saturated},
		{"amplitude -0.95", true, field(&P::amplitude, -0.95f), Heard::Audible},
		{"amplitude 0", true, field(&P::amplitude, 0.0f), Heard::Silent},
		{"cutoff 22050 Hz", true, field(&P::filterCutoff, 22050.0f), Heard::Audible},
		{"cutoff 30000 Hz", true, field(&P::filterCutoff, 30000.0f), Heard::Audible},
		{"cutoff +inf", true, field(&P::filterCutoff, kInf), Heard::Audible},
		{"cutoff 0 Hz", true, field(&P::filterCutoff, 0.0f), Heard::Anything},
		{"cutoff -100 Hz", true, field(&P::filterCutoff, -100.0f), Heard::Anything},
		{"cutoff NaN", true, field(&P::filterCutoff, kNaN), Heard::Audible},
		{"Q 0", true, field(&P::filterQ, 0.0f), Heard::Audible},
		{"Q -1", true, field(&P::filterQ, -1.0f), Heard::Audible},
		{"Q NaN", true, field(&P::filterQ, kNaN), Heard::Audible},
		{"Q +inf", true, field(&P::filterQ, kInf), Heard::Anything},
		{"curves 0", true, [](P& p) { p.ampEnvelope = p.freqEnvelope = 0.0f; }, Heard::Audible},
		{"curves 88.8", true, [](P& p) { p.ampEnvelope = p.freqEnvelope = 88.8f; },
			Heard::Audible},
		{"curves 1000", true, [](P& p) { p.ampEnvelope = p.freqEnvelope = 1000.0f; },
			Heard::Audible},
		{"curves -1000", true, [](P& p) { p.ampEnvelope = p.freqEnvelope = -1000.0f; },
			Heard::Anything},
		{"curves NaN", true, [](P& p) { p.ampEnvelope = p.freqEnvelope = kNaN; },
			Heard::Audible},
		{"curves +inf", true, [](P& p) { p.ampEnvelope = p.freqEnvelope = kInf; },
			Heard::Audible},
		{"distortion NaN", true, field(&P::distortion, kNaN), Heard::Anything},
		{"distortion 1e30", true, field(&P::distortion, 1e30f), Heard::Audible},
		// Unknown waveform codes keep the table the engine has: a fresh engine's sine.
		{"oscillator 0", false, osc(0), Heard::SameAs, osc(1)},
		{"oscillator 5", false, osc(5), Heard::SameAs, osc(1)},
		{"oscillator -1", false, osc(-1), Heard::SameAs, osc(1)},
		// Only 1 switches a section on.
		{"flag bytes 2", true, flags(2), Heard::SameAs, flags(0)},
		{"flag bytes 255", true, flags(255), Heard::SameAs, flags(0)},
	};
}

// The whole sound through the playback callback, as the player would pull it.
std::vector<int16> PlayedOnce(TunkSound* sound, size_t length)
{
	sound->PlaySound();
	sound->Player()->Stop();  // the test pulls the buffers itself
	sound->SetPlaySamplePosition(0);
	TunkSound* cookie = sound;
	const media_raw_audio_format format = sound->Player()->Format();
	std::vector<int16> played;
	std::vector<int16> buffer(1000);
	while (played.size() < length + buffer.size()) {
		SoundBufferProc(&cookie, buffer.data(), buffer.size() * 2, format);
		played.insert(played.end(), buffer.begin(), buffer.end());
	}
	return played;
}

}  // namespace

TEST(EngineBadInput, EveryValueRendersOrIsRefusedAndNothingIsLost)
{
	for (const Case& c : Cases()) {
		SCOPED_TRACE(c.name);
		PresetParams params = c.allOn ? AllOn() : DefaultPresetParams();
		c.bad(params);

		AlertCapture alerts;
		TunkSound sound;
		ApplyPresetToEngine(params, &sound);
		sound.GenerateSound();
		const std::vector<int16> samples = Samples(sound);

		if (c.heard == Heard::Refused) {
			ASSERT_EQ(alerts.Alerts().size(), 1u);
			EXPECT_EQ(alerts.Alerts()[0].title, "Error In TunkSound Object");
			EXPECT_EQ(alerts.Alerts()[0].text, kRefusal);
			EXPECT_EQ(sound.GetSampleLength(), 0);
		} else {
			EXPECT_TRUE(alerts.Alerts().empty());
			const double wanted = std::ceil(double(params.duration) * 44100.0 / 1000.0);
			EXPECT_EQ(double(samples.size()), wanted);
		}
		size_t nonZero = 0;
		bool onlyFullScale = true;
		for (int16 s : samples) {
			nonZero += s != 0;
			onlyFullScale = onlyFullScale && (s == 0 || s == 32767 || s == -32768);
		}
		switch (c.heard) {
			case Heard::Silent: EXPECT_EQ(nonZero, 0u); break;
			case Heard::Audible: EXPECT_GT(nonZero, samples.size() / 2); break;
			case Heard::Saturated:
				EXPECT_TRUE(onlyFullScale);
				EXPECT_GT(nonZero, samples.size() / 2);
				break;
			case Heard::SameAs: {
				PresetParams same = params;
				c.same(same);
				EXPECT_EQ(samples, FreshRender(same));
				break;
			}
			default: break;
		}

		// Played: the sound, then silence; a refused sound is silence throughout.
		std::vector<int16> expected = samples;
		const std::vector<int16> played = PlayedOnce(&sound, samples.size());
		expected.resize(played.size(), 0);
		EXPECT_EQ(played, expected);

		badinput::ExpectRecovers(&sound);
	}
}

TEST(EngineBadInput, TempoWithoutAUsableBeatNeverRestarts)
{
	// 0, a text atof cannot read, non-numbers and tempos so fast that a beat is shorter
	// than one sample: the sound plays once instead of dividing by zero.
	for (float bpm : {0.0f, -120.0f, kNaN, kInf, 3e6f}) {
		SCOPED_TRACE(bpm);
		TunkSound sound;
		sound.GenerateSound();
		sound.SetBeatLength(bpm);
		sound.SetSequencerEnabled(true);
		const std::vector<int16> played = PlayedOnce(&sound, 8820);
		std::vector<int16> expected = Samples(sound);
		expected.resize(played.size(), 0);
		EXPECT_EQ(played, expected);
	}
}
