#include <gtest/gtest.h>

#include "kits/app/Message.h"

TEST(Message, FieldsKeepTheirTypeAndOrder)
{
	BMessage msg(four_char_code("SAVE"));
	entry_ref dir("/tmp", "");
	ASSERT_EQ(msg.AddRef("directory", &dir), B_OK);
	ASSERT_EQ(msg.AddString("name", "kick1"), B_OK);
	ASSERT_EQ(msg.AddInt32("curvetype", 1), B_OK);
	ASSERT_EQ(msg.AddInt32("curvetype", 2), B_OK);
	ASSERT_EQ(msg.AddInt8("byte", int8(-3)), B_OK);

	BMessage copy(msg);
	EXPECT_EQ(copy.what, 0x53415645u);
	entry_ref found;
	EXPECT_EQ(copy.FindRef("directory", &found), B_OK);
	EXPECT_EQ(found, dir);
	const char* name = nullptr;
	EXPECT_EQ(copy.FindString("name", &name), B_OK);
	EXPECT_STREQ(name, "kick1");
	int32 value = 0;
	EXPECT_EQ(copy.FindInt32("curvetype", 1, &value), B_OK);
	EXPECT_EQ(value, 2);
	int8 byte = 0;
	EXPECT_EQ(copy.FindInt8("byte", &byte), B_OK);
	EXPECT_EQ(byte, -3);
	type_code type = 0;
	int32 count = 0;
	EXPECT_EQ(copy.GetInfo("curvetype", &type, &count), B_OK);
	EXPECT_EQ(type, B_INT32_TYPE);
	EXPECT_EQ(count, 2);
}

TEST(Message, FailedLookupsLeaveTheOutputAlone)
{
	BMessage msg(four_char_code("test"));
	msg.AddInt32("curvetype", 7);
	int32 value = 42;
	EXPECT_EQ(msg.FindInt32("missing", &value), B_NAME_NOT_FOUND);
	EXPECT_EQ(msg.FindInt32("curvetype", 1, &value), B_BAD_INDEX);
	int8 byte = 5;
	EXPECT_EQ(msg.FindInt8("curvetype", &byte), B_BAD_TYPE);
	EXPECT_EQ(value, 42);
	EXPECT_EQ(byte, 5);
	EXPECT_EQ(msg.AddString("curvetype", "text"), B_BAD_TYPE);
	EXPECT_EQ(msg.AddString("null", static_cast<const char*>(nullptr)), B_BAD_VALUE);
}
