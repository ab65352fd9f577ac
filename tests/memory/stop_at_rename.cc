// Preloaded into Jobwarden by password_memory_scan.py: stops the process
// (SIGSTOP) at the moment it is about to publish its Nth saved file by
// rename, N from JOBWARDEN_STOP_AT_RENAME, so that its memory can be read
// during a save; SIGCONT lets the rename go on. Every other call passes
// straight through. A test tool, never linked into a program.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

int renames_seen = 0;

void StopIfItIsTheOne() {
  const char* wanted = getenv("JOBWARDEN_STOP_AT_RENAME");
  if (wanted && ++renames_seen == atoi(wanted))
    raise(SIGSTOP);
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int rename(const char* from, const char* to) {
  StopIfItIsTheOne();
  static auto next = Next<int (*)(const char*, const char*)>("rename");
  return next(from, to);
}

int renameat(int from_dir, const char* from, int to_dir, const char* to) {
  StopIfItIsTheOne();
  static auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
  return next(from_dir, from, to_dir, to);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned flags) {
  StopIfItIsTheOne();
  static auto next = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  return next(from_dir, from, to_dir, to, flags);
}

}  // extern "C"
