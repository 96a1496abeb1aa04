// The kit instrument with its worker on a thread of its own, as real-time hosts run it: kit
// files loading while notes play, sessions restored between blocks, and another thread saving
// the session and asking for the note names meanwhile. Built for ThreadSanitizer and
// AddressSanitizer as well; links no window toolkit.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

#include "KitHost.h"
#include "PluginTestSupport.h"
#include "preset/KitFile.h"

namespace {

namespace fs = std::filesystem;

double StressSeconds()
{
	const char* text = std::getenv("TUNK_PLUGIN_STRESS_SECONDS");
	return text != nullptr ? std::atof(text) : 2.0;
}

Kit KitNamed(const std::string& name, float freq)
{
	Kit kit = NewKit(name);
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].sound = BusySound(float(15 + i));
		kit.pads[i].sound[tunk::Param::startFreq] = freq + float(30 * i);
	}
	return kit;
}

TEST(KitConcurrencyTest, LoadsRestoresAndSavesWhileNotesPlay)
{
	char pattern[] = "/tmp/tunk-kit-concurrency-XXXXXX";
	ASSERT_NE(mkdtemp(pattern), nullptr);
	const fs::path dir = pattern;
	std::vector<Kit> kits;
	std::vector<std::string> files;
	for (int i = 0; i < 3; i++) {
		kits.push_back(KitNamed("Kit " + std::to_string(i), float(60 + 50 * i)));
		files.push_back((dir / (kits.back().name + ".tunkkit")).string());
		std::ofstream(files.back()) << EncodeKit(kits.back());
	}
	PluginWorld world{TUNK_LV2_BUNDLE_DIR, kKitUri};
	std::string session;
	{
		KitInstance source(world, 48000);
		source.SetKitFile(0, files[2]);
		source.RunFor(192, 64);
		session = source.SaveState();
	}

	KitInstance plugin(world, 48000, Worker::Threaded);
	std::atomic<bool> done{false};
	std::atomic<int> saves{0}, strangers{0};
	// A host never saves while it restores.
	std::mutex instantiation;
	// The host's other thread: every save is one of the kits, whole.
	std::thread host([&] {
		while (!done.load()) {
			std::unique_lock lock(instantiation);
			Kit saved;
			const KitRead read = DecodeKit(plugin.SavedKit(), &saved);
			const bool known = read.Ok()
			                   && (saved.name == "New Kit"
			                       || std::find(kits.begin(), kits.end(), saved) != kits.end());
			if (!known)
				strangers++;
			if (plugin.Midnam().find("<NoteNameList") == std::string::npos)
				strangers++;
			saves++;
			lock.unlock();
			std::this_thread::yield();
		}
	});

	std::mt19937 random(5);
	const auto until =
	    std::chrono::steady_clock::now() + std::chrono::duration<double>(StressSeconds());
	int blocks = 0;
	// A busy machine may give the other thread little time: it saves a few times at least.
	while (std::chrono::steady_clock::now() < until || blocks < 200 || saves.load() < 20) {
		const uint32_t frames = 16 + random() % 1024;
		if (random() % 8 == 0)
			plugin.SetKitFile(random() % frames, files[random() % 2]);
		if (random() % 40 == 0) {
			std::lock_guard lock(instantiation);
			plugin.RestoreState(session);
		}
		for (int n = random() % 4; n > 0; n--)
			plugin.NoteOn(random() % frames, uint8_t(kits[0].pads[random() % 16].note),
			    uint8_t(1 + random() % 127), uint8_t(random() % 16));
		plugin.Run(frames);
		plugin.ClearRecordings();
		blocks++;
	}
	done = true;
	host.join();
	EXPECT_EQ(strangers.load(), 0);

	// Quiet again, the last load landed: the saved kit is the one that plays.
	plugin.SetKitFile(0, files[1]);
	plugin.Run(64);
	plugin.WaitForWorker();
	plugin.RunFor(48000, 1000);
	Kit saved;
	ASSERT_TRUE(DecodeKit(plugin.SavedKit(), &saved).Ok());
	EXPECT_EQ(saved, kits[1]);
	plugin.ClearRecordings();
	plugin.NoteOn(3, uint8_t(kits[1].pads[0].note));
	plugin.RunFor(2000, 500);
	EXPECT_NE(FirstDifference(plugin.Recorded("out_l"), {}), -1) << "the kit plays";
	fs::remove_all(dir);
}

} // namespace
