#include "service/result_text.h"

#include <gtest/gtest.h>

#include "service/run_due.h"

namespace {

TEST(ResultInWordsTest, ExitCodesAndTheSignalsTheyMayMean) {
  EXPECT_EQ(ResultInWords(0, "alice"), "exit code 0");
  EXPECT_EQ(ResultInWords(3, "alice"), "exit code 3");
  EXPECT_EQ(ResultInWords(128, ""), "exit code 128");
  EXPECT_EQ(ResultInWords(137, ""), "exit code 137 (128 + SIGKILL)");
  EXPECT_EQ(ResultInWords(143, ""), "exit code 143 (128 + SIGTERM)");
  EXPECT_EQ(ResultInWords(200, ""), "exit code 200");
  EXPECT_EQ(ResultInWords(255, ""), "exit code 255");
}

TEST(ResultInWordsTest, TheServicesOwnCodesInWords) {
  EXPECT_EQ(ResultInWords(kNoSuchAccount, "jw-x"), "the account jw-x does not exist");
  EXPECT_EQ(ResultInWords(kNoSuchAccount, ""), "the account does not exist");
  EXPECT_EQ(ResultInWords(SCHED_E_TASK_NOT_READY, ""), "it has no program");
  EXPECT_EQ(ResultInWords(0x80070002, ""), "the program was not found");
  EXPECT_EQ(ResultInWords(0x8007010B, ""), "its working directory cannot be entered");
  EXPECT_EQ(ResultInWords(0x80070005, ""), "permission denied");
  EXPECT_EQ(ResultInWords(0x8007000E, ""), "out of memory");
  EXPECT_EQ(ResultInWords(0x800B0004, ""), "the task file is not trusted");
  EXPECT_EQ(ResultInWords(kRunEndNotSeen, ""),
            "its end was not seen (the service was stopped while it ran)");
  EXPECT_EQ(ResultInWords(SCHED_S_TASK_TERMINATED, ""), "ended at its maximum run time");
}

TEST(ResultInWordsTest, OtherCodesAsNumbers) {
  EXPECT_EQ(ResultInWords(0x80070057, ""), "error 0x80070057");
  EXPECT_EQ(ResultInWords(0x00041300, ""), "exit code 0x41300");
}

}  // namespace
