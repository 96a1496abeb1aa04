#include "kits/media/MediaFile.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

#include "kits/media/MediaFormats.h"
#include "kits/media/MediaTrack.h"

// The library writes through these callbacks, so that every byte goes through our
// descriptor and a failed write is remembered instead of being lost in the library.
struct BMediaFile::Io {
	static sf_count_t Length(void* user)
	{
		struct stat st;
		return fstat(Self(user)->Fd(), &st) == 0 ? sf_count_t(st.st_size) : -1;
	}

	static sf_count_t Seek(sf_count_t offset, int whence, void* user)
	{
		return lseek(Self(user)->Fd(), off_t(offset), whence);
	}

	static sf_count_t Read(void* buffer, sf_count_t count, void* user)
	{
		ssize_t n;
		do {
			n = read(Self(user)->Fd(), buffer, size_t(count));
		} while (n < 0 && errno == EINTR);
		return n < 0 ? 0 : n;
	}

	// Reports the whole count as written even when it was not: the failure is kept in
	// fIoError and returned by the next call of the writer's interface.
	static sf_count_t Write(const void* buffer, sf_count_t count, void* user)
	{
		BMediaFile* self = Self(user);
		const char* bytes = static_cast<const char*>(buffer);
		sf_count_t done = 0;
		while (self->fIoError == B_OK && done < count) {
			ssize_t n = write(self->Fd(), bytes + done, size_t(count - done));
			if (n < 0 && errno == EINTR)
				continue;
			if (n <= 0)
				self->fIoError = n < 0 ? status_from_errno(errno) : B_IO_ERROR;
			else
				done += n;
		}
		return count;
	}

	static sf_count_t Tell(void* user) { return lseek(Self(user)->Fd(), 0, SEEK_CUR); }

	static BMediaFile* Self(void* user) { return static_cast<BMediaFile*>(user); }
};

BMediaFile::BMediaFile(const entry_ref* ref, const media_file_format* fileFormat, int32)
{
	if (ref == nullptr || fileFormat == nullptr || ref->name.empty()) {
		fStatus = B_BAD_VALUE;
		return;
	}
	fFileFormat = *fileFormat;
	if (!sndfile_major_known(fileFormat->id)) {
		fStatus = B_BAD_INDEX;
		return;
	}
	if ((fileFormat->capabilities & B_WRITABLE) == 0) {
		fStatus = B_MISSING_SYMBOL;
		return;
	}
	if (!sndfile_can_write(fileFormat->id)) {
		fStatus = B_MEDIA_NO_CODEC;
		return;
	}

	fStatus = fFile.SetTo(ref->Path().c_str());
}

BMediaFile::~BMediaFile()
{
	// Only CloseFile finishes a file: one dropped before that was not written to the end.
	if (!fClosed && fSound != nullptr)
		sf_close(static_cast<SNDFILE*>(fSound));
	fFile.Abandon();
	delete fTrack;
}

BMediaTrack* BMediaFile::CreateTrack(media_format* format, uint32)
{
	if (fStatus != B_OK || fClosed || fTrack != nullptr || format == nullptr
		|| format->type != B_MEDIA_RAW_AUDIO)
		return nullptr;
	const media_raw_audio_format& raw = format->u.raw_audio;
	if (raw.channel_count == 0 || !(raw.frame_rate >= 1) || raw.frame_rate > 1e6f
		|| std::floor(raw.frame_rate) != raw.frame_rate)
		return nullptr;

	SF_INFO info = {};
	info.samplerate = int(raw.frame_rate);
	info.channels = int(raw.channel_count);
	info.format = sndfile_format_for(fFileFormat.id, raw.format);
	if (info.format == 0 || sf_format_check(&info) == 0)
		return nullptr;

	SF_VIRTUAL_IO io = {&Io::Length, &Io::Seek, &Io::Read, &Io::Write, &Io::Tell};
	SNDFILE* sound = sf_open_virtual(&io, SFM_WRITE, &info, this);
	if (sound == nullptr)
		return nullptr;
	fSound = sound;
	fTrack = new BMediaTrack(this, *format);
	return fTrack;
}

status_t BMediaFile::CommitHeader()
{
	if (fStatus != B_OK)
		return fStatus;
	if (fSound == nullptr || fClosed)
		return B_NO_INIT;
	// The container wrote its header when the track was created (rewriting it here would
	// spoil streams such as Ogg): what is left is to report how that went.
	return WriteStatus();
}

status_t BMediaFile::CloseFile()
{
	if (fStatus != B_OK || fClosed)
		return fStatus != B_OK ? fStatus : B_OK;
	fClosed = true;
	if (fSound == nullptr) {
		fFile.Abandon();
		return B_OK;
	}
	int error = sf_close(static_cast<SNDFILE*>(fSound));
	status_t status = WriteStatus();
	if (status == B_OK && error != 0)
		status = B_IO_ERROR;
	if (status != B_OK) {
		fFile.Abandon();
		return status;
	}
	return fFile.Commit();
}

status_t BMediaFile::WriteStatus() const
{
	if (fIoError != B_OK)
		return fIoError;
	if (fSound != nullptr && !fClosed && sf_error(static_cast<SNDFILE*>(fSound)) != 0)
		return B_IO_ERROR;
	return B_OK;
}
