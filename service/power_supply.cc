#include "service/power_supply.h"

#include <dirent.h>
#include <stdlib.h>

#include <fstream>

namespace {

// The first line of one of a supply's attributes; "" when it has none.
std::string Attribute(const std::string& supply, const char* name) {
  std::ifstream file(supply + "/" + name);
  std::string value;
  std::getline(file, value);
  return value;
}

}  // namespace

std::string PowerSupplyFolder() {
  const char* folder = getenv("JOBWARDEN_POWER_SUPPLY");
  return folder && *folder ? folder : "/sys/class/power_supply";
}

bool OnBatteries(const std::string& folder) {
  DIR* listing = opendir(folder.c_str());
  if (!listing)
    return false;
  bool mains_online = false, discharging = false;
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] == '.')
      continue;
    const std::string supply = folder + "/" + entry->d_name;
    const std::string type = Attribute(supply, "type");
    if (type == "Mains" && Attribute(supply, "online") == "1")
      mains_online = true;
    else if (type == "Battery" && Attribute(supply, "scope") != "Device" &&
             Attribute(supply, "status") == "Discharging")
      discharging = true;
  }
  closedir(listing);
  return discharging && !mains_online;
}
