// The sections of a Task Scheduler 1.0 .job file, each read and written on
// its own: the fixed-length section, the texts and data blocks of the
// variable-length section, the trigger records and the account name in the
// user data. job_file.cc puts them together.
#ifndef PLATFORM_TASKSCHEDULER_JOB_FILE_SECTIONS_H_
#define PLATFORM_TASKSCHEDULER_JOB_FILE_SECTIONS_H_

#include <mstask.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/taskscheduler/job_fields.h"

// Little-endian integers and raw bytes to and from a byte buffer, one byte at
// a time, so that the bytes are the same whatever the host's byte order.
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

// The fixed-length section of a .job file: the 68 bytes it begins with,
// from the product version to the most recent run time.
constexpr size_t kFixedSectionSize = 68;

// Where the section keeps the offsets of the application name and of the
// trigger count. They are known only once the variable-length section is
// written, so they are written as 0 and patched.
constexpr size_t kApplicationNameOffsetAt = 20;
constexpr size_t kTriggerOffsetAt = 22;

void WriteFixedSection(const JobFile& job, ByteWriter* out);

// Also returns the two offsets the section claims, for checking against
// where the fields really are.
bool ReadFixedSection(ByteReader* in, JobFile* job, WORD* name_offset, WORD* trigger_offset);

// The two kinds of field of a .job file's variable-length section: texts
// (a WORD count of UTF-16LE units, then the units) and data blocks (a WORD
// byte count, then the bytes).
// An empty text is written as an absent string (count 0); any other as its
// unit count including the terminator, the units and the terminator. False,
// with nothing written, for a text of more than 65534 units.
bool WriteText(const std::wstring& text, ByteWriter* out);

// Accepts both an absent string and a lone terminator for the empty text.
// The text ends at the first NUL within the counted units.
bool ReadText(ByteReader* in, std::wstring* text);

// False, with nothing written, for a block of more than 65535 bytes.
bool WriteBlock(const std::vector<BYTE>& block, ByteWriter* out);
bool ReadBlock(ByteReader* in, std::vector<BYTE>* block);

// One trigger as the trigger section of a .job file holds it: a 48-byte
// record of little-endian fields in TASK_TRIGGER's order.
constexpr size_t kTriggerRecordSize = 48;

// Written with 48 as its size, whatever cbTriggerSize says.
void WriteTriggerRecord(const TASK_TRIGGER& trigger, ByteWriter* out);

// Reads 48 bytes whatever the record's own size field says (the format tells
// readers to ignore that field), and sets cbTriggerSize to 48. Every field is
// kept, reserved ones and trigger types we do not know included.
bool ReadTriggerRecord(ByteReader* in, TASK_TRIGGER* trigger);

// The account a task runs under, in the .job file. The format has no field
// for it on Windows (the service keeps credentials apart), so the name,
// never a password, rides at the front of the user data as
//   "JWAC", WORD unit count, UTF-16LE units (no terminator)
// and Windows and Wine, which only carry user data around, still read the
// file.
// The account block for `account_name` (empty for the system account)
// followed by `user_data`. The block is always there, even for the system
// account, so that user data of the caller's that happens to begin with the
// tag survives a round trip.
std::vector<BYTE> UserDataWithAccount(const std::wstring& account_name,
                                      const std::vector<BYTE>& user_data);

// Takes the account block off the front of the user data, if there is a
// well-formed one; user data without it (files from Windows or Wine) is kept
// whole and means the system account (an empty name).
void SplitAccountFromUserData(std::vector<BYTE>* user_data, std::wstring* account_name);

#endif  // PLATFORM_TASKSCHEDULER_JOB_FILE_SECTIONS_H_
