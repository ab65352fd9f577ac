#include "service/task_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/task_folder_lock-posix.h"
#include "platform/testing/task_folder_testing.h"
#include "platform/testing/trigger_testing.h"
#include "service/run_due.h"
#include "service/service_doubles_testing.h"

namespace {

using service_test::kDueMinute;
using service_test::RecordingLauncher;

class FolderTaskStoreTest : public testing::Test {
 protected:
  service_test::TimeZoneForTest zone_{"UTC"};

  // Stores the task as Jobwarden's /create does, through another folder
  // object than the store's.
  void Store(const std::wstring& name, const JobFile& job) {
    TaskFolder folder(path_, false);
    FolderScan scan;
    ASSERT_EQ(folder.FindTakenName(name, &scan), S_FALSE);
    StoredFile stored;
    ASSERT_EQ(folder.CreateTask(name, SerializeJobFile(job), scan, &stored), S_OK);
  }
  void Remove(const std::wstring& name) {
    TaskFolder folder(path_, false);
    ASSERT_EQ(folder.RemoveTask({name}), S_OK);
  }
  bool Exists(const std::wstring& name) const {
    return std::filesystem::exists(path_ + "/" + Utf8FromWide(name));
  }

  // run-due (or `command`) over this folder with `launcher`; what it said
  // where cron sends its output goes to `said`.
  int RunDue(service_test::RecordingLauncher& launcher, time_t now, std::string* said,
             int (*command)(const RunContext&, time_t) = RunDueCommand) {
    ServiceFolders folders(folder_.root() + "/state");
    const RunLocks locks(folders);
    std::ostringstream log;
    service_test::MemoryEventLog events;
    const RunContext context{store_, launcher, locks, path_, log, events};
    const int status = command(context, now);
    *said = log.str();
    return status;
  }

  static JobFile DueTask(BYTE uuid) {
    JobFile job;
    job.application_name = L"/bin/true";
    job.comment = L"kept";
    job.job_uuid[0] = uuid;
    job.triggers.push_back(test_triggers::Daily("2026-12-01 10:21"));
    return job;
  }

  TestTaskFolder folder_;
  const std::string path_ = folder_.path();
  FolderTaskStore store_{path_, false};
};

// A task as Windows XP writes it, with the delete-when-done flag: run at
// its minute, then deleted when it has no more runs, kept when it has; a
// task replaced under its name meanwhile is not deleted.
TEST_F(FolderTaskStoreTest, DeletesATaskDoneWithItsRuns) {
  JobFile once = DueTask(1);
  once.flags = TASK_FLAG_DELETE_WHEN_DONE;
  once.triggers = {test_triggers::Once("2026-12-07 10:21")};
  JobFile daily = DueTask(2);
  daily.flags = TASK_FLAG_DELETE_WHEN_DONE;
  Store(L"Once.job", once);
  Store(L"Daily.job", daily);
  service_test::RecordingLauncher launcher;
  std::string said;
  EXPECT_EQ(RunDue(launcher, service_test::kDueMinute + 5, &said), 0);
  EXPECT_EQ(said, "");
  EXPECT_EQ(launcher.requests.size(), 2u);
  EXPECT_FALSE(Exists(L"Once.job"));
  EXPECT_TRUE(Exists(L"Daily.job"));

  // At system start it runs again at every start: run, and kept.
  JobFile at_start = DueTask(4);
  at_start.flags = TASK_FLAG_DELETE_WHEN_DONE;
  at_start.triggers = {
      test_triggers::Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, "2026-12-01 10:21")};
  Store(L"AtStart.job", at_start);
  EXPECT_EQ(RunDue(launcher, service_test::kDueMinute + 65, &said, SystemStartCommand), 0);
  EXPECT_EQ(launcher.requests.size(), 3u);
  EXPECT_TRUE(Exists(L"AtStart.job"));

  Store(L"Once.job", DueTask(3));
  EXPECT_EQ(store_.Remove(L"Once.job", [](const JobFile& job) { return job.job_uuid[0] == 1; }),
            S_FALSE);
  EXPECT_TRUE(Exists(L"Once.job"));
}

TEST_F(FolderTaskStoreTest, UpdatesOnlyAStoredTask) {
  JobFile job;
  job.application_name = L"/bin/true";
  job.comment = L"kept";
  Store(L"a.job", job);
  EXPECT_EQ(store_.Update(L"a.job",
                          [](JobFile* stored) {
                            stored->exit_code = 5;
                            return true;
                          }),
            S_OK);
  JobFile read;
  ASSERT_EQ(store_.Read(L"a.job", &read), S_OK);
  EXPECT_EQ(read.exit_code, 5u);
  EXPECT_EQ(read.comment, L"kept");

  EXPECT_EQ(store_.Update(L"gone.job", [](JobFile*) { return true; }),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Exists(L"gone.job"));
  EXPECT_EQ(store_.Update(L"a.job",
                          [](JobFile* stored) {
                            stored->exit_code = 6;
                            return false;
                          }),
            S_FALSE);
  ASSERT_EQ(store_.Read(L"a.job", &read), S_OK);
  EXPECT_EQ(read.exit_code, 5u);
}

TEST_F(FolderTaskStoreTest, ATaskFolderThatDoesNotExistHasNothingToUpdate) {
  EXPECT_EQ(store_.Update(L"a.job", [](JobFile*) { return true; }),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(FolderTaskStoreTest, ListsTasksAndRefusesFilesThatAreNone) {
  Store(L"a.job", JobFile());
  std::ofstream(path_ + "/garbage.job") << "not a job";
  std::vector<std::wstring> names;
  ASSERT_EQ(store_.List(&names), S_OK);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a.job", L"garbage.job"}));
  JobFile job;
  EXPECT_EQ(store_.Read(L"garbage.job", &job), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
  EXPECT_EQ(store_.Update(L"garbage.job", [](JobFile*) { return true; }),
            HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
  EXPECT_EQ(store_.Read(L"missing.job", &job), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

// A task that someone other than the service's user could have written is
// read only to tell when it would run, and never changed; nor is the
// file's other name.
TEST_F(FolderTaskStoreTest, NeitherTrustsNorChangesATaskOthersCouldHaveWritten) {
  Store(L"a.job", DueTask(0x42));
  const std::string file = path_ + "/a.job";
  const std::string stored = TestTaskFolder::Read(file);
  auto expect_refused = [&](const std::string& reason) {
    JobFile job;
    std::string refusal;
    EXPECT_EQ(store_.Read(L"a.job", &job, &refusal), TRUST_E_SUBJECT_NOT_TRUSTED) << reason;
    EXPECT_EQ(refusal, reason);
    EXPECT_EQ(job.application_name, L"/bin/true");
    bool changed = false;
    EXPECT_EQ(store_.Update(L"a.job",
                            [&](JobFile*) {
                              changed = true;
                              return true;
                            }),
              TRUST_E_SUBJECT_NOT_TRUSTED);
    EXPECT_FALSE(changed);
    EXPECT_EQ(TestTaskFolder::Read(file), stored);
  };

  ASSERT_EQ(chmod(file.c_str(), 0660), 0);
  expect_refused("the file is writable by its group");
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  const std::string second = folder_.root() + "/second";
  ASSERT_EQ(link(file.c_str(), second.c_str()), 0);
  expect_refused("the file has 2 links");
  EXPECT_EQ(TestTaskFolder::Read(second), stored);
  ASSERT_EQ(unlink(second.c_str()), 0);
  ASSERT_EQ(chmod(path_.c_str(), 0777), 0);
  expect_refused("the task folder is writable by others");
  ASSERT_EQ(chmod(path_.c_str(), 0700), 0);

  JobFile job;
  EXPECT_EQ(store_.Read(L"a.job", &job), S_OK);
  EXPECT_EQ(store_.Update(L"a.job", [](JobFile*) { return true; }), S_OK);

  // Bytes that are no task are judged the same, and read as no task at all.
  TestTaskFolder::Write(path_ + "/garbage.job", "not a job");
  ASSERT_EQ(chmod((path_ + "/garbage.job").c_str(), 0666), 0);
  std::string refusal;
  EXPECT_EQ(store_.Read(L"garbage.job", &job, &refusal), TRUST_E_SUBJECT_NOT_TRUSTED);
  EXPECT_EQ(refusal, "the file is writable by others");
  EXPECT_TRUE(job.triggers.empty());
  EXPECT_TRUE(job.application_name.empty());
}

// A batch judges each task under the folder's lock, as Update does: the
// one others could have written is neither changed nor written, the rest
// of its batch is.
TEST_F(FolderTaskStoreTest, ABatchChangesNoTaskOthersCouldHaveWritten) {
  for (const wchar_t* name : {L"a.job", L"b.job", L"c.job"})
    Store(name, DueTask(0x42));
  const std::string b_file = path_ + "/b.job";
  const std::string b_stored = TestTaskFolder::Read(b_file);
  ASSERT_EQ(chmod(b_file.c_str(), 0620), 0);
  std::vector<std::wstring> changed;
  std::vector<TaskChange> batch;
  for (const wchar_t* name : {L"a.job", L"b.job", L"c.job"}) {
    batch.push_back({name, [&changed, name](JobFile* stored) {
                       changed.push_back(name);
                       stored->exit_code = 7;
                       return true;
                     }});
  }
  store_.UpdateBatch(&batch);
  EXPECT_EQ(batch[0].result, S_OK);
  EXPECT_EQ(batch[1].result, TRUST_E_SUBJECT_NOT_TRUSTED);
  EXPECT_EQ(batch[2].result, S_OK);
  EXPECT_EQ(changed, (std::vector<std::wstring>{L"a.job", L"c.job"}));
  EXPECT_EQ(TestTaskFolder::Read(b_file), b_stored);
  JobFile job;
  ASSERT_EQ(store_.Read(L"c.job", &job), S_OK);
  EXPECT_EQ(job.exit_code, 7u);
}

// Entries planted under task names: a symbolic link to a task that would
// be due is never followed, and a FIFO, a folder, a file past the size
// limit and garbage are passed over without a hang or a line in the log.
TEST_F(FolderTaskStoreTest, FindsNoDueTaskInHostileEntries) {
  Store(L"real.job", DueTask(0x42));
  const std::string outside = folder_.root() + "/outside.job";
  JobFile outside_job = DueTask(0x43);
  outside_job.application_name = L"/bin/outside";
  const std::vector<uint8_t> outside_task = SerializeJobFile(outside_job);
  TestTaskFolder::Write(outside, std::string(outside_task.begin(), outside_task.end()));
  ASSERT_EQ(chmod(outside.c_str(), 0600), 0);
  std::filesystem::create_symlink(outside, path_ + "/link.job");
  ASSERT_EQ(mkfifo((path_ + "/fifo.job").c_str(), 0600), 0);
  std::filesystem::create_directory(path_ + "/folder.job");
  TestTaskFolder::Write(path_ + "/huge.job", std::string(2 << 20, 'x'));
  TestTaskFolder::Write(path_ + "/garbage.job", "not a job");
  const std::string outside_before = TestTaskFolder::Read(outside);

  RecordingLauncher launcher;
  std::string said;
  EXPECT_EQ(RunDue(launcher, kDueMinute + 1, &said), 0);
  ASSERT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(launcher.requests[0].program.path, "/bin/true");
  EXPECT_EQ(said, "");
  JobFile job;
  EXPECT_EQ(store_.Read(L"link.job", &job), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(store_.Read(L"fifo.job", &job), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(store_.Update(L"link.job", [](JobFile*) { return true; }),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(TestTaskFolder::Read(outside), outside_before);
}

TEST_F(FolderTaskStoreTest, RootTrustsNoTaskFileOfAnotherUser) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only root can give a file to another user";
  const struct passwd* daemon = getpwnam("daemon");
  ASSERT_NE(daemon, nullptr);
  Store(L"a.job", DueTask(0x42));
  ASSERT_EQ(chown((path_ + "/a.job").c_str(), daemon->pw_uid, daemon->pw_gid), 0);
  JobFile job;
  std::string refusal;
  EXPECT_EQ(store_.Read(L"a.job", &job, &refusal), TRUST_E_SUBJECT_NOT_TRUSTED);
  EXPECT_EQ(refusal, "the file is owned by uid " + std::to_string(daemon->pw_uid));
  ASSERT_EQ(chown(path_.c_str(), daemon->pw_uid, daemon->pw_gid), 0);
  EXPECT_EQ(store_.Read(L"a.job", &job, &refusal), TRUST_E_SUBJECT_NOT_TRUSTED);
  EXPECT_EQ(refusal, "the task folder is owned by uid " + std::to_string(daemon->pw_uid));
}

// No other writer, in this process or another, can take the folder's lock
// while the change looks at the task.
TEST_F(FolderTaskStoreTest, HoldsTheFolderLockFromTheReadToTheWrite) {
  Store(L"a.job", JobFile());
  const Descriptor folder(open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_GE(folder.get(), 0);
  HRESULT during_change = S_OK;
  EXPECT_EQ(store_.Update(L"a.job",
                          [&](JobFile* stored) {
                            TaskFolderLock other;
                            during_change =
                                other.Acquire(folder.get(), std::chrono::milliseconds(0));
                            stored->exit_code = 1;
                            return true;
                          }),
            S_OK);
  EXPECT_EQ(during_change, HRESULT_FROM_WIN32(ERROR_TIMEOUT));
  TaskFolderLock after;
  EXPECT_EQ(after.Acquire(folder.get(), std::chrono::milliseconds(0)), S_OK);
}

// The record of a run whose task was deleted, or deleted and created anew
// under its name, while it ran: no task comes back, and the new one is
// left as it was stored.
TEST_F(FolderTaskStoreTest, ATaskDeletedWhileItRunsIsNotRecreatedByItsRecord) {
  Store(L"backup.job", DueTask(0x42));
  RecordingLauncher launcher;
  launcher.while_running = [&] { Remove(L"backup.job"); };
  std::string said;
  EXPECT_EQ(RunDue(launcher, kDueMinute + 3, &said), 0);
  EXPECT_FALSE(Exists(L"backup.job"));
  EXPECT_EQ(store_.Update(L"backup.job", [](JobFile*) { return true; }),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Exists(L"backup.job"));

  Store(L"backup.job", DueTask(0x42));
  const JobFile replacement = DueTask(0x43);
  launcher.while_running = [&] {
    Remove(L"backup.job");
    Store(L"backup.job", replacement);
  };
  EXPECT_EQ(RunDue(launcher, kDueMinute + 86403, &said), 0);
  EXPECT_EQ(launcher.requests.size(), 2u);
  JobFile stored;
  ASSERT_EQ(store_.Read(L"backup.job", &stored), S_OK);
  EXPECT_EQ(stored.job_uuid[0], 0x43);
  EXPECT_EQ(stored.run_date.wYear, 0);
  EXPECT_EQ(stored.running_instance_count, 0);
  EXPECT_EQ(said, "");
}

// Two run-due processes of one minute, each with its own store and its own
// run locks, so that only the task folder's lock stands between them,
// released at one instant: the task starts once, the other sees it ran.
TEST_F(FolderTaskStoreTest, TwoRunDueProcessesOfOneMinuteStartATaskOnce) {
  constexpr int kRounds = 20;
  const std::string starts = folder_.root() + "/starts";
  for (int round = 0; round < kRounds; ++round) {
    const std::wstring name = L"task" + std::to_wstring(round) + L".job";
    Store(name, DueTask(static_cast<BYTE>(round + 1)));
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    pid_t runs[2];
    for (int i = 0; i < 2; ++i) {
      runs[i] = fork();
      ASSERT_GE(runs[i], 0);
      if (runs[i] == 0) {
        close(release[1]);
        char ignored;
        (void)read(release[0], &ignored, 1);  // returns when the write end closes
        FolderTaskStore own(path_, false);
        RecordingLauncher launcher;
        launcher.while_running = [&] { std::ofstream(starts, std::ios::app) << round << "\n"; };
        ServiceFolders folders(folder_.root() + "/state-" + std::to_string(i));
        const RunLocks locks(folders);
        std::ostringstream log;
        service_test::MemoryEventLog events;
        const RunContext context{own, launcher, locks, path_, log, events};
        _exit(RunDueCommand(context, kDueMinute + 1) == 0 && log.str().empty() ? 0 : 1);
      }
    }
    close(release[0]);
    close(release[1]);
    for (pid_t run : runs) {
      int status = 0;
      ASSERT_EQ(waitpid(run, &status, 0), run);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    JobFile stored;
    ASSERT_EQ(store_.Read(name, &stored), S_OK);
    EXPECT_EQ(stored.running_instance_count, 0) << "round " << round;
  }
  std::ifstream recorded(starts);
  std::vector<int> rounds;
  for (int round; recorded >> round;)
    rounds.push_back(round);
  std::vector<int> each_once(kRounds);
  for (int round = 0; round < kRounds; ++round)
    each_once[round] = round;
  EXPECT_EQ(rounds, each_once);
}

constexpr uid_t kService = 1000;
constexpr uid_t kOther = 1001;

struct stat Folder(uid_t owner, mode_t mode) {
  struct stat status = {};
  status.st_mode = S_IFDIR | mode;
  status.st_uid = owner;
  status.st_nlink = 2;
  return status;
}

struct stat File(uid_t owner, mode_t mode, nlink_t links = 1) {
  struct stat status = {};
  status.st_mode = S_IFREG | mode;
  status.st_uid = owner;
  status.st_nlink = links;
  return status;
}

std::string Refusal(const struct stat& folder, const struct stat& file) {
  return TaskTrustRefusal(folder, file, kService).value_or("trusted");
}

TEST(TaskTrustTest, TrustsTheServiceUsersAndRootsOwnFiles) {
  EXPECT_EQ(Refusal(Folder(kService, 0700), File(kService, 0600)), "trusted");
  EXPECT_EQ(Refusal(Folder(0, 0755), File(0, 0644)), "trusted");
  EXPECT_EQ(Refusal(Folder(0, 0700), File(kService, 0400)), "trusted");
  EXPECT_EQ(Refusal(Folder(kService, 0755), File(0, 0600)), "trusted");
  // Set-group-ID and sticky bits grant no one the right to write.
  EXPECT_EQ(Refusal(Folder(kService, 02755), File(kService, 0600)), "trusted");
  EXPECT_EQ(TaskTrustRefusal(Folder(0, 0700), File(0, 0600), 0), std::nullopt);
}

TEST(TaskTrustTest, RefusesAFolderSomeoneElseCanWrite) {
  EXPECT_EQ(Refusal(Folder(kOther, 0700), File(kService, 0600)),
            "the task folder is owned by uid 1001");
  EXPECT_EQ(Refusal(Folder(kService, 0777), File(kService, 0600)),
            "the task folder is writable by others");
  // A sticky bit keeps others from removing the task, not from adding one.
  EXPECT_EQ(Refusal(Folder(0, 01777), File(kService, 0600)),
            "the task folder is writable by others");
  EXPECT_EQ(Refusal(Folder(kService, 02770), File(kService, 0600)),
            "the task folder is writable by its group");
  // The folder's owner is named before what its mode allows.
  EXPECT_EQ(Refusal(Folder(kOther, 0777), File(kOther, 0666)),
            "the task folder is owned by uid 1001");
  struct stat not_a_folder = File(kService, 0700);
  EXPECT_EQ(Refusal(not_a_folder, File(kService, 0600)), "the task folder is not a folder");
}

TEST(TaskTrustTest, RefusesAFileSomeoneElseCanWriteOrThatHasAnotherName) {
  const struct stat folder = Folder(kService, 0700);
  EXPECT_EQ(Refusal(folder, File(kOther, 0600)), "the file is owned by uid 1001");
  EXPECT_EQ(Refusal(folder, File(1, 0666)), "the file is owned by uid 1");
  EXPECT_EQ(Refusal(folder, File(kService, 0602)), "the file is writable by others");
  EXPECT_EQ(Refusal(folder, File(kService, 0620)), "the file is writable by its group");
  EXPECT_EQ(Refusal(folder, File(kService, 0600, 2)), "the file has 2 links");
  EXPECT_EQ(Refusal(folder, File(0, 0600, 0)), "the file has 0 links");

  struct stat fifo = File(kService, 0600);
  fifo.st_mode = S_IFIFO | 0600;
  EXPECT_EQ(Refusal(folder, fifo), "the file is not a regular file");
  EXPECT_EQ(Refusal(folder, Folder(kService, 0700)), "the file is not a regular file");
}

}  // namespace
