#include "platform/testing/argument_vector_testing.h"

template <typename Char>
ArgumentVector<Char>::ArgumentVector(const String& program, const std::vector<String>& arguments)
    : storage_{program} {
  storage_.insert(storage_.end(), arguments.begin(), arguments.end());
  // The storage is complete before any pointer is taken: it never moves.
  for (String& entry : storage_)
    pointers_.push_back(entry.data());
  pointers_.push_back(nullptr);
}

template <typename Char>
int ArgumentVector<Char>::argc() const {
  return static_cast<int>(storage_.size());
}

template <typename Char>
Char** ArgumentVector<Char>::argv() {
  return pointers_.data();
}

template <typename Char>
const typename ArgumentVector<Char>::String& ArgumentVector<Char>::at(size_t index) const {
  return storage_[index];
}

template class ArgumentVector<char>;
template class ArgumentVector<wchar_t>;
