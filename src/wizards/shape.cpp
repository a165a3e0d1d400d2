#include "wizards/shape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "io/files.h"
#include "wizards/wizardforms.h"

namespace kv {

namespace {

constexpr double kDegree = 0.017453;
constexpr std::size_t kMaxShapeFile = std::size_t{16} << 20;  // far beyond any shape the tables can hold

// Shape files are single-byte text whose words are all ASCII; case is folded
// in ASCII alone, whatever the locale says about the other bytes.
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = upperAscii(c);
  return u;
}

// Text from pos on (empty past the end), at most n characters.
std::string_view mid(std::string_view s, size_t pos, size_t n = std::string_view::npos) {
  return pos >= s.size() ? std::string_view() : s.substr(pos, n);
}

size_t findNoCase(std::string_view text, std::string_view what, size_t from) {
  auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())), text.end(),
                        what.begin(), what.end(), [](char a, char b) { return upperAscii(a) == upperAscii(b); });
  return it == text.end() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

struct Refusal {
  std::string text;
};

class Reader {
 public:
  explicit Reader(std::string_view t) : t_(t) {}

  ShapeRun run() {
    ShapeRun out;
    try {
      read(out);
    } catch (const Refusal& r) {
      out.walls.clear();
      out.error = r.text;
    }
    return out;
  }

 private:
  std::string_view t_;
  Long penX_ = 0, penY_ = 0;
  float heading_ = 0;

  std::string line(size_t pos) const {
    return "line " + std::to_string(1 + std::count(t_.begin(), t_.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
  }

  Long coordinate(double v, size_t at) const {
    if (auto r = toLongChecked(v)) return *r;
    throw Refusal{"The number " + formatNumber(v) + " lies outside the range of map coordinates (" + line(at) + ")."};
  }

  void read(ShapeRun& out) {
    const size_t lt = t_.find('<'), gt = t_.find('>');
    // The header word follows the first "<", or opens the text when there is none.
    if (upper(mid(t_, lt == std::string_view::npos ? 0 : lt + 1, 7)) != "KVSHAPE") throw Refusal{kShapeHeaderMessage};
    bool wallPending = false, turtlePending = false;
    for (size_t p = gt == std::string_view::npos ? 0 : gt + 1; p < t_.size(); ++p) {
      if (wallPending || turtlePending) {
        const char* closing = wallPending ? "</WALL" : "</TURTLEWALL";
        const size_t e = findNoCase(t_, closing, p);
        if (e == std::string_view::npos)
          throw Refusal{std::string("The ") + (wallPending ? "WALL" : "TURTLEWALL") + " element has no closing tag " +
                        closing + "> (" + line(p) + ")."};
        const std::string_view body = t_.substr(p, e - p);
        out.walls.push_back(wallPending ? wall(body, p) : turtle(body, p));
        wallPending = turtlePending = false;
        p = e;
      } else if (t_[p] == '<') {
        const size_t g = t_.find('>', p);
        if (g == std::string_view::npos) throw Refusal{"A tag has no closing \">\" (" + line(p) + ")."};
        const std::string_view tag = t_.substr(p, g - p);
        const auto end =
            std::find_if(tag.begin(), tag.end(), [](char c) { return static_cast<unsigned char>(c) < 33; });
        const std::string name = upper(tag.substr(0, static_cast<size_t>(end - tag.begin())));
        if (name == "<AREA")
          ++out.beeps;
        else if (name == "<WALL")
          wallPending = true;
        else if (name == "<TURTLEWALL")
          turtlePending = true;
        p = g;
      }
    }
    if (wallPending || turtlePending)
      throw Refusal{std::string("The ") + (wallPending ? "WALL" : "TURTLEWALL") +
                    " element at the end of the file has no body and no closing tag."};
  }

  ShapeSegment wall(std::string_view body, size_t at) {
    const size_t c1 = body.find(','), c2 = c1 == body.npos ? c1 : body.find(',', c1 + 1),
                 c3 = c2 == body.npos ? c2 : body.find(',', c2 + 1);
    if (c3 == body.npos)
      throw Refusal{"A WALL needs four numbers separated by commas, x1,y1,x2,y2 (" + line(at) + ")."};
    ShapeSegment s{
        coordinate(fieldValue(body.substr(0, c1)), at), coordinate(fieldValue(body.substr(c1 + 1, c2 - c1 - 1)), at),
        coordinate(fieldValue(body.substr(c2 + 1, c3 - c2 - 1)), at), coordinate(fieldValue(body.substr(c3 + 1)), at)};
    penX_ = s.x2, penY_ = s.y2;
    return s;
  }

  ShapeSegment turtle(std::string_view body, size_t at) {
    const size_t c = body.find(',');
    if (c == body.npos)
      throw Refusal{"A TURTLEWALL needs a turn and a move separated by a comma, for example RT90,FD100 (" + line(at) +
                    ")."};
    const std::string turn = upper(mid(body, 0, 2)), move = upper(mid(body, c + 1, 2));
    const double a = fieldValue(mid(body, 2)), d = fieldValue(mid(body, c + 3));
    if (turn == "RT")
      heading_ = static_cast<float>(heading_ - a * kDegree);
    else if (turn == "LT")
      heading_ = static_cast<float>(heading_ + a * kDegree);
    else if (turn == "AR" || turn == "AL")
      heading_ = static_cast<float>(a * kDegree);
    const double sign = move == "FD" ? 1 : move == "BD" ? -1 : 0;
    const double h = heading_;
    const double dx = sign == 0 ? 0 : sign * d * std::sin(h), dy = sign == 0 ? 0 : sign * d * std::cos(h);
    ShapeSegment s{penX_, penY_, coordinate(penX_ + dx, at), coordinate(penY_ + dy, at)};
    penX_ = s.x2, penY_ = s.y2;
    return s;
  }
};

}  // namespace

ShapeRun readShape(std::string_view text) { return Reader(text).run(); }

void drawShapePreview(Surface& s, const ShapeRun* run) {
  s.setDrawMode(DrawMode::Copy);
  s.setDrawWidth(1);
  s.clear();
  const float sw = s.scaleWidth(), sh = s.scaleHeight();
  const Long axes = rgb(160, 160, 160), walls = rgb(0, 0, 0);
  s.line(0, sh / 2, sw, sh / 2, axes);
  s.line(sw / 2, 0, sw / 2, sh, axes);
  if (!run) return;
  for (const ShapeSegment& w : run->walls)
    s.line(static_cast<float>(w.x1 + sw / 2.0), static_cast<float>(w.y1 + sh / 2.0),
           static_cast<float>(w.x2 + sw / 2.0), static_cast<float>(w.y2 + sh / 2.0), walls);
}

void createShape(clsMap& map, const ShapeRun& run) {
  requireTotals(map, static_cast<double>(run.walls.size()), 0, false, ShapeWizardForm::kCaption);
  std::vector<ShapeSegment> placed;
  placed.reserve(run.walls.size());
  auto at = [](Long origin, Long v) {
    const std::int64_t r = static_cast<std::int64_t>(origin) + v;
    if (r < INT32_MIN || r > INT32_MAX)
      throw WizardError(ShapeWizardForm::kCaption,
                        "At the insertion point the shape would reach beyond the map's coordinates.");
    return static_cast<Long>(r);
  };
  for (const ShapeSegment& w : run.walls)
    placed.push_back({at(map.insertX, w.x1), at(map.insertY, w.y1), at(map.insertX, w.x2), at(map.insertY, w.y2)});
  for (const ShapeSegment& w : placed) map.addWall(w.x1, w.y1, w.x2, w.y2, 0, 0);
}

std::vector<std::string> listShapeFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    if (name.size() > 4 && upper(name.substr(name.size() - 4)) == ".XML") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool readShapeFile(const std::string& path, std::string& text, std::string& problem) {
  auto bytes = readRegularFile(path, kMaxShapeFile, problem);
  if (!bytes) return false;
  text.assign(bytes->begin(), bytes->end());
  return true;
}

void ShapeWizardForm::load(const std::string& programFolder) {
  if (loaded_) return;
  loaded_ = true;
  folder = programFolder;
  shapeFiles = listShapeFiles(folder);
  listIndex = shapeFiles.empty() ? -1 : 0;
}

bool ShapeWizardForm::runSelected(Dialogs& dialogs, ShapeRun& run) {
  if (listIndex < 0 || listIndex >= static_cast<int>(shapeFiles.size())) {
    dialogs.msgBox("There is no shape file to read: the program's folder holds no shape files (*.xml).", kCaption,
                   MsgIcon::Exclamation);
    return false;
  }
  const std::string path = (std::filesystem::path(folder) / shapeFiles[listIndex]).string();
  std::string text, problem;
  if (!readShapeFile(path, text, problem)) {
    dialogs.msgBox("The shape file \"" + shapeFiles[listIndex] + "\" cannot be read: " + problem + ".", kCaption,
                   MsgIcon::Critical);
    return false;
  }
  run = readShape(text);
  if (!run.error.empty()) {
    dialogs.msgBox(run.error, kShapeErrorTitle, MsgIcon::Critical);
    return false;
  }
  for (int i = 0; i < run.beeps; ++i)
    if (beep) beep();
  return true;
}

void ShapeWizardForm::showPreview(clsMap&, Dialogs& dialogs, Surface& picture) {
  previewing = true;
  drawShapePreview(picture, nullptr);
  ShapeRun run;
  if (runSelected(dialogs, run)) drawShapePreview(picture, &run);
}

bool ShapeWizardForm::create(clsMap& map, Dialogs& dialogs, Surface& picture) {
  previewing = false;
  created = false;
  drawShapePreview(picture, nullptr);
  ShapeRun run;
  if (!runSelected(dialogs, run)) return false;
  try {
    createShape(map, run);
  } catch (const WizardError& e) {
    dialogs.msgBox(e.what(), e.title, MsgIcon::Critical);
    return false;
  }
  created = true;
  return true;
}

}  // namespace kv
