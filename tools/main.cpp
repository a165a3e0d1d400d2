// kv3dmap: the editor's map operations for scripts and for checking maps
// without the desktop.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli.h"
#include "io/mapfile.h"
#include "model/codepage.h"

namespace kv::cli {

std::vector<Command>& commands() {
  static std::vector<Command> c;
  return c;
}

namespace {
// Options come before a "--"; everything after it is an operand.
size_t optionsEnd(const std::vector<std::string>& args) {
  return static_cast<size_t>(std::find(args.begin(), args.end(), "--") - args.begin());
}
}  // namespace

bool takeFlag(std::vector<std::string>& args, const std::string& name) {
  auto end = args.begin() + static_cast<std::ptrdiff_t>(optionsEnd(args));
  auto it = std::find(args.begin(), end, name);
  if (it == end) return false;
  args.erase(it);
  return true;
}

bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value) {
  const size_t end = optionsEnd(args);
  for (size_t i = 0; i < end; ++i) {
    if (args[i] == name) {
      if (i + 1 >= end) throw UsageError("option " + name + " needs a value");
      value = args[i + 1];
      args.erase(args.begin() + i, args.begin() + i + 2);
      return true;
    }
    if (args[i].rfind(name + "=", 0) == 0) {
      value = args[i].substr(name.size() + 1);
      args.erase(args.begin() + i);
      return true;
    }
  }
  return false;
}

void rejectUnknownOptions(std::vector<std::string>& args) {
  const size_t end = optionsEnd(args);
  for (size_t i = 0; i < end; ++i)
    if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') throw UsageError("unknown option " + args[i]);
  if (end < args.size()) args.erase(args.begin() + static_cast<std::ptrdiff_t>(end));
}

void ConsoleDialogs::msgBox(const std::string& text, const std::string& title, MsgIcon) {
  lines.push_back(title.empty() ? text : title + ": " + text);
}

namespace {

// The tool writes back what a file held: its viewpoints come with it, where
// the editor's Open keeps the list in memory instead.
void takeViewpoints(clsMap& map, const MapFileContents& c, const std::string& file) {
  if (c.viewpointsDamaged)
    throw Failure("The file \"" + file + "\" has a damaged viewpoints section, which writing the map would lose.");
  const std::vector<Viewpoint> none;
  const std::vector<Viewpoint>& v = c.viewpoints ? *c.viewpoints : none;
  std::copy(v.begin(), v.end(), map.viewpoints.begin());
  map.viewpointCount = static_cast<Long>(v.size());
}

// The file's contents, or nothing when it does not exist; Failure when it
// cannot be read as a map.
std::optional<MapFileContents> readOrFail(const std::string& file) {
  ReadOutcome r;
  auto c = readMapFile(file, r);
  if (r.status == ReadStatus::Damaged) throw Failure(r.message);
  return c;
}

}  // namespace

void loadOrFail(clsMap& map, const std::string& file) {
  auto c = readOrFail(file);
  if (!c) throw Failure("No map: " + file + " does not exist.");
  takeViewpoints(map, *c, file);
  applyMap(map, *c);
  map.polishNextSeg();
}

void loadOrNew(clsMap& map, const std::string& file) {
  auto c = readOrFail(file);
  if (!c) {
    map.clearMap();
  } else {
    if (c->wallSections.back().type == kSectionCompiledWalls)
      throw Failure("The file \"" + file + "\" is a compiled map binary; edit the map file it was compiled from.");
    takeViewpoints(map, *c, file);
    applyMap(map, *c);
  }
  map.polishNextSeg();
}

void saveOrFail(clsMap& map, const std::string& file, bool compiled) {
  std::string err = writeFileAtomically(file, encodeMap(map, compiled));
  if (!err.empty()) throw Failure("Write Error: " + file + ": " + err);
}

std::string jsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string jsonString(const std::string& utf8) {
  std::string o = "\"";
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b == '"' || b == '\\') {
      o += '\\';
      o += static_cast<char>(b);
      ++i;
      continue;
    }
    const size_t start = i;
    const char32_t cp = nextUtf8(utf8, i);
    if (cp == kNotUtf8) {
      o += "\\ufffd";  // bytes that are no UTF-8 cannot be told as characters
    } else if (cp < 0x20 || (cp >= 0x7f && cp < 0xa0)) {
      char e[12];
      std::snprintf(e, sizeof e, "\\u%04x", static_cast<unsigned>(cp));
      o += e;
    } else {
      o.append(utf8, start, i - start);
    }
  }
  return o + "\"";
}

std::string plainText(const std::string& utf8) {
  std::string o;
  for (size_t i = 0; i < utf8.size();) {
    const size_t start = i;
    const char32_t cp = nextUtf8(utf8, i);
    char e[12];
    if (cp == kNotUtf8) {
      std::snprintf(e, sizeof e, "\\x%02x", static_cast<unsigned char>(utf8[start]));
      o += e;
    } else if (cp < 0x20 || (cp >= 0x7f && cp < 0xa0)) {
      std::snprintf(e, sizeof e, "\\u%04x", static_cast<unsigned>(cp));
      o += e;
    } else if (cp == '\\') {
      o += "\\\\";
    } else {
      o.append(utf8, start, i - start);
    }
  }
  return o;
}

}  // namespace kv::cli

namespace {

void printHelp(std::FILE* to) {
  using namespace kv::cli;
  auto cmds = commands();
  std::fprintf(to, "Usage: kv3dmap COMMAND [ARGS]\n\nCommands:\n");
  for (const auto& c : cmds) {
    std::fprintf(to, "  kv3dmap %s\n      %s\n", c.usage.c_str(), c.summary.c_str());
    if (!c.options.empty()) std::fprintf(to, "%s", c.options.c_str());
  }
  std::fprintf(to,
               "\nExit status: 0 done, 1 the file could not be read or the command was refused,\n"
               "2 wrong usage.\n");
}

// A message for standard error: its lines kept, control characters in the
// names and paths it quotes escaped.
std::string shown(const std::string& message) {
  std::string out;
  size_t from = 0;
  for (size_t nl; (nl = message.find('\n', from)) != std::string::npos; from = nl + 1)
    out += kv::cli::plainText(message.substr(from, nl - from)) + "\n";
  return out + kv::cli::plainText(message.substr(from));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kv::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printHelp(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printHelp(stdout);
    return 0;
  }
  std::string name = args[0];
  args.erase(args.begin());
  for (const auto& c : commands()) {
    if (c.name != name) continue;
    try {
      return c.run(args);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\nUsage: kv3dmap %s\n", name.c_str(), shown(e.what()).c_str(),
                   c.usage.c_str());
      return 2;
    } catch (const Failure& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\n", name.c_str(), shown(e.what()).c_str());
      return 1;
    } catch (const kv::MapError& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\n", name.c_str(), shown(e.what()).c_str());
      return 1;
    } catch (const kv::RangeError& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\n", name.c_str(), shown(e.what()).c_str());
      return 1;
    }
  }
  std::fprintf(stderr, "kv3dmap: unknown command \"%s\"\n\n", shown(name).c_str());
  printHelp(stderr);
  return 2;
}
