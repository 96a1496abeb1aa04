// The factory kits shipped with the program: made from the factory sounds when the program is
// built (data/kits/kits.tsv), installed beside the factory sounds. No window toolkit here.
#pragma once

#include <filesystem>
#include <vector>

// Where an install puts the factory kits, relative to the folder of its binaries.
constexpr char kInstalledKitsFolder[] = "../share/tunk/kits";

// The folder of the factory kits for a program at `executable`: the installed folder beside it,
// else `buildFolder` (where the build made them, for a program run from its build). Empty when
// neither holds a kit.
std::filesystem::path FindFactoryKitsFolder(
	const std::filesystem::path& executable, const std::filesystem::path& buildFolder);

// The same for the running program.
std::filesystem::path FindFactoryKitsFolder();

// The kit files of a folder (names ending in .tunkkit), sorted as a person reads a list.
std::vector<std::filesystem::path> KitFilesIn(const std::filesystem::path& folder);
