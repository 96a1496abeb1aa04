// The factory sounds shipped with the program: where they are, their categories (one
// folder each) and their sounds (preset files), each with the one-line description kept in
// its folder's index file ("Name<TAB>description" a line). No window toolkit here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct FactorySound {
	std::string name; // the file name without ".tunk"
	std::filesystem::path path;
	std::string description; // empty when the index does not name the sound
};

struct FactoryCategory {
	std::string name; // the folder's name
	std::filesystem::path path;
	std::vector<FactorySound> sounds; // sorted by name
};

// Where an install puts the factory sounds, relative to the folder of its binaries.
constexpr char kInstalledPresetsFolder[] = "../share/tunk/presets";

// The folder of the factory sounds for a program at `executable`: the installed folder
// beside it, else `sourceFolder` (the source tree of a program run from its build). Empty
// when neither holds a category.
std::filesystem::path FindFactoryFolder(
    const std::filesystem::path& executable, const std::filesystem::path& sourceFolder);

// The folder of the factory sounds for the running program: FindFactoryFolder for its own
// file, with the source tree of its build when it runs from that build.
std::filesystem::path FindFactoryFolder();

// Whether the running program lies in the build tree it was built in (not installed): only
// then may it look for its data in that build's folders.
bool RunsFromItsBuild();

// The running program's own file; empty when the system does not say.
std::filesystem::path OwnExecutable();

// The categories under `folder`, sorted by name; folders without a preset are left out.
std::vector<FactoryCategory> ReadFactoryLibrary(const std::filesystem::path& folder);

// The preset files of one folder, whatever their names end with: the regular files whose
// first five bytes are the preset magic, sorted by name. Browsing a folder uses this order.
std::vector<std::filesystem::path> PresetFilesIn(const std::filesystem::path& folder);

// Orders names as a person reads a list: letters without regard to case, then byte order.
bool NameLess(const std::string& a, const std::string& b);

// Browsing a folder by ear: the preset `step` places after `current` (negative: before)
// in PresetFilesIn order, wrapping around at the ends. A `current` that is gone or no
// preset counts from where its name would stand. Empty when the folder holds no preset.
std::filesystem::path NeighbourPreset(const std::filesystem::path& current, int step);
