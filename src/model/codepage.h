// Names in a map are single-byte text in the Windows-1252 code page; what the
// user types and sees (windows, the command line, JSON) is UTF-8. Every name
// crosses between the two here, so a typed name is converted first and cut to
// its 16 bytes after, and no cut can split a character.
#pragma once
#include <string>
#include <string_view>

namespace kv {

// A byte that starts no valid UTF-8 sequence.
inline constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// Decodes the UTF-8 sequence at s[i] and moves i past it. Overlong forms,
// surrogates and values above U+10FFFF are not valid: for those, and for a
// cut sequence, one byte is consumed and kNotUtf8 returned.
char32_t nextUtf8(std::string_view s, size_t& i);
void appendUtf8(std::string& out, char32_t cp);

// UTF-8 text as code page bytes. A character the code page lacks, and a byte
// that is not valid UTF-8, becomes "?".
std::string toCodePage(std::string_view utf8);
// Code page bytes as UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same
// number, so toCodePage(fromCodePage(b)) gives every byte string back.
std::string fromCodePage(std::string_view bytes);

}  // namespace kv
