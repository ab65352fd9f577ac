// What comes from a task or a .job (its name, program line, account,
// output) as the service shows it, on a terminal or in the run log: in
// one notation, so that nothing of it can move the cursor, retitle the
// window or start a line that looks like the service's own.
//
// Every C0 control (0x00-0x1F, tab included), DEL (0x7F), C1 control
// (U+0080-U+009F, C2 80..C2 9F in UTF-8) and byte that is not part of
// valid UTF-8 (overlong, surrogate, cut short, above U+10FFFF) becomes
// \xNN per byte, two lowercase hex digits; a backslash becomes \\, so
// that a \xNN the text held itself reads apart from one the service wrote.
// Printable ASCII and valid UTF-8 from U+00A0 up pass as they are.
#ifndef SERVICE_VISIBLE_TEXT_H_
#define SERVICE_VISIBLE_TEXT_H_

#include <stddef.h>

#include <string>
#include <string_view>

// `text` in that notation. Each untrusted field is made visible once,
// where the text that holds it is built.
std::string VisibleText(std::string_view text);

// A run log line whose fields were made visible when it was written, as
// it can be shown or written: a control character, DEL, C1 control or
// invalid byte still in it (a log of an older version holds them raw) in
// that notation, but its first tab, the separator after a task's name,
// kept, and its backslashes as they are, not doubled.
std::string VisibleLogLine(std::string_view line);

// The longest start of `visible` (in the notation) of at most `most`
// bytes that ends neither inside a UTF-8 character nor inside an escape.
size_t VisibleCut(std::string_view visible, size_t most);

#endif  // SERVICE_VISIBLE_TEXT_H_
