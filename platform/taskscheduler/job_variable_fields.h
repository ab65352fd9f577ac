// The two kinds of field of a .job file's variable-length section: texts
// (a WORD count of UTF-16LE units, then the units) and data blocks (a WORD
// byte count, then the bytes).
#ifndef PLATFORM_TASKSCHEDULER_JOB_VARIABLE_FIELDS_H_
#define PLATFORM_TASKSCHEDULER_JOB_VARIABLE_FIELDS_H_

#include <string>
#include <vector>

#include "platform/taskscheduler/byte_stream.h"

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

#endif  // PLATFORM_TASKSCHEDULER_JOB_VARIABLE_FIELDS_H_
