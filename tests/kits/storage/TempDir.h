// A fresh directory under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempDir {
public:
	TempDir()
	{
		std::string pattern = (std::filesystem::temp_directory_path() / "tunk-XXXXXX").string();
		if (mkdtemp(pattern.data()) == nullptr)
			ADD_FAILURE() << "mkdtemp failed";
		fPath = pattern;
	}
	~TempDir()
	{
		std::error_code ignored;
		std::filesystem::remove_all(fPath, ignored);
	}
	TempDir(const TempDir&) = delete;
	TempDir& operator=(const TempDir&) = delete;

	const std::string& Path() const { return fPath; }
	std::string operator/(const std::string& leaf) const { return fPath + "/" + leaf; }

private:
	std::string fPath;
};
