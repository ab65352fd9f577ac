#include "platform/testing/com_recording_testing.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

// All hook state lives behind one lock: a test may drive the component from
// more than one thread (CoInitialize is per thread).
struct HookState {
  std::mutex mutex;
  std::map<std::pair<test_hooks::Operation, int>, HRESULT> planned;
  std::map<test_hooks::Operation, int> calls;
  // The names are string literals.
  std::vector<const char*> log;
  int references = 0;
  // Every block not yet freed, with its name; the names are string
  // literals.
  std::map<const void*, const char*> blocks;
  std::vector<const char*> freed;
};

HookState& State() {
  // Never destroyed: objects released during static destruction still
  // report here.
  static HookState* state = new HookState;
  return *state;
}

}  // namespace

namespace test_hooks {

void FailCall(Operation operation, int nth_call, HRESULT result) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.planned[{operation, nth_call}] = result;
}

void Reset() {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.planned.clear();
  state.calls.clear();
  state.log.clear();
  state.freed.clear();
}

std::vector<std::string> CallLog() {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return std::vector<std::string>(state.log.begin(), state.log.end());
}

int OutstandingReferences() {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.references;
}

std::vector<std::string> FreedBlocks() {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return std::vector<std::string>(state.freed.begin(), state.freed.end());
}

int OutstandingAllocations() {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return static_cast<int>(state.blocks.size());
}

namespace record {

void Log(const char* name) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.log.push_back(name);
}

bool Enter(const char* name, Operation operation, HRESULT* planned) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.log.push_back(name);
  int nth = ++state.calls[operation];
  auto found = state.planned.find({operation, nth});
  if (found == state.planned.end())
    return false;
  *planned = found->second;
  return true;
}

void CountReference(int delta) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.references += delta;
}

void Allocated(void* block) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.blocks[block] = "CoTaskMemAlloc";
}

void NameBlock(void* block, const char* what) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto found = state.blocks.find(block);
  if (found != state.blocks.end())
    found->second = what;
}

bool Freed(void* block) {
  HookState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto found = state.blocks.find(block);
  if (found == state.blocks.end()) {
    state.freed.push_back("no such block");
    return false;
  }
  state.freed.push_back(found->second);
  state.blocks.erase(found);
  return true;
}

}  // namespace record
}  // namespace test_hooks
