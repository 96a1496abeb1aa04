// BMimeType: a file type and its entry in the type registry. The registry is the
// desktop's shared-mime-info database under $XDG_DATA_HOME/mime (default
// ~/.local/share/mime): each installed type is one package file there holding its
// short description, optional magic bytes, and our own extras (long description,
// preferred application), so that file managers recognise the type and the getters
// work again after a restart.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

class BMimeType {
public:
	BMimeType() = default;
	explicit BMimeType(const char* type);

	// B_BAD_VALUE unless the type reads "supertype/subtype" with no spaces or special characters.
	status_t SetTo(const char* type);
	status_t InitCheck() const { return fStatus; }
	const char* Type() const;

	bool IsInstalled() const;
	// Writes the type with every value set on this object so far; B_FILE_EXISTS if installed.
	status_t Install();
	status_t Delete();

	// On an installed type the setters update the registry at once; otherwise the values
	// wait on this object for Install(). Getters fill buffers of B_MIME_TYPE_LENGTH bytes
	// and give B_ENTRY_NOT_FOUND for a value that was never set.
	status_t SetShortDescription(const char* description);
	status_t SetLongDescription(const char* description);
	status_t SetPreferredApp(const char* signature);
	status_t GetShortDescription(char* description) const;
	status_t GetLongDescription(char* description) const;
	status_t GetPreferredApp(char* signature) const;

	// Bytes that files of this type carry at the given offset, for content sniffing.
	status_t SetMagic(const void* bytes, size_t length, int32 offset = 0);
	status_t GetMagic(std::string* bytes, int32* offset) const;

	// The package file of this type in the registry (whether installed or not).
	std::string PackagePath() const;

	struct Record {
		std::string shortDescription;
		std::string longDescription;
		std::string preferredApp;
		std::string magic;
		int32 magicOffset = 0;
	};

private:
	status_t Load(Record* record) const;
	status_t Store(const Record& record) const;
	status_t Set(std::string Record::*field, const char* value);
	status_t Get(std::string Record::*field, char* buffer) const;

	std::string fType;
	status_t fStatus = B_NO_INIT;
	Record fPending;
};

// The registry folder: $XDG_DATA_HOME/mime, or ~/.local/share/mime.
std::string mime_registry_directory();

// The desktop's caches are rebuilt (update-mime-database) in the background after each
// change of the registry. Waits until every rebuild asked for so far is done: for callers
// that read the caches themselves, such as tests.
void wait_for_mime_database();
