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

// The fields the record and the core's parameters share, with their place in the body; the
// reserved field and the oscillator are the only others.
struct FloatField {
	size_t offset;
	float PresetParams::*record;
	float tunk::SoundParams::*sound;
};

const FloatField kFloatFields[] = {
	{kStartFreq, &PresetParams::startFreq, &tunk::SoundParams::startFreq},
	{kDuration, &PresetParams::duration, &tunk::SoundParams::duration},
	{kAmplitude, &PresetParams::amplitude, &tunk::SoundParams::amplitude},
	{kFreqEnvelope, &PresetParams::freqEnvelope, &tunk::SoundParams::freqEnvelope},
	{kAmpEnvelope, &PresetParams::ampEnvelope, &tunk::SoundParams::ampEnvelope},
	{kDistortion, &PresetParams::distortion, &tunk::SoundParams::distortion},
	{kFilterCutoff, &PresetParams::filterCutoff, &tunk::SoundParams::filterCutoff},
	{kFilterQ, &PresetParams::filterQ, &tunk::SoundParams::filterQ},
};

struct FlagField {
	size_t offset;
	uint8 PresetParams::*record;
	bool tunk::SoundParams::*sound;
};

const FlagField kFlagFields[] = {
	{kAmpEnvEnabled, &PresetParams::ampEnvEnabled, &tunk::SoundParams::ampEnvEnabled},
	{kFreqEnvEnabled, &PresetParams::freqEnvEnabled, &tunk::SoundParams::freqEnvEnabled},
	{kDistortionEnabled, &PresetParams::distortionEnabled, &tunk::SoundParams::distortionEnabled},
	{kFilterEnabled, &PresetParams::filterEnabled, &tunk::SoundParams::filterEnabled},
};

} // namespace

PresetParams DefaultPresetParams()
{
	return ToPresetParams(tunk::SoundParams());
}

tunk::SoundParams ToSoundParams(const PresetParams& params)
{
	tunk::SoundParams p;
	for (const FloatField& field : kFloatFields)
		p.*field.sound = params.*field.record;
	p.oscType = params.oscType;
	for (const FlagField& field : kFlagFields)
		p.*field.sound = params.*field.record == 1;
	return p;
}

PresetParams ToPresetParams(const tunk::SoundParams& p)
{
	PresetParams params;
	for (const FloatField& field : kFloatFields)
		params.*field.record = p.*field.sound;
	params.reserved = 0;
	params.oscType = p.oscType;
	for (const FlagField& field : kFlagFields)
		params.*field.record = p.*field.sound ? 1 : 0;
	return params;
}

void EncodePresetParams(const PresetParams& params, uint8* out)
{
	for (const FloatField& field : kFloatFields)
		putFloat(out + field.offset, params.*field.record);
	put32(out + kReserved, params.reserved);
	put32(out + kOscType, uint32(params.oscType));
	for (const FlagField& field : kFlagFields)
		out[field.offset] = params.*field.record;
}

PresetParams DecodePresetParams(const uint8* in)
{
	PresetParams params;
	for (const FloatField& field : kFloatFields)
		params.*field.record = getFloat(in + field.offset);
	params.reserved = get32(in + kReserved);
	params.oscType = int32(get32(in + kOscType));
	for (const FlagField& field : kFlagFields)
		params.*field.record = in[field.offset];
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
