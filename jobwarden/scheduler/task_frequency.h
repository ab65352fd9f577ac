#ifndef JOBWARDEN_SCHEDULER_TASK_FREQUENCY_H_
#define JOBWARDEN_SCHEDULER_TASK_FREQUENCY_H_

#include <cstdint>

enum class TaskFrequency : int32_t {
  Hourly = 0,
  Daily = 1,
  Weekly = 2,
  Monthly = 3,
};

#endif  // JOBWARDEN_SCHEDULER_TASK_FREQUENCY_H_
