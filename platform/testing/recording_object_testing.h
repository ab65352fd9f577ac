// For tests only: what every recording decorator over the component's
// interfaces (recording_interfaces_testing.cc) does, so that each of its
// methods says only what it logs, whether a test can plan its failure, and
// what it forwards.
#ifndef PLATFORM_TESTING_RECORDING_OBJECT_TESTING_H_
#define PLATFORM_TESTING_RECORDING_OBJECT_TESTING_H_

#include <windows.h>

#include <new>

#include "platform/taskscheduler/reference_count.h"
#include "platform/testing/com_recording_testing.h"

namespace test_hooks {
namespace record {

// Logs a call as `name` and forwards it to the component.
template <typename Forward>
auto Logged(const char* name, Forward forward) {
  Log(name);
  return forward();
}

// Logs a call as `name` and answers it with the failure a test planned for
// it, else forwards it.
template <typename Forward>
HRESULT Planned(const char* name, Operation operation, Forward forward) {
  HRESULT planned;
  return Enter(name, operation, &planned) ? planned : forward();
}

// Planned for a call that hands something out through `out`, which a
// planned failure clears, as any failing call must.
template <typename Out, typename Forward>
HRESULT Planned(const char* name, Operation operation, Out** out, Forward forward) {
  HRESULT planned;
  return Enter(name, operation, &planned, out) ? planned : forward();
}

// Replaces an interface the component handed out by a `Recording` one over
// it, which takes over its reference.
template <typename Recording, typename Interface>
HRESULT Wrap(HRESULT result, Interface** handed) {
  if (FAILED(result) || !handed || !*handed)
    return result;
  auto* recording = new (std::nothrow) Recording(*handed);
  if (!recording) {
    (*handed)->Release();
    *handed = nullptr;
    return E_OUTOFMEMORY;
  }
  *handed = recording;
  return result;
}

// What each recording object `Self` shares: the component's `Interface`
// it forwards to, and a count of the references it hands out, each one
// outstanding until released; the last one deletes the object.
template <typename Self, typename Interface>
class RecordingObject : public Interface {
 public:
  explicit RecordingObject(Interface* inner) : inner_(inner) { CountReference(+1); }

  // AddRef and Release, logged under the interface they came through.
  ULONG AddRefAs(const char* name) {
    Log(name);
    return Add();
  }
  ULONG ReleaseAs(const char* name) {
    Log(name);
    return Drop();
  }

 protected:
  ~RecordingObject() { inner_->Release(); }

  ULONG Add() {
    CountReference(+1);
    return references_.Add();
  }
  // `Self` keeps its destructor private and makes ReferenceCount a friend,
  // as the component's objects do.
  ULONG Drop() {
    CountReference(-1);
    return references_.DropAndDelete(static_cast<Self*>(this));
  }

  // QueryInterface of an object with one interface besides IUnknown:
  // answered as the component answers, through the component.
  HRESULT QuerySingle(REFIID riid, void** object) {
    if (!object)
      return E_POINTER;
    void* found = nullptr;
    HRESULT result = inner_->QueryInterface(riid, &found);
    *object = nullptr;
    if (FAILED(result))
      return result;
    static_cast<IUnknown*>(found)->Release();
    Add();
    *object = static_cast<Self*>(this);
    return result;
  }

  Interface* const inner_;

 private:
  ReferenceCount references_;
};

}  // namespace record
}  // namespace test_hooks

#endif  // PLATFORM_TESTING_RECORDING_OBJECT_TESTING_H_
