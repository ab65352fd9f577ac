#include "platform/testing/recording_interfaces_testing.h"

#include <new>
#include <utility>

#include "platform/testing/com_recording_testing.h"
#include "platform/testing/recording_object_testing.h"

namespace {

using test_hooks::Operation;
using test_hooks::record::Logged;
using test_hooks::record::Planned;
using test_hooks::record::RecordingObject;
using test_hooks::record::Wrap;
namespace record = test_hooks::record;

class RecordingTrigger final : public RecordingObject<RecordingTrigger, ITaskTrigger> {
 public:
  using RecordingObject::RecordingObject;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return Logged("ITaskTrigger::QueryInterface", [&] { return QuerySingle(riid, object); });
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefAs("ITaskTrigger::AddRef"); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseAs("ITaskTrigger::Release"); }
  HRESULT STDMETHODCALLTYPE SetTrigger(const PTASK_TRIGGER pTrigger) override {
    return Planned("ITaskTrigger::SetTrigger", Operation::SetTrigger,
                   [&] { return inner_->SetTrigger(pTrigger); });
  }
  HRESULT STDMETHODCALLTYPE GetTrigger(PTASK_TRIGGER pTrigger) override {
    return Logged("ITaskTrigger::GetTrigger", [&] { return inner_->GetTrigger(pTrigger); });
  }
  HRESULT STDMETHODCALLTYPE GetTriggerString(LPWSTR* ppwszTrigger) override {
    const HRESULT result =
        Planned("ITaskTrigger::GetTriggerString", Operation::GetTriggerString, ppwszTrigger,
                [&] { return inner_->GetTriggerString(ppwszTrigger); });
    if (SUCCEEDED(result) && ppwszTrigger)
      record::NameBlock(*ppwszTrigger, "ITaskTrigger::GetTriggerString text");
    return result;
  }

 private:
  friend class ::ReferenceCount;
  ~RecordingTrigger() = default;
};

// ITask and IPersistFile, two faces of one object with one count, as in
// the component, so a Release is logged under the interface it came
// through.
class RecordingTask final : public RecordingObject<RecordingTask, ITask> {
 public:
  RecordingTask(ITask* inner, IPersistFile* inner_file)
      : RecordingObject(inner), persist_file_(this, inner_file) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return Planned("ITask::QueryInterface", Operation::TaskQueryInterface, object,
                   [&] { return Query(riid, object); });
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefAs("ITask::AddRef"); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseAs("ITask::Release"); }
  HRESULT STDMETHODCALLTYPE CreateTrigger(WORD* piNewTrigger, ITaskTrigger** ppTrigger) override {
    return Planned("ITask::CreateTrigger", Operation::CreateTrigger, ppTrigger, [&] {
      return Wrap<RecordingTrigger>(inner_->CreateTrigger(piNewTrigger, ppTrigger), ppTrigger);
    });
  }
  HRESULT STDMETHODCALLTYPE GetTrigger(WORD iTrigger, ITaskTrigger** ppTrigger) override {
    return Planned("ITask::GetTrigger", Operation::GetTrigger, ppTrigger, [&] {
      return Wrap<RecordingTrigger>(inner_->GetTrigger(iTrigger, ppTrigger), ppTrigger);
    });
  }
  HRESULT STDMETHODCALLTYPE SetAccountInformation(LPCWSTR pwszAccountName,
                                                  LPCWSTR pwszPassword) override {
    return Planned("ITask::SetAccountInformation", Operation::SetAccountInformation,
                   [&] { return inner_->SetAccountInformation(pwszAccountName, pwszPassword); });
  }
  HRESULT STDMETHODCALLTYPE SetApplicationName(LPCWSTR pwszApplicationName) override {
    return Planned("ITask::SetApplicationName", Operation::SetApplicationName,
                   [&] { return inner_->SetApplicationName(pwszApplicationName); });
  }
  HRESULT STDMETHODCALLTYPE SetParameters(LPCWSTR pwszParameters) override {
    return Planned("ITask::SetParameters", Operation::SetParameters,
                   [&] { return inner_->SetParameters(pwszParameters); });
  }

  // Gives up the reference the recording object was created with, which
  // no caller holds.
  void DropCreatorReference() { Drop(); }

  // Hands out the face `riid` names, with one more reference, as the
  // component would.
  HRESULT Query(REFIID riid, void** object) {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (riid == IID_IPersistFile)
      *object = static_cast<IPersistFile*>(&persist_file_);
    else if (riid == IID_IUnknown || riid == IID_ITask || riid == IID_IScheduledWorkItem)
      *object = static_cast<ITask*>(this);
    else
      return E_NOINTERFACE;  // as the component answers
    Add();
    return S_OK;
  }

 private:
  friend class ::ReferenceCount;

  class PersistFile final : public IPersistFile {
   public:
    PersistFile(RecordingTask* task, IPersistFile* inner) : task_(task), inner_(inner) {}
    ~PersistFile() { inner_->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
      return Logged("IPersistFile::QueryInterface", [&] { return task_->Query(riid, object); });
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return task_->AddRefAs("IPersistFile::AddRef"); }
    ULONG STDMETHODCALLTYPE Release() override { return task_->ReleaseAs("IPersistFile::Release"); }
    HRESULT STDMETHODCALLTYPE IsDirty() override {
      return Logged("IPersistFile::IsDirty", [&] { return inner_->IsDirty(); });
    }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) override {
      return Logged("IPersistFile::Load", [&] { return inner_->Load(pszFileName, dwMode); });
    }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override {
      return Planned("IPersistFile::Save", Operation::PersistSave,
                     [&] { return inner_->Save(pszFileName, fRemember); });
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override {
      return Logged("IPersistFile::GetCurFile", [&] { return inner_->GetCurFile(ppszFileName); });
    }

   private:
    RecordingTask* const task_;
    IPersistFile* const inner_;
  };

  ~RecordingTask() = default;

  PersistFile persist_file_;
};

// Replaces a task object the component handed out as `riid` by a
// recording one, handed out as the same interface.
HRESULT WrapTask(HRESULT result, REFIID riid, IUnknown** object) {
  if (FAILED(result) || !object || !*object)
    return result;
  IUnknown* handed = std::exchange(*object, nullptr);
  ITask* task = nullptr;
  IPersistFile* file = nullptr;
  handed->QueryInterface(IID_ITask, reinterpret_cast<void**>(&task));
  handed->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  handed->Release();
  auto* recording = task && file ? new (std::nothrow) RecordingTask(task, file) : nullptr;
  if (!recording) {
    if (task)
      task->Release();
    if (file)
      file->Release();
    return E_OUTOFMEMORY;
  }
  HRESULT query = recording->Query(riid, reinterpret_cast<void**>(object));
  recording->DropCreatorReference();
  return FAILED(query) ? query : result;
}

// Names the blocks one Next handed out: the array and each name in it.
void NameBlocks(LPWSTR* names, ULONG count) {
  record::NameBlock(names, "IEnumWorkItems::Next names");
  for (ULONG i = 0; i < count; ++i)
    record::NameBlock(names[i], "IEnumWorkItems::Next name");
}

class RecordingEnumWorkItems final
    : public RecordingObject<RecordingEnumWorkItems, IEnumWorkItems> {
 public:
  using RecordingObject::RecordingObject;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return Logged("IEnumWorkItems::QueryInterface", [&] { return QuerySingle(riid, object); });
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefAs("IEnumWorkItems::AddRef"); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseAs("IEnumWorkItems::Release"); }
  // A planned failure fetches nothing.
  HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPWSTR** rgpwszNames, ULONG* pceltFetched) override {
    HRESULT planned;
    if (record::Enter("IEnumWorkItems::Next", Operation::EnumNext, &planned, rgpwszNames)) {
      if (pceltFetched)
        *pceltFetched = 0;
      return planned;
    }
    const HRESULT result = inner_->Next(celt, rgpwszNames, pceltFetched);
    if (SUCCEEDED(result) && rgpwszNames && *rgpwszNames)
      NameBlocks(*rgpwszNames, pceltFetched ? *pceltFetched : 1);
    return result;
  }

 private:
  friend class ::ReferenceCount;
  ~RecordingEnumWorkItems() = default;
};

class RecordingTaskScheduler final
    : public RecordingObject<RecordingTaskScheduler, ITaskScheduler> {
 public:
  using RecordingObject::RecordingObject;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return Logged("ITaskScheduler::QueryInterface", [&] { return QuerySingle(riid, object); });
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefAs("ITaskScheduler::AddRef"); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseAs("ITaskScheduler::Release"); }
  HRESULT STDMETHODCALLTYPE Enum(IEnumWorkItems** ppEnumWorkItems) override {
    return Planned("ITaskScheduler::Enum", Operation::Enum, ppEnumWorkItems, [&] {
      return Wrap<RecordingEnumWorkItems>(inner_->Enum(ppEnumWorkItems), ppEnumWorkItems);
    });
  }
  HRESULT STDMETHODCALLTYPE Activate(LPCWSTR pwszName, REFIID riid, IUnknown** ppUnk) override {
    return Planned("ITaskScheduler::Activate", Operation::Activate, ppUnk,
                   [&] { return WrapTask(inner_->Activate(pwszName, riid, ppUnk), riid, ppUnk); });
  }
  HRESULT STDMETHODCALLTYPE Delete(LPCWSTR pwszName) override {
    return Planned("ITaskScheduler::Delete", Operation::Delete,
                   [&] { return inner_->Delete(pwszName); });
  }
  HRESULT STDMETHODCALLTYPE NewWorkItem(LPCWSTR pwszTaskName, REFCLSID rclsid, REFIID riid,
                                        IUnknown** ppUnk) override {
    return Planned("ITaskScheduler::NewWorkItem", Operation::NewWorkItem, ppUnk, [&] {
      return WrapTask(inner_->NewWorkItem(pwszTaskName, rclsid, riid, ppUnk), riid, ppUnk);
    });
  }

 private:
  friend class ::ReferenceCount;
  ~RecordingTaskScheduler() = default;
};

}  // namespace

ITaskScheduler* RecordingScheduler(ITaskScheduler* scheduler) {
  auto* recording = new (std::nothrow) RecordingTaskScheduler(scheduler);
  if (!recording)
    scheduler->Release();
  return recording;
}
