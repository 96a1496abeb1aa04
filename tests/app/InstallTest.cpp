// What an install puts in place, and that the desktop's MIME database built from it knows a
// preset by its magic.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "kits/storage/TempDir.h"

extern char** environ;

namespace {

int RunCommand(std::vector<std::string> args)
{
	std::vector<char*> argv;
	for (std::string& s : args)
		argv.push_back(s.data());
	argv.push_back(nullptr);
	pid_t pid = 0;
	if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
		return -1;
	int status = 0;
	if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
		return -1;
	return WEXITSTATUS(status);
}

std::string Contents(const std::filesystem::path& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

TEST(Install, PutsTheProgramAndTheDesktopFilesInPlace)
{
	TempDir prefix;
	ASSERT_EQ(RunCommand({TUNK_CMAKE, "--install", TUNK_BUILD_DIR, "--prefix", prefix.Path()}), 0);
	namespace fs = std::filesystem;
	fs::path root(prefix.Path());

	EXPECT_TRUE(fs::exists(root / "bin/tunk"));
	EXPECT_TRUE(fs::exists(root / "bin/tunk-render"));

	std::string desktop = Contents(root / "share/applications/tunk.desktop");
	EXPECT_NE(desktop.find("\nExec=tunk %F\n"), std::string::npos);
	EXPECT_NE(desktop.find("\nMimeType=document/tunk-preset;\n"), std::string::npos);
	EXPECT_NE(desktop.find("\nIcon=tunk\n"), std::string::npos);
	EXPECT_TRUE(fs::exists(root / "share/icons/hicolor/scalable/apps/tunk.svg"));

	std::string package = Contents(root / "share/mime/packages/tunk-preset.xml");
	EXPECT_NE(package.find("type=\"document/tunk-preset\""), std::string::npos);
	if (RunCommand({"sh", "-c", "command -v update-mime-database >/dev/null"}) != 0)
		GTEST_SKIP() << "update-mime-database is missing: the MIME database was not built";
	// The database that update-mime-database built: the type, and its magic with the zero.
	EXPECT_TRUE(fs::exists(root / "share/mime/document/tunk-preset.xml"));
	std::string magic = Contents(root / "share/mime/magic");
	EXPECT_NE(magic.find("document/tunk-preset"), std::string::npos);
	EXPECT_NE(magic.find(std::string("T0NK\0", 5)), std::string::npos);
}
