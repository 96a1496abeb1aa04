#include "kits/storage/MimeType.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "kits/storage/StorageDefs.h"

extern char** environ;

namespace {

constexpr char kExtrasNamespace[] = "urn:x-tunk:mime";

bool valid_type_part(const std::string& part)
{
	if (part.empty())
		return false;
	for (unsigned char c : part) {
		if (c <= ' ' || c >= 0x7f || std::strchr("()<>@,;:\\\"/[]?=", c) != nullptr)
			return false;
	}
	return true;
}

std::string xml_escape(const std::string& text)
{
	std::string out;
	for (char c : text) {
		switch (c) {
			case '&': out += "&amp;"; break;
			case '<': out += "&lt;"; break;
			case '>': out += "&gt;"; break;
			case '"': out += "&quot;"; break;
			case '\'': out += "&apos;"; break;
			default: out += c;
		}
	}
	return out;
}

std::string xml_unescape(const std::string& text)
{
	static const std::pair<const char*, char> kEntities[]
		= {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
	std::string out;
	for (size_t i = 0; i < text.size();) {
		bool matched = false;
		for (const auto& [entity, c] : kEntities) {
			size_t length = std::strlen(entity);
			if (text.compare(i, length, entity) == 0) {
				out += c;
				i += length;
				matched = true;
				break;
			}
		}
		if (!matched)
			out += text[i++];
	}
	return out;
}

// The magic as a shared-mime-info string value: C escapes, every byte outside
// printable ASCII (and the backslash) as three octal digits.
std::string magic_escape(const std::string& bytes)
{
	std::string out;
	for (unsigned char c : bytes) {
		if (c >= 0x20 && c < 0x7f && c != '\\') {
			out += char(c);
		} else {
			char octal[5];
			std::snprintf(octal, sizeof(octal), "\\%03o", c);
			out += octal;
		}
	}
	return out;
}

std::string magic_unescape(const std::string& text)
{
	std::string out;
	for (size_t i = 0; i < text.size(); i++) {
		if (text[i] != '\\' || i + 1 == text.size()) {
			out += text[i];
			continue;
		}
		int value = 0;
		size_t digits = 0;
		while (digits < 3 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7') {
			value = value * 8 + (text[++i] - '0');
			digits++;
		}
		out += digits > 0 ? char(value) : text[++i];
	}
	return out;
}

// The text between <tag...> and </tag>, false when absent.
bool element_text(const std::string& xml, const std::string& tag, std::string* text)
{
	size_t open = xml.find("<" + tag + ">");
	if (open == std::string::npos)
		return false;
	size_t start = open + tag.size() + 2;
	size_t end = xml.find("</" + tag + ">", start);
	if (end == std::string::npos)
		return false;
	*text = xml_unescape(xml.substr(start, end - start));
	return true;
}

bool attribute_value(const std::string& element, const std::string& name, std::string* value)
{
	size_t at = element.find(" " + name + "=\"");
	if (at == std::string::npos)
		return false;
	size_t start = at + name.size() + 3;
	size_t end = element.find('"', start);
	if (end == std::string::npos)
		return false;
	*value = xml_unescape(element.substr(start, end - start));
	return true;
}

status_t make_directories(const std::string& path)
{
	for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
		std::string prefix = path.substr(0, slash);
		if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
			return status_from_errno(errno);
		if (slash == std::string::npos)
			return B_OK;
	}
}

// Runs update-mime-database on `directory` and waits for it. A system without the tool
// still has the package files, which the next update reads.
void run_update(const std::string& directory)
{
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
	posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
	// Its own session: a terminal's Ctrl+C or hang-up for this program does not stop an
	// update halfway, and one still running when the program quits finishes on its own.
	posix_spawnattr_t attributes;
	posix_spawnattr_init(&attributes);
	posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
	char program[] = "update-mime-database";
	std::string dir = directory;
	char* argv[] = {program, dir.data(), nullptr};
	pid_t pid;
	if (posix_spawnp(&pid, program, &actions, &attributes, argv, environ) == 0) {
		int status;
		while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
		}
	}
	posix_spawnattr_destroy(&attributes);
	posix_spawn_file_actions_destroy(&actions);
}

// The updates asked for while one runs: the folders still to update, each once.
struct PendingUpdates {
	std::mutex lock;
	std::condition_variable idle;
	std::set<std::string> folders;
	bool running = false;
};

PendingUpdates& pending_updates()
{
	static PendingUpdates* updates = new PendingUpdates;  // outlives exit's destructors
	return *updates;
}

// Rebuilds the desktop's caches of the registry in the background: the tool takes a second
// or more, which a window saving its first preset must not wait for. The package file is
// already in place, so nothing is lost if the program ends before the tool does.
void update_database(const std::string& directory)
{
	PendingUpdates& updates = pending_updates();
	std::lock_guard<std::mutex> hold(updates.lock);
	updates.folders.insert(directory);
	if (updates.running)
		return;
	updates.running = true;
	std::thread([&updates] {
		for (;;) {
			std::string folder;
			{
				std::lock_guard<std::mutex> again(updates.lock);
				if (updates.folders.empty()) {
					updates.running = false;
					updates.idle.notify_all();
					return;
				}
				folder = *updates.folders.begin();
				updates.folders.erase(updates.folders.begin());
			}
			run_update(folder);
		}
	}).detach();
}

} // namespace

void wait_for_mime_database()
{
	PendingUpdates& updates = pending_updates();
	std::unique_lock<std::mutex> hold(updates.lock);
	updates.idle.wait(hold, [&] { return !updates.running; });
}

std::string mime_registry_directory()
{
	const char* data = std::getenv("XDG_DATA_HOME");
	if (data != nullptr && data[0] == '/')
		return std::string(data) + "/mime";
	const char* home = std::getenv("HOME");
	if (home == nullptr || home[0] == '\0') {
		const passwd* user = getpwuid(getuid());
		home = user != nullptr ? user->pw_dir : "/tmp";
	}
	return std::string(home) + "/.local/share/mime";
}

BMimeType::BMimeType(const char* type)
{
	SetTo(type);
}

status_t BMimeType::SetTo(const char* type)
{
	fType.clear();
	fPending = Record();
	std::string text = type != nullptr ? type : "";
	size_t slash = text.find('/');
	if (text.size() >= size_t(B_MIME_TYPE_LENGTH) || slash == std::string::npos
		|| !valid_type_part(text.substr(0, slash)) || !valid_type_part(text.substr(slash + 1)))
		return fStatus = B_BAD_VALUE;
	fType = text;
	return fStatus = B_OK;
}

const char* BMimeType::Type() const
{
	return fStatus == B_OK ? fType.c_str() : nullptr;
}

std::string BMimeType::PackagePath() const
{
	std::string name = fType;
	name[name.find('/')] = '-';
	return mime_registry_directory() + "/packages/" + name + ".xml";
}

bool BMimeType::IsInstalled() const
{
	struct stat st;
	return fStatus == B_OK && stat(PackagePath().c_str(), &st) == 0;
}

status_t BMimeType::Install()
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (IsInstalled())
		return B_FILE_EXISTS;
	return Store(fPending);
}

status_t BMimeType::Delete()
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (unlink(PackagePath().c_str()) != 0)
		return status_from_errno(errno);
	update_database(mime_registry_directory());
	return B_OK;
}

status_t BMimeType::Load(Record* record) const
{
	std::ifstream in(PackagePath(), std::ios::binary);
	if (!in)
		return B_ENTRY_NOT_FOUND;
	std::stringstream buffer;
	buffer << in.rdbuf();
	const std::string xml = buffer.str();

	*record = Record();
	element_text(xml, "comment", &record->shortDescription);
	element_text(xml, "tunk:long-description", &record->longDescription);
	element_text(xml, "tunk:preferred-app", &record->preferredApp);
	size_t match = xml.find("<match ");
	if (match != std::string::npos) {
		std::string element = xml.substr(match, xml.find('>', match) - match);
		std::string value;
		std::string offset;
		if (attribute_value(element, "value", &value))
			record->magic = magic_unescape(value);
		if (attribute_value(element, "offset", &offset))
			record->magicOffset = int32(std::atol(offset.c_str()));
	}
	return B_OK;
}

status_t BMimeType::Store(const Record& record) const
{
	std::ostringstream xml;
	xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
		<< "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\""
		<< " xmlns:tunk=\"" << kExtrasNamespace << "\">\n"
		<< "  <mime-type type=\"" << xml_escape(fType) << "\">\n";
	if (!record.shortDescription.empty())
		xml << "    <comment>" << xml_escape(record.shortDescription) << "</comment>\n";
	if (!record.longDescription.empty()) {
		xml << "    <tunk:long-description>" << xml_escape(record.longDescription)
			<< "</tunk:long-description>\n";
	}
	if (!record.preferredApp.empty()) {
		xml << "    <tunk:preferred-app>" << xml_escape(record.preferredApp)
			<< "</tunk:preferred-app>\n";
	}
	if (!record.magic.empty()) {
		xml << "    <magic priority=\"50\">\n"
			<< "      <match type=\"string\" offset=\"" << record.magicOffset << "\" value=\""
			<< xml_escape(magic_escape(record.magic)) << "\"/>\n"
			<< "    </magic>\n";
	}
	xml << "  </mime-type>\n</mime-info>\n";

	const std::string directory = mime_registry_directory();
	if (status_t status = make_directories(directory + "/packages"); status != B_OK)
		return status;
	// Written beside the package and renamed over it, so a reader never sees half a file.
	const std::string path = PackagePath();
	const std::string temporary = path + ".new";
	const std::string text = xml.str();
	FILE* file = std::fopen(temporary.c_str(), "wb");
	if (file == nullptr)
		return status_from_errno(errno);
	bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
	written = std::fclose(file) == 0 && written;
	if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
		status_t status = status_from_errno(errno);
		unlink(temporary.c_str());
		return status;
	}
	update_database(directory);
	return B_OK;
}

status_t BMimeType::Set(std::string Record::*field, const char* value)
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (value == nullptr || std::strlen(value) >= size_t(B_MIME_TYPE_LENGTH))
		return B_BAD_VALUE;
	fPending.*field = value;
	Record installed;
	if (Load(&installed) != B_OK)
		return B_OK;
	if (installed.*field == value)
		return B_OK;
	installed.*field = value;
	return Store(installed);
}

status_t BMimeType::Get(std::string Record::*field, char* buffer) const
{
	if (buffer == nullptr)
		return B_BAD_VALUE;
	if (fStatus != B_OK)
		return B_NO_INIT;
	Record record;
	if (Load(&record) != B_OK)
		record = fPending;
	const std::string& value = record.*field;
	if (value.empty())
		return B_ENTRY_NOT_FOUND;
	std::strncpy(buffer, value.c_str(), B_MIME_TYPE_LENGTH - 1);
	buffer[B_MIME_TYPE_LENGTH - 1] = '\0';
	return B_OK;
}

status_t BMimeType::SetShortDescription(const char* description)
{
	return Set(&Record::shortDescription, description);
}

status_t BMimeType::SetLongDescription(const char* description)
{
	return Set(&Record::longDescription, description);
}

status_t BMimeType::SetPreferredApp(const char* signature)
{
	return Set(&Record::preferredApp, signature);
}

status_t BMimeType::GetShortDescription(char* description) const
{
	return Get(&Record::shortDescription, description);
}

status_t BMimeType::GetLongDescription(char* description) const
{
	return Get(&Record::longDescription, description);
}

status_t BMimeType::GetPreferredApp(char* signature) const
{
	return Get(&Record::preferredApp, signature);
}

status_t BMimeType::SetMagic(const void* bytes, size_t length, int32 offset)
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (bytes == nullptr || length == 0 || offset < 0)
		return B_BAD_VALUE;
	fPending.magic.assign(static_cast<const char*>(bytes), length);
	fPending.magicOffset = offset;
	Record installed;
	if (Load(&installed) != B_OK)
		return B_OK;
	if (installed.magic == fPending.magic && installed.magicOffset == offset)
		return B_OK;
	installed.magic = fPending.magic;
	installed.magicOffset = offset;
	return Store(installed);
}

status_t BMimeType::GetMagic(std::string* bytes, int32* offset) const
{
	if (bytes == nullptr || offset == nullptr)
		return B_BAD_VALUE;
	if (fStatus != B_OK)
		return B_NO_INIT;
	Record record;
	if (Load(&record) != B_OK)
		record = fPending;
	if (record.magic.empty())
		return B_ENTRY_NOT_FOUND;
	*bytes = record.magic;
	*offset = record.magicOffset;
	return B_OK;
}
