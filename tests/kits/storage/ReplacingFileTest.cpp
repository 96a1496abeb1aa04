#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "kits/storage/ReplacingFile.h"
#include "kits/storage/TempDir.h"

namespace {

namespace fs = std::filesystem;

void write_text(const std::string& path, const std::string& text)
{
	std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> entries(const std::string& directory)
{
	std::vector<std::string> names;
	for (const fs::directory_entry& entry : fs::directory_iterator(directory))
		names.push_back(entry.path().filename().string());
	std::sort(names.begin(), names.end());
	return names;
}

status_t replace(const std::string& path, const std::string& text)
{
	ReplacingFile file;
	if (status_t status = file.SetTo(path.c_str()); status != B_OK)
		return status;
	if (status_t status = file.Write(text.data(), text.size()); status != B_OK)
		return status;
	return file.Commit();
}

mode_t mode_of(const std::string& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(ReplacingFile, TheOldFileStaysWholeUntilTheNewOneIsCommitted)
{
	TempDir dir;
	const std::string path = dir / "a.wav";
	write_text(path, "the old sound");
	{
		ReplacingFile file;
		ASSERT_EQ(file.SetTo(path.c_str()), B_OK);
		EXPECT_FALSE(file.IsStream());
		ASSERT_EQ(file.Write("the new", 7), B_OK);
		EXPECT_EQ(read_text(path), "the old sound");
		file.Abandon();
	}
	EXPECT_EQ(read_text(path), "the old sound");
	EXPECT_EQ(entries(dir.Path()), std::vector<std::string>{"a.wav"}) << "no hidden file left";
	{
		// Dropped without a commit: the same.
		ReplacingFile file;
		ASSERT_EQ(file.SetTo(path.c_str()), B_OK);
		ASSERT_EQ(file.Write("the new", 7), B_OK);
	}
	EXPECT_EQ(read_text(path), "the old sound");
	EXPECT_EQ(entries(dir.Path()), std::vector<std::string>{"a.wav"});

	EXPECT_EQ(replace(path, "the new sound"), B_OK);
	EXPECT_EQ(read_text(path), "the new sound");
	EXPECT_EQ(replace(dir / "b.wav", "a new file"), B_OK);
	EXPECT_EQ(read_text(dir / "b.wav"), "a new file");
	EXPECT_EQ(entries(dir.Path()), (std::vector<std::string>{"a.wav", "b.wav"}));

	// The longest name the system allows still has room for the hidden file beside it.
	const std::string longest = dir / std::string(255, 'n');
	EXPECT_EQ(replace(longest, "long"), B_OK);
	EXPECT_EQ(read_text(longest), "long");
}

TEST(ReplacingFile, ALinkStaysALinkAndItsTargetIsReplaced)
{
	TempDir dir;
	fs::create_directory(dir / "sounds");
	write_text(dir / "sounds/real.wav", "old");
	fs::create_symlink("sounds/real.wav", dir / "link.wav");
	fs::create_symlink("link.wav", dir / "link2.wav");
	EXPECT_EQ(replace(dir / "link2.wav", "new"), B_OK);
	EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
	EXPECT_TRUE(fs::is_symlink(dir / "link2.wav"));
	EXPECT_EQ(fs::read_symlink(dir / "link.wav"), "sounds/real.wav");
	EXPECT_EQ(read_text(dir / "sounds/real.wav"), "new");
	EXPECT_EQ(entries(dir / "sounds"), std::vector<std::string>{"real.wav"});

	// A link to nothing yet makes its target.
	fs::create_symlink("sounds/later.wav", dir / "dangling.wav");
	EXPECT_EQ(replace(dir / "dangling.wav", "made"), B_OK);
	EXPECT_TRUE(fs::is_symlink(dir / "dangling.wav"));
	EXPECT_EQ(read_text(dir / "sounds/later.wav"), "made");
}

TEST(ReplacingFile, ANewFileGetsTheUsualModeAndAReplacedOneKeepsItsOwn)
{
	TempDir dir;
	const mode_t before = umask(022);
	EXPECT_EQ(replace(dir / "new", "x"), B_OK);
	EXPECT_EQ(mode_of(dir / "new"), 0644u);
	umask(077);
	EXPECT_EQ(replace(dir / "private", "x"), B_OK);
	EXPECT_EQ(mode_of(dir / "private"), 0600u);
	umask(before);

	write_text(dir / "kept", "old");
	fs::permissions(dir / "kept", fs::perms(0640));
	const bool attributes = setxattr((dir / "kept").c_str(), "user.mime_type", "audio/x-wav", 11, 0) == 0;
	EXPECT_EQ(replace(dir / "kept", "new"), B_OK);
	EXPECT_EQ(mode_of(dir / "kept"), 0640u);
	if (attributes) {
		char type[32] = {};
		EXPECT_EQ(getxattr((dir / "kept").c_str(), "user.mime_type", type, sizeof(type)), 11);
		EXPECT_STREQ(type, "audio/x-wav");
	} else {
		std::fprintf(stderr, "note: this file system takes no user attributes; not checked\n");
	}
}

TEST(ReplacingFile, TargetsThatAreNoFileAreWrittenInPlaceOrRefusedAtOnce)
{
	TempDir dir;
	fs::create_directory(dir / "folder");
	EXPECT_EQ(replace(dir / "folder", "x"), B_IS_A_DIRECTORY);
	EXPECT_EQ(replace(dir / "missing/x", "x"), B_ENTRY_NOT_FOUND);

	// A pipe that no program reads: refused without waiting for one.
	ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
	EXPECT_EQ(replace(dir / "pipe", "x"), B_BUSTED_PIPE);
	EXPECT_EQ(DescribeStatus(B_BUSTED_PIPE), "Broken pipe");

	// A pipe that a program reads gets the contents; so does a device.
	std::string got;
	std::thread reader([&] { got = read_text(dir / "pipe"); });
	status_t status = B_ERROR;
	for (int tries = 0; tries < 2000 && (status = replace(dir / "pipe", "piped")) == B_BUSTED_PIPE;
		 tries++)
		usleep(1000);
	reader.join();
	EXPECT_EQ(status, B_OK);
	EXPECT_EQ(got, "piped");
	struct stat st;
	ASSERT_EQ(lstat((dir / "pipe").c_str(), &st), 0);
	EXPECT_TRUE(S_ISFIFO(st.st_mode));
	EXPECT_EQ(replace("/dev/null", "nothing"), B_OK);
	EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(ReplacingFile, FailuresNameTheirCause)
{
	TempDir dir;
	fs::create_symlink("b", dir / "a");
	fs::create_symlink("a", dir / "b");
	const status_t loop = replace(dir / "a", "x");
	EXPECT_EQ(loop, B_LINK_LIMIT);
	EXPECT_EQ(DescribeStatus(loop), "Too many levels of symbolic links");

	const status_t tooLong = replace(dir / std::string(256, 'n'), "x");
	EXPECT_EQ(tooLong, B_NAME_TOO_LONG);
	EXPECT_EQ(DescribeStatus(tooLong), "File name too long");
	EXPECT_EQ(entries(dir.Path()), (std::vector<std::string>{"a", "b"}));
}

TEST(ReplacingFile, AReaderThatStopsIsABrokenPipeNotTheEndOfTheProcess)
{
	int ends[2];
	ASSERT_EQ(pipe(ends), 0);
	close(ends[0]);
	const std::string data(100000, 'x');
	EXPECT_EQ(write_fully(ends[1], data.data(), data.size()), B_BUSTED_PIPE);
	close(ends[1]);
	sigset_t pending;
	sigpending(&pending);
	EXPECT_EQ(sigismember(&pending, SIGPIPE), 0) << "the signal was taken back";
}
