#include "platform/taskscheduler/job_variable_fields.h"

#include <cstddef>
#include <limits>

#include "platform/posix/wide_text.h"

namespace {

constexpr size_t kMaxWord = std::numeric_limits<WORD>::max();

}  // namespace

bool WriteText(const std::wstring& text, ByteWriter* out) {
  const std::u16string units = Utf16FromWide(text);
  if (units.empty()) {
    out->Word(0);
    return true;
  }
  if (units.size() + 1 > kMaxWord)
    return false;
  out->Word(static_cast<WORD>(units.size() + 1));
  for (char16_t unit : units)
    out->Word(static_cast<WORD>(unit));
  out->Word(0);
  return true;
}

bool ReadText(ByteReader* in, std::wstring* text) {
  WORD count = 0;
  if (!in->Word(&count) || !in->Has(size_t{count} * 2))
    return false;
  // A buffer of its own each time: a reused thread_local one is already
  // destroyed when a file is read from an exit handler.
  std::u16string units;
  units.reserve(count);
  bool ended = false;
  for (WORD i = 0; i < count; ++i) {
    WORD unit = 0;
    in->Word(&unit);
    if (unit == 0)
      ended = true;
    if (!ended)
      units.push_back(static_cast<char16_t>(unit));
  }
  *text = WideFromUtf16(units);
  return true;
}

bool WriteBlock(const std::vector<BYTE>& block, ByteWriter* out) {
  if (block.size() > kMaxWord)
    return false;
  out->Word(static_cast<WORD>(block.size()));
  out->Bytes(block.data(), block.size());
  return true;
}

bool ReadBlock(ByteReader* in, std::vector<BYTE>* block) {
  WORD size;
  return in->Word(&size) && in->Bytes(size, block);
}
