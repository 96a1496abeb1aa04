// WAV export: regenerates the sound and writes it through the media-file writer.
#include <cmath>
#include <cstring>

#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/app/Message.h"
#include "kits/media/MediaFile.h"
#include "kits/media/MediaFormats.h"
#include "kits/media/MediaTrack.h"
#include "kits/storage/Entry.h"
#include "kits/storage/Path.h"

namespace {

void release_media_file(BMediaFile** file, BMediaTrack** track)
{
	delete *file;
	*file = nullptr;
	*track = nullptr;
}

} // namespace

void TunkSound::WriteSoundToFile(BMessage* reply)
{
	entry_ref directory;
	const char* name = nullptr;
	if (reply == nullptr || reply->FindRef("directory", &directory) != B_OK
		|| reply->FindString("name", &name) != B_OK)
		return;
	BEntry entry;
	if (entry.SetTo(&directory, false) != B_OK)
		return;
	BPath path;
	entry.GetPath(&path);
	path.Append(name, false);

	GenerateSound();
	// Without a buffer for a sound that should have samples, generation has failed and
	// said so in its own alert: there is nothing to write.
	int64 count = 0;
	const int16* samples = GetBuffer(&count);
	if (samples == nullptr && tunk::SampleCount(generator.params) != 0)
		return;

	const bool ready = InitMediaFile(&path);
	status_t status = B_OK;
	if (ready) {
		status = track->WriteFrames(samples, count, 0);
		status_t closed = mediaFile->CloseFile();
		if (status == B_OK)
			status = closed;
	}
	// Nothing of an export outlasts it but the format and the target.
	release_media_file(&mediaFile, &track);
	if (ready && status != B_OK) {
		remove_written_file(&exportTarget);
		ErrorMsg("Could not write the sound file!");
	}
}

bool TunkSound::InitMediaFile(BPath* path)
{
	release_media_file(&mediaFile, &track);

	if (path == nullptr || get_ref_for_path(path->Path(), &exportTarget) != B_OK) {
		ErrorMsg("Problem with get_ref_for_path()");
		return false;
	}

	int32 cookie = 0;
	bool found = false;
	while (get_next_file_format(&cookie, &fileFormat) == B_OK) {
		if (std::strcmp(fileFormat.short_name, "wav") == 0) {
			found = true;
			break;
		}
	}
	if (!found) {
		ErrorMsg("Failed to find wav file format handler!");
		return false;
	}

	mediaFile = new BMediaFile(&exportTarget, &fileFormat, 0);
	switch (mediaFile->InitCheck()) {
		case B_MEDIA_NO_CODEC:
			ErrorMsg("Cannot create media file - No codec available for the requested audio "
					 "format");
			return false;
		case B_NO_MEMORY:
			ErrorMsg("Cannot create media file - Not enough memory to set up codec");
			return false;
		case B_BAD_INDEX:
			ErrorMsg("Cannot create media file - The required add-on wasn't found");
			return false;
		case B_MISSING_SYMBOL:
			ErrorMsg("Cannot create media file - The add-on doesn't support writing");
			return false;
		default:
			// Other codes have no message of their own: track creation fails next.
			break;
	}

	track = mediaFile->CreateTrack(&format);
	if (track == nullptr) {
		ErrorMsg("Unable to create audio track");
		return false;
	}
	if (mediaFile->CommitHeader() != B_OK) {
		mediaFile->CloseFile();
		remove_written_file(&exportTarget);
		ErrorMsg("Could not write the sound file!");
		return false;
	}
	return true;
}
