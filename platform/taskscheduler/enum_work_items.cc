#include "platform/taskscheduler/enum_work_items.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/taskscheduler/reference_count.h"
#include "platform/taskscheduler/single_interface.h"
#include "platform/taskscheduler/task_memory.h"

namespace {

class EnumWorkItems final : public IEnumWorkItems {
 public:
  explicit EnumWorkItems(std::vector<std::wstring> names) : names_(std::move(names)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return QuerySingleInterface<IEnumWorkItems>(this, IID_IEnumWorkItems, &references_, riid,
                                                object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
  ULONG STDMETHODCALLTYPE Release() override { return references_.DropAndDelete(this); }

  HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPWSTR** rgpwszNames, ULONG* pceltFetched) override;

 private:
  friend class ::ReferenceCount;

  ~EnumWorkItems() = default;

  ReferenceCount references_;
  std::vector<std::wstring> names_;
  size_t next_ = 0;
};

void ClearOutputs(LPWSTR** names, ULONG* fetched) {
  if (names)
    *names = nullptr;
  if (fetched)
    *fetched = 0;
}

// Frees a partly filled array on a failure path; none of it was handed out.
void FreeNames(LPWSTR* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    CoTaskMemFree(names[i]);
  CoTaskMemFree(names);
}

HRESULT EnumWorkItems::Next(ULONG celt, LPWSTR** rgpwszNames, ULONG* pceltFetched) {
  // Whatever the answer, nothing is handed out until names are.
  ClearOutputs(rgpwszNames, pceltFetched);
  // As for every COM enumerator, the fetched count may be left out only
  // when asking for one item.
  if (!rgpwszNames || celt == 0 || (celt > 1 && !pceltFetched))
    return E_INVALIDARG;
  size_t count = std::min<size_t>(celt, names_.size() - next_);
  if (count == 0)
    return S_FALSE;
  auto* names = static_cast<LPWSTR*>(CoTaskMemAlloc(count * sizeof(LPWSTR)));
  if (!names)
    return E_OUTOFMEMORY;
  for (size_t i = 0; i < count; ++i) {
    names[i] = CopyToTaskMemory(names_[next_ + i]);
    if (!names[i]) {
      FreeNames(names, i);
      return E_OUTOFMEMORY;
    }
  }
  next_ += count;
  *rgpwszNames = names;
  if (pceltFetched)
    *pceltFetched = static_cast<ULONG>(count);
  return count == celt ? S_OK : S_FALSE;
}

}  // namespace

HRESULT NewEnumWorkItems(std::vector<std::wstring> names, IEnumWorkItems** enumerator) {
  *enumerator = new (std::nothrow) EnumWorkItems(std::move(names));
  return *enumerator ? S_OK : E_OUTOFMEMORY;
}
