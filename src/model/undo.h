// The undo history: every command that changes the map becomes one step that
// can be taken back and done again, in order.
//
// The history watches blocks of plain memory (the map's tables, counts and
// viewer; the side-def table) and a few texts (the current file name). It
// keeps one copy of the watched state as it stood after the last step; when
// a command ends, commit compares the state with that copy and stores only
// the bytes that differ, as the exclusive-or of old and new, with the runs
// of unchanged bytes between them reduced to a count. Applying such a step
// to the state toggles it between before and after, so the same bytes serve
// undo and redo, and what is restored is byte for byte what was there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

namespace kv {

class clsMap;

class UndoHistory {
 public:
  static constexpr size_t kDefaultLimit = 100;

  explicit UndoHistory(size_t limit = kDefaultLimit) : limit_(limit ? limit : 1) {}
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // --- what is watched (call reset once everything is registered) ----------
  void watchBytes(void* data, size_t size);
  template <class T>
  void watch(T& value) {
    static_assert(std::is_trivially_copyable_v<T>, "only plain records can be watched");
    watchBytes(&value, sizeof value);
  }
  void watchText(std::string& text);

  // Forgets every step and takes the state as it stands as the base. The
  // document counts as unchanged under its present file name.
  void reset();

  // Records what changed since the last step as one step named `label`, and
  // drops the steps that could have been redone. A command that changed
  // nothing leaves no step: false.
  bool commit(const std::string& label);
  // Takes back the last step (after recording any change not yet committed,
  // so nothing is lost). False when there is none.
  bool undo();
  // Does the step taken back last again. False when there is none.
  bool redo();

  bool canUndo() const { return pos_ > 0; }
  bool canRedo() const { return pos_ < steps_.size(); }
  // Names of the steps undo and redo would act on; empty when none.
  std::string undoLabel() const { return canUndo() ? steps_[pos_ - 1].label : std::string(); }
  std::string redoLabel() const { return canRedo() ? steps_[pos_].label : std::string(); }
  size_t undoCount() const { return pos_; }
  size_t redoCount() const { return steps_.size() - pos_; }
  size_t limit() const { return limit_; }

  // Takes the watched texts as they stand into the base without a step (a
  // Save As renames the document but does not change it).
  void adoptTexts();

  // The document was opened, saved or created under the file name `name`:
  // it counts as unchanged while it is in this very state under that name.
  void markClean(const std::string& name);
  // Whether the document differs from the state last marked clean under
  // `name`.
  bool modified(const std::string& name) const;

  // Memory held by the steps (their stored bytes, names and bookkeeping),
  // and by the base copy of the watched state.
  size_t stepBytes() const;
  size_t baseBytes() const { return base_.size(); }

 private:
  struct Block {
    unsigned char* data;
    size_t size;
    size_t offset;  // where the block starts in base_
  };
  struct Step {
    std::string label;
    std::vector<unsigned char> delta;                   // (skip, count, bytes) runs of the exclusive-or
    std::vector<std::pair<size_t, std::string>> texts;  // watched text, its other value
    std::uint64_t before = 0, after = 0;                // the states it joins
  };

  std::vector<unsigned char> encode() const;
  void apply(Step& s);
  bool pending() const;

  size_t limit_;
  std::vector<Block> blocks_;
  std::vector<std::string*> texts_;
  std::vector<unsigned char> base_;
  std::vector<std::string> baseTexts_;
  std::deque<Step> steps_;
  size_t pos_ = 0;  // steps_[0 .. pos_-1] are done
  std::uint64_t state_ = 0, nextState_ = 1;
  std::map<std::string, std::uint64_t> clean_;  // file name -> state last opened, saved or created
};

// Watches what a saved map file holds and every record behind it: the four
// tables whole (records above the counts too), their counts and the viewer.
void watchMap(UndoHistory& history, clsMap& map);

// After an undo or redo: a selected wall or area that no longer exists is no
// longer selected, and a global row outside the list goes back to the first.
void dropVanishedSelection(clsMap& map);
// The wall selection list without the "Wall #<index>" entries of walls that
// no longer exist; other entries stay.
std::vector<std::string> keptSelection(const std::vector<std::string>& entries, const clsMap& map);

}  // namespace kv
