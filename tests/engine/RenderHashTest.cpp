// Every render of the window's engine folded into one hash (see core/RenderHash.h): the
// engine must make exactly the sounds it made before the core was split from it.
#include <gtest/gtest.h>

#include "core/RenderHash.h"
#include "engine/StageSwitches.h"
#include "engine/TunkSound.h"

TEST(RenderHashTest, EveryWaveformAndStageSwitchRendersAsBefore)
{
	renderhash::Hash hash;
	TunkSound sound;
	for (int setting = 0; setting < renderhash::kSettings; setting++) {
		const tunk::SoundParams p = renderhash::Setting(setting);
		sound.SetAmplitude(p[tunk::Param::amplitude]);
		sound.SetStartFreq(p[tunk::Param::startFreq]);
		sound.SetDuration(p[tunk::Param::duration]);
		sound.SetAmpEnvelope(p[tunk::Param::ampEnvelope]);
		sound.SetFreqEnvelope(p[tunk::Param::freqEnvelope]);
		sound.SetDistortion(p[tunk::Param::distortion]);
		sound.SetFilterCutoff(p[tunk::Param::filterCutoff]);
		sound.SetFilterQ(p[tunk::Param::filterQ]);
		sound.GenerateWaveShapeTable();
		ForEachWaveformAndSwitches(sound, [&](int32, int) {
			int64 count = 0;
			const int16* samples = sound.GetBuffer(&count);
			ASSERT_NE(samples, nullptr);
			hash.Add(samples, count);
		});
		if (HasFatalFailure())
			return;
	}
	EXPECT_EQ(hash.Value(), renderhash::kExpected);
}
