// BFile: an open regular file, read and written at a position or at given offsets.
// Counts come back as byte counts, failures as negative status codes.
#pragma once

#include <sys/types.h>

#include "kits/storage/EntryRef.h"
#include "kits/storage/Node.h"
#include "kits/storage/StorageDefs.h"

class BDirectory;

class BFile : public BNode {
public:
	BFile() = default;
	BFile(const entry_ref* ref, uint32 openMode);
	BFile(const BDirectory* directory, const char* name, uint32 openMode);
	BFile(const char* path, uint32 openMode);

	status_t SetTo(const entry_ref* ref, uint32 openMode);
	status_t SetTo(const BDirectory* directory, const char* name, uint32 openMode);
	status_t SetTo(const char* path, uint32 openMode);

	ssize_t Read(void* buffer, size_t size);
	ssize_t Write(const void* buffer, size_t size);
	ssize_t ReadAt(off_t position, void* buffer, size_t size);
	ssize_t WriteAt(off_t position, const void* buffer, size_t size);
	off_t Position() const;
	status_t GetSize(off_t* size) const;

	bool IsReadable() const;
	bool IsWritable() const;

private:
	status_t Open(int directoryFd, const char* name, const std::string& path, uint32 openMode);

	uint32 fMode = 0;
};
