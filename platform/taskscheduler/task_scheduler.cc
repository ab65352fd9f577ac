#include "platform/taskscheduler/task_scheduler.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/taskscheduler/enum_work_items.h"
#include "platform/taskscheduler/random_bytes.h"
#include "platform/taskscheduler/reference_count.h"
#include "platform/taskscheduler/single_interface.h"
#include "platform/taskscheduler/task.h"
#include "platform/taskscheduler/task_folder-posix.h"
#include "platform/taskscheduler/task_name.h"

namespace {

// Reads the task that `name` names, and gives its file's on-disk name and
// identity. Enum hands out on-disk names, so the name as given is read
// first: each task a listing shows is then opened once, not looked up and
// then opened. Whenever that read fails, FindTaskFile decides, as for any
// other name.
HRESULT ReadTaskFile(TaskFolder& folder, const std::wstring& name, std::wstring* file_name,
                     std::vector<uint8_t>* bytes, StoredFile* identity) {
  if (!name.empty()) {
    *file_name = HasJobExtension(name) ? name : TaskFileName(name);
    if (SUCCEEDED(folder.ReadTask(*file_name, bytes, identity)))
      return S_OK;
  }
  HRESULT result = FindTaskFile(folder, name, file_name);
  if (FAILED(result))
    return result;
  return folder.ReadTask(*file_name, bytes, identity);
}

// A version 4 (random) UUID, laid out as a Windows GUID.
void NewJobUuid(BYTE uuid[16]) {
  RandomBytes(uuid, 16);
  uuid[7] = static_cast<BYTE>((uuid[7] & 0x0F) | 0x40);  // high byte of Data3
  uuid[8] = static_cast<BYTE>((uuid[8] & 0x3F) | 0x80);
}

class TaskScheduler final : public ITaskScheduler {
 public:
  explicit TaskScheduler(std::shared_ptr<TaskFolder> folder) : folder_(std::move(folder)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return QuerySingleInterface<ITaskScheduler>(this, IID_ITaskScheduler, &references_, riid,
                                                object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
  ULONG STDMETHODCALLTYPE Release() override { return references_.DropAndDelete(this); }

  HRESULT STDMETHODCALLTYPE Enum(IEnumWorkItems** ppEnumWorkItems) override;
  HRESULT STDMETHODCALLTYPE Activate(LPCWSTR pwszName, REFIID riid, IUnknown** ppUnk) override;
  HRESULT STDMETHODCALLTYPE Delete(LPCWSTR pwszName) override;
  HRESULT STDMETHODCALLTYPE NewWorkItem(LPCWSTR pwszTaskName, REFCLSID rclsid, REFIID riid,
                                        IUnknown** ppUnk) override;

 private:
  friend class ::ReferenceCount;

  ~TaskScheduler() = default;

  ReferenceCount references_;
  // Opened on first use; every task handed out works through it too.
  std::shared_ptr<TaskFolder> folder_;
};

HRESULT TaskScheduler::Enum(IEnumWorkItems** ppEnumWorkItems) {
  if (!ppEnumWorkItems)
    return E_INVALIDARG;
  *ppEnumWorkItems = nullptr;
  std::vector<std::wstring> names;
  HRESULT result = folder_->ListTasks(&names);
  if (FAILED(result))
    return result;
  return NewEnumWorkItems(std::move(names), ppEnumWorkItems);
}

HRESULT TaskScheduler::Activate(LPCWSTR pwszName, REFIID riid, IUnknown** ppUnk) {
  if (!pwszName || !ppUnk)
    return E_INVALIDARG;
  *ppUnk = nullptr;
  if (!IsTaskInterface(riid))
    return E_NOINTERFACE;
  std::wstring file_name;
  std::vector<uint8_t> bytes;
  StoredFile identity;
  HRESULT result = ReadTaskFile(*folder_, pwszName, &file_name, &bytes, &identity);
  if (FAILED(result))
    return result;
  auto state = std::make_shared<TaskState>(folder_, file_name, /*stored=*/true);
  state->identity = identity;
  if (!ParseJobFile(bytes.data(), bytes.size(), &state->job))
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  return CreateTaskObject(std::move(state), riid, reinterpret_cast<void**>(ppUnk));
}

HRESULT TaskScheduler::Delete(LPCWSTR pwszName) {
  if (!pwszName)
    return E_INVALIDARG;
  std::wstring name = pwszName;
  if (name.empty())
    return E_INVALIDARG;
  // The lookup and the removal are one step under the folder's lock.
  return folder_->RemoveTask(TaskFileCandidates(name));
}

HRESULT TaskScheduler::NewWorkItem(LPCWSTR pwszTaskName, REFCLSID rclsid, REFIID riid,
                                   IUnknown** ppUnk) {
  if (!pwszTaskName || !ppUnk)
    return E_INVALIDARG;
  *ppUnk = nullptr;
  if (rclsid != CLSID_CTask)
    return CLASS_E_CLASSNOTAVAILABLE;
  if (!IsTaskInterface(riid))
    return E_NOINTERFACE;
  std::wstring name = pwszTaskName;
  if (!IsValidTaskName(name))
    return E_INVALIDARG;
  // Any entry under the name, in any case, blocks it: the first save
  // could not store the task there.
  std::wstring file_name = TaskFileName(name);
  FolderScan scanned;
  HRESULT result = folder_->FindTakenName(file_name, &scanned);
  if (FAILED(result))
    return result;
  if (result == S_OK)
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
  auto state = std::make_shared<TaskState>(folder_, file_name, /*stored=*/false);
  state->scanned = std::move(scanned);
  NewJobUuid(state->job.job_uuid);
  return CreateTaskObject(std::move(state), riid, reinterpret_cast<void**>(ppUnk));
}

}  // namespace

HRESULT CreateSchedulerObject(REFIID riid, void** object) {
  if (!object)
    return E_POINTER;
  *object = nullptr;
  auto* scheduler = new (std::nothrow) TaskScheduler(TaskFolder::FromEnvironment());
  if (!scheduler)
    return E_OUTOFMEMORY;
  HRESULT result = scheduler->QueryInterface(riid, object);
  scheduler->Release();
  return result;
}
