#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include "kits/support/Errors.h"

TEST(Errors, EverySystemErrorReadsAsTheCLibrarySaysIt)
{
	// The kit keeps its own copy of the words; they must be the library's ("C" locale).
	ASSERT_STREQ(std::setlocale(LC_MESSAGES, nullptr), "C");
	for (int error : {ENOMEM, EIO, EACCES, EINVAL, ETIMEDOUT, EINTR, EAGAIN, EBUSY, EEXIST,
			 ENOENT, ENAMETOOLONG, ENOTDIR, ENOTEMPTY, ENOSPC, EROFS, EISDIR, EMFILE, EXDEV,
			 ELOOP, EPIPE, ENOTSUP, EFBIG, EDQUOT, EDOM}) {
		const int32_t status = status_from_errno(error);
		EXPECT_NE(status, B_ERROR) << error;
		EXPECT_EQ(DescribeStatus(status), std::strerror(error)) << error;
	}
	// Those that used to read "error 0xffffffff", the last two of no platform name.
	EXPECT_EQ(DescribeStatus(status_from_errno(ELOOP)), "Too many levels of symbolic links");
	EXPECT_EQ(DescribeStatus(status_from_errno(EPIPE)), "Broken pipe");
	EXPECT_EQ(DescribeStatus(status_from_errno(EFBIG)), "File too large");
	EXPECT_EQ(DescribeStatus(status_from_errno(EDQUOT)), "Disk quota exceeded");
	EXPECT_NE(status_from_errno(EDQUOT), status_from_errno(EDOM));
	EXPECT_EQ(DescribeStatus(B_BAD_TYPE), "Not a regular file");
	EXPECT_EQ(DescribeStatus(B_ERROR), "error 0xffffffff");
}
