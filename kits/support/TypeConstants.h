// Type codes of message fields and attributes.
#pragma once

#include "kits/support/SupportDefs.h"

enum : type_code {
	B_ANY_TYPE = four_char_code("ANYT"),
	B_BOOL_TYPE = four_char_code("BOOL"),
	B_FLOAT_TYPE = four_char_code("FLOT"),
	B_INT8_TYPE = four_char_code("BYTE"),
	B_INT16_TYPE = four_char_code("SHRT"),
	B_INT32_TYPE = four_char_code("LONG"),
	B_INT64_TYPE = four_char_code("LLNG"),
	B_REF_TYPE = four_char_code("RREF"),
	B_STRING_TYPE = four_char_code("CSTR"),
};
