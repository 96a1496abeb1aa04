// The level display's text against figures computed here from the rendered buffer, with
// the clipped count in red exactly when a sample clipped.
#include "window/StatusBar.h"

#include <QLabel>
#include <gtest/gtest.h>

#include "kits/interface/QtEnvironment.h"
#include "library/SoundLevels.h"

namespace {

std::string Expected(const std::vector<int16_t>& samples)
{
	SoundLevels levels = MeasureLevels(samples);
	char text[128];
	char peak[32];
	std::snprintf(peak, sizeof(peak), "Peak %.1f dBFS", levels.PeakDbfs());
	std::string clipped =
	    levels.clipped == 0 ? "No clipping" : std::to_string(levels.clipped) + " clipped";
	std::snprintf(text, sizeof(text), "%lld ms \u00b7 %s \u00b7 %s",
	    (long long)std::llround(levels.length * 1000.0 / 44100), levels.peak > 0 ? peak : "Silent",
	    clipped.c_str());
	return text;
}

} // namespace

TEST(StatusBar, ShowsTheRenderedSoundsLengthPeakAndClippedSamples)
{
	PresetParams quiet = DefaultPresetParams();
	quiet.duration = 123.4f;
	quiet.amplitude = 0.5f;
	PresetParams resonant = DefaultPresetParams();
	resonant.oscType = 3;
	resonant.startFreq = 200;
	resonant.filterEnabled = 1;
	resonant.filterQ = 4;
	resonant.filterCutoff = 3000;
	resonant.duration = 3000;
	PresetParams silent = DefaultPresetParams();
	silent.startFreq = 0;

	StatusBar bar;
	for (const PresetParams& p : {quiet, resonant, silent, DefaultPresetParams()}) {
		std::vector<int16_t> samples = RenderPreset(p);
		bar.ShowLevel(MeasureSoundLevel(samples.data(), int64_t(samples.size())));
		const bool clipped = MeasureLevels(samples).clipped > 0;
		SCOPED_TRACE(Expected(samples));
		EXPECT_EQ(LevelText(bar.Level()), Expected(samples));
		EXPECT_EQ(bar.Warns(), clipped);
		// What the bar shows: the same words, the count in red only when clipped.
		EXPECT_EQ(bar.Text(), Expected(samples));
		const QLabel* count = bar.ClippedLabel();
		EXPECT_EQ(count->palette().color(count->foregroundRole()) == QColor(200, 0, 0), clipped);
	}
	EXPECT_EQ(LevelText(MeasureSoundLevel(nullptr, 0)), "0 ms \u00b7 Silent \u00b7 No clipping");
}
