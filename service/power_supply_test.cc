#include "service/power_supply.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/testing/task_folder_testing.h"

namespace {

// A scratch power-supply class folder: each supply a folder of attributes.
void Supply(const std::string& folder, const std::string& name,
            const std::map<std::string, std::string>& attributes) {
  std::filesystem::create_directories(folder + "/" + name);
  for (const auto& [attribute, value] : attributes)
    std::ofstream(folder + "/" + name + "/" + attribute) << value << "\n";
}

TEST(PowerSupplyTest, OnBatteriesOnlyWithNoMainsAndASystemBatteryDischarging) {
  const std::map<std::string, std::string>
      kMainsOn = {{"type", "Mains"}, {"online", "1"}},
      kMainsOff = {{"type", "Mains"}, {"online", "0"}},
      kDischarging = {{"type", "Battery"}, {"scope", "System"}, {"status", "Discharging"}},
      kMouse = {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}},
      kCharging = {{"type", "Battery"}, {"status", "Charging"}};
  const struct {
    std::vector<std::map<std::string, std::string>> supplies;
    bool on_batteries;
  } cases[] = {
      {{}, false},
      {{kMainsOn}, false},
      {{kMainsOn, kDischarging}, false},
      {{kMainsOff, kDischarging}, true},
      {{kDischarging}, true},
      {{kMainsOff, kMouse}, false},
      {{kMainsOff, kCharging}, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TestTaskFolder scratch;
    const std::string folder = scratch.root() + "/power_supply";
    std::filesystem::create_directories(folder);
    for (size_t s = 0; s < cases[i].supplies.size(); ++s)
      Supply(folder, "supply" + std::to_string(s), cases[i].supplies[s]);
    EXPECT_EQ(OnBatteries(folder), cases[i].on_batteries) << "case " << i;
  }
  EXPECT_FALSE(OnBatteries("/nonexistent/power_supply"));
}

}  // namespace
