// The one line that names the Windows edition in words.
#ifndef OSREPORT_EDITION_LINE_H_
#define OSREPORT_EDITION_LINE_H_

#include <windows.h>

#include <string>

// The text right after "95" or "98", read from the service-pack text's
// second character.
std::string NinetyFiveSuffix(const OSVERSIONINFOEXA& record);
std::string NinetyEightSuffix(const OSVERSIONINFOEXA& record);

// Edition words of the NT family. An empty word means the record names no
// edition for that version; the line then carries nothing in its place.
std::string NtEditionWord(BYTE product_type);                          // NT 4 and older
std::string Windows2000EditionWord(BYTE product_type, WORD suite_mask);  // 5.0
std::string XpEditionWord(BYTE product_type, WORD suite_mask);          // 5.1
std::string LaterNtEditionWord(DWORD major, DWORD minor, DWORD build,
                               BYTE product_type);                      // 5.2 on

// Writes the edition line to standard output. Only the Windows 2000 line
// ends with a line end. A platform id other than Win32s, 9x and NT gets no
// line at all.
void PrintEditionLine(const OSVERSIONINFOEXA& record);

#endif  // OSREPORT_EDITION_LINE_H_
