// The error of the scheduled-task client: the complete text to show,
// without the leading line break the entry routine adds.
#ifndef JOBWARDEN_SCHEDULER_JOBWARDEN_EXCEPTION_H_
#define JOBWARDEN_SCHEDULER_JOBWARDEN_EXCEPTION_H_

#include <string>

class JobwardenException {
 public:
  explicit JobwardenException(const std::wstring& message) : Message(message) {}

  std::wstring Message;
};

#endif  // JOBWARDEN_SCHEDULER_JOBWARDEN_EXCEPTION_H_
