// The one line that names the Windows edition in words.
#ifndef OSREPORT_EDITION_LINE_H_
#define OSREPORT_EDITION_LINE_H_

#include <windows.h>

// Writes the edition line to standard output. Only the Windows 2000 line
// ends with a line end. A platform id other than Win32s, 9x and NT gets no
// line at all.
void PrintEditionLine(const OSVERSIONINFOEXA& record);

#endif  // OSREPORT_EDITION_LINE_H_
