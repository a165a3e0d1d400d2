// The command-line tool's commands register themselves here; each source file
// of tools/ adds its own.
#pragma once
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/dialogs.h"
#include "model/clsMap.h"

namespace kv::cli {

// Wrong usage: the message is printed with the command's usage, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A refusal or an unreadable file: one line on standard error, exit status 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Command {
  std::string name;
  std::string usage;    // e.g. "info [--json] FILE"
  std::string summary;  // one line for --help
  std::string options;  // further lines for --help (may be empty)
  std::function<int(std::vector<std::string>&)> run;
};

std::vector<Command>& commands();
struct Register {
  explicit Register(Command c) { commands().push_back(std::move(c)); }
};

// Options stand before a "--" argument; whatever follows it is an operand,
// so a file named "--json" is given as "-- --json".
// Takes "--name" out of args; true when it was there.
bool takeFlag(std::vector<std::string>& args, const std::string& name);
// Takes "--name VALUE" (or "--name=VALUE") out of args.
bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value);
// Refuses options left over once a command has taken the ones it knows, and
// drops the "--" that ends them.
void rejectUnknownOptions(std::vector<std::string>& args);

// Message boxes become lines on standard error; file dialogs are cancelled.
class ConsoleDialogs : public Dialogs {
 public:
  std::vector<std::string> lines;  // every message, also kept here
  void msgBox(const std::string& text, const std::string& title, MsgIcon icon) override;
  std::string openFileName(const std::string&) override { return {}; }
  std::string saveFileName(const std::string&, const std::string&) override { return {}; }
};

// Reads a map file into `map`, its viewpoints included (the tool writes back
// what the file held), or throws Failure with the reason.
void loadOrFail(clsMap& map, const std::string& file);
// For the commands that edit a map in place: loads an existing map as
// loadOrFail does, or gives the document of a fresh New when the file does
// not exist yet. A compiled map binary is refused: walls added to its tree
// would make it no tree at all.
void loadOrNew(clsMap& map, const std::string& file);
// Writes a map file or throws Failure with the system's error text.
void saveOrFail(clsMap& map, const std::string& file, bool compiled = false);

// A number as JSON: shortest text that reads back to the same double.
std::string jsonNumber(double v);
// UTF-8 text (a path, or a name through fromCodePage) as a JSON string:
// control characters escaped, a byte that is no UTF-8 as U+FFFD.
std::string jsonString(const std::string& utf8);
// UTF-8 text for the plain output: control characters as \u001b, a backslash
// doubled and a byte that is no UTF-8 as \xff, so no name can steer the
// terminal and every byte can be told.
std::string plainText(const std::string& utf8);

}  // namespace kv::cli
