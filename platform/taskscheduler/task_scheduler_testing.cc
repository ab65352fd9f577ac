#include "platform/taskscheduler/task_scheduler_testing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

HRESULT NewTask(ITaskScheduler* scheduler, const wchar_t* name, ITask** task) {
  *task = nullptr;
  return scheduler->NewWorkItem(name, CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task));
}

HRESULT Activate(ITaskScheduler* scheduler, const wchar_t* name, ITask** task) {
  *task = nullptr;
  return scheduler->Activate(name, IID_ITask, reinterpret_cast<IUnknown**>(task));
}

HRESULT Save(ITask* task) {
  IPersistFile* file = nullptr;
  HRESULT result = task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (FAILED(result))
    return result;
  result = file->Save(nullptr, TRUE);
  file->Release();
  return result;
}

HRESULT Store(ITaskScheduler* scheduler, const wchar_t* name) {
  ITask* task = nullptr;
  HRESULT result = NewTask(scheduler, name, &task);
  if (FAILED(result))
    return result;
  result = Save(task);
  task->Release();
  return result;
}

JobFile ReadJob(const std::string& path) {
  std::string bytes = TestTaskFolder::Read(path);
  JobFile job;
  EXPECT_TRUE(ParseJobFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &job))
      << path;
  return job;
}

Names EnumerateAll(ITaskScheduler* scheduler, ULONG batch) {
  Names names;
  IEnumWorkItems* items = nullptr;
  EXPECT_EQ(S_OK, scheduler->Enum(&items));
  if (!items)
    return names;
  for (;;) {
    LPWSTR* fetched_names = nullptr;
    ULONG fetched = 0;
    HRESULT result = items->Next(batch, &fetched_names, &fetched);
    EXPECT_EQ(fetched == batch ? S_OK : S_FALSE, result);
    if (fetched == 0) {
      EXPECT_EQ(nullptr, fetched_names);
      break;
    }
    for (ULONG i = 0; i < fetched; ++i) {
      names.push_back(fetched_names[i]);
      CoTaskMemFree(fetched_names[i]);
    }
    CoTaskMemFree(fetched_names);
  }
  items->Release();
  return names;
}
