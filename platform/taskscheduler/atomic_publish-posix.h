// How a task file is written so that a reader sees the old file or the new
// one, whole, and never a half-written one: the bytes go to a temporary
// file of the folder, are flushed, and the temporary file is then renamed
// (or linked) to its final name. The caller holds the folder's lock
// (task_folder_lock-posix.h) throughout, so a temporary file that the lock's
// holder finds was left by a writer that died.
#ifndef PLATFORM_TASKSCHEDULER_ATOMIC_PUBLISH_POSIX_H_
#define PLATFORM_TASKSCHEDULER_ATOMIC_PUBLISH_POSIX_H_

#include <sys/types.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The file a save stored or a read found under a task's name; a later
// save replaces that file only, never one stored in its place meanwhile.
struct StoredFile {
  dev_t device = 0;
  ino_t inode = 0;
};

// Whether `name` is one that WriteTemporaryFile makes: only those are ever
// removed as left behind, never a file of the user's.
bool IsTemporaryName(const char* name);

// Removes temporary files left behind, found by a scan of the folder open as
// `folder_fd` (one already gone is as good).
void RemoveTemporaryFiles(int folder_fd, const std::vector<std::string>& names);

// Whether WriteTemporaryFile flushes the file itself, or leaves it to one
// FlushFolderFiles for a whole batch of files before any is published.
enum class Flush { kNow, kLater };

// Writes `bytes` to a new temporary file in the folder, flushed to disk
// now or, with Flush::kLater, by FlushFolderFiles before it is published,
// so that a rename or link publishes complete content only. `identity`
// receives the file's, which the rename keeps.
HRESULT WriteTemporaryFile(int folder_fd, const std::vector<uint8_t>& bytes, std::string* temporary,
                           StoredFile* identity, Flush flush = Flush::kNow);

// Flushes every file written with Flush::kLater on the folder's file
// system at once: one journal commit for a batch instead of one per file.
HRESULT FlushFolderFiles(int folder_fd);

// Gives the temporary file its final name only if that name is free, so
// that of two processes creating one task exactly one succeeds; the other
// gets ERROR_FILE_EXISTS. The temporary file is gone either way.
HRESULT PublishNew(int folder_fd, const std::string& temporary, const std::string& final_name);

// Gives the temporary file its final name in place of the entry there. The
// temporary file is gone either way.
HRESULT PublishReplacing(int folder_fd, const std::string& temporary,
                         const std::string& final_name);

// Whether the entry `name` is still the file `stored` describes, holding
// the same job as `bytes` (by its UUID): a replacing save checks it first,
// so that it never brings back a task deleted since, nor overwrites another
// one stored under the name meanwhile.
bool IsStoredFile(int folder_fd, const std::string& name, const StoredFile& stored,
                  const std::vector<uint8_t>& bytes);

#endif  // PLATFORM_TASKSCHEDULER_ATOMIC_PUBLISH_POSIX_H_
