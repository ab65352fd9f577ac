#include "platform/taskscheduler/byte_stream.h"

#include <utility>

void ByteWriter::Bytes(const uint8_t* data, size_t size) {
  bytes_.insert(bytes_.end(), data, data + size);
}

void ByteWriter::PatchWord(size_t at, WORD value) {
  bytes_[at] = static_cast<uint8_t>(value);
  bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
}

std::vector<uint8_t> ByteWriter::Take() { return std::move(bytes_); }

bool ByteReader::Bytes(size_t count, std::vector<BYTE>* out) {
  if (!Has(count))
    return false;
  out->assign(data_ + pos_, data_ + pos_ + count);
  pos_ += count;
  return true;
}

bool ByteReader::Bytes(size_t count, BYTE* out) {
  if (!Has(count))
    return false;
  for (size_t i = 0; i < count; ++i)
    out[i] = data_[pos_ + i];
  pos_ += count;
  return true;
}
