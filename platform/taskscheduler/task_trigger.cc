#include "platform/taskscheduler/task_trigger.h"

#include <new>
#include <utility>

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
