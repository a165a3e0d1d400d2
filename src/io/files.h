// Whole-file reading and writing shared by every reader and writer of the
// editor: map files, map binaries, the settings file, shape files, pictures
// and the preview engine's files.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Reads a whole file of at most `limit` bytes. Only regular files are read
// (links are followed): a folder, a pipe or a device in a file's place is
// refused without waiting on it, and a file longer than the limit is refused
// without being read. On failure returns nothing and sets `problem` to a
// short text ("No such file or directory", "it is a folder, not a file", ...);
// `missing`, when given, says whether nothing at all has that name.
std::optional<std::vector<unsigned char>> readRegularFile(const std::string& path, std::size_t limit,
                                                          std::string& problem, bool* missing = nullptr);

// Replaces the file at `path` with `bytes` so that a failure at any point
// leaves the previous file as it was, and returns empty text on success,
// otherwise the system's error text:
// - A file the user may not write is refused ("Permission denied").
// - A symbolic link is followed: its target is written, the link stays.
// - The new contents go to a temporary file beside the target, which gets
//   the old file's owner, group and mode and is renamed over it once
//   everything is on disk.
// - When no temporary file can be made there (a folder the user may not
//   write), the old owner cannot be kept, or the file has more than one hard
//   link, the file is written in place, but only after its full new size has
//   been reserved, so that a full disk fails before any old byte changes.
// - Temporary files left beside the target by earlier saves that were killed
//   are removed.
std::string writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace kv
