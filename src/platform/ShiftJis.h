#pragma once

#include <string>
#include <string_view>

namespace qm {

// Text of documents, settings and captions is held as CP932 (Windows-31J)
// bytes, exactly as stored in files; these convert at the edges where text
// meets the toolkit or the file system.

// CP932 bytes to UTF-8. A byte sequence that is not valid CP932 becomes
// U+FFFD for each offending byte.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932 bytes. A character that CP932 cannot hold becomes "?", as
// Windows' own conversion does; invalid UTF-8 bytes become "?" too.
std::string Utf8ToCp932(std::string_view utf8);

// True for a byte that starts a double-byte CP932 character.
constexpr bool IsCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// CP932 case folding of ASCII letters only; the second byte of a double-byte
// character is never folded (it may lie in the ASCII letter range).
std::string Cp932ToUpperAscii(std::string_view cp932);

} // namespace qm
