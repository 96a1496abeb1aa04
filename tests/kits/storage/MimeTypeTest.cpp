#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kits/storage/MimeType.h"
#include "kits/storage/StorageDefs.h"
#include "kits/storage/TempDir.h"

namespace {

std::string read_text(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points the registry at a fresh folder for one test.
class MimeTypeTest : public ::testing::Test {
protected:
	void SetUp() override { setenv("XDG_DATA_HOME", fData.Path().c_str(), 1); }
	void TearDown() override
	{
		wait_for_mime_database();
		unsetenv("XDG_DATA_HOME");
	}

	std::string Registry() const { return fData / "mime"; }

	TempDir fData;
};

} // namespace

TEST_F(MimeTypeTest, AcceptsOnlyWellFormedTypes)
{
	EXPECT_EQ(BMimeType("document/tunk-preset").InitCheck(), B_OK);
	EXPECT_STREQ(BMimeType("audio/x-wav").Type(), "audio/x-wav");
	for (const char* bad : {"", "document", "/sub", "super/", "a b/c", "a/b/c", "a/b;c"}) {
		BMimeType type(bad);
		EXPECT_EQ(type.InitCheck(), B_BAD_VALUE) << bad;
		EXPECT_EQ(type.Type(), nullptr);
		EXPECT_FALSE(type.IsInstalled());
	}
	EXPECT_EQ(BMimeType(nullptr).InitCheck(), B_BAD_VALUE);
}

TEST_F(MimeTypeTest, InstallWritesAPackageThatSurvivesARestart)
{
	const char kMagic[5] = {'T', '0', 'N', 'K', '\0'};
	{
		BMimeType type("document/tunk-preset");
		EXPECT_FALSE(type.IsInstalled());
		EXPECT_EQ(type.SetLongDescription("Tunk sample generation preset file"), B_OK);
		EXPECT_EQ(type.SetShortDescription("Tunk preset file"), B_OK);
		EXPECT_EQ(type.SetPreferredApp("application/x-vnd.Quillfeather-Tunk!"), B_OK);
		EXPECT_EQ(type.SetMagic(kMagic, sizeof(kMagic)), B_OK);
		// Setting values does not install the type by itself.
		EXPECT_FALSE(type.IsInstalled());
		EXPECT_FALSE(std::filesystem::exists(type.PackagePath()));
		ASSERT_EQ(type.Install(), B_OK);
		EXPECT_TRUE(type.IsInstalled());
		EXPECT_EQ(type.Install(), B_FILE_EXISTS);
	}

	const std::string package = Registry() + "/packages/document-tunk-preset.xml";
	const std::string xml = read_text(package);
	EXPECT_NE(xml.find("<mime-type type=\"document/tunk-preset\">"), std::string::npos);
	EXPECT_NE(xml.find("<comment>Tunk preset file</comment>"), std::string::npos);
	EXPECT_NE(xml.find("<match type=\"string\" offset=\"0\" value=\"T0NK\\000\"/>"),
		std::string::npos)
		<< xml;

	BMimeType later("document/tunk-preset");
	char text[B_MIME_TYPE_LENGTH];
	ASSERT_EQ(later.GetShortDescription(text), B_OK);
	EXPECT_STREQ(text, "Tunk preset file");
	ASSERT_EQ(later.GetLongDescription(text), B_OK);
	EXPECT_STREQ(text, "Tunk sample generation preset file");
	ASSERT_EQ(later.GetPreferredApp(text), B_OK);
	EXPECT_STREQ(text, "application/x-vnd.Quillfeather-Tunk!");
	std::string magic;
	int32 offset = -1;
	ASSERT_EQ(later.GetMagic(&magic, &offset), B_OK);
	EXPECT_EQ(magic, std::string(kMagic, 5));
	EXPECT_EQ(offset, 0);
}

TEST_F(MimeTypeTest, TheDesktopDatabaseLearnsTheMagic)
{
	if (std::system("command -v update-mime-database >/dev/null 2>&1") != 0)
		GTEST_SKIP() << "update-mime-database is not installed";
	BMimeType type("document/tunk-preset");
	type.SetShortDescription("Tunk preset file");
	type.SetMagic("T0NK", 5);
	ASSERT_EQ(type.Install(), B_OK);
	wait_for_mime_database();

	// The compiled magic file holds the type and the five bytes, terminator included.
	const std::string magic = read_text(Registry() + "/magic");
	EXPECT_NE(magic.find("document/tunk-preset"), std::string::npos);
	EXPECT_NE(magic.find(std::string("\0\5T0NK\0", 7)), std::string::npos);
	EXPECT_NE(read_text(Registry() + "/document/tunk-preset.xml").find("Tunk preset file"),
		std::string::npos);
}

TEST_F(MimeTypeTest, SettersUpdateAnInstalledTypeAndEscapeText)
{
	BMimeType type("audio/x-tunk-test");
	ASSERT_EQ(type.Install(), B_OK);
	char text[B_MIME_TYPE_LENGTH];
	EXPECT_EQ(type.GetShortDescription(text), B_ENTRY_NOT_FOUND);

	const char* tricky = "Kicks & <snares> \"quoted\" 'single'";
	ASSERT_EQ(type.SetShortDescription(tricky), B_OK);
	ASSERT_EQ(BMimeType("audio/x-tunk-test").GetShortDescription(text), B_OK);
	EXPECT_STREQ(text, tricky);
	const char bytes[] = {'\\', '\x01', 'a', '\xff'};
	ASSERT_EQ(type.SetMagic(bytes, sizeof(bytes), 3), B_OK);
	std::string magic;
	int32 offset = 0;
	ASSERT_EQ(BMimeType("audio/x-tunk-test").GetMagic(&magic, &offset), B_OK);
	EXPECT_EQ(magic, std::string(bytes, sizeof(bytes)));
	EXPECT_EQ(offset, 3);

	EXPECT_EQ(type.SetShortDescription(std::string(300, 'x').c_str()), B_BAD_VALUE);
	EXPECT_EQ(type.SetShortDescription(nullptr), B_BAD_VALUE);

	ASSERT_EQ(type.Delete(), B_OK);
	EXPECT_FALSE(type.IsInstalled());
	EXPECT_EQ(type.Delete(), B_ENTRY_NOT_FOUND);
}

TEST_F(MimeTypeTest, RegistryDefaultsToTheHomeFolder)
{
	EXPECT_EQ(mime_registry_directory(), Registry());
	const char* home = std::getenv("HOME");
	std::string saved = home != nullptr ? home : "";
	unsetenv("XDG_DATA_HOME");
	setenv("HOME", "/home/someone", 1);
	EXPECT_EQ(mime_registry_directory(), "/home/someone/.local/share/mime");
	// A relative XDG_DATA_HOME is not valid and is ignored.
	setenv("XDG_DATA_HOME", "relative", 1);
	EXPECT_EQ(mime_registry_directory(), "/home/someone/.local/share/mime");
	setenv("HOME", saved.c_str(), 1);
}

TEST_F(MimeTypeTest, AnUnwritableRegistryFailsInstall)
{
	// A file where the registry's folder should be.
	std::ofstream(Registry()) << "";
	BMimeType type("document/tunk-preset");
	EXPECT_EQ(type.Install(), B_NOT_A_DIRECTORY);
	EXPECT_FALSE(type.IsInstalled());
}

TEST_F(MimeTypeTest, InstallLeavesTheDesktopDatabaseToTheBackground)
{
	// A stand-in for the tool that runs until the test lets it finish (or ten seconds pass).
	const std::string bin = fData / "bin";
	std::filesystem::create_directory(bin);
	const std::string tool = bin + "/update-mime-database";
	std::ofstream(tool) << "#!/bin/sh\n"
						   "touch \"$1/started\"\n"
						   "i=0\n"
						   "while [ ! -e \"$1/release\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
						   "touch \"$1/finished\"\n";
	std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
	const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
	setenv("PATH", (bin + ":" + path).c_str(), 1);

	BMimeType type("document/tunk-preset");
	type.SetShortDescription("Tunk preset file");
	EXPECT_EQ(type.Install(), B_OK);
	EXPECT_TRUE(type.IsInstalled()) << "the package is in place before the tool runs";
	EXPECT_FALSE(std::filesystem::exists(Registry() + "/finished"))
		<< "Install waited for the tool";

	std::ofstream(Registry() + "/release") << "";
	wait_for_mime_database();
	setenv("PATH", path.c_str(), 1);
	EXPECT_TRUE(std::filesystem::exists(Registry() + "/started"));
	EXPECT_TRUE(std::filesystem::exists(Registry() + "/finished"));
}
