#include <mstask.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/com_recording_testing.h"
#include "platform/testing/local_time_testing.h"
#include "platform/testing/task_folder_testing.h"

namespace {

using test_hooks::Operation;
using Log = std::vector<std::string>;

HRESULT Create(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object) {
  return CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, iid, object);
}

TEST(ComRuntimeTest, CoInitializeNestsPerThread) {
  test_hooks::Reset();
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
  HRESULT other_thread = E_FAIL;
  std::thread([&] {
    other_thread = CoInitialize(nullptr);
    CoUninitialize();
  }).join();
  EXPECT_EQ(S_OK, other_thread);
  CoUninitialize();
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));  // still initialised once
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  CoUninitialize();
}

TEST(ComRuntimeTest, CoCreateInstanceNeedsComOnTheThread) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CO_E_NOTINITIALIZED,
            Create(CLSID_CTaskScheduler, nullptr, IID_ITaskScheduler, &object));
  EXPECT_EQ(nullptr, object);
  CoInitialize(nullptr);
  CoUninitialize();
  EXPECT_EQ(CO_E_NOTINITIALIZED,
            Create(CLSID_CTaskScheduler, nullptr, IID_ITaskScheduler, &object));
}

TEST(ComRuntimeTest, CoCreateInstanceRefusesWhatItCannotMake) {
  TestTaskFolder folder;
  int references = test_hooks::OutstandingReferences();
  void* object = reinterpret_cast<void*>(1);
  IUnknown* outer = reinterpret_cast<IUnknown*>(&object);
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(IID_ITask, nullptr, IID_ITaskScheduler, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, Create(CLSID_CTaskScheduler, outer, IID_IUnknown, &object));
  EXPECT_EQ(E_NOINTERFACE, Create(CLSID_CTaskScheduler, nullptr, IID_ITask, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(E_POINTER, Create(CLSID_CTaskScheduler, nullptr, IID_ITaskScheduler, nullptr));
  EXPECT_EQ(references, test_hooks::OutstandingReferences());
}

TEST(ComRuntimeTest, SchedulerComesWithOneReferenceAndLogsItsRelease) {
  TestTaskFolder folder;
  int references = test_hooks::OutstandingReferences();
  IUnknown* unknown = nullptr;
  ASSERT_EQ(S_OK, Create(CLSID_CTaskScheduler, nullptr, IID_IUnknown,
                         reinterpret_cast<void**>(&unknown)));
  ITaskScheduler* scheduler = nullptr;
  ASSERT_EQ(S_OK,
            unknown->QueryInterface(IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler)));
  EXPECT_EQ(static_cast<IUnknown*>(scheduler), unknown);
  EXPECT_EQ(references + 2, test_hooks::OutstandingReferences());
  EXPECT_EQ(1u, unknown->Release());
  EXPECT_EQ(0u, scheduler->Release());
  EXPECT_EQ(references, test_hooks::OutstandingReferences());
  EXPECT_EQ((Log{"CoCreateInstance", "ITaskScheduler::QueryInterface", "ITaskScheduler::Release",
                 "ITaskScheduler::Release"}),
            test_hooks::CallLog());
}

TEST(ComRuntimeTest, PlannedFailureHitsOnlyTheNthCall) {
  TestTaskFolder folder;
  test_hooks::FailCall(Operation::CoCreateInstance, 2, E_OUTOFMEMORY);
  ITaskScheduler* first = NewScheduler();
  ASSERT_NE(nullptr, first);
  void* second = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_OUTOFMEMORY, Create(CLSID_CTaskScheduler, nullptr, IID_ITaskScheduler, &second));
  EXPECT_EQ(nullptr, second);
  ITaskScheduler* third = NewScheduler();
  ASSERT_NE(nullptr, third);
  first->Release();
  third->Release();

  // Reset forgets the plan and starts counting calls afresh.
  test_hooks::FailCall(Operation::CoInitialize, 1, E_UNEXPECTED);
  test_hooks::Reset();
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
  CoUninitialize();
  test_hooks::FailCall(Operation::CoInitialize, 2, E_UNEXPECTED);
  EXPECT_EQ(E_UNEXPECTED, CoInitialize(nullptr));
  EXPECT_EQ((Log{"CoInitialize", "CoUninitialize", "CoInitialize"}), test_hooks::CallLog());
}

TEST(ComRuntimeTest, TaskMemoryIsCountedAndFreeingIsLogged) {
  test_hooks::Reset();
  int allocations = test_hooks::OutstandingAllocations();
  void* empty = CoTaskMemAlloc(0);
  void* block = CoTaskMemAlloc(64);
  ASSERT_NE(nullptr, empty);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(allocations + 2, test_hooks::OutstandingAllocations());
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
  CoTaskMemFree(empty);
  EXPECT_EQ(allocations, test_hooks::OutstandingAllocations());
  EXPECT_EQ((Log{"CoTaskMemFree", "CoTaskMemFree", "CoTaskMemFree"}), test_hooks::CallLog());
}

TEST(ComRuntimeTest, LocalTimeCanBeFixedByATest) {
  SYSTEMTIME fixed = {2026, 12, 1, 7, 10, 20, 30, 400};
  test_hooks::SetFixedLocalTime(fixed);
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  EXPECT_EQ(0, std::memcmp(&fixed, &now, sizeof now));

  test_hooks::ClearFixedLocalTime();
  GetLocalTime(&now);
  EXPECT_NE(0, std::memcmp(&fixed, &now, sizeof now)) << "still the fixed time";
}

}  // namespace
