#include "platform/posix/hresult_from_errno-posix.h"

#include <errno.h>
#include <gtest/gtest.h>

namespace {

HRESULT Code(unsigned value) { return static_cast<HRESULT>(value); }

// Each code, by value, with who tells it apart.
TEST(HresultFromErrnoTest, GivesTheCodeWindowsGivesForEachFailureACallerTellsApart) {
  // No such task (Activate, Delete, a later save of a deleted task), and a
  // program or working directory that does not exist.
  EXPECT_EQ(Code(0x80070002), HresultFromErrno(ENOENT));
  // A file where the task folder, or a folder of a program's path, should be.
  EXPECT_EQ(Code(0x80070003), HresultFromErrno(ENOTDIR));
  // A folder or program the user may not use, and a read-only folder.
  EXPECT_EQ(Code(0x80070005), HresultFromErrno(EACCES));
  EXPECT_EQ(Code(0x80070005), HresultFromErrno(EPERM));
  EXPECT_EQ(Code(0x80070005), HresultFromErrno(EROFS));
  // Jobwarden's "Not enough memory." for /create.
  EXPECT_EQ(Code(0x8007000E), HresultFromErrno(ENOMEM));
  // Jobwarden's unique-name message: another create stored the name first.
  EXPECT_EQ(Code(0x80070050), HresultFromErrno(EEXIST));
  // The service's message for a run it cannot record.
  EXPECT_EQ(Code(0x80070070), HresultFromErrno(ENOSPC));
  EXPECT_EQ(Code(0x80070070), HresultFromErrno(EDQUOT));
  // A program path too long to start, recorded as the task's exit code.
  EXPECT_EQ(Code(0x800700CE), HresultFromErrno(ENAMETOOLONG));
}

TEST(HresultFromErrnoTest, AnyOtherFailureIsEFail) {
  for (int error : {EIO, EFBIG, EMFILE, ELOOP, EBUSY, 0})
    EXPECT_EQ(E_FAIL, HresultFromErrno(error)) << error;
}

}  // namespace
