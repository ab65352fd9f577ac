#include "recording_interfaces_testing.h"

#include <atomic>
#include <new>

#include "com_recording_testing.h"

namespace {

using test_hooks::Operation;
namespace record = test_hooks::record;

// The references a recording object hands out; each one counts as
// outstanding until released. The object releases the component's
// interfaces it holds and deletes itself with the last.
class RecordedReferences {
 public:
  RecordedReferences() { record::CountReference(+1); }
  ULONG Add() {
    record::CountReference(+1);
    return ++count_;
  }
  template <typename Owner>
  ULONG DropAndDelete(Owner* owner) {
    record::CountReference(-1);
    ULONG left = --count_;
    if (left == 0)
      delete owner;
    return left;
  }

 private:
  std::atomic<ULONG> count_{1};
};

// QueryInterface of a recording object with one interface besides
// IUnknown: answered as the component answers, through the component.
template <typename Interface>
HRESULT QueryOne(Interface* self, IUnknown* inner, RecordedReferences* references, REFIID riid,
                 void** object) {
  if (!object)
    return E_POINTER;
  void* found = nullptr;
  HRESULT result = inner->QueryInterface(riid, &found);
  *object = nullptr;
  if (FAILED(result))
    return result;
  static_cast<IUnknown*>(found)->Release();
  references->Add();
  *object = self;
  return result;
}

class RecordingTrigger final : public ITaskTrigger {
 public:
  explicit RecordingTrigger(ITaskTrigger* inner) : inner_(inner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    record::Log("ITaskTrigger::QueryInterface");
    return QueryOne<ITaskTrigger>(this, inner_, &references_, riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    record::Log("ITaskTrigger::AddRef");
    return references_.Add();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    record::Log("ITaskTrigger::Release");
    return references_.DropAndDelete(this);
  }
  HRESULT STDMETHODCALLTYPE SetTrigger(const PTASK_TRIGGER pTrigger) override {
    HRESULT planned;
    if (record::Enter("ITaskTrigger::SetTrigger", Operation::SetTrigger, &planned))
      return planned;
    return inner_->SetTrigger(pTrigger);
  }
  HRESULT STDMETHODCALLTYPE GetTrigger(PTASK_TRIGGER pTrigger) override {
    record::Log("ITaskTrigger::GetTrigger");
    return inner_->GetTrigger(pTrigger);
  }
  HRESULT STDMETHODCALLTYPE GetTriggerString(LPWSTR* ppwszTrigger) override {
    HRESULT planned;
    if (record::Enter("ITaskTrigger::GetTriggerString", Operation::GetTriggerString, &planned,
                      ppwszTrigger))
      return planned;
    const HRESULT result = inner_->GetTriggerString(ppwszTrigger);
    if (SUCCEEDED(result) && ppwszTrigger)
      record::NameBlock(*ppwszTrigger, "ITaskTrigger::GetTriggerString text");
    return result;
  }

 private:
  friend class RecordedReferences;
  ~RecordingTrigger() { inner_->Release(); }

  RecordedReferences references_;
  ITaskTrigger* inner_;
};

// Replaces a trigger the component handed out by a recording one.
HRESULT WrapTrigger(HRESULT result, ITaskTrigger** trigger) {
  if (SUCCEEDED(result) && trigger && *trigger) {
    auto* recording = new (std::nothrow) RecordingTrigger(*trigger);
    if (!recording) {
      (*trigger)->Release();
      *trigger = nullptr;
      return E_OUTOFMEMORY;
    }
    *trigger = recording;
  }
  return result;
}

// ITask and IPersistFile, two faces of one object with one count, as in
// the component, so a Release is logged under the interface it came
// through.
class RecordingTask final : public ITask {
 public:
  RecordingTask(ITask* inner, IPersistFile* inner_file)
      : persist_file_(this), inner_(inner), inner_file_(inner_file) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    HRESULT planned;
    if (record::Enter("ITask::QueryInterface", Operation::TaskQueryInterface, &planned, object))
      return planned;
    return Query(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    record::Log("ITask::AddRef");
    return references_.Add();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    record::Log("ITask::Release");
    return references_.DropAndDelete(this);
  }
  HRESULT STDMETHODCALLTYPE CreateTrigger(WORD* piNewTrigger, ITaskTrigger** ppTrigger) override {
    HRESULT planned;
    if (record::Enter("ITask::CreateTrigger", Operation::CreateTrigger, &planned, ppTrigger))
      return planned;
    return WrapTrigger(inner_->CreateTrigger(piNewTrigger, ppTrigger), ppTrigger);
  }
  HRESULT STDMETHODCALLTYPE GetTrigger(WORD iTrigger, ITaskTrigger** ppTrigger) override {
    HRESULT planned;
    if (record::Enter("ITask::GetTrigger", Operation::GetTrigger, &planned, ppTrigger))
      return planned;
    return WrapTrigger(inner_->GetTrigger(iTrigger, ppTrigger), ppTrigger);
  }
  HRESULT STDMETHODCALLTYPE SetAccountInformation(LPCWSTR pwszAccountName,
                                                  LPCWSTR pwszPassword) override {
    HRESULT planned;
    if (record::Enter("ITask::SetAccountInformation", Operation::SetAccountInformation,
                      &planned))
      return planned;
    return inner_->SetAccountInformation(pwszAccountName, pwszPassword);
  }
  HRESULT STDMETHODCALLTYPE SetApplicationName(LPCWSTR pwszApplicationName) override {
    HRESULT planned;
    if (record::Enter("ITask::SetApplicationName", Operation::SetApplicationName, &planned))
      return planned;
    return inner_->SetApplicationName(pwszApplicationName);
  }
  HRESULT STDMETHODCALLTYPE SetParameters(LPCWSTR pwszParameters) override {
    HRESULT planned;
    if (record::Enter("ITask::SetParameters", Operation::SetParameters, &planned))
      return planned;
    return inner_->SetParameters(pwszParameters);
  }

  // Gives up the reference the recording object was created with, which
  // no caller holds.
  void DropCreatorReference() { references_.DropAndDelete(this); }

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
    references_.Add();
    return S_OK;
  }

 private:
  friend class RecordedReferences;

  class PersistFile final : public IPersistFile {
   public:
    explicit PersistFile(RecordingTask* task) : task_(task) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
      record::Log("IPersistFile::QueryInterface");
      return task_->Query(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
      record::Log("IPersistFile::AddRef");
      return task_->references_.Add();
    }
    ULONG STDMETHODCALLTYPE Release() override {
      record::Log("IPersistFile::Release");
      return task_->references_.DropAndDelete(task_);
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override {
      record::Log("IPersistFile::IsDirty");
      return task_->inner_file_->IsDirty();
    }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) override {
      record::Log("IPersistFile::Load");
      return task_->inner_file_->Load(pszFileName, dwMode);
    }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override {
      HRESULT planned;
      if (record::Enter("IPersistFile::Save", Operation::PersistSave, &planned))
        return planned;
      return task_->inner_file_->Save(pszFileName, fRemember);
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override {
      record::Log("IPersistFile::GetCurFile");
      return task_->inner_file_->GetCurFile(ppszFileName);
    }

   private:
    RecordingTask* task_;
  };

  ~RecordingTask() {
    inner_file_->Release();
    inner_->Release();
  }

  RecordedReferences references_;
  PersistFile persist_file_;
  ITask* inner_;
  IPersistFile* inner_file_;
};

// Replaces a task object the component handed out as `riid` by a
// recording one, handed out as the same interface.
HRESULT WrapTask(HRESULT result, REFIID riid, IUnknown** object) {
  if (FAILED(result) || !object || !*object)
    return result;
  IUnknown* handed = *object;
  *object = nullptr;
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

class RecordingEnumWorkItems final : public IEnumWorkItems {
 public:
  explicit RecordingEnumWorkItems(IEnumWorkItems* inner) : inner_(inner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    record::Log("IEnumWorkItems::QueryInterface");
    return QueryOne<IEnumWorkItems>(this, inner_, &references_, riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    record::Log("IEnumWorkItems::AddRef");
    return references_.Add();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    record::Log("IEnumWorkItems::Release");
    return references_.DropAndDelete(this);
  }
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
  friend class RecordedReferences;
  ~RecordingEnumWorkItems() { inner_->Release(); }

  RecordedReferences references_;
  IEnumWorkItems* inner_;
};

class RecordingTaskScheduler final : public ITaskScheduler {
 public:
  explicit RecordingTaskScheduler(ITaskScheduler* inner) : inner_(inner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    record::Log("ITaskScheduler::QueryInterface");
    return QueryOne<ITaskScheduler>(this, inner_, &references_, riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    record::Log("ITaskScheduler::AddRef");
    return references_.Add();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    record::Log("ITaskScheduler::Release");
    return references_.DropAndDelete(this);
  }
  HRESULT STDMETHODCALLTYPE Enum(IEnumWorkItems** ppEnumWorkItems) override {
    HRESULT planned;
    if (record::Enter("ITaskScheduler::Enum", Operation::Enum, &planned, ppEnumWorkItems))
      return planned;
    HRESULT result = inner_->Enum(ppEnumWorkItems);
    if (SUCCEEDED(result) && ppEnumWorkItems && *ppEnumWorkItems) {
      auto* recording = new (std::nothrow) RecordingEnumWorkItems(*ppEnumWorkItems);
      if (!recording) {
        (*ppEnumWorkItems)->Release();
        *ppEnumWorkItems = nullptr;
        return E_OUTOFMEMORY;
      }
      *ppEnumWorkItems = recording;
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE Activate(LPCWSTR pwszName, REFIID riid, IUnknown** ppUnk) override {
    HRESULT planned;
    if (record::Enter("ITaskScheduler::Activate", Operation::Activate, &planned, ppUnk))
      return planned;
    return WrapTask(inner_->Activate(pwszName, riid, ppUnk), riid, ppUnk);
  }
  HRESULT STDMETHODCALLTYPE Delete(LPCWSTR pwszName) override {
    HRESULT planned;
    if (record::Enter("ITaskScheduler::Delete", Operation::Delete, &planned))
      return planned;
    return inner_->Delete(pwszName);
  }
  HRESULT STDMETHODCALLTYPE NewWorkItem(LPCWSTR pwszTaskName, REFCLSID rclsid, REFIID riid,
                                        IUnknown** ppUnk) override {
    HRESULT planned;
    if (record::Enter("ITaskScheduler::NewWorkItem", Operation::NewWorkItem, &planned, ppUnk))
      return planned;
    return WrapTask(inner_->NewWorkItem(pwszTaskName, rclsid, riid, ppUnk), riid, ppUnk);
  }

 private:
  friend class RecordedReferences;
  ~RecordingTaskScheduler() { inner_->Release(); }

  RecordedReferences references_;
  ITaskScheduler* inner_;
};

}  // namespace

ITaskScheduler* RecordingScheduler(ITaskScheduler* scheduler) {
  auto* recording = new (std::nothrow) RecordingTaskScheduler(scheduler);
  if (!recording)
    scheduler->Release();
  return recording;
}
