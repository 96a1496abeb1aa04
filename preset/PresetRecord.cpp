#include "preset/PresetRecord.h"

#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "kits/storage/File.h"
#include "kits/storage/MimeType.h"
#include "kits/storage/NodeInfo.h"
#include "kits/storage/StorageDefs.h"
#include "preset/TypedFile.h"

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

// Where each of the first thirteen parameters (in the table's order) lies in the record;
// the reserved field is the only other.
struct RecordField {
	size_t offset;
	float PresetParams::*number = nullptr;
	int32 PresetParams::*integer = nullptr;
	uint8 PresetParams::*flag = nullptr;
};

const RecordField kRecordFields[] = {
	{kStartFreq, &PresetParams::startFreq},
	{kDuration, &PresetParams::duration},
	{kAmplitude, &PresetParams::amplitude},
	{kFreqEnvelope, &PresetParams::freqEnvelope},
	{kAmpEnvelope, &PresetParams::ampEnvelope},
	{kDistortion, &PresetParams::distortion},
	{kFilterCutoff, &PresetParams::filterCutoff},
	{kFilterQ, &PresetParams::filterQ},
	{kOscType, nullptr, &PresetParams::oscType},
	{kFreqEnvEnabled, nullptr, nullptr, &PresetParams::freqEnvEnabled},
	{kAmpEnvEnabled, nullptr, nullptr, &PresetParams::ampEnvEnabled},
	{kDistortionEnabled, nullptr, nullptr, &PresetParams::distortionEnabled},
	{kFilterEnabled, nullptr, nullptr, &PresetParams::filterEnabled},
};
constexpr size_t kRecordParamCount = std::size(kRecordFields);
static_assert(kRecordParamCount <= tunk::kParamCount);

// The oscillator's code back into the record's integer: a code read from a file comes back
// as it was; a value no int32 holds saturates (a non-number gives 0).
int32 RecordCode(float value)
{
	if (!(value == value))
		return 0;
	if (value >= 2147483648.0f)
		return INT32_MAX;
	if (value < -2147483648.0f)
		return INT32_MIN;
	return int32(value);
}

} // namespace

PresetParams ToPresetParams(const tunk::SoundParams& values, const PresetExtras& extras)
{
	PresetParams record = ToPresetParams(values);
	record.reserved = extras.reserved;
	return record;
}

PresetExtras ExtrasOf(const PresetParams& record)
{
	PresetExtras extras;
	extras.reserved = record.reserved;
	return extras;
}

PresetParams DefaultPresetParams()
{
	return ToPresetParams(tunk::SoundParams());
}

tunk::SoundParams ToSoundParams(const PresetParams& params)
{
	tunk::SoundParams p;
	for (size_t i = 0; i < kRecordParamCount; i++) {
		const RecordField& record = kRecordFields[i];
		float& value = p.values[i];
		if (record.number != nullptr)
			value = params.*record.number;
		else if (record.integer != nullptr)
			value = float(params.*record.integer);
		else
			value = params.*record.flag == 1 ? 1.0f : 0.0f;
	}
	return p;
}

PresetParams ToPresetParams(const tunk::SoundParams& p)
{
	PresetParams params;
	params.reserved = 0;
	for (size_t i = 0; i < kRecordParamCount; i++) {
		const RecordField& record = kRecordFields[i];
		const float value = p.values[i];
		if (record.number != nullptr)
			params.*record.number = value;
		else if (record.integer != nullptr)
			params.*record.integer = RecordCode(value);
		else
			params.*record.flag = value != 0 ? 1 : 0;
	}
	return params;
}

void EncodePresetParams(const PresetParams& params, uint8* out)
{
	put32(out + kReserved, params.reserved);
	for (const RecordField& field : kRecordFields) {
		if (field.number != nullptr)
			putFloat(out + field.offset, params.*field.number);
		else if (field.integer != nullptr)
			put32(out + field.offset, uint32(params.*field.integer));
		else
			out[field.offset] = params.*field.flag;
	}
}

PresetParams DecodePresetParams(const uint8* in)
{
	PresetParams params;
	params.reserved = get32(in + kReserved);
	for (const RecordField& field : kRecordFields) {
		if (field.number != nullptr)
			params.*field.number = getFloat(in + field.offset);
		else if (field.integer != nullptr)
			params.*field.integer = int32(get32(in + field.offset));
		else
			params.*field.flag = in[field.offset];
	}
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

status_t OpenPresetFile(const char* path, BFile* file)
{
	if (status_t status = file->SetTo(path, B_READ_ONLY); status != B_OK)
		return status;
	struct stat st;
	if (status_t status = file->GetStat(&st); status != B_OK)
		return status;
	if (!S_ISREG(st.st_mode)) {
		file->Unset();
		return B_BAD_TYPE;
	}
	return B_OK;
}

status_t ReadPresetFile(const char* path, PresetParams* params, std::vector<uint8>* tail)
{
	BFile file;
	if (status_t status = OpenPresetFile(path, &file); status != B_OK)
		return status;
	PresetBytes bytes = {};
	ssize_t length = file.Read(bytes.data(), bytes.size());
	if (length < 0)
		return status_t(length);
	if (DecodePresetRecord(bytes.data(), size_t(length), params) != PresetCheck::Valid)
		return B_BAD_DATA;
	if (tail != nullptr) {
		tail->clear();
		if (size_t(length) == bytes.size()) {
			tail->resize(kPresetTailLimit + 1);
			ssize_t more = file.Read(tail->data(), tail->size());
			if (more < 0)
				return status_t(more);
			tail->resize(size_t(more));
		}
	}
	return B_OK;
}

status_t WritePresetFile(const char* path, const PresetParams& params, std::span<const uint8> tail)
{
	const PresetBytes record = EncodePresetRecord(params);
	return WriteTypedFile(path, {record, tail}, TagPresetFile);
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
