// A file descriptor that closes itself on every path out of a function.
#ifndef PLATFORM_POSIX_DESCRIPTOR_POSIX_H_
#define PLATFORM_POSIX_DESCRIPTOR_POSIX_H_

#include <unistd.h>

#include <utility>

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Reset(-1); }

  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0)
      close(fd_);
    fd_ = fd;
  }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

#endif  // PLATFORM_POSIX_DESCRIPTOR_POSIX_H_
