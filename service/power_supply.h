// Whether the machine runs on batteries, as the kernel's power-supply
// class tells (/sys/class/power_supply: a folder per supply, each with its
// `type`, and `online`, `scope` or `status` as it has them): the one thing
// the service asks of the machine's power for a task's battery flags.
#ifndef SERVICE_POWER_SUPPLY_H_
#define SERVICE_POWER_SUPPLY_H_

#include <string>

// The power-supply class folder: JOBWARDEN_POWER_SUPPLY when set (the
// tests' scratch trees), else /sys/class/power_supply.
std::string PowerSupplyFolder();

// On batteries: no mains supply online and a system battery discharging.
// A battery whose scope is Device (a wireless mouse's) is not the
// machine's; a machine with no battery, or no folder to read, never is.
bool OnBatteries(const std::string& folder);

#endif  // SERVICE_POWER_SUPPLY_H_
