// The settings file: reading and writing one value of an INI file the way the
// desktop's profile-string calls do it, with the standard library alone.
#pragma once
#include <string>

namespace kv {

// The longest value a read returns: the profile-string read fills a buffer of
// 255 characters, one of them the terminator.
inline constexpr std::size_t kIniValueLimit = 254;

// The value of `key` in `section` of `fileName`. Section and key names match
// without regard to case; blanks around names and values are ignored, and a
// value in matching single or double quotes loses them. The first matching
// section and key win. A missing or unreadable file (a folder or a pipe of
// that name, a file over 1 MiB), section or key gives empty text; a
// longer value is cut to kIniValueLimit characters.
std::string readIniValue(const std::string& section, const std::string& key, const std::string& fileName);

// Stores `value` under `key` in `section` of `fileName`: an existing key's
// line is rewritten, a new key goes after the last line of its section, a new
// section is appended at the end, and the file is created when missing. Every
// other line of the file stays exactly as it was. A line break in the value
// ends the value there. Returns false when the file could not be written; a
// file that exists but cannot be read is left alone.
bool writeIniValue(const std::string& section, const std::string& key, const std::string& fileName,
                   const std::string& value);

}  // namespace kv
