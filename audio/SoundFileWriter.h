// Writes a generated sound, 16-bit mono (or a stereo mix) at the core's sample rate, into a sound file
// through the media kit: the one writer behind Export WAV and tunk-render. A failure says
// at which step it stopped, so that a caller can keep its own message for each, and with
// which status, so that it can name the system's reason.
#pragma once

#include <initializer_list>
#include <span>
#include <string>

#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"

class BMediaFile;
class BMediaTrack;

// A format the writer writes, as the export panel and tunk-render name it.
struct SoundFileFormat {
	const char* name;   // the writer's name: "wav", "flac", "aiff", "ogg"
	const char* title;  // for people: "WAV", "FLAC", "AIFF", "Ogg Vorbis"
	std::initializer_list<const char*> extensions;  // lower case, the usual one first
};

// Every format the writer writes, WAV first.
std::span<const SoundFileFormat> SoundFileFormats();
// The format of that writer's name, nullptr for none of ours.
const SoundFileFormat* FindSoundFileFormat(const std::string& name);
// The extension of a path's leaf in lower case; "" when the leaf has none (a leading dot only
// hides a file).
std::string FileExtension(const std::string& path);
// The writer's name for the format a path's extension names, "" when it names none of ours.
std::string SoundFileFormatOfPath(const std::string& path);

class SoundFileWriter {
public:
	enum class Step {
		None,
		Path,    // the path cannot be turned into a reference (its folder is missing ...)
		Format,  // no writer of that format
		File,    // the media kit refused the file: no codec, no memory, no add-on, read-only
		Track,   // no track: the file could not be opened, or the format holds no such sound
		Header,  // the container could not be started on disk
		Data,    // writing or finishing the file failed
	};

	SoundFileWriter() = default;
	// An open file that was never written is thrown away; its target keeps what it held.
	~SoundFileWriter();

	SoundFileWriter(const SoundFileWriter&) = delete;
	SoundFileWriter& operator=(const SoundFileWriter&) = delete;

	// Starts `path` as a sound file of `format`: "wav", "flac", "aiff" or "ogg", matched
	// against the writer's short names ("aif", "oga" too) exactly, case included. The sound
	// is written beside the path and replaces it only when whole (a symbolic link's target
	// is replaced, the link stays); a pipe or a device gets the finished file. `channels`
	// is 1 (mono) or 2 (interleaved, left first).
	status_t Open(const char* path, const char* format, int32 channels = 1);
	// Writes `frames` frames and puts the file in place; after a failure the path holds what
	// it held before.
	status_t Write(const int16* samples, int64 frames);

	Step FailedStep() const { return fStep; }
	status_t Status() const { return fStatus; }
	const std::string& Path() const { return fPath; }

private:
	status_t Fail(Step step, status_t status);
	void Discard();

	std::string fPath;
	entry_ref fRef;
	BMediaFile* fFile = nullptr;
	BMediaTrack* fTrack = nullptr;
	Step fStep = Step::None;
	status_t fStatus = B_NO_INIT;
};

// Opens, writes and closes in one call; `failedStep` (if given) tells where it stopped.
status_t WriteSoundFile(const int16* samples, int64 frames, const std::string& path,
	const std::string& format, SoundFileWriter::Step* failedStep = nullptr, int32 channels = 1);
