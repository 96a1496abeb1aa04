// WAV export: regenerates the sound and writes it through the shared sound-file writer.
// Each failure keeps its alert, with a second line naming the file and the reason.
#include <string>

#include "audio/SoundFileWriter.h"
#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/app/Message.h"
#include "kits/storage/Entry.h"
#include "kits/storage/Path.h"

namespace {

void alert_about_file(const std::string& text, const SoundFileWriter& writer)
{
	TunkSound::ErrorMsg(
		FileAlertText(text, writer.Path(), DescribeStatus(writer.Status())).c_str());
}

std::string text_for_failure(const SoundFileWriter& writer, const std::string& format)
{
	switch (writer.FailedStep()) {
		case SoundFileWriter::Step::Path: return "Problem with get_ref_for_path()";
		case SoundFileWriter::Step::Format:
			return "Failed to find " + format + " file format handler!";
		case SoundFileWriter::Step::File:
			switch (writer.Status()) {
				case B_MEDIA_NO_CODEC:
					return "Cannot create media file - No codec available for the requested "
						   "audio format";
				case B_NO_MEMORY:
					return "Cannot create media file - Not enough memory to set up codec";
				case B_BAD_INDEX:
					return "Cannot create media file - The required add-on wasn't found";
				default:
					return "Cannot create media file - The add-on doesn't support writing";
			}
		case SoundFileWriter::Step::Track: return "Unable to create audio track";
		default: return "Could not write the sound file!";
	}
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

	std::string format = "wav";
	if (reply->FindString("format", &format) != B_OK)
		format = "wav";
	if (!InitMediaFile(&path, format.c_str()))
		return;
	if (exportFile->Write(samples, count) != B_OK)
		alert_about_file("Could not write the sound file!", *exportFile);
	// Nothing of an export outlasts it.
	delete exportFile;
	exportFile = nullptr;
}

bool TunkSound::InitMediaFile(BPath* path, const char* format)
{
	delete exportFile;
	exportFile = new SoundFileWriter;
	if (exportFile->Open(path != nullptr ? path->Path() : "", format) == B_OK)
		return true;
	alert_about_file(text_for_failure(*exportFile, format), *exportFile);
	delete exportFile;
	exportFile = nullptr;
	return false;
}
