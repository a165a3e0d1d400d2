#include "io/ini.h"

#include <optional>
#include <string_view>
#include <vector>

#include "io/files.h"

namespace kv {

namespace {

// One line of the file with its own line ending, kept byte for byte.
struct Line {
  std::string text;
  std::string ending;  // "\r\n", "\n" or empty for a last line without one
};

// Far more than four recent files need; a longer file is not read.
constexpr std::size_t kIniFileLimit = std::size_t{1} << 20;

// The file's lines; false when a file of that name exists but cannot be read
// (a folder, a pipe, a file too long or not readable).
bool readLines(const std::string& fileName, std::vector<Line>& lines) {
  std::string problem;
  bool missing = false;
  auto bytes = readRegularFile(fileName, kIniFileLimit, problem, &missing);
  if (!bytes) return missing;
  std::string all(bytes->begin(), bytes->end());
  size_t pos = 0;
  while (pos < all.size()) {
    size_t nl = all.find('\n', pos);
    Line l;
    if (nl == std::string::npos) {
      l.text = all.substr(pos);
      pos = all.size();
    } else {
      size_t end = nl;
      if (end > pos && all[end - 1] == '\r') --end;
      l.text = all.substr(pos, end - pos);
      l.ending = all.substr(end, nl + 1 - end);
      pos = nl + 1;
    }
    lines.push_back(std::move(l));
  }
  return true;
}

std::string_view trim(std::string_view s) {
  const char* blanks = " \t\r";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The section name of a "[name]" line.
std::optional<std::string_view> sectionOf(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string_view::npos) close = t.size();
  return trim(t.substr(1, close - 1));
}

// The key of a "key=value" line; comments and lines without "=" have none.
std::optional<std::string_view> keyOf(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return trim(t.substr(0, eq));
}

// Where a key sits: its line, and the section's header line and last line.
struct Place {
  long header = -1, lastOfSection = -1, keyLine = -1;
};

Place find(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  Place p;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto s = sectionOf(lines[i].text)) {
      if (inside) break;  // only the first matching section counts
      if (sameName(*s, section)) {
        inside = true;
        p.header = p.lastOfSection = static_cast<long>(i);
      }
      continue;
    }
    if (!inside) continue;
    if (!trim(lines[i].text).empty()) p.lastOfSection = static_cast<long>(i);
    if (p.keyLine < 0) {
      auto k = keyOf(lines[i].text);
      if (k && sameName(*k, key)) p.keyLine = static_cast<long>(i);
    }
  }
  return p;
}

}  // namespace

std::string readIniValue(const std::string& section, const std::string& key, const std::string& fileName) {
  std::vector<Line> lines;
  readLines(fileName, lines);
  Place p = find(lines, section, key);
  if (p.keyLine < 0) return {};
  std::string_view t = trim(lines[p.keyLine].text);
  std::string_view v = trim(t.substr(t.find('=') + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v.substr(0, kIniValueLimit));
}

bool writeIniValue(const std::string& section, const std::string& key, const std::string& fileName,
                   const std::string& value) {
  // A file that exists but cannot be read is not replaced by the few lines
  // this would write.
  std::vector<Line> lines;
  if (!readLines(fileName, lines)) return false;
  const std::string v = value.substr(0, value.find_first_of("\r\n"));
  const std::string crlf = "\r\n";
  Place p = find(lines, section, key);
  if (p.keyLine >= 0) {
    // The key keeps the spelling the file gives it.
    std::string_view t = lines[p.keyLine].text;
    std::string name(trim(t.substr(0, t.find('='))));
    lines[p.keyLine].text = name + "=" + v;
  } else {
    if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = crlf;
    Line entry{key + "=" + v, crlf};
    if (p.header >= 0) {
      Line& last = lines[p.lastOfSection];
      if (last.ending.empty()) last.ending = crlf;
      lines.insert(lines.begin() + p.lastOfSection + 1, entry);
    } else {
      if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({"", crlf});
      lines.push_back({"[" + section + "]", crlf});
      lines.push_back(entry);
    }
  }
  std::string out;
  for (const Line& l : lines) out += l.text + l.ending;
  return writeFileAtomically(fileName, std::vector<unsigned char>(out.begin(), out.end())).empty();
}

}  // namespace kv
