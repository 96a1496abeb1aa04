#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/voices/Player.h"
#include "engine/voices/SoundSource.h"

namespace {

using tunk::voices::kFadeSamples;
using tunk::voices::kMaxVoices;
using tunk::voices::kSlots;

// A player over sound sources, with sounds of constant level that the test owns.
class PlayerTest : public ::testing::Test {
protected:
	PlayerTest()
	{
		std::array<tunk::voices::Source*, kSlots> sources{};
		for (int32_t i = 0; i < kSlots; i++) {
			fSources.push_back(std::make_unique<tunk::voices::SoundSource>(retirement));
			sources[size_t(i)] = fSources.back().get();
		}
		player = std::make_unique<tunk::voices::Player>(sources);
	}

	// A sound of `length` samples at `level`, held by the test as its owner would.
	tunk::voices::Sound* Make(int64_t length, float level)
	{
		fSamples.push_back(std::vector<float>(size_t(length), level));
		fSounds.push_back(std::make_unique<tunk::voices::Sound>());
		tunk::voices::Sound* sound = fSounds.back().get();
		sound->samples = fSamples.back().data();
		sound->length = length;
		retirement.Acquire(sound);
		return sound;
	}

	void Start(tunk::voices::Sound* sound, int32_t key = tunk::voices::kNoKey, float gain = 1)
	{
		static_cast<tunk::voices::SoundSource&>(player->Start(key, gain)).Play(sound);
	}

	std::vector<float> Render(uint32_t frames)
	{
		std::vector<float> out(frames, 0.0f);
		player->Render(out.data(), frames);
		return out;
	}

	tunk::voices::Retirement retirement;
	std::unique_ptr<tunk::voices::Player> player;

private:
	std::vector<std::unique_ptr<tunk::voices::SoundSource>> fSources;
	std::vector<std::vector<float>> fSamples;
	std::vector<std::unique_ptr<tunk::voices::Sound>> fSounds;
};

TEST_F(PlayerTest, AVoiceSoundsFromTheNextFrameAtItsGainUntilItsSoundEnds)
{
	tunk::voices::Sound* sound = Make(100, 0.5f);
	std::vector<float> out = Render(10);
	Start(sound, 7, 0.25f);
	for (float part : Render(60))
		out.push_back(part);
	for (float part : Render(100))
		out.push_back(part);
	for (size_t i = 0; i < out.size(); i++)
		ASSERT_EQ(out[i], i >= 10 && i < 110 ? 0.125f : 0.0f) << "frame " << i;
	EXPECT_EQ(player->Busy(), 0);
}

TEST_F(PlayerTest, ANoteBeyondSixteenFadesTheOldestOutWhileItStartsAtOnce)
{
	tunk::voices::Sound* sound = Make(10000, 1.0f);
	for (int n = 0; n < kMaxVoices; n++) {
		Start(sound, n);
		Render(3);
	}
	EXPECT_EQ(player->Sounding(), kMaxVoices);
	Start(sound, 99);
	EXPECT_EQ(player->Sounding(), kMaxVoices);
	EXPECT_EQ(player->Busy(), kMaxVoices + 1);
	std::vector<float> out = Render(200);
	// Sixteen in full (fifteen old ones and the newcomer) plus the oldest, falling.
	float previous = 17;
	for (int32_t i = 0; i < kFadeSamples; i++) {
		ASSERT_GE(out[size_t(i)], 16.0f) << i;
		ASSERT_LT(out[size_t(i)], previous) << i;
		previous = out[size_t(i)];
	}
	for (size_t i = kFadeSamples; i < out.size(); i++)
		ASSERT_EQ(out[i], 16.0f) << i;
	EXPECT_EQ(player->Busy(), kMaxVoices);

	// The oldest left is the second note: releasing its key ends it, nothing else.
	player->Release(1);
	Render(kFadeSamples);
	EXPECT_EQ(player->Sounding(), kMaxVoices - 1);
	EXPECT_EQ(Render(1)[0], 15.0f);
}

// A kit's player: more voices, each voice's samples handed on with its key, output and sides.
TEST_F(PlayerTest, APlayerOfMoreVoicesStealsOnlyBeyondThemAndMixesByKey)
{
	constexpr int32_t kVoices = tunk::voices::kMostVoices;
	std::array<tunk::voices::Source*, tunk::voices::kMostSlots> sources{};
	std::vector<std::unique_ptr<tunk::voices::SoundSource>> owned;
	for (auto& source : sources) {
		owned.push_back(std::make_unique<tunk::voices::SoundSource>(retirement));
		source = owned.back().get();
	}
	tunk::voices::Player big(sources, kVoices);
	tunk::voices::Sound* sound = Make(10000, 1.0f);
	// Every voice but the first two centred; key 1 panned, with an output of its own.
	for (int32_t n = 0; n <= kVoices; n++) {
		const tunk::voices::VoiceGain gain =
		    n == 1 ? tunk::voices::VoiceGain(0.25f, 0.75f, 3) : tunk::voices::VoiceGain(0.5f);
		static_cast<tunk::voices::SoundSource&>(big.Start(n, gain)).Play(sound);
	}
	EXPECT_EQ(big.Sounding(), kVoices);
	EXPECT_EQ(big.Busy(), kVoices + 1);

	// Sums by key and side: key 0 is the stolen one, fading; the others hold their gains.
	struct ByKey final : tunk::voices::Mixer {
		using Sides = std::array<std::vector<float>, 2>;
		std::vector<Sides> keys = std::vector<Sides>(kVoices + 1,
		    Sides{std::vector<float>(100, 0.0f), std::vector<float>(100, 0.0f)});
		std::vector<int32_t> outputs = std::vector<int32_t>(kVoices + 1, -1);
		void Mix(int32_t key, int32_t output, const float* left, const float* right,
		    uint32_t at, uint32_t count) override
		{
			outputs[size_t(key)] = output;
			for (uint32_t k = 0; k < count; k++) {
				keys[size_t(key)][0][at + k] += left[k];
				keys[size_t(key)][1][at + k] += right[k];
			}
		}
	} mixer;
	big.Render(mixer, 100);
	for (int32_t key = 2; key <= kVoices; key++)
		for (const std::vector<float>& side : mixer.keys[size_t(key)])
			for (float sample : side)
				ASSERT_EQ(sample, 0.5f) << "key " << key;
	EXPECT_EQ(mixer.outputs[1], 3);
	EXPECT_EQ(mixer.outputs[2], 0);
	for (size_t i = 0; i < 100; i++) {
		ASSERT_EQ(mixer.keys[1][0][i], 0.25f) << i;
		ASSERT_EQ(mixer.keys[1][1][i], 0.75f) << i;
	}
	const std::vector<float>& stolen = mixer.keys[0][0];
	EXPECT_LT(stolen[0], 0.5f);
	EXPECT_GT(stolen[0], 0.0f);
	EXPECT_LT(stolen[kFadeSamples - 1], stolen[0]);
	EXPECT_EQ(mixer.keys[0][1], stolen);
	for (size_t i = kFadeSamples; i < stolen.size(); i++)
		ASSERT_EQ(stolen[i], 0.0f) << i;
	EXPECT_EQ(big.Busy(), kVoices);
	big.Clear();
}

TEST_F(PlayerTest, ReleasesFadeTheirKeysAndReleaseAllFadesEveryVoice)
{
	tunk::voices::Sound* sound = Make(10000, 1.0f);
	Start(sound, 1);
	Start(sound, 2);
	Start(sound); // no key: only an all-off ends it
	player->Release(tunk::voices::kNoKey);
	player->Release(1);
	std::vector<float> out = Render(kFadeSamples + 1);
	EXPECT_LT(out[kFadeSamples - 1], 2.0f + 1.0f / kFadeSamples);
	EXPECT_EQ(out[kFadeSamples], 2.0f);
	player->ReleaseAll();
	out = Render(kFadeSamples + 10);
	EXPECT_GT(out[0], 1.9f);
	for (size_t i = kFadeSamples; i < out.size(); i++)
		ASSERT_EQ(out[i], 0.0f) << i;
	EXPECT_EQ(player->Busy(), 0);
}

TEST_F(PlayerTest, AFloodOfNotesInOneFrameKeepsToTheSlots)
{
	tunk::voices::Sound* sound = Make(1000, 1.0f);
	for (int n = 0; n < 200; n++) {
		Start(sound, n % 5);
		ASSERT_LE(player->Sounding(), kMaxVoices);
		ASSERT_LE(player->Busy(), kSlots);
	}
	std::vector<float> out = Render(2000);
	EXPECT_LE(*std::max_element(out.begin(), out.end()), float(kSlots));
	EXPECT_EQ(out[kFadeSamples], float(kMaxVoices)) << "the newest sixteen play on";
	EXPECT_EQ(out[1000], 0.0f);
}

TEST_F(PlayerTest, ASoundIsRetiredOnceItsOwnerAndEveryVoiceHaveLetGo)
{
	tunk::voices::Sound* first = Make(50, 1.0f);
	tunk::voices::Sound* second = Make(500, 1.0f);
	Start(first, 1);
	Start(first, 2);
	Start(second, 3);
	// The owner lets go of both: neither is retired while voices play it.
	EXPECT_TRUE(retirement.Release(first));
	EXPECT_TRUE(retirement.Release(second));
	EXPECT_EQ(retirement.Count(), 0);
	Render(49);
	EXPECT_EQ(retirement.Count(), 0);
	Render(10);
	ASSERT_EQ(retirement.Count(), 1);
	EXPECT_EQ(retirement.At(0), first);
	player->Clear(); // the voice of the second ends too, without playing on
	ASSERT_EQ(retirement.Count(), 2);
	EXPECT_EQ(retirement.At(1), second);
	EXPECT_EQ(Render(1)[0], 0.0f);
	retirement.Drop(1);
	ASSERT_EQ(retirement.Count(), 1);
	EXPECT_EQ(retirement.At(0), second);

	// A full list refuses one more, and says so.
	retirement.Drop(1);
	for (int32_t i = 0; i < tunk::voices::Retirement::kCapacity; i++)
		ASSERT_TRUE(retirement.Release(Make(1, 0.0f)));
	EXPECT_FALSE(retirement.Release(Make(1, 0.0f)));
}

} // namespace
