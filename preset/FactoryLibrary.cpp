#include "preset/FactoryLibrary.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <system_error>

#include "preset/PresetRecord.h"

namespace fs = std::filesystem;

namespace {

bool StartsWithMagic(const fs::path& file)
{
	std::ifstream in(file, std::ios::binary);
	char head[sizeof(kPresetMagic)] = {};
	return in.read(head, sizeof(head)) && std::equal(head, head + sizeof(head), kPresetMagic);
}

// Name -> description from a folder's index; a missing index describes nothing.
std::map<std::string, std::string> ReadIndex(const fs::path& folder)
{
	std::map<std::string, std::string> descriptions;
	std::ifstream in(folder / "index.txt");
	std::string line;
	while (std::getline(in, line)) {
		if (!line.empty() && line.back() == '\r')
			line.pop_back();
		size_t tab = line.find('\t');
		if (tab == std::string::npos || tab == 0)
			continue;
		descriptions.emplace(line.substr(0, tab), line.substr(tab + 1));
	}
	return descriptions;
}

bool HasCategory(const fs::path& folder)
{
	std::error_code error;
	for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
		if (entry.is_directory(error) && !PresetFilesIn(entry.path()).empty())
			return true;
	return false;
}

} // namespace

bool NameLess(const std::string& a, const std::string& b)
{
	auto lower = [](unsigned char c) { return std::tolower(c); };
	bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
	    [&](unsigned char x, unsigned char y) { return lower(x) < lower(y); });
	bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
	    [&](unsigned char x, unsigned char y) { return lower(x) < lower(y); });
	if (less || greater)
		return less;
	return a < b;
}

fs::path FindFactoryFolder(const fs::path& executable, const fs::path& sourceFolder)
{
	if (!executable.empty()) {
		fs::path installed = executable.parent_path() / kInstalledPresetsFolder;
		if (HasCategory(installed))
			return installed.lexically_normal();
	}
	if (!sourceFolder.empty() && HasCategory(sourceFolder))
		return sourceFolder;
	return {};
}

bool RunsFromItsBuild()
{
#if defined(TUNK_BUILD_TREE)
	const fs::path build = fs::path(TUNK_BUILD_TREE).lexically_normal();
	const fs::path relative = OwnExecutable().lexically_normal().lexically_relative(build);
	return !relative.empty() && *relative.begin() != "..";
#else
	return false;
#endif
}

fs::path FindFactoryFolder()
{
	fs::path source;
#if defined(TUNK_SOURCE_PRESETS)
	// Only a program of this build may look into its source tree: an installed one that
	// lost its presets should not pick up whatever lies at a path of the build machine.
	if (RunsFromItsBuild())
		source = TUNK_SOURCE_PRESETS;
#endif
	return FindFactoryFolder(OwnExecutable(), source);
}

fs::path OwnExecutable()
{
	std::error_code error;
	fs::path self = fs::read_symlink("/proc/self/exe", error);
	return error ? fs::path() : self;
}

std::vector<fs::path> PresetFilesIn(const fs::path& folder)
{
	std::vector<fs::path> files;
	std::error_code error;
	for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
		if (entry.is_regular_file(error) && StartsWithMagic(entry.path()))
			files.push_back(entry.path());
	std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
		return NameLess(a.filename().string(), b.filename().string());
	});
	return files;
}

std::vector<FactoryCategory> ReadFactoryLibrary(const fs::path& folder)
{
	std::vector<FactoryCategory> categories;
	std::error_code error;
	for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
		if (!entry.is_directory(error))
			continue;
		FactoryCategory category{entry.path().filename().string(), entry.path(), {}};
		std::map<std::string, std::string> descriptions = ReadIndex(entry.path());
		for (const fs::path& file : PresetFilesIn(entry.path())) {
			std::string name = file.filename().string();
			if (file.extension() == ".tunk")
				name = file.stem().string();
			auto described = descriptions.find(name);
			category.sounds.push_back(
			    {name, file, described != descriptions.end() ? described->second : std::string()});
		}
		if (!category.sounds.empty())
			categories.push_back(std::move(category));
	}
	std::sort(categories.begin(), categories.end(),
	    [](const FactoryCategory& a, const FactoryCategory& b) {
		    return NameLess(a.name, b.name);
	    });
	return categories;
}

fs::path NeighbourPreset(const fs::path& current, int step)
{
	std::vector<fs::path> files = PresetFilesIn(current.parent_path());
	if (files.empty())
		return {};
	const std::string name = current.filename().string();
	auto at = std::lower_bound(
	    files.begin(), files.end(), name, [](const fs::path& file, const std::string& n) {
		    return NameLess(file.filename().string(), n);
	    });
	const int64_t count = int64_t(files.size());
	int64_t index = at - files.begin();
	const bool present = at != files.end() && at->filename() == name;
	// Standing between two files, the next is the one after the gap, the previous the one
	// before it.
	if (!present && step > 0)
		index--;
	int64_t target = ((index + step) % count + count) % count;
	return files[size_t(target)];
}
