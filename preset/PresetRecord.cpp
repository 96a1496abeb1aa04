#include "preset/PresetRecord.h"

#include <bit>
#include <cstring>

#include "kits/storage/File.h"
#include "kits/storage/MimeType.h"
#include "kits/storage/NodeInfo.h"
#include "kits/storage/StorageDefs.h"

namespace {

// Field offsets within the 44-byte body.
enum : size_t {
	kStartFreq = 0,
	kReserved = 4,
	kDuration = 8,
	kAmplitude = 12,
	kFreqEnvelope = 16,
	kAmpEnvelope = 20,
	kDistortion = 24,
	kFilterCutoff = 28,
	kFilterQ = 32,
	kOscType = 36,
	kAmpEnvEnabled = 40,
	kFreqEnvEnabled = 41,
	kDistortionEnabled = 42,
	kFilterEnabled = 43,
};

void put32(uint8* out, uint32 value)
{
	for (int i = 0; i < 4; i++)
		out[i] = uint8(value >> (8 * i));
}

uint32 get32(const uint8* in)
{
	return uint32(in[0]) | uint32(in[1]) << 8 | uint32(in[2]) << 16 | uint32(in[3]) << 24;
}

void putFloat(uint8* out, float value)
{
	put32(out, std::bit_cast<uint32>(value));
}

float getFloat(const uint8* in)
{
	return std::bit_cast<float>(get32(in));
}

} // namespace

PresetParams DefaultPresetParams()
{
	return ToPresetParams(tunk::SoundParams());
}

tunk::SoundParams ToSoundParams(const PresetParams& params)
{
	tunk::SoundParams p;
	p.startFreq = params.startFreq;
	p.duration = params.duration;
	p.amplitude = params.amplitude;
	p.freqEnvelope = params.freqEnvelope;
	p.ampEnvelope = params.ampEnvelope;
	p.distortion = params.distortion;
	p.filterCutoff = params.filterCutoff;
	p.filterQ = params.filterQ;
	p.oscType = params.oscType;
	p.freqEnvEnabled = params.freqEnvEnabled == 1;
	p.ampEnvEnabled = params.ampEnvEnabled == 1;
	p.distortionEnabled = params.distortionEnabled == 1;
	p.filterEnabled = params.filterEnabled == 1;
	return p;
}

PresetParams ToPresetParams(const tunk::SoundParams& p)
{
	PresetParams params;
	params.startFreq = p.startFreq;
	params.reserved = 0;
	params.duration = p.duration;
	params.amplitude = p.amplitude;
	params.freqEnvelope = p.freqEnvelope;
	params.ampEnvelope = p.ampEnvelope;
	params.distortion = p.distortion;
	params.filterCutoff = p.filterCutoff;
	params.filterQ = p.filterQ;
	params.oscType = p.oscType;
	params.ampEnvEnabled = p.ampEnvEnabled ? 1 : 0;
	params.freqEnvEnabled = p.freqEnvEnabled ? 1 : 0;
	params.distortionEnabled = p.distortionEnabled ? 1 : 0;
	params.filterEnabled = p.filterEnabled ? 1 : 0;
	return params;
}

void EncodePresetParams(const PresetParams& params, uint8* out)
{
	putFloat(out + kStartFreq, params.startFreq);
	put32(out + kReserved, params.reserved);
	putFloat(out + kDuration, params.duration);
	putFloat(out + kAmplitude, params.amplitude);
	putFloat(out + kFreqEnvelope, params.freqEnvelope);
	putFloat(out + kAmpEnvelope, params.ampEnvelope);
	putFloat(out + kDistortion, params.distortion);
	putFloat(out + kFilterCutoff, params.filterCutoff);
	putFloat(out + kFilterQ, params.filterQ);
	put32(out + kOscType, uint32(params.oscType));
	out[kAmpEnvEnabled] = params.ampEnvEnabled;
	out[kFreqEnvEnabled] = params.freqEnvEnabled;
	out[kDistortionEnabled] = params.distortionEnabled;
	out[kFilterEnabled] = params.filterEnabled;
}

PresetParams DecodePresetParams(const uint8* in)
{
	PresetParams params;
	params.startFreq = getFloat(in + kStartFreq);
	params.reserved = get32(in + kReserved);
	params.duration = getFloat(in + kDuration);
	params.amplitude = getFloat(in + kAmplitude);
	params.freqEnvelope = getFloat(in + kFreqEnvelope);
	params.ampEnvelope = getFloat(in + kAmpEnvelope);
	params.distortion = getFloat(in + kDistortion);
	params.filterCutoff = getFloat(in + kFilterCutoff);
	params.filterQ = getFloat(in + kFilterQ);
	params.oscType = int32(get32(in + kOscType));
	params.ampEnvEnabled = in[kAmpEnvEnabled];
	params.freqEnvEnabled = in[kFreqEnvEnabled];
	params.distortionEnabled = in[kDistortionEnabled];
	params.filterEnabled = in[kFilterEnabled];
	return params;
}

PresetBytes EncodePresetRecord(const PresetParams& params)
{
	PresetBytes bytes = {};
	std::memcpy(bytes.data(), kPresetMagic, sizeof(kPresetMagic));
	EncodePresetParams(params, bytes.data() + kPresetParamsOffset);
	return bytes;
}

PresetCheck DecodePresetRecord(const void* data, size_t size, PresetParams* params)
{
	PresetBytes bytes = {};
	if (data != nullptr)
		std::memcpy(bytes.data(), data, size < bytes.size() ? size : bytes.size());
	if (std::memcmp(bytes.data(), kPresetMagic, sizeof(kPresetMagic)) != 0) {
		*params = DefaultPresetParams();
		return PresetCheck::NotValid;
	}
	*params = DecodePresetParams(bytes.data() + kPresetParamsOffset);
	return PresetCheck::Valid;
}

status_t ReadPresetFile(const char* path, PresetParams* params)
{
	BFile file(path, B_READ_ONLY);
	if (file.InitCheck() != B_OK)
		return file.InitCheck();
	PresetBytes bytes = {};
	ssize_t length = file.Read(bytes.data(), bytes.size());
	if (length < 0)
		return status_t(length);
	if (DecodePresetRecord(bytes.data(), size_t(length), params) != PresetCheck::Valid)
		return B_BAD_DATA;
	return B_OK;
}

status_t WritePresetFile(const char* path, const PresetParams& params)
{
	BFile file(path, B_WRITE_ONLY | B_CREATE_FILE | B_ERASE_FILE);
	if (file.InitCheck() != B_OK)
		return file.InitCheck();
	const PresetBytes bytes = EncodePresetRecord(params);
	ssize_t written = file.Write(bytes.data(), bytes.size());
	if (written < 0)
		return status_t(written);
	if (size_t(written) != bytes.size())
		return B_IO_ERROR;
	TagPresetFile(&file);
	return B_OK;
}

status_t RegisterPresetType()
{
	BMimeType type(kPresetMimeType);
	type.SetLongDescription(kPresetLongDescription);
	type.SetShortDescription(kPresetShortDescription);
	type.SetPreferredApp(kPresetAppSignature);
	type.SetMagic(kPresetMagic, sizeof(kPresetMagic), 0);
	if (!type.IsInstalled())
		return type.Install();
	return B_OK;
}

status_t TagPresetFile(BNode* node)
{
	BNodeInfo info(node);
	char preferred[B_MIME_TYPE_LENGTH] = "";
	if (info.GetPreferredApp(preferred) == B_OK && std::strcmp(preferred, kPresetAppSignature) == 0)
		return B_OK;
	if (status_t status = info.SetPreferredApp(kPresetAppSignature); status != B_OK)
		return status;
	return info.SetType(kPresetMimeType);
}
