// The /query floor: the least that any listing of a task folder must do,
// which is to list the folder and read each ".job" file in it completely.
// Jobwarden's /query does this and then parses and prints; its time over
// this program's is the cost of that work.
//
//   read_floor FOLDER
//
// Prints the number of files and bytes read, so the work cannot be
// optimised away and a wrong folder shows at once. Built for Windows too,
// as the floor of the Windows build's /query under Wine.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool EndsWithJob(const char* name) {
  size_t length = std::strlen(name);
  return length > 4 && std::strcmp(name + length - 4, ".job") == 0;
}

// Opens the way each program measured against this floor does: relative to
// the open folder on POSIX hosts, by full path on Windows, which has no
// openat.
int OpenInFolder(const char* folder, DIR* dir, const char* name) {
#ifdef _WIN32
  (void)dir;
  return open((std::string(folder) + "\\" + name).c_str(), O_RDONLY | O_BINARY);
#else
  (void)folder;
  return openat(dirfd(dir), name, O_RDONLY | O_CLOEXEC);
#endif
}

// Bytes read from `name`, or -1 when it cannot be opened.
long ReadWholeFile(const char* folder, DIR* dir, const char* name) {
  int fd = OpenInFolder(folder, dir, name);
  if (fd < 0)
    return -1;
  char buffer[4096];
  long total = 0;
  for (ssize_t count; (count = read(fd, buffer, sizeof buffer)) > 0;)
    total += count;
  close(fd);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_floor FOLDER\n");
    return 2;
  }
  DIR* dir = opendir(argv[1]);
  if (!dir) {
    std::perror(argv[1]);
    return 1;
  }
  long files = 0;
  long bytes = 0;
  while (dirent* entry = readdir(dir)) {
    if (!EndsWithJob(entry->d_name))
      continue;
    long read = ReadWholeFile(argv[1], dir, entry->d_name);
    if (read >= 0) {
      ++files;
      bytes += read;
    }
  }
  closedir(dir);
  std::printf("%ld files, %ld bytes\n", files, bytes);
  return 0;
}
