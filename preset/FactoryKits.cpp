#include "preset/FactoryKits.h"

#include <algorithm>
#include <system_error>

#include "preset/FactoryLibrary.h"
#include "preset/KitFile.h"

namespace fs = std::filesystem;

fs::path FindFactoryKitsFolder(const fs::path& executable, const fs::path& buildFolder)
{
	if (!executable.empty()) {
		const fs::path installed = executable.parent_path() / kInstalledKitsFolder;
		if (!KitFilesIn(installed).empty())
			return installed.lexically_normal();
	}
	if (!buildFolder.empty() && !KitFilesIn(buildFolder).empty())
		return buildFolder;
	return {};
}

fs::path FindFactoryKitsFolder()
{
	fs::path made;
#if defined(TUNK_BUILD_KITS)
	if (RunsFromItsBuild())
		made = TUNK_BUILD_KITS;
#endif
	return FindFactoryKitsFolder(OwnExecutable(), made);
}

std::vector<fs::path> KitFilesIn(const fs::path& folder)
{
	std::vector<fs::path> files;
	std::error_code error;
	for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
		if (entry.is_regular_file(error) && entry.path().extension() == kKitFileExtension)
			files.push_back(entry.path());
	}
	std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
		return NameLess(a.filename().string(), b.filename().string());
	});
	return files;
}
