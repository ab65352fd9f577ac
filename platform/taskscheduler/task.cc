#include "platform/taskscheduler/task.h"

#include <new>
#include <utility>

#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/reference_count.h"
#include "platform/taskscheduler/single_interface.h"
#include "platform/taskscheduler/task_memory.h"
#include "platform/taskscheduler/trigger_range.h"
#include "platform/taskscheduler/trigger_text.h"

namespace {

class TaskTrigger final : public ITaskTrigger {
 public:
  TaskTrigger(std::shared_ptr<TaskState> state, WORD index)
      : state_(std::move(state)), index_(index) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return QuerySingleInterface<ITaskTrigger>(this, IID_ITaskTrigger, &references_, riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
  ULONG STDMETHODCALLTYPE Release() override { return references_.DropAndDelete(this); }

  HRESULT STDMETHODCALLTYPE SetTrigger(const PTASK_TRIGGER pTrigger) override {
    if (!pTrigger)
      return E_INVALIDARG;
    HRESULT valid = ValidateTrigger(*pTrigger);
    if (FAILED(valid))
      return valid;
    // Stored in the task now, on disk with the task's next save.
    Stored() = *pTrigger;
    state_->dirty = true;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTrigger(PTASK_TRIGGER pTrigger) override {
    if (!pTrigger)
      return E_INVALIDARG;
    *pTrigger = Stored();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTriggerString(LPWSTR* ppwszTrigger) override {
    if (!ppwszTrigger)
      return E_INVALIDARG;
    *ppwszTrigger = nullptr;
    if (!CanDescribeTrigger(Stored()))
      return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    *ppwszTrigger = CopyToTaskMemory(DescribeTrigger(Stored(), state_->job.flags));
    return *ppwszTrigger ? S_OK : E_OUTOFMEMORY;
  }

 private:
  friend class ::ReferenceCount;

  ~TaskTrigger() = default;

  // Triggers are only ever appended, so the index stays valid.
  TASK_TRIGGER& Stored() { return state_->job.triggers[index_]; }

  ReferenceCount references_;
  std::shared_ptr<TaskState> state_;
  WORD index_;
};

}  // namespace

HRESULT NewTaskTrigger(std::shared_ptr<TaskState> state, WORD index, ITaskTrigger** trigger) {
  *trigger = new (std::nothrow) TaskTrigger(std::move(state), index);
  return *trigger ? S_OK : E_OUTOFMEMORY;
}

namespace {

// A trigger index is a WORD.
constexpr size_t kMaxTriggers = 0xFFFF;

// What CreateTrigger starts a trigger with before the caller's SetTrigger:
// once a day from midnight today.
TASK_TRIGGER DefaultTrigger() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  TASK_TRIGGER trigger = {};
  trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
  trigger.wBeginYear = now.wYear;
  trigger.wBeginMonth = now.wMonth;
  trigger.wBeginDay = now.wDay;
  trigger.TriggerType = TASK_TIME_TRIGGER_DAILY;
  trigger.Type.Daily.DaysInterval = 1;
  return trigger;
}

class Task final : public ITask {
 public:
  explicit Task(std::shared_ptr<TaskState> state) : persist_file_(this), state_(std::move(state)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_ITask || riid == IID_IScheduledWorkItem)
      *object = static_cast<ITask*>(this);
    else if (riid == IID_IPersistFile)
      *object = static_cast<IPersistFile*>(&persist_file_);
    else
      return E_NOINTERFACE;
    references_.Add();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
  ULONG STDMETHODCALLTYPE Release() override { return references_.DropAndDelete(this); }

  HRESULT STDMETHODCALLTYPE CreateTrigger(WORD* piNewTrigger, ITaskTrigger** ppTrigger) override;
  HRESULT STDMETHODCALLTYPE GetTrigger(WORD iTrigger, ITaskTrigger** ppTrigger) override;
  HRESULT STDMETHODCALLTYPE SetAccountInformation(LPCWSTR pwszAccountName,
                                                  LPCWSTR pwszPassword) override;
  HRESULT STDMETHODCALLTYPE SetApplicationName(LPCWSTR pwszApplicationName) override;
  HRESULT STDMETHODCALLTYPE SetParameters(LPCWSTR pwszParameters) override;

 private:
  friend class ::ReferenceCount;

  class PersistFile final : public IPersistFile {
   public:
    explicit PersistFile(Task* task) : task_(task) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
      return task_->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return task_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return task_->Release(); }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return task_->state_->dirty ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override {
      // Tasks are loaded by name through ITaskScheduler::Activate.
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override;

   private:
    Task* task_;
  };

  ~Task() = default;

  // Takes the new text of one of the task's settings; the next save stores
  // it.
  HRESULT SetText(std::wstring* setting, LPCWSTR text) {
    if (!text)
      return E_INVALIDARG;
    *setting = text;
    state_->dirty = true;
    return S_OK;
  }

  ReferenceCount references_;
  PersistFile persist_file_;
  std::shared_ptr<TaskState> state_;
};

HRESULT Task::CreateTrigger(WORD* piNewTrigger, ITaskTrigger** ppTrigger) {
  if (!piNewTrigger || !ppTrigger)
    return E_INVALIDARG;
  *ppTrigger = nullptr;
  std::vector<TASK_TRIGGER>& triggers = state_->job.triggers;
  if (triggers.size() >= kMaxTriggers)
    return E_OUTOFMEMORY;
  triggers.push_back(DefaultTrigger());
  state_->dirty = true;
  *piNewTrigger = static_cast<WORD>(triggers.size() - 1);
  return NewTaskTrigger(state_, *piNewTrigger, ppTrigger);
}

HRESULT Task::GetTrigger(WORD iTrigger, ITaskTrigger** ppTrigger) {
  if (!ppTrigger)
    return E_INVALIDARG;
  *ppTrigger = nullptr;
  if (iTrigger >= state_->job.triggers.size())
    return SCHED_E_TRIGGER_NOT_FOUND;
  return NewTaskTrigger(state_, iTrigger, ppTrigger);
}

HRESULT Task::SetAccountInformation(LPCWSTR pwszAccountName, LPCWSTR pwszPassword) {
  if (!pwszAccountName)
    return E_INVALIDARG;
  // The local system account is the empty name, and it takes no password.
  if (pwszAccountName[0] == 0 && pwszPassword)
    return E_INVALIDARG;
  // The password is never read, so no copy of it exists to leak or wipe:
  // only whether one was given matters. A named account needs one unless
  // the task runs only while its user is logged on.
  if (pwszAccountName[0] != 0 && !pwszPassword &&
      (state_->job.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON) == 0)
    return SCHED_E_UNSUPPORTED_ACCOUNT_OPTION;
  return SetText(&state_->job.account_name, pwszAccountName);
}

HRESULT Task::SetApplicationName(LPCWSTR pwszApplicationName) {
  return SetText(&state_->job.application_name, pwszApplicationName);
}

HRESULT Task::SetParameters(LPCWSTR pwszParameters) {
  return SetText(&state_->job.parameters, pwszParameters);
}

HRESULT Task::PersistFile::Save(LPCOLESTR pszFileName, BOOL /*fRemember*/) {
  // A task lives in the task folder under its own name; saving a copy
  // elsewhere is a feature no caller of ours needs.
  if (pszFileName)
    return E_NOTIMPL;
  return SaveTask(task_->state_.get());
}

HRESULT Task::PersistFile::GetCurFile(LPOLESTR* ppszFileName) {
  if (!ppszFileName)
    return E_POINTER;
  const TaskState& state = *task_->state_;
  *ppszFileName = CopyToTaskMemory(WideFromUtf8(state.folder->path()) + L"/" + state.file_name);
  return *ppszFileName ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

bool IsTaskInterface(REFIID riid) {
  return riid == IID_IUnknown || riid == IID_ITask || riid == IID_IScheduledWorkItem ||
         riid == IID_IPersistFile;
}

HRESULT CreateTaskObject(std::shared_ptr<TaskState> state, REFIID riid, void** object) {
  if (object)
    *object = nullptr;
  auto* task = new (std::nothrow) Task(std::move(state));
  if (!task)
    return E_OUTOFMEMORY;
  HRESULT result = task->QueryInterface(riid, object);
  task->Release();
  return result;
}

HRESULT SaveTask(TaskState* state) {
  std::vector<uint8_t> bytes = SerializeJobFile(state->job);
  if (bytes.empty())
    return E_INVALIDARG;  // a text too long for the format's 16-bit counts
  TaskFolder& folder = *state->folder;
  HRESULT result =
      state->stored ? folder.ReplaceTask(state->file_name, bytes, &state->identity)
                    : folder.CreateTask(state->file_name, bytes, state->scanned, &state->identity);
  if (FAILED(result))
    return result;
  state->stored = true;
  state->scanned = FolderScan();
  state->dirty = false;
  return S_OK;
}
