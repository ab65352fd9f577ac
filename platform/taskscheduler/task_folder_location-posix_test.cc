#include "platform/taskscheduler/task_folder_location-posix.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/testing/task_folder_testing.h"

TEST(TaskFolderLocationTest, ComesFromTheEnvironment) {
  const TestTaskFolder scratch_{TestTaskFolder::Com::kLeftAlone};
  bool is_default = true;
  EXPECT_EQ(scratch_.path(), TaskFolderPathFromEnvironment(&is_default));
  EXPECT_FALSE(is_default);

  unsetenv("JOBWARDEN_TASKS_DIR");
  const char* saved = getenv("XDG_DATA_HOME");
  std::string saved_value = saved ? saved : "";
  setenv("XDG_DATA_HOME", "/xdg/data", 1);
  EXPECT_EQ("/xdg/data/jobwarden/tasks", TaskFolderPathFromEnvironment(&is_default));
  EXPECT_TRUE(is_default);
  setenv("XDG_DATA_HOME", "relative/data", 1);  // ignored, as the XDG rules say
  std::string fallback = TaskFolderPathFromEnvironment(&is_default);
  if (geteuid() == 0) {
    EXPECT_EQ(fallback, kSystemTaskFolder) << "root's tasks are the system's";
  } else {
    const std::string suffix = "/.local/share/jobwarden/tasks";
    ASSERT_GT(fallback.size(), suffix.size());
    EXPECT_EQ(suffix, fallback.substr(fallback.size() - suffix.size()));
  }
  if (saved)
    setenv("XDG_DATA_HOME", saved_value.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}
