// Message boxes and file dialogs, behind one small interface so that commands
// run the same with the desktop's dialogs, a script's answers or a console.
#pragma once
#include <deque>
#include <string>
#include <vector>

namespace kv {

// The application's title, used where a message box has no title of its own.
inline constexpr const char* kAppTitle = "Kovrel3D Map Editor";

enum class MsgIcon { None, Critical, Exclamation, Information, Question };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box with an OK button.
  virtual void msgBox(const std::string& text, const std::string& title, MsgIcon icon) = 0;
  // The file dialog for opening; the filter is "Description|pattern|...".
  // No file name is given: the dialog shows the one of its previous use.
  // Returns the chosen name, or empty text when cancelled.
  virtual std::string openFileName(const std::string& filter) = 0;
  // The file dialog for saving, preset to `presetName`. Empty when cancelled.
  virtual std::string saveFileName(const std::string& filter, const std::string& presetName) = 0;
};

// Answers dialogs from a queue and records every message: for tests and for
// commands run from scripts.
class ScriptedDialogs : public Dialogs {
 public:
  struct Message {
    std::string text, title;
    MsgIcon icon;
  };
  struct FileRequest {
    bool save;
    std::string filter, presetName;
  };
  std::vector<Message> messages;
  std::vector<FileRequest> fileRequests;
  std::deque<std::string> fileAnswers;  // popped in order; empty queue = cancel

  void msgBox(const std::string& text, const std::string& title, MsgIcon icon) override {
    messages.push_back({text, title, icon});
  }
  std::string openFileName(const std::string& filter) override { return answer(false, filter, ""); }
  std::string saveFileName(const std::string& filter, const std::string& presetName) override {
    return answer(true, filter, presetName);
  }

 private:
  std::string answer(bool save, const std::string& filter, const std::string& preset) {
    fileRequests.push_back({save, filter, preset});
    if (fileAnswers.empty()) return {};
    std::string a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
};

}  // namespace kv
