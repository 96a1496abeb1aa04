// BMessage: a command code and typed, named fields, each name holding one or more values.
#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"
#include "kits/support/TypeConstants.h"

class BMessage {
public:
	BMessage();
	explicit BMessage(uint32 what);
	BMessage(const BMessage& other);
	BMessage& operator=(const BMessage& other);
	virtual ~BMessage();

	uint32 what;

	status_t AddInt8(const char* name, int8 value);
	status_t AddInt16(const char* name, int16 value);
	status_t AddInt32(const char* name, int32 value);
	status_t AddInt64(const char* name, int64 value);
	status_t AddBool(const char* name, bool value);
	status_t AddFloat(const char* name, float value);
	status_t AddString(const char* name, const char* value);
	status_t AddString(const char* name, const std::string& value);
	status_t AddRef(const char* name, const entry_ref* ref);

	// Each Find returns B_OK, B_NAME_NOT_FOUND (no such name), B_BAD_TYPE (the name
	// holds another type) or B_BAD_INDEX (fewer values); the out value is untouched
	// on failure.
	status_t FindInt8(const char* name, int8* value) const;
	status_t FindInt8(const char* name, int32 index, int8* value) const;
	status_t FindInt16(const char* name, int16* value) const;
	status_t FindInt16(const char* name, int32 index, int16* value) const;
	status_t FindInt32(const char* name, int32* value) const;
	status_t FindInt32(const char* name, int32 index, int32* value) const;
	status_t FindInt64(const char* name, int64* value) const;
	status_t FindInt64(const char* name, int32 index, int64* value) const;
	status_t FindBool(const char* name, bool* value) const;
	status_t FindBool(const char* name, int32 index, bool* value) const;
	status_t FindFloat(const char* name, float* value) const;
	status_t FindFloat(const char* name, int32 index, float* value) const;
	// The pointer stays valid while the message lives and the field is not changed.
	status_t FindString(const char* name, const char** value) const;
	status_t FindString(const char* name, int32 index, const char** value) const;
	status_t FindString(const char* name, std::string* value) const;
	status_t FindRef(const char* name, entry_ref* ref) const;
	status_t FindRef(const char* name, int32 index, entry_ref* ref) const;

	// Type and number of values of a field; B_NAME_NOT_FOUND when absent.
	status_t GetInfo(const char* name, type_code* type, int32* count) const;
	bool HasField(const char* name) const;
	status_t RemoveName(const char* name);
	int32 CountNames() const;
	bool IsEmpty() const;
	void MakeEmpty();

private:
	using Value = std::variant<int8, int16, int32, int64, bool, float, std::string, entry_ref>;
	struct Field {
		type_code type;
		std::vector<Value> values;
	};

	status_t Add(const char* name, type_code type, Value value);
	template <typename T>
	status_t Find(const char* name, int32 index, type_code type, T* out) const;

	std::map<std::string, Field> fFields;

	friend class BLooper;
	// Where a looper delivers the message: nullptr stands for the looper's preferred handler.
	class BHandler* fTarget = nullptr;
	// Set when the looper's common filters have already seen the message (key presses are
	// filtered before they are queued).
	bool fFiltered = false;
};
