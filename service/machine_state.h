// What a task's conditions and priority ask of the machine: its power, its
// sessions and the priorities the service may give. The real machine's
// answers come from the kernel's power-supply class (power_supply.h), the
// login records (user_sessions.h) and the service's own limits; the
// tests give their own.
#ifndef SERVICE_MACHINE_STATE_H_
#define SERVICE_MACHINE_STATE_H_

#include <string>

class MachineState {
 public:
  virtual ~MachineState() = default;
  virtual bool OnBatteries() const = 0;
  // Whether `user` has a session.
  virtual bool LoggedOn(const std::string& user) const = 0;
  // Whether the service may start a program at the nice value `nice`
  // (lowering one's priority is always allowed; raising it needs root's
  // CAP_SYS_NICE or a nice limit that allows it).
  virtual bool MayUseNice(int nice) const = 0;
  // The power-supply folder that a task's watcher checks while it runs.
  virtual std::string PowerSupplies() const = 0;
};

class SystemMachineState : public MachineState {
 public:
  bool OnBatteries() const override;
  bool LoggedOn(const std::string& user) const override;
  bool MayUseNice(int nice) const override;
  std::string PowerSupplies() const override;
};

#endif  // SERVICE_MACHINE_STATE_H_
