#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "engine/voices/Player.h"
#include "engine/voices/SoundExchange.h"

namespace {

// The audio side as a device callback would hold it: a player whose sources release into
// the exchange's retirement list.
struct AudioSide {
	explicit AudioSide(tunk::voices::SoundExchange& exchange)
	{
		std::array<tunk::voices::Source*, tunk::voices::kSlots> pointers{};
		for (auto& pointer : pointers) {
			sources.push_back(std::make_unique<tunk::voices::SoundSource>(exchange.Retired()));
			pointer = sources.back().get();
		}
		player = std::make_unique<tunk::voices::Player>(pointers);
	}
	std::vector<std::unique_ptr<tunk::voices::SoundSource>> sources;
	std::unique_ptr<tunk::voices::Player> player;
};

// A sound whose every sample is `level` / 32768.
tunk::voices::Sound* Level(int16_t level, int64_t length)
{
	std::vector<int16_t> samples(size_t(length), level);
	return tunk::voices::MakeSound(samples.data(), length);
}

TEST(SoundExchangeTest, EachHitPlaysOneSoundWholeWhileSoundsAreReplacedUnderIt)
{
	tunk::voices::SoundExchange exchange;
	AudioSide audio(exchange);
	constexpr int64_t kLength = 300;
	constexpr uint32_t kBeat = 400;  // a hit every 400 frames, each 300 long
	constexpr uint64_t kBeats = 300;
	std::atomic<uint64_t> beats{0};

	// The maker replaces the sound as fast as it can until the audio side is done; every
	// sound has a level of its own, higher than the one before.
	int made = 0;
	std::thread maker([&] {
		while (beats.load() < kBeats && made < 32000) {
			exchange.Offer(Level(int16_t(++made), kLength));
			std::this_thread::yield();
		}
	});

	// The audio side, paced a little like a device, starting a voice on every beat.
	std::vector<float> out;
	std::vector<float> block(64);
	uint64_t frame = 0;
	while (beats.load() < kBeats) {
		std::fill(block.begin(), block.end(), 0.0f);
		uint32_t rendered = 0;
		for (uint32_t k = 0; k < block.size(); k++) {
			if ((frame + k) % kBeat != 0)
				continue;
			audio.player->Render(block.data() + rendered, k - rendered);
			rendered = k;
			if (tunk::voices::Sound* sound = exchange.Current())
				static_cast<tunk::voices::SoundSource&>(audio.player->Start(0, 1)).Play(sound);
			beats++;
		}
		audio.player->Render(block.data() + rendered, uint32_t(block.size()) - rendered);
		exchange.HandBack();
		out.insert(out.end(), block.begin(), block.end());
		frame += block.size();
		std::this_thread::sleep_for(std::chrono::microseconds(20));
	}
	maker.join();

	int hits = 0;
	int changes = 0;
	float previous = 0;
	for (size_t start = kBeat; start + kBeat <= out.size(); start += kBeat) {
		const float level = out[start];
		if (level == 0)
			continue;  // no sound offered yet
		hits++;
		for (size_t i = start; i < start + kLength; i++)
			ASSERT_EQ(out[i], level) << "a mix within the hit at " << start;
		for (size_t i = start + kLength; i < start + kBeat; i++)
			ASSERT_EQ(out[i], 0.0f) << i;
		ASSERT_GE(level, previous) << "an older sound after a newer one";
		changes += level != previous;
		previous = level;
	}
	EXPECT_GT(hits, 200);
	EXPECT_GT(changes, 10) << "sounds were replaced while the hits played";

	// Once the voices are over, everything but the current sound comes back and is freed.
	// The maker may have offered one last sound after the audio side's last look, and the
	// return ring may have been full: this thread takes the audio side's part to the end.
	audio.player->Clear();
	exchange.FreeReturned();
	exchange.Current();
	for (int round = 0; round < 4; round++) {
		exchange.HandBack();
		exchange.FreeReturned();
	}
	EXPECT_EQ(exchange.Freed(), made - 1);
}

TEST(SoundExchangeTest, ASoundComesBackOnlyWhenNoVoicePlaysItAndAnUntakenOfferIsFreed)
{
	tunk::voices::SoundExchange exchange;
	AudioSide audio(exchange);
	EXPECT_EQ(exchange.Current(), nullptr);
	tunk::voices::Sound* a = Level(1, 1000);
	exchange.Offer(a);
	ASSERT_EQ(exchange.Current(), a);
	static_cast<tunk::voices::SoundSource&>(audio.player->Start(0, 1)).Play(a);
	std::vector<float> out(600, 0.0f);
	audio.player->Render(out.data(), 600);

	tunk::voices::Sound* b = Level(2, 1000);
	exchange.Offer(b);
	ASSERT_EQ(exchange.Current(), b);
	exchange.HandBack();
	EXPECT_EQ(exchange.FreeReturned(), 0) << "a voice still plays the first sound";

	// Two offers before the audio thread looks: the first is freed by the second.
	exchange.Offer(Level(3, 10));
	tunk::voices::Sound* d = Level(4, 10);
	exchange.Offer(d);
	EXPECT_EQ(exchange.Freed(), 1);

	audio.player->Render(out.data(), 600);  // the first sound's voice ends
	audio.player->Render(out.data(), 1);
	exchange.HandBack();
	EXPECT_EQ(exchange.FreeReturned(), 1);
	EXPECT_EQ(exchange.Current(), d);
	exchange.HandBack();
	EXPECT_EQ(exchange.FreeReturned(), 1) << "the second sound, replaced and unplayed";
	EXPECT_EQ(exchange.Freed(), 3);
}

} // namespace
