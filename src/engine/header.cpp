#include "engine/header.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "io/files.h"

namespace kv::engine {
namespace fs = std::filesystem;

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A finite number and nothing else: "nan" and "inf" are refused like any
// other text that is not a number.
bool number(const std::string& text, double& out) {
  const char* b = text.data();
  const char* e = b + text.size();
  auto r = std::from_chars(b, e, out);
  return r.ec == std::errc() && r.ptr == e && std::isfinite(out);
}

struct Key {
  const char* name;
  double Settings::*field;
  double lo, hi;
};
const Key kKeys[] = {
    {"fov", &Settings::fov, 10, 170},       {"fade", &Settings::fade, 1, 1e7},    {"light", &Settings::light, 0, 100},
    {"radius", &Settings::radius, 0, 1000}, {"step", &Settings::step, -1e6, 1e6},
};

}  // namespace

std::string localPath(const std::string& path) {
  std::error_code ec;
  if (path.find('\\') == std::string::npos || fs::exists(path, ec)) return path;
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  // "c:/dir/file" has no drive here: the rest is taken from the root.
  if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) p = p.substr(2);
  return p;
}

std::optional<Settings> parseHeader(const std::string& text, const std::string& folder, std::string& problem) {
  Settings s;
  std::istringstream in(text);
  std::string line;
  int n = 0;
  for (; std::getline(in, line);) {
    ++n;
    std::string t = trim(line);
    if (t.empty() || t[0] == '#' || t[0] == ';') continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos) {
      problem = "line " + std::to_string(n) + " is not \"name = value\"";
      return std::nullopt;
    }
    std::string name = lower(trim(t.substr(0, eq))), value = trim(t.substr(eq + 1));
    if (name == "map") {
      if (value.empty()) {
        problem = "line " + std::to_string(n) + " names no map binary";
        return std::nullopt;
      }
      s.mapFile = value;
      continue;
    }
    const Key* key = nullptr;
    for (const Key& k : kKeys)
      if (name == k.name) key = &k;
    if (!key) {
      problem = "line " + std::to_string(n) + " has the unknown name \"" + name + "\"";
      return std::nullopt;
    }
    double v = 0;
    if (!number(value, v) || v < key->lo || v > key->hi) {
      std::ostringstream o;
      o << "line " << n << ": " << name << " must be a number from " << key->lo << " to " << key->hi;
      problem = o.str();
      return std::nullopt;
    }
    s.*(key->field) = v;
  }
  if (!s.mapFile.empty()) {
    fs::path p(localPath(s.mapFile));
    if (p.is_relative() && !folder.empty()) p = fs::path(folder) / p;
    s.mapFile = p.string();
  }
  return s;
}

std::optional<Settings> readHeader(const std::string& headerPath, std::string& problem) {
  std::string path = localPath(headerPath);
  fs::path hp(path);
  std::string folder = hp.parent_path().string();
  std::string beside = (hp.parent_path() / hp.stem()).string() + ".mpb";
  // A header is a few short lines; a folder, a pipe or a device in its place
  // is refused, and so is anything longer than 1 MiB.
  bool missing = false;
  auto bytes = readRegularFile(path, std::size_t{1} << 20, problem, &missing);
  if (missing) {
    Settings s;
    s.mapFile = beside;
    return s;
  }
  if (!bytes) {
    problem = path + " cannot be read: " + problem;
    return std::nullopt;
  }
  auto s = parseHeader(std::string(bytes->begin(), bytes->end()), folder, problem);
  if (!s) {
    problem = path + ": " + problem;
    return std::nullopt;
  }
  if (s->mapFile.empty()) s->mapFile = beside;
  return s;
}

}  // namespace kv::engine
