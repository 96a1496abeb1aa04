// Preset files that are not what they claim, and save or export targets that cannot take
// the data: through the preset reader, tunk-render and the WAV export. Each gets a message
// that names the problem; no file that was there before is damaged.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "audio/SoundFileWriter.h"
#include "badinput/BadInput.h"
#include "badinput/FileBadInput.h"
#include "engine/AlertCapture.h"
#include "engine/ApplyPreset.h"
#include "engine/core/Render.h"
#include "kits/app/AppDefs.h"
#include "kits/app/Message.h"
#include "kits/storage/Entry.h"
#include "kits/storage/TempDir.h"

namespace {

using namespace badinput;
namespace fs = std::filesystem;

std::string Record(const PresetParams& params)
{
	const PresetBytes bytes = EncodePresetRecord(params);
	return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string Junk(size_t size)
{
	std::mt19937 random(size);
	std::string bytes(size, '\0');
	for (char& c : bytes)
		c = char(random());
	return bytes;
}

bool SameParams(const PresetParams& a, const PresetParams& b)
{
	uint8 x[kPresetParamsSize];
	uint8 y[kPresetParamsSize];
	EncodePresetParams(a, x);
	EncodePresetParams(b, y);
	return std::memcmp(x, y, sizeof(x)) == 0;
}

class FileBadInput : public ::testing::Test {
protected:
	struct Run {
		int status = -1;
		std::string err;
	};

	void SetUp() override { OpenToAll(fDir.Path()); }

	// tunk-render in the test folder; `prefix` goes before the program (another user).
	Run Render(const std::string& args, const std::string& prefix = "")
	{
		std::string command = "cd '" + fDir.Path() + "' && " + prefix + "'" + TUNK_RENDER_PATH
			+ "' " + args + " 2>'" + (fDir / ".err") + "' >/dev/null";
		Run run;
		const int status = std::system(command.c_str());
		run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
		run.err = ReadBytes(fDir / ".err");
		fs::remove(fDir / ".err");
		return run;
	}

	// Whether the program can be run as the other user at all (the build tree may lie where
	// that user may not go); the runs that need it are left out otherwise.
	bool OtherUserCanRender()
	{
		if (Render("--version", EnforcingPrefix()).status == 0)
			return true;
		std::fprintf(stderr, "note: tunk-render cannot run as another user here; skipped\n");
		return false;
	}

	TempDir fDir;
};

}  // namespace

TEST_F(FileBadInput, PresetFilesOfEveryShapeAreReadOrNamedAsNotPresets)
{
	PresetParams kick = AllOn();
	const std::string record = Record(kick);
	PresetParams truncated = kick;
	truncated.filterEnabled = 0;  // its byte lies beyond the end of a 51-byte file
	const uint8 none[kPresetParamsSize] = {};
	const PresetParams zeros = DecodePresetParams(none);

	struct File {
		const char* name;
		std::string bytes;
		status_t status;
		PresetParams params;
	};
	const std::vector<File> files = {
		{"empty", "", B_BAD_DATA, DefaultPresetParams()},
		{"4-byte junk", "abcd", B_BAD_DATA, DefaultPresetParams()},
		{"4-byte magic", "T0NK", B_OK, zeros},
		{"51-byte", record.substr(0, 51), B_OK, truncated},
		{"52-byte", record, B_OK, kick},
		{"1 MB junk", Junk(1 << 20), B_BAD_DATA, DefaultPresetParams()},
		{"1 MB after a record", record + Junk((1 << 20) - 52), B_OK, kick},
		{"magic without terminator", "T0NKX" + record.substr(5), B_BAD_DATA,
			DefaultPresetParams()},
	};
	for (const File& file : files) {
		SCOPED_TRACE(file.name);
		const std::string path = fDir / "preset";
		WriteBytes(path, file.bytes);
		PresetParams read;
		EXPECT_EQ(ReadPresetFile(path.c_str(), &read), file.status);
		EXPECT_TRUE(SameParams(read, file.params));
		EXPECT_EQ(ReadBytes(path), file.bytes);

		// tunk-render names the file it refuses and renders those it reads.
		Run run = Render("preset -o out.wav");
		if (file.status == B_OK) {
			EXPECT_EQ(run.status, 0) << run.err;
			EXPECT_TRUE(fs::exists(fDir / "out.wav"));
		} else {
			EXPECT_EQ(run.status, 1);
			EXPECT_EQ(run.err, "tunk-render: preset: not a valid Tunk preset\n");
			EXPECT_FALSE(fs::exists(fDir / "out.wav"));
		}
		fs::remove(fDir / "out.wav");
	}
}

TEST_F(FileBadInput, FilesThatCannotBeReadAreNamedWithTheReason)
{
	fs::create_directory(fDir / "folder");
	PresetParams params = AllOn();
	EXPECT_EQ(ReadPresetFile((fDir / "folder").c_str(), &params), B_IS_A_DIRECTORY);
	EXPECT_TRUE(SameParams(params, AllOn()));  // what the caller had stays
	Run run = Render("folder");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: folder: Is a directory\n");

	const std::string secret = fDir / "secret";
	WriteBytes(secret, Record(AllOn()));
	fs::permissions(secret, fs::perms::owner_write);
	EXPECT_EQ(WithFileModesEnforced([&] {
		PresetParams read = DefaultPresetParams();
		return ReadPresetFile(secret.c_str(), &read) == B_PERMISSION_DENIED ? 0 : 1;
	}),
		0);
	if (OtherUserCanRender()) {
		run = Render("secret -o secret.wav", EnforcingPrefix());
		EXPECT_EQ(run.status, 1);
		EXPECT_EQ(run.err, "tunk-render: secret: Permission denied\n");
		EXPECT_FALSE(fs::exists(fDir / "secret.wav"));
	}
	EXPECT_EQ(ReadBytes(secret), Record(AllOn()));
}

TEST_F(FileBadInput, SaveTargetsThatCannotTakeAPresetKeepWhatTheyHeld)
{
	// A folder where the preset should go.
	fs::create_directory(fDir / "folder");
	EXPECT_EQ(WritePresetFile((fDir / "folder").c_str(), AllOn()), B_IS_A_DIRECTORY);
	Run run = Render("--save-preset folder -o out.wav");
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("tunk-render: folder: Is a directory\n"), std::string::npos) << run.err;
	EXPECT_TRUE(fs::is_directory(fDir / "folder"));
	EXPECT_TRUE(fs::is_empty(fDir / "folder"));

	// A read-only preset.
	const std::string kept = fDir / "kept.tkp";
	WriteBytes(kept, Record(DefaultPresetParams()));
	fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
	EXPECT_EQ(WithFileModesEnforced([&] {
		return WritePresetFile(kept.c_str(), AllOn()) == B_PERMISSION_DENIED ? 0 : 1;
	}),
		0);
	if (OtherUserCanRender()) {
		run = Render("--save-preset kept.tkp --set oscType=3 -o out.wav", EnforcingPrefix());
		EXPECT_EQ(run.status, 1);
		EXPECT_NE(run.err.find("tunk-render: kept.tkp: Permission denied\n"), std::string::npos)
			<< run.err;
	}
	EXPECT_EQ(ReadBytes(kept), Record(DefaultPresetParams()));

	// A device that is always full.
	if (!MakeFullDevice(fDir / "full"))
		GTEST_SKIP() << "this user may not make device files";
	EXPECT_EQ(WritePresetFile((fDir / "full").c_str(), AllOn()), B_DEVICE_FULL);
	run = Render("--save-preset full -o out.wav");
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("tunk-render: full: No space left on device\n"), std::string::npos)
		<< run.err;
	EXPECT_TRUE(IsFullDevice(fDir / "full"));
}

TEST_F(FileBadInput, SoundOutputsThatCannotBeWrittenLeaveTheirTargetAlone)
{
	fs::create_directory(fDir / "folder.wav");
	Run run = Render("-o folder.wav");
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("tunk-render: folder.wav: "), std::string::npos) << run.err;
	EXPECT_TRUE(fs::is_directory(fDir / "folder.wav"));

	const std::string kept = fDir / "kept.wav";
	WriteBytes(kept, "an older sound");
	fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
	if (OtherUserCanRender()) {
		run = Render("-o kept.wav", EnforcingPrefix());
		EXPECT_EQ(run.status, 1);
		EXPECT_EQ(run.err, "tunk-render: kept.wav: Permission denied\n");
	}
	EXPECT_EQ(ReadBytes(kept), "an older sound");

	// The device itself, not a link to it: it must survive the failed write.
	if (!MakeFullDevice(fDir / "full"))
		GTEST_SKIP() << "this user may not make device files";
	run = Render("-o full -f wav");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: full: No space left on device\n");
	EXPECT_TRUE(IsFullDevice(fDir / "full"));
}

namespace {

// The engine's WAV export into the test folder; the alerts it showed.
std::vector<std::string> Export(TunkSound* sound, const std::string& directory,
	const std::string& name)
{
	AlertCapture alerts;
	BMessage reply(B_SAVE_REQUESTED);
	entry_ref ref;
	get_ref_for_path(directory.c_str(), &ref);
	reply.AddRef("directory", &ref);
	reply.AddString("name", name.c_str());
	sound->WriteSoundToFile(&reply);
	std::vector<std::string> texts;
	for (const AlertCapture::Alert& alert : alerts.Alerts())
		texts.push_back(alert.text);
	return texts;
}

}  // namespace

TEST_F(FileBadInput, WavExportIntoUnwritablePlacesAlertsAndKeepsThem)
{
	TunkSound sound;
	ApplyPresetToEngine(AllOn(), &sound);

	fs::create_directory(fDir / "folder");
	EXPECT_EQ(Export(&sound, fDir.Path(), "folder"),
		std::vector<std::string>{
			"Unable to create audio track\n" + (fDir / "folder") + ": Is a directory"});
	EXPECT_TRUE(fs::is_empty(fDir / "folder"));

	const std::string kept = fDir / "kept.wav";
	WriteBytes(kept, "an older sound");
	fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
	EXPECT_EQ(WithFileModesEnforced([&] {
		return Export(&sound, fDir.Path(), "kept.wav")
				== std::vector<std::string>{
					"Unable to create audio track\n" + kept + ": Permission denied"}
			? 0
			: 1;
	}),
		0);
	EXPECT_EQ(ReadBytes(kept), "an older sound");

	if (!MakeFullDevice(fDir / "full"))
		GTEST_SKIP() << "this user may not make device files";
	EXPECT_EQ(Export(&sound, fDir.Path(), "full"),
		std::vector<std::string>{
			"Could not write the sound file!\n" + (fDir / "full") + ": No space left on device"});
	EXPECT_TRUE(IsFullDevice(fDir / "full"));

	// After all of it the engine exports as usual.
	EXPECT_EQ(Export(&sound, fDir.Path(), "fine.wav"), std::vector<std::string>{});
	EXPECT_GT(fs::file_size(fDir / "fine.wav"), 44u);
}

namespace {

std::vector<int16> RenderedSamples(float durationMs)
{
	PresetParams params = DefaultPresetParams();
	params.duration = durationMs;
	std::vector<int16_t> samples;
	EXPECT_EQ(tunk::Render(ToSoundParams(params), &samples), tunk::RenderStatus::Ok);
	return std::vector<int16>(samples.begin(), samples.end());
}

std::vector<std::string> Entries(const std::string& directory)
{
	std::vector<std::string> names;
	for (const fs::directory_entry& entry : fs::directory_iterator(directory))
		names.push_back(entry.path().filename().string());
	std::sort(names.begin(), names.end());
	return names;
}

}  // namespace

TEST_F(FileBadInput, AFullDiskKeepsEveryOldFileByteForByte)
{
	const std::string disk = fDir / "disk";
	fs::create_directory(disk);
	const std::string report = fDir / "report";
	std::string why;
	const int result = OnSmallFileSystem(disk, 256 * 1024, [&] {
		ChildReport check(report);
		const std::vector<int16> shorter = RenderedSamples(200);
		const std::vector<int16> longer = RenderedSamples(1500);
		const std::string sound = disk + "/a.wav";
		const std::string preset = disk + "/p.tunk";
		check.Expect(WriteSoundFile(shorter.data(), int64(shorter.size()), sound, "wav") == B_OK,
			"the first sound");
		check.Expect(WriteSoundFile(shorter.data(), int64(shorter.size()), disk + "/Untitled.wav",
						 "wav") == B_OK,
			"the second sound");
		check.Expect(WritePresetFile(preset.c_str(), DefaultPresetParams()) == B_OK, "the preset");
		fs::create_symlink("a.wav", disk + "/link.wav");
		const std::string oldSound = ReadBytes(sound);
		const std::string oldPreset = ReadBytes(preset);
		FillUp(disk + "/filler");

		for (const char* format : {"wav", "flac", "aiff", "ogg"}) {
			for (const std::string& target : {sound, disk + "/link.wav"}) {
				const status_t status =
					WriteSoundFile(longer.data(), int64(longer.size()), target, format);
				check.Expect(status == B_DEVICE_FULL,
					std::string(format) + " into " + target + ": " + DescribeStatus(status));
			}
		}
		check.Expect(WritePresetFile(preset.c_str(), AllOn()) == B_DEVICE_FULL, "the preset");

		Run run = Render("--set duration=1500 -o disk/a.wav");
		check.Expect(run.status == 1 && run.err == "tunk-render: disk/a.wav: No space left on device\n",
			"-o: " + run.err);
		run = Render("--set duration=1500 -d disk");
		check.Expect(run.status == 1
				&& run.err == "tunk-render: disk/Untitled.wav: No space left on device\n",
			"-d: " + run.err);
		run = Render("--set oscType=3 --save-preset disk/p.tunk -o out.wav");
		check.Expect(run.status == 1
				&& run.err.find("tunk-render: disk/p.tunk: No space left on device\n")
					!= std::string::npos,
			"--save-preset: " + run.err);

		check.Expect(ReadBytes(sound) == oldSound, "a.wav changed");
		check.Expect(ReadBytes(disk + "/Untitled.wav") == oldSound, "Untitled.wav changed");
		check.Expect(ReadBytes(preset) == oldPreset, "p.tunk changed");
		check.Expect(fs::is_symlink(disk + "/link.wav"), "the link is gone");
		check.Expect(Entries(disk)
				== std::vector<std::string>{"Untitled.wav", "a.wav", "filler", "link.wav", "p.tunk"},
			"a half-written file was left behind");

		// With room again, writing through the link replaces its target and keeps the link.
		fs::remove(disk + "/filler");
		check.Expect(
			WriteSoundFile(longer.data(), int64(longer.size()), disk + "/link.wav", "wav") == B_OK,
			"the longer sound once there is room");
		check.Expect(fs::is_symlink(disk + "/link.wav"), "the link is gone after a good write");
		check.Expect(fs::file_size(sound) > oldSound.size(), "a.wav was not replaced");
		return check.Result();
	}, &why);
	if (result == -2)
		GTEST_SKIP() << why;
	EXPECT_EQ(ReadBytes(report), "");
	EXPECT_EQ(result, 0);
}

TEST_F(FileBadInput, PipesAndStandardOutputAreNeverWaitedForAndGetWholeFiles)
{
	// Each run is stopped after 60 seconds, so that a wait shows as a failure.
	const std::string limit = "timeout 60 ";
	ASSERT_EQ(mkfifo((fDir / "pipe.tunk").c_str(), 0644), 0);
	PresetParams read;
	EXPECT_EQ(ReadPresetFile((fDir / "pipe.tunk").c_str(), &read), B_BAD_TYPE);
	Run run = Render("pipe.tunk -o out.wav", limit);
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: pipe.tunk: Not a regular file\n");
	// Nobody reads these pipes.
	run = Render("--save-preset pipe.tunk -o out.wav", limit);
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("tunk-render: pipe.tunk: Broken pipe\n"), std::string::npos) << run.err;
	ASSERT_EQ(mkfifo((fDir / "pipe.wav").c_str(), 0644), 0);
	run = Render("-o pipe.wav", limit);
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: pipe.wav: Broken pipe\n");

	// What -o - writes, a pipe with a reader and /dev/stdout get too.
	auto shell = [&](const std::string& command) {
		return std::system(("cd '" + fDir.Path() + "' && " + limit + command).c_str());
	};
	ASSERT_EQ(shell("'" TUNK_RENDER_PATH "' -o - > standard.wav"), 0);
	const std::string standard = ReadBytes(fDir / "standard.wav");
	ASSERT_GT(standard.size(), 44u);
	EXPECT_EQ(shell("'" TUNK_RENDER_PATH "' -o /dev/stdout | cat > named.wav"), 0);
	EXPECT_EQ(ReadBytes(fDir / "named.wav"), standard);
	// The reader is there before the run; the pipe holds the whole short sound.
	const int reader = open((fDir / "pipe.wav").c_str(), O_RDONLY | O_NONBLOCK);
	ASSERT_GE(reader, 0);
	run = Render("-o pipe.wav", limit);
	EXPECT_EQ(run.status, 0) << run.err;
	std::string piped;
	char buffer[4096];
	for (ssize_t got; (got = ::read(reader, buffer, sizeof(buffer))) > 0;)
		piped.append(buffer, size_t(got));
	close(reader);
	EXPECT_EQ(piped, standard);

	// A reader that stops early ends the run with a message, not a signal or a wait.
	const int status = std::system(("cd '" + fDir.Path() + "' && bash -c \"" + limit + "'"
		TUNK_RENDER_PATH "' --set duration=3000 -o - 2>.err | head -c 10 >/dev/null; "
		"exit \\${PIPESTATUS[0]}\"").c_str());
	EXPECT_TRUE(WIFEXITED(status));
	EXPECT_EQ(WEXITSTATUS(status), 1);
	EXPECT_EQ(ReadBytes(fDir / ".err"), "tunk-render: standard output: Broken pipe\n");
}

TEST_F(FileBadInput, ASoundIsNeverWrittenOverAPreset)
{
	const std::string preset = fDir / "x.tunk";
	WriteBytes(preset, Record(AllOn()));
	Run run = Render("-f wav -o x.tunk");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: x.tunk: is a Tunk preset; not overwritten with sound\n");
	EXPECT_EQ(ReadBytes(preset), Record(AllOn()));
	// Anything else under that name is the user's to replace.
	WriteBytes(preset, "not a preset");
	EXPECT_EQ(Render("-f wav -o x.tunk").status, 0);
	EXPECT_NE(ReadBytes(preset), "not a preset");
}
