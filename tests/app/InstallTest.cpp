// What an install puts in place: the programs, the factory sounds, and desktop files that
// the desktop's own validators accept and whose MIME database knows a preset by its magic.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "app/ChildProcess.h"
#include "engine/core/Params.h"
#include "kits/storage/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Runs a program and waits for it; its output and errors go to `output` when given.
int RunCommand(const std::vector<std::string>& args, const std::string& output = "")
{
	Child child;
	if (!child.Start(args, {}, output))
		return -1;
	return child.Finish().value_or(-1);
}

bool HaveProgram(const std::string& name)
{
	return FindProgram(name.c_str()).has_value();
}

std::string Contents(const fs::path& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Relative paths of the regular files under `root`.
std::set<std::string> FilesUnder(const fs::path& root)
{
	std::set<std::string> files;
	for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
		if (entry.is_regular_file())
			files.insert(fs::relative(entry.path(), root).string());
	return files;
}

class Install : public testing::Test {
protected:
	static void SetUpTestSuite()
	{
		sPrefix = new TempDir;
		sInstalled =
		    RunCommand({TUNK_CMAKE, "--install", TUNK_BUILD_DIR, "--prefix", sPrefix->Path()},
		        *sPrefix / "install.log") == 0;
	}
	static void TearDownTestSuite()
	{
		delete sPrefix;
		sPrefix = nullptr;
	}
	void SetUp() override { ASSERT_TRUE(sInstalled) << Contents(*sPrefix / "install.log"); }

	static fs::path Root() { return sPrefix->Path(); }

	static TempDir* sPrefix;
	static bool sInstalled;
};

TempDir* Install::sPrefix = nullptr;
bool Install::sInstalled = false;

} // namespace

TEST_F(Install, PutsTheProgramsAndTheDesktopFilesInPlace)
{
	EXPECT_TRUE(fs::exists(Root() / "bin/tunk"));
	EXPECT_TRUE(fs::exists(Root() / "bin/tunk-render"));

	std::string desktop = Contents(Root() / "share/applications/tunk.desktop");
	EXPECT_NE(desktop.find("\nExec=tunk %F\n"), std::string::npos);
	EXPECT_NE(desktop.find("\nMimeType=application/x-tunk-preset;application/x-tunk-kit;\n"), std::string::npos);
	EXPECT_NE(desktop.find("\nIcon=tunk\n"), std::string::npos);
	EXPECT_TRUE(fs::exists(Root() / "share/icons/hicolor/scalable/apps/tunk.svg"));

	std::string package = Contents(Root() / "share/mime/packages/tunk-preset.xml");
	EXPECT_NE(package.find("type=\"application/x-tunk-preset\""), std::string::npos);
	EXPECT_NE(package.find("<alias type=\"document/tunk-preset\"/>"), std::string::npos);
	EXPECT_NE(package.find("<glob pattern=\"*.tunk\"/>"), std::string::npos);

	std::string metainfo = Contents(Root() / "share/metainfo/com.quillfeather.Tunk.metainfo.xml");
	EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">tunk.desktop</launchable>"),
	    std::string::npos);
	EXPECT_NE(metainfo.find("<binary>tunk</binary>"), std::string::npos);
	EXPECT_NE(metainfo.find("<binary>tunk-render</binary>"), std::string::npos);
	EXPECT_NE(metainfo.find("/screenshot.png</image>"), std::string::npos);
	EXPECT_EQ(metainfo.find('@'), std::string::npos) << "a placeholder was left unfilled";
}

TEST_F(Install, PutsManualPagesThatListEveryParameterAndTheLicence)
{
	fs::path pages = Root() / "share/man/man1";
	std::string tunk = Contents(pages / "tunk.1");
	EXPECT_NE(tunk.find(".SH NAME\ntunk \\- "), std::string::npos) << tunk;
	EXPECT_NE(tunk.find("preset file"), std::string::npos) << "the help is missing:\n" << tunk;

	std::string render = Contents(pages / "tunk-render.1");
	EXPECT_NE(render.find(".SH NAME\ntunk-render \\- "), std::string::npos) << render;
	for (const tunk::ParamInfo& info : tunk::kParams)
		EXPECT_NE(render.find(info.symbol), std::string::npos) << info.symbol;
	for (const std::string& page : {tunk, render})
		EXPECT_NE(page.find("GNU General Public License, version 3"), std::string::npos);

	EXPECT_EQ(Contents(Root() / "share/doc/Tunk/LICENSE"),
	    Contents(fs::path(TUNK_SOURCE_DIR) / "LICENSE"));
}

TEST_F(Install, BuildsAMimeDatabaseThatKnowsPresetsByMagicNameAndAlias)
{
	if (!HaveProgram("update-mime-database"))
		GTEST_SKIP() << "update-mime-database is missing: the MIME database was not built";
	fs::path mime = Root() / "share/mime";
	EXPECT_TRUE(fs::exists(mime / "application/x-tunk-preset.xml"));
	std::string magic = Contents(mime / "magic");
	EXPECT_NE(magic.find("application/x-tunk-preset"), std::string::npos);
	EXPECT_NE(magic.find(std::string("T0NK\0", 5)), std::string::npos);
	EXPECT_NE(Contents(mime / "aliases").find("document/tunk-preset application/x-tunk-preset\n"),
	    std::string::npos);
	EXPECT_NE(
	    Contents(mime / "globs2").find(":application/x-tunk-preset:*.tunk"), std::string::npos);
}

TEST_F(Install, BuildsAMimeDatabaseThatKnowsKitsByTheirFirstKeyAndName)
{
	if (!HaveProgram("update-mime-database"))
		GTEST_SKIP() << "update-mime-database is missing: the MIME database was not built";
	fs::path mime = Root() / "share/mime";
	EXPECT_TRUE(fs::exists(mime / "application/x-tunk-kit.xml"));
	const std::string magic = Contents(mime / "magic");
	const size_t kit = magic.find("[80:application/x-tunk-kit]\n");
	ASSERT_NE(kit, std::string::npos);
	EXPECT_EQ(magic.find(">0=", kit), magic.find("\n", kit) + 1);
	EXPECT_NE(magic.find("\"tunkKit\"", kit), std::string::npos);
	EXPECT_NE(Contents(mime / "globs2").find(":application/x-tunk-kit:*.tunkkit"), std::string::npos);
	EXPECT_NE(Contents(mime / "subclasses").find("application/x-tunk-kit application/json"),
	    std::string::npos);
}

// desktop-file-validate reports errors it does not yet count as fatal with status 0, so
// its report must be empty too.
TEST_F(Install, DesktopEntryAndAppStreamFilePassTheirValidators)
{
	if (!HaveProgram("desktop-file-validate") || !HaveProgram("appstreamcli"))
		GTEST_SKIP() << "desktop-file-utils or appstream is missing";
	std::string report = *sPrefix / "validate.log";
	EXPECT_EQ(
	    RunCommand({"desktop-file-validate", (Root() / "share/applications/tunk.desktop").string()},
	        report),
	    0);
	EXPECT_EQ(Contents(report), "");
	EXPECT_EQ(
	    RunCommand({"appstreamcli", "validate", "--no-net",
	                   (Root() / "share/metainfo/com.quillfeather.Tunk.metainfo.xml").string()},
	        report),
	    0)
	    << Contents(report);
}

TEST_F(Install, PutsEveryFactorySoundAndIndexUnderSharePresets)
{
	fs::path source = fs::path(TUNK_SOURCE_DIR) / "data/presets";
	std::set<std::string> expected;
	for (const std::string& file : FilesUnder(source))
		if (file.ends_with(".tunk") || file.ends_with("/index.txt"))
			expected.insert(file);
	ASSERT_GE(expected.size(), 48u);
	fs::path installed = Root() / "share/tunk/presets";
	// The table and the script the presets are made from are not installed.
	EXPECT_EQ(FilesUnder(installed), expected);
	EXPECT_EQ(Contents(installed / "Kicks/Punchy Kick.tunk"),
	    Contents(source / "Kicks/Punchy Kick.tunk"));
}

TEST_F(Install, PutsTheFactoryKitsBesideTheSounds)
{
	const fs::path made = fs::path(TUNK_BUILD_DIR) / "data/kits";
	std::set<std::string> expected;
	for (const std::string& file : FilesUnder(made))
		if (file.ends_with(".tunkkit"))
			expected.insert(file);
	ASSERT_GE(expected.size(), 4u);
	const fs::path installed = Root() / "share/tunk/kits";
	EXPECT_EQ(FilesUnder(installed), expected);
	for (const std::string& file : expected)
		EXPECT_EQ(Contents(installed / file), Contents(made / file)) << file;
}
