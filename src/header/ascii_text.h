// Plain-ASCII text helpers for the FITS cards and file-name handling.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

// Turns a..z into A..Z and leaves every other byte as it is.

// The first maxCharacters characters of a UTF-8 text, one byte each: printable
// ASCII stays, every other character (a control code, a whole valid multi-byte
// sequence, or a single byte that is not valid UTF-8) becomes "?".
std::string PrintableAsciiPrefix(std::string_view utf8, std::size_t maxCharacters);

// A name as a terminal may be shown it: control bytes (C0, DEL, and the C1
// controls as UTF-8) and bytes that are not valid UTF-8 become "\xHH", so that
// no name can move the cursor, ring the bell or send escape sequences.
std::string EscapedForTerminal(std::string_view bytes);

}  // namespace vantorel
