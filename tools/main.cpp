// kv3dmap: the editor's map operations for scripts and for checking maps
// without the desktop.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli.h"
#include "io/mapfile.h"

namespace kv::cli {

std::vector<Command>& commands() {
  static std::vector<Command> c;
  return c;
}

bool takeFlag(std::vector<std::string>& args, const std::string& name) {
  auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
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

void rejectUnknownOptions(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a.size() > 1 && a[0] == '-' && a[1] == '-') throw UsageError("unknown option " + a);
}

void ConsoleDialogs::msgBox(const std::string& text, const std::string& title, MsgIcon) {
  lines.push_back(title.empty() ? text : title + ": " + text);
}

void loadOrFail(clsMap& map, const std::string& file) {
  ReadOutcome r = loadMapFile(map, file);
  if (r.status == ReadStatus::Missing) throw Failure("No map: " + file + " does not exist.");
  if (r.status == ReadStatus::Damaged) throw Failure(r.message);
  map.polishNextSeg();
}

void loadOrNew(clsMap& map, const std::string& file) {
  ReadOutcome r = loadMapFile(map, file);
  if (r.status == ReadStatus::Damaged) throw Failure(r.message);
  if (r.status == ReadStatus::Missing) map.clearMap();
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

std::string jsonString(const std::string& s) {
  std::string o = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      o += '\\';
      o += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      // Names are single-byte text; bytes outside ASCII are written as code points.
      char b[8];
      std::snprintf(b, sizeof b, "\\u%04x", c);
      o += b;
    } else {
      o += static_cast<char>(c);
    }
  }
  return o + "\"";
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
      std::fprintf(stderr, "kv3dmap %s: %s\nUsage: kv3dmap %s\n", name.c_str(), e.what(), c.usage.c_str());
      return 2;
    } catch (const Failure& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\n", name.c_str(), e.what());
      return 1;
    } catch (const kv::MapError& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\n", name.c_str(), e.what());
      return 1;
    } catch (const kv::RangeError& e) {
      std::fprintf(stderr, "kv3dmap %s: %s\n", name.c_str(), e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "kv3dmap: unknown command \"%s\"\n\n", name.c_str());
  printHelp(stderr);
  return 2;
}
