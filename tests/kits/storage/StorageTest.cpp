#include <gtest/gtest.h>

#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "kits/storage/Directory.h"
#include "kits/storage/Entry.h"
#include "kits/storage/File.h"
#include "kits/storage/NodeInfo.h"
#include "kits/storage/Path.h"
#include "kits/storage/TempDir.h"

namespace {

void write_text(const std::string& path, const std::string& text)
{
	std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(Path, BuildsAbsolutePathsAndLeaves)
{
	BPath path("/a/b", "c.wav");
	ASSERT_EQ(path.InitCheck(), B_OK);
	EXPECT_STREQ(path.Path(), "/a/b/c.wav");
	EXPECT_STREQ(path.Leaf(), "c.wav");

	EXPECT_EQ(path.Append("d e", false), B_OK);
	EXPECT_STREQ(path.Path(), "/a/b/c.wav/d e");
	EXPECT_EQ(path.Append("/absolute"), B_BAD_VALUE);

	// Without normalising the text stays as given; with it "." and ".." are resolved.
	EXPECT_EQ(path.SetTo("/x/./y//../z"), B_OK);
	EXPECT_STREQ(path.Path(), "/x/./y//../z");
	EXPECT_EQ(path.SetTo("/x/./y//../z", nullptr, true), B_OK);
	EXPECT_STREQ(path.Path(), "/x/z");
	EXPECT_EQ(path.SetTo("/..", nullptr, true), B_OK);
	EXPECT_STREQ(path.Path(), "/");
	EXPECT_STREQ(path.Leaf(), "");

	BPath parent;
	BPath("/x/z").GetParent(&parent);
	EXPECT_STREQ(parent.Path(), "/x");
}

TEST(Path, RelativePathsStartAtTheCurrentDirectory)
{
	char cwd[1024];
	ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
	BPath path("some/file");
	EXPECT_EQ(std::string(path.Path()), std::string(cwd) + "/some/file");
}

TEST(Path, UnsetPathsRefuseWork)
{
	BPath path;
	EXPECT_EQ(path.InitCheck(), B_NO_INIT);
	EXPECT_EQ(path.Path(), nullptr);
	EXPECT_EQ(path.Leaf(), nullptr);
	EXPECT_EQ(path.Append("x"), B_NO_INIT);
	EXPECT_EQ(path.SetTo(nullptr), B_BAD_VALUE);
	EXPECT_EQ(path.SetTo(""), B_BAD_VALUE);
}

TEST(Entry, NamesEntriesWhoseDirectoryExists)
{
	TempDir dir;
	entry_ref ref(dir.Path().c_str(), "new.wav");
	BEntry entry(&ref);
	ASSERT_EQ(entry.InitCheck(), B_OK);
	EXPECT_FALSE(entry.Exists());
	BPath path;
	ASSERT_EQ(entry.GetPath(&path), B_OK);
	EXPECT_EQ(std::string(path.Path()), dir / "new.wav");

	write_text(dir / "new.wav", "x");
	EXPECT_TRUE(entry.Exists());
	entry_ref back;
	ASSERT_EQ(entry.GetRef(&back), B_OK);
	EXPECT_EQ(back, ref);
	EXPECT_EQ(entry.Remove(), B_OK);
	EXPECT_FALSE(std::filesystem::exists(dir / "new.wav"));

	entry_ref missing((dir / "nodir").c_str(), "x");
	EXPECT_EQ(BEntry(&missing).InitCheck(), B_ENTRY_NOT_FOUND);
	write_text(dir / "file", "");
	entry_ref underFile((dir / "file").c_str(), "x");
	EXPECT_EQ(BEntry(&underFile).InitCheck(), B_NOT_A_DIRECTORY);
	entry_ref empty;
	EXPECT_EQ(BEntry(&empty).InitCheck(), B_BAD_VALUE);
}

TEST(Entry, FollowsLinksOnlyWhenAsked)
{
	TempDir dir;
	std::filesystem::create_directory(dir / "real");
	std::filesystem::create_directory_symlink("real", dir / "link");
	entry_ref ref(dir.Path().c_str(), "link");
	BPath path;

	BEntry(&ref, false).GetPath(&path);
	EXPECT_EQ(std::string(path.Path()), dir / "link");
	BEntry(&ref, true).GetPath(&path);
	EXPECT_EQ(std::string(path.Path()), dir / "real");
}

TEST(Entry, RefForPathNeedsTheDirectory)
{
	TempDir dir;
	entry_ref ref;
	ASSERT_EQ(get_ref_for_path((dir / "a/../b.wav").c_str(), &ref), B_OK);
	EXPECT_EQ(ref.directory, dir.Path());
	EXPECT_EQ(ref.name, "b.wav");
	EXPECT_EQ(get_ref_for_path((dir / "none/b.wav").c_str(), &ref), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(get_ref_for_path(nullptr, &ref), B_BAD_VALUE);
}

TEST(File, OpenModesCreateEraseAndRefuse)
{
	TempDir dir;
	const std::string name = dir / "f";
	EXPECT_EQ(BFile(name.c_str(), B_READ_ONLY).InitCheck(), B_ENTRY_NOT_FOUND);

	{
		BFile file(name.c_str(), B_WRITE_ONLY | B_CREATE_FILE);
		ASSERT_EQ(file.InitCheck(), B_OK);
		EXPECT_EQ(file.Write("hello world", 11), 11);
	}
	EXPECT_EQ(BFile(name.c_str(), B_WRITE_ONLY | B_FAIL_IF_EXISTS).InitCheck(), B_FILE_EXISTS);

	// Without erasing, a write replaces the start and leaves the rest.
	BFile(name.c_str(), B_WRITE_ONLY | B_CREATE_FILE).Write("HELLO", 5);
	EXPECT_EQ(read_text(name), "HELLO world");
	BFile(name.c_str(), B_WRITE_ONLY | B_OPEN_AT_END).Write("!", 1);
	EXPECT_EQ(read_text(name), "HELLO world!");
	BFile(name.c_str(), B_WRITE_ONLY | B_ERASE_FILE).Write("new", 3);
	EXPECT_EQ(read_text(name), "new");

	BFile readOnly(name.c_str(), B_READ_ONLY);
	EXPECT_LT(readOnly.Write("x", 1), 0);
	EXPECT_FALSE(readOnly.IsWritable());
	EXPECT_EQ(BFile(dir.Path().c_str(), B_READ_ONLY).InitCheck(), B_IS_A_DIRECTORY);
}

TEST(File, ReadsAndWritesAtOffsetsAndReportsSize)
{
	TempDir dir;
	BDirectory directory(dir.Path().c_str());
	ASSERT_EQ(directory.InitCheck(), B_OK);
	BFile file(&directory, "data", B_READ_WRITE | B_CREATE_FILE);
	ASSERT_EQ(file.InitCheck(), B_OK);
	EXPECT_TRUE(directory.Contains("data"));

	EXPECT_EQ(file.WriteAt(4, "abcd", 4), 4);
	off_t size = 0;
	ASSERT_EQ(file.GetSize(&size), B_OK);
	EXPECT_EQ(size, 8);
	char buffer[8] = {};
	EXPECT_EQ(file.ReadAt(2, buffer, sizeof(buffer)), 6);  // short at the end
	EXPECT_EQ(std::string(buffer + 2, 4), "abcd");
	EXPECT_EQ(file.Position(), 0);  // offset calls leave the position alone
	EXPECT_EQ(file.Read(buffer, 8), 8);
	EXPECT_EQ(file.Read(buffer, 8), 0);
	EXPECT_EQ(file.ReadAt(-1, buffer, 1), B_BAD_VALUE);

	file.Unset();
	EXPECT_EQ(file.InitCheck(), B_NO_INIT);
	EXPECT_EQ(file.Read(buffer, 1), B_NO_INIT);
	EXPECT_EQ(file.GetSize(&size), B_NO_INIT);

	entry_ref ref(dir.Path().c_str(), "data");
	EXPECT_EQ(file.SetTo(&ref, B_READ_ONLY), B_OK);
	EXPECT_EQ(file.Read(buffer, 8), 8);
}

TEST(Directory, OpensDirectoriesOnly)
{
	TempDir dir;
	write_text(dir / "plain", "");
	entry_ref ref(dir.Path().c_str(), "plain");
	EXPECT_EQ(BDirectory(&ref).InitCheck(), B_NOT_A_DIRECTORY);
	EXPECT_EQ(BDirectory((dir / "missing").c_str()).InitCheck(), B_ENTRY_NOT_FOUND);

	BDirectory directory(dir.Path().c_str());
	ASSERT_EQ(directory.InitCheck(), B_OK);
	BFile file(&directory, "missing", B_READ_ONLY);
	EXPECT_EQ(file.InitCheck(), B_ENTRY_NOT_FOUND);
	BEntry entry;
	ASSERT_EQ(directory.GetEntry(&entry), B_OK);
	BPath path;
	entry.GetPath(&path);
	EXPECT_EQ(std::string(path.Path()), dir.Path());
}

TEST(NodeInfo, KeepsTypeAndPreferredAppInAttributes)
{
	TempDir dir;
	const std::string name = dir / "preset";
	BFile file(name.c_str(), B_WRITE_ONLY | B_CREATE_FILE);
	BNodeInfo info(&file);
	ASSERT_EQ(info.InitCheck(), B_OK);

	char text[B_MIME_TYPE_LENGTH];
	EXPECT_EQ(info.GetType(text), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(info.GetPreferredApp(text), B_ENTRY_NOT_FOUND);

	ASSERT_EQ(info.SetType("document/tunk-preset"), B_OK);
	ASSERT_EQ(info.SetPreferredApp("application/x-vnd.test"), B_OK);

	// The desktop reads the type from the standard attribute.
	char raw[64] = {};
	ssize_t length = getxattr(name.c_str(), "user.mime_type", raw, sizeof(raw));
	EXPECT_EQ(std::string(raw, length > 0 ? size_t(length) : 0), "document/tunk-preset");

	// A second node on the same file sees them.
	BFile again(name.c_str(), B_READ_ONLY);
	BNodeInfo other(&again);
	ASSERT_EQ(other.GetType(text), B_OK);
	EXPECT_STREQ(text, "document/tunk-preset");
	ASSERT_EQ(other.GetPreferredApp(text), B_OK);
	EXPECT_STREQ(text, "application/x-vnd.test");

	EXPECT_EQ(info.SetType(nullptr), B_OK);
	EXPECT_EQ(other.GetType(text), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(info.SetType(std::string(300, 'a').c_str()), B_BAD_VALUE);

	BNodeInfo unset;
	EXPECT_EQ(unset.GetType(text), B_NO_INIT);
}

TEST(NodeInfo, RefusedAttributesFailOnlyThatCall)
{
	// Device nodes take no user attributes, as some file systems take none at all.
	BFile device("/dev/null", B_READ_WRITE);
	ASSERT_EQ(device.InitCheck(), B_OK);
	BNodeInfo info(&device);
	EXPECT_LT(info.SetType("document/tunk-preset"), 0);
	EXPECT_LT(info.SetPreferredApp("application/x-vnd.test"), 0);
	char text[B_MIME_TYPE_LENGTH];
	EXPECT_LT(info.GetType(text), 0);
	EXPECT_EQ(device.Write("abc", 3), 3);
	EXPECT_EQ(device.InitCheck(), B_OK);
}
