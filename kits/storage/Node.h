// BNode: an open file system node (a file or a directory) held by its descriptor.
// BNodeInfo keeps its type attributes on the node.
#pragma once

#include <sys/stat.h>

#include <string>

#include "kits/support/SupportDefs.h"

class BNode {
public:
	BNode() = default;
	virtual ~BNode();

	BNode(const BNode&) = delete;
	BNode& operator=(const BNode&) = delete;

	status_t InitCheck() const { return fStatus; }
	virtual void Unset();

	// Named attributes (extended attributes in the "user." namespace). Reads give the byte
	// count or a negative status; a file system that refuses attributes fails these calls only.
	ssize_t ReadAttr(const char* name, void* buffer, size_t size) const;
	status_t WriteAttr(const char* name, const void* buffer, size_t size);
	status_t RemoveAttr(const char* name);

	// The node's kind, mode, size and times, as the system keeps them.
	status_t GetStat(struct stat* st) const;

	// The descriptor, -1 while nothing is open.
	int FileDescriptor() const { return fFd; }
	// The path the node was opened by.
	const char* NodePath() const { return fPath.c_str(); }

protected:
	// Takes over an open descriptor (or records the failure when fd < 0).
	status_t SetFd(int fd, const std::string& path, int openErrno);

private:
	int fFd = -1;
	std::string fPath;
	status_t fStatus = B_NO_INIT;
};
