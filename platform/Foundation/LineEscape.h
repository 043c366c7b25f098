#pragma once

#include <string>
#include <string_view>

// A text made fit for one line of output that a person reads (a log line, the widget
// host's `lines`): the backslash and every control character are written as a backslash
// escape ("\\", "\n", "\r", "\t", and "\xHH" for any other, "\x00" for a NUL), so a text
// never breaks its line or hides what follows a NUL. Every other byte passes unchanged.
void LineAppendEscaped(std::string& out, std::string_view text);
std::string LineEscaped(std::string_view text);

// Appends the backslash escape of `c` when it needs one on a line or in a quoted text:
// "\\", "\n", "\r", "\t", and for any other control character (DEL too) `otherPrefix` and
// two hex digits ("\x" on a line, "\u00" in JSON). False, with nothing appended, when `c`
// needs none.
bool AppendBackslashEscape(std::string& out, unsigned char c, std::string_view otherPrefix);
