// Little-endian integers and raw bytes to and from a byte buffer, one byte at
// a time, so that the bytes are the same whatever the host's byte order.
#ifndef PLATFORM_TASKSCHEDULER_BYTE_STREAM_H_
#define PLATFORM_TASKSCHEDULER_BYTE_STREAM_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Appends to a growing buffer.
class ByteWriter {
 public:
  void Byte(uint8_t value) { bytes_.push_back(value); }
  void Word(WORD value) {
    Byte(static_cast<uint8_t>(value));
    Byte(static_cast<uint8_t>(value >> 8));
  }
  void Dword(DWORD value) {
    Word(static_cast<WORD>(value));
    Word(static_cast<WORD>(value >> 16));
  }
  void Bytes(const uint8_t* data, size_t size);
  // Overwrites the word at `at`, written earlier (a field known only later).
  void PatchWord(size_t at, WORD value);
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t> Take();

 private:
  std::vector<uint8_t> bytes_;
};

// Reads from a bounded buffer. Every read checks the bytes left first and
// fails rather than read past the end: a Word or Bytes read that does not
// fit reads nothing, a Dword may have taken its low word, so a failed read
// ends the reading. The integer reads are defined here, inline, as they run
// for every field of every file a listing reads.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Word(WORD* value) {
    if (!Has(2))
      return false;
    *value = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Dword(DWORD* value) {
    WORD low, high;
    if (!Word(&low) || !Word(&high))
      return false;
    *value = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
    return true;
  }
  bool Bytes(size_t count, std::vector<BYTE>* out);
  bool Bytes(size_t count, BYTE* out);
  bool Has(size_t count) const { return size_ - pos_ >= count; }
  size_t position() const { return pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

#endif  // PLATFORM_TASKSCHEDULER_BYTE_STREAM_H_
