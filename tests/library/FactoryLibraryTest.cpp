// Finding the factory sounds beside an installed binary or in the source tree, and reading
// categories, sounds and descriptions from real folders.
#include "preset/FactoryLibrary.h"

#include <fstream>
#include <gtest/gtest.h>

#include "kits/storage/TempDir.h"
#include "preset/PresetRecord.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes)
{
	fs::create_directories(path.parent_path());
	std::ofstream(path, std::ios::binary) << bytes;
}

void WritePreset(const fs::path& path)
{
	PresetBytes record = EncodePresetRecord(DefaultPresetParams());
	WriteFile(path, std::string(record.begin(), record.end()));
}

std::vector<std::string> Names(const std::vector<fs::path>& files)
{
	std::vector<std::string> names;
	for (const fs::path& file : files)
		names.push_back(file.filename().string());
	return names;
}

} // namespace

TEST(FactoryLibrary, PrefersTheInstalledFolderBesideTheBinaryOverTheSourceTree)
{
	TempDir root;
	fs::path prefix = root / "usr";
	fs::path source = root / "src/data/presets";
	fs::path binary = prefix / "bin/tunk";
	WriteFile(binary, "");
	WritePreset(source / "Kicks/Source Kick.tunk");

	EXPECT_EQ(FindFactoryFolder(binary, source), source);
	// Folders without a preset in them are no library.
	fs::create_directories(prefix / "share/tunk/presets/Kicks");
	WriteFile(prefix / "share/tunk/presets/Kicks/index.txt", "Kick\tnot there\n");
	EXPECT_EQ(FindFactoryFolder(binary, source), source);

	WritePreset(prefix / "share/tunk/presets/Kicks/Installed Kick.tunk");
	EXPECT_EQ(
	    FindFactoryFolder(binary, source), (prefix / "share/tunk/presets").lexically_normal());
	EXPECT_EQ(FindFactoryFolder(binary, ""), (prefix / "share/tunk/presets").lexically_normal());

	EXPECT_EQ(FindFactoryFolder(root / "elsewhere/tunk", root / "missing"), fs::path());
	EXPECT_EQ(FindFactoryFolder("", ""), fs::path());
}

TEST(FactoryLibrary, TheRunningProgramIsItsOwnExecutable)
{
	fs::path self = OwnExecutable();
	EXPECT_EQ(self.filename(), "tunk_library_test");
	EXPECT_TRUE(fs::is_regular_file(self));
}

// Browsing takes a folder's presets by their magic, whatever their names, in reading order.
TEST(FactoryLibrary, PresetFilesAreThoseWithTheMagicSortedAsPeopleRead)
{
	TempDir dir;
	fs::path folder = dir.Path();
	WritePreset(folder / "beta.tunk");
	WritePreset(folder / "Alpha.tunk");
	WritePreset(folder / "alpha 2.tunk");
	WritePreset(folder / "Gamma"); // no extension, still a preset
	WriteFile(folder / "notes.tunk", "just some text that is long enough to be a preset......");
	WriteFile(folder / "almost.tunk", std::string("T0NKx", 5) + std::string(47, '\0'));
	WriteFile(folder / "short.tunk", "T0N");
	WriteFile(folder / "empty.tunk", "");
	WritePreset(folder / "sub/inner.tunk");

	EXPECT_EQ(Names(PresetFilesIn(folder)),
	    (std::vector<std::string>{"alpha 2.tunk", "Alpha.tunk", "beta.tunk", "Gamma"}));
	EXPECT_TRUE(PresetFilesIn(folder / "missing").empty());
	EXPECT_TRUE(NameLess("a", "B"));
	EXPECT_TRUE(NameLess("B", "b")); // same letters: byte order decides, so no two tie
	EXPECT_FALSE(NameLess("b", "B"));
	EXPECT_FALSE(NameLess("a", "a"));
}

TEST(FactoryLibrary, ReadsCategoriesSoundsAndTheirDescriptions)
{
	TempDir dir;
	fs::path folder = dir.Path();
	WritePreset(folder / "Zaps/Pew.tunk");
	WritePreset(folder / "Kicks/Punchy Kick.tunk");
	WritePreset(folder / "Kicks/deep Kick.tunk");
	WritePreset(folder / "Kicks/Raw");
	WriteFile(folder / "Kicks/index.txt",
	    "Punchy Kick\tCuts through a mix\r\ndeep Kick\tLow and long\nmalformed line\n\tno name\n");
	fs::create_directories(folder / "Empty");
	WriteFile(folder / "Empty/index.txt", "Nothing\there\n");
	WriteFile(folder / "stray.tunk", "");

	std::vector<FactoryCategory> library = ReadFactoryLibrary(folder);
	ASSERT_EQ(library.size(), 2u);
	EXPECT_EQ(library[0].name, "Kicks");
	EXPECT_EQ(library[1].name, "Zaps");
	const std::vector<FactorySound>& kicks = library[0].sounds;
	ASSERT_EQ(kicks.size(), 3u);
	EXPECT_EQ(kicks[0].name, "deep Kick");
	EXPECT_EQ(kicks[0].description, "Low and long");
	EXPECT_EQ(kicks[1].name, "Punchy Kick");
	EXPECT_EQ(kicks[1].description, "Cuts through a mix");
	EXPECT_EQ(kicks[1].path, folder / "Kicks/Punchy Kick.tunk");
	EXPECT_EQ(kicks[2].name, "Raw");
	EXPECT_EQ(kicks[2].description, "");
	EXPECT_EQ(library[1].sounds.at(0).description, ""); // a folder without an index

	EXPECT_TRUE(ReadFactoryLibrary(folder / "missing").empty());
}

TEST(FactoryLibrary, TheSourceTreeHoldsTheShippedLibrary)
{
	fs::path source = fs::path(TUNK_SOURCE_DIR) / "data/presets";
	EXPECT_EQ(FindFactoryFolder(OwnExecutable(), source), source);
	// This test runs from the build, so the program's own search finds the source tree.
	EXPECT_EQ(FindFactoryFolder(), source);
}

TEST(FactoryLibrary, BrowsingStepsThroughTheFoldersPresetsAndWrapsAround)
{
	TempDir dir;
	fs::path folder = dir.Path();
	WritePreset(folder / "b.tunk");
	WritePreset(folder / "A.tunk");
	WritePreset(folder / "c");
	WriteFile(folder / "b2.txt", "not a preset");

	EXPECT_EQ(NeighbourPreset(folder / "A.tunk", 1), folder / "b.tunk");
	EXPECT_EQ(NeighbourPreset(folder / "b.tunk", 1), folder / "c"); // b2.txt is skipped
	EXPECT_EQ(NeighbourPreset(folder / "c", 1), folder / "A.tunk");
	EXPECT_EQ(NeighbourPreset(folder / "A.tunk", -1), folder / "c");
	EXPECT_EQ(NeighbourPreset(folder / "c", -1), folder / "b.tunk");
	EXPECT_EQ(NeighbourPreset(folder / "b.tunk", 4), folder / "c");
	// A file no longer there, or no preset, is placed by its name.
	EXPECT_EQ(NeighbourPreset(folder / "b2.txt", 1), folder / "c");
	EXPECT_EQ(NeighbourPreset(folder / "b2.txt", -1), folder / "b.tunk");
	EXPECT_EQ(NeighbourPreset(folder / "0 gone", 1), folder / "A.tunk");
	EXPECT_EQ(NeighbourPreset(folder / "0 gone", -1), folder / "c");
	EXPECT_EQ(NeighbourPreset(folder / "z gone", 1), folder / "A.tunk");
	EXPECT_EQ(NeighbourPreset(folder / "z gone", -1), folder / "c");

	TempDir single;
	WritePreset(single / "only.tunk");
	EXPECT_EQ(NeighbourPreset(single / "only.tunk", 1), fs::path(single / "only.tunk"));
	TempDir none;
	EXPECT_EQ(NeighbourPreset(none / "x.tunk", 1), fs::path());
}
