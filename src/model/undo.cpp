#include "model/undo.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "model/clsMap.h"

namespace kv {

namespace {

void putCount(std::vector<unsigned char>& out, size_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<unsigned char>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<unsigned char>(v));
}

size_t getCount(const std::vector<unsigned char>& in, size_t& at) {
  size_t v = 0;
  for (int shift = 0; at < in.size(); shift += 7) {
    const unsigned char b = in[at++];
    v |= static_cast<size_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return v;
}

// Builds the run list of an exclusive-or: each run is the number of zero
// bytes to skip, the number of bytes that follow and those bytes. Zero gaps
// of up to two bytes stay inside a run, where they cost less than a new one.
class DeltaWriter {
 public:
  explicit DeltaWriter(std::vector<unsigned char>& out) : out_(out) {}
  void same(size_t n) { zeros_ += n; }
  void byte(unsigned char x) {
    if (x == 0) {
      ++zeros_;
      return;
    }
    if (!run_.empty() && zeros_ > 2) flush();
    if (run_.empty()) {
      skip_ += zeros_;
    } else {
      run_.insert(run_.end(), zeros_, 0);
    }
    zeros_ = 0;
    run_.push_back(x);
  }
  void finish() { flush(); }

 private:
  void flush() {
    if (run_.empty()) return;
    putCount(out_, skip_);
    putCount(out_, run_.size());
    out_.insert(out_.end(), run_.begin(), run_.end());
    run_.clear();
    skip_ = zeros_;
    zeros_ = 0;
  }
  std::vector<unsigned char>& out_;
  std::vector<unsigned char> run_;
  size_t skip_ = 0, zeros_ = 0;
};

}  // namespace

void UndoHistory::watchBytes(void* data, size_t size) {
  blocks_.push_back({static_cast<unsigned char*>(data), size, base_.size()});
  base_.resize(base_.size() + size);
}

void UndoHistory::watchText(std::string& text) {
  texts_.push_back(&text);
  baseTexts_.emplace_back();
}

void UndoHistory::reset() {
  for (const Block& b : blocks_) std::memcpy(base_.data() + b.offset, b.data, b.size);
  adoptTexts();
  steps_.clear();
  pos_ = 0;
  state_ = nextState_++;
  clean_.clear();
  clean_[texts_.empty() ? std::string() : *texts_[0]] = state_;
}

void UndoHistory::adoptTexts() {
  for (size_t k = 0; k < texts_.size(); ++k) baseTexts_[k] = *texts_[k];
}

std::vector<unsigned char> UndoHistory::encode() const {
  std::vector<unsigned char> out;
  DeltaWriter w(out);
  // Equal stretches are passed over a slice at a time; only slices that
  // differ are looked at byte by byte.
  constexpr size_t kSlice = 256;
  for (const Block& b : blocks_) {
    const unsigned char* now = b.data;
    const unsigned char* was = base_.data() + b.offset;
    for (size_t at = 0; at < b.size; at += kSlice) {
      const size_t n = std::min(kSlice, b.size - at);
      if (std::memcmp(now + at, was + at, n) == 0) {
        w.same(n);
        continue;
      }
      for (size_t k = at; k < at + n; ++k) w.byte(static_cast<unsigned char>(now[k] ^ was[k]));
    }
  }
  w.finish();
  return out;
}

bool UndoHistory::pending() const {
  for (const Block& b : blocks_)
    if (std::memcmp(b.data, base_.data() + b.offset, b.size) != 0) return true;
  for (size_t k = 0; k < texts_.size(); ++k)
    if (*texts_[k] != baseTexts_[k]) return true;
  return false;
}

bool UndoHistory::commit(const std::string& label) {
  if (!pending()) return false;
  Step s;
  s.label = label;
  s.delta = encode();
  s.delta.shrink_to_fit();
  for (size_t k = 0; k < texts_.size(); ++k)
    if (*texts_[k] != baseTexts_[k]) s.texts.emplace_back(k, baseTexts_[k]);
  s.before = state_;
  s.after = nextState_++;
  for (const Block& b : blocks_) std::memcpy(base_.data() + b.offset, b.data, b.size);
  adoptTexts();
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(pos_), steps_.end());
  steps_.push_back(std::move(s));
  while (steps_.size() > limit_) steps_.pop_front();
  pos_ = steps_.size();
  state_ = steps_.back().after;
  return true;
}

void UndoHistory::apply(Step& s) {
  // The runs address the watched blocks laid end to end, as in base_.
  size_t at = 0, pos = 0, block = 0;
  while (at < s.delta.size()) {
    pos += getCount(s.delta, at);
    const size_t n = getCount(s.delta, at);
    for (size_t k = 0; k < n && at < s.delta.size(); ++k, ++pos) {
      const unsigned char x = s.delta[at++];
      while (block < blocks_.size() && pos >= blocks_[block].offset + blocks_[block].size) ++block;
      if (block == blocks_.size()) return;
      blocks_[block].data[pos - blocks_[block].offset] ^= x;
      base_[pos] ^= x;
    }
  }
  for (auto& [k, other] : s.texts) {
    std::swap(*texts_[k], other);
    baseTexts_[k] = *texts_[k];
  }
}

bool UndoHistory::undo() {
  commit("Change");
  if (!canUndo()) return false;
  Step& s = steps_[--pos_];
  apply(s);
  state_ = s.before;
  return true;
}

bool UndoHistory::redo() {
  // A change not yet recorded would be lost under the redone step; it
  // becomes a step of its own, which ends the redo branch.
  if (commit("Change") || !canRedo()) return false;
  Step& s = steps_[pos_++];
  apply(s);
  state_ = s.after;
  return true;
}

void UndoHistory::markClean(const std::string& name) { clean_[name] = state_; }

bool UndoHistory::modified(const std::string& name) const {
  if (pending()) return true;
  auto it = clean_.find(name);
  return it == clean_.end() || it->second != state_;
}

size_t UndoHistory::stepBytes() const {
  size_t n = 0;
  for (const Step& s : steps_) {
    n += sizeof(Step) + s.label.capacity() + s.delta.capacity();
    for (const auto& t : s.texts) n += sizeof t + t.second.capacity();
  }
  return n;
}

void watchMap(UndoHistory& h, clsMap& m) {
  h.watch(m.walls);
  h.watch(m.areas);
  h.watch(m.viewpoints);
  h.watch(m.globals);
  h.watch(m.wallCount);
  h.watch(m.areaCount);
  h.watch(m.viewpointCount);
  h.watch(m.globalCount);
  h.watch(m.viewerX);
  h.watch(m.viewerY);
  h.watch(m.viewerZ);
  h.watch(m.viewerDir);
}

void dropVanishedSelection(clsMap& m) {
  if (m.selectedWall >= m.wallCount) m.selectedWall = -1;
  if (m.selectedArea >= m.areaCount) m.selectedArea = -1;
  if (m.selectedGlobal < 0 || m.selectedGlobal >= m.globalCount) m.selectedGlobal = 0;
}

std::vector<std::string> keptSelection(const std::vector<std::string>& entries, const clsMap& map) {
  static const std::string prefix = "Wall #";
  std::vector<std::string> kept;
  for (const std::string& e : entries) {
    if (e.compare(0, prefix.size(), prefix) == 0 && e.size() > prefix.size() && e.size() < prefix.size() + 10 &&
        e.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
        std::stol(e.substr(prefix.size())) >= map.wallCount)
      continue;
    kept.push_back(e);
  }
  return kept;
}

}  // namespace kv
