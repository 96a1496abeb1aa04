#include "kits/app/Message.h"

BMessage::BMessage() : what(0) {}
BMessage::BMessage(uint32 code) : what(code) {}
BMessage::BMessage(const BMessage& other) = default;
BMessage& BMessage::operator=(const BMessage& other) = default;
BMessage::~BMessage() = default;

status_t BMessage::Add(const char* name, type_code type, Value value)
{
	if (name == nullptr)
		return B_BAD_VALUE;
	auto [it, inserted] = fFields.try_emplace(name, Field{type, {}});
	if (!inserted && it->second.type != type)
		return B_BAD_TYPE;
	it->second.values.push_back(std::move(value));
	return B_OK;
}

template <typename T>
status_t BMessage::Find(const char* name, int32 index, type_code type, T* out) const
{
	if (name == nullptr || out == nullptr)
		return B_BAD_VALUE;
	auto it = fFields.find(name);
	if (it == fFields.end())
		return B_NAME_NOT_FOUND;
	if (it->second.type != type)
		return B_BAD_TYPE;
	if (index < 0 || size_t(index) >= it->second.values.size())
		return B_BAD_INDEX;
	*out = std::get<T>(it->second.values[size_t(index)]);
	return B_OK;
}

status_t BMessage::AddInt8(const char* n, int8 v) { return Add(n, B_INT8_TYPE, v); }
status_t BMessage::AddInt16(const char* n, int16 v) { return Add(n, B_INT16_TYPE, v); }
status_t BMessage::AddInt32(const char* n, int32 v) { return Add(n, B_INT32_TYPE, v); }
status_t BMessage::AddInt64(const char* n, int64 v) { return Add(n, B_INT64_TYPE, v); }
status_t BMessage::AddBool(const char* n, bool v) { return Add(n, B_BOOL_TYPE, v); }
status_t BMessage::AddFloat(const char* n, float v) { return Add(n, B_FLOAT_TYPE, v); }

status_t BMessage::AddString(const char* n, const char* v)
{
	if (v == nullptr)
		return B_BAD_VALUE;
	return Add(n, B_STRING_TYPE, std::string(v));
}

status_t BMessage::AddString(const char* n, const std::string& v)
{
	return Add(n, B_STRING_TYPE, v);
}

status_t BMessage::AddRef(const char* n, const entry_ref* ref)
{
	if (ref == nullptr)
		return B_BAD_VALUE;
	return Add(n, B_REF_TYPE, *ref);
}


status_t BMessage::FindInt8(const char* n, int8* v) const { return Find(n, 0, B_INT8_TYPE, v); }
status_t BMessage::FindInt8(const char* n, int32 i, int8* v) const { return Find(n, i, B_INT8_TYPE, v); }
status_t BMessage::FindInt16(const char* n, int16* v) const { return Find(n, 0, B_INT16_TYPE, v); }
status_t BMessage::FindInt16(const char* n, int32 i, int16* v) const
{
	return Find(n, i, B_INT16_TYPE, v);
}
status_t BMessage::FindInt32(const char* n, int32* v) const { return Find(n, 0, B_INT32_TYPE, v); }
status_t BMessage::FindInt32(const char* n, int32 i, int32* v) const
{
	return Find(n, i, B_INT32_TYPE, v);
}
status_t BMessage::FindInt64(const char* n, int64* v) const { return Find(n, 0, B_INT64_TYPE, v); }
status_t BMessage::FindInt64(const char* n, int32 i, int64* v) const
{
	return Find(n, i, B_INT64_TYPE, v);
}
status_t BMessage::FindBool(const char* n, bool* v) const { return Find(n, 0, B_BOOL_TYPE, v); }
status_t BMessage::FindBool(const char* n, int32 i, bool* v) const { return Find(n, i, B_BOOL_TYPE, v); }
status_t BMessage::FindFloat(const char* n, float* v) const { return Find(n, 0, B_FLOAT_TYPE, v); }
status_t BMessage::FindFloat(const char* n, int32 i, float* v) const
{
	return Find(n, i, B_FLOAT_TYPE, v);
}

status_t BMessage::FindString(const char* n, const char** v) const
{
	return FindString(n, 0, v);
}

status_t BMessage::FindString(const char* n, int32 i, const char** v) const
{
	if (n == nullptr || v == nullptr)
		return B_BAD_VALUE;
	auto it = fFields.find(n);
	if (it == fFields.end())
		return B_NAME_NOT_FOUND;
	if (it->second.type != B_STRING_TYPE)
		return B_BAD_TYPE;
	if (i < 0 || size_t(i) >= it->second.values.size())
		return B_BAD_INDEX;
	*v = std::get<std::string>(it->second.values[size_t(i)]).c_str();
	return B_OK;
}

status_t BMessage::FindString(const char* n, std::string* v) const
{
	return Find(n, 0, B_STRING_TYPE, v);
}

status_t BMessage::FindRef(const char* n, entry_ref* r) const { return Find(n, 0, B_REF_TYPE, r); }
status_t BMessage::FindRef(const char* n, int32 i, entry_ref* r) const
{
	return Find(n, i, B_REF_TYPE, r);
}

status_t BMessage::GetInfo(const char* n, type_code* type, int32* count) const
{
	if (n == nullptr)
		return B_BAD_VALUE;
	auto it = fFields.find(n);
	if (it == fFields.end())
		return B_NAME_NOT_FOUND;
	if (type != nullptr)
		*type = it->second.type;
	if (count != nullptr)
		*count = int32(it->second.values.size());
	return B_OK;
}

bool BMessage::HasField(const char* n) const
{
	return n != nullptr && fFields.count(n) != 0;
}

status_t BMessage::RemoveName(const char* n)
{
	if (n == nullptr)
		return B_BAD_VALUE;
	return fFields.erase(n) != 0 ? B_OK : B_NAME_NOT_FOUND;
}

int32 BMessage::CountNames() const { return int32(fFields.size()); }
bool BMessage::IsEmpty() const { return fFields.empty(); }
void BMessage::MakeEmpty() { fFields.clear(); }
