// The invoking user's crontab, read and replaced through the `crontab`
// program ("crontab -l", "crontab -"). JOBWARDEN_CRONTAB, when set, names
// the program to use instead, with arguments of its own split as a task's
// parameters are (for instance "busybox crontab -c /tmp/spool").
#ifndef SERVICE_CRONTAB_H_
#define SERVICE_CRONTAB_H_

#include <string>
#include <vector>

class Crontab {
 public:
  virtual ~Crontab() = default;
  // The crontab's text; empty when the user has none. False, with a reason,
  // when it cannot be read: the caller must then not replace it.
  virtual bool Read(std::string* text, std::string* error) = 0;
  virtual bool Write(const std::string& text, std::string* error) = 0;
};

class CommandCrontab : public Crontab {
 public:
  CommandCrontab();
  bool Read(std::string* text, std::string* error) override;
  bool Write(const std::string& text, std::string* error) override;

 private:
  std::vector<std::string> command_;
};

#endif  // SERVICE_CRONTAB_H_
