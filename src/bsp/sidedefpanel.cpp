#include "bsp/sidedefpanel.h"

#include <cctype>
#include <cstdlib>
#include <iterator>

namespace kv {

std::optional<Long> decimalLong(std::string_view t) {
  size_t i = 0, n = t.size();
  auto blank = [&](size_t k) { return k < n && (t[k] == ' ' || t[k] == '\t'); };
  auto digit = [&](size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(t[k])); };
  while (blank(i)) ++i;
  const size_t start = i;
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (digit(i)) ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (digit(i)) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    size_t k = i + 1;
    if (k < n && (t[k] == '+' || t[k] == '-')) ++k;
    if (!digit(k)) return std::nullopt;
    while (digit(k)) ++k;
    i = k;
  }
  const size_t end = i;
  while (blank(i)) ++i;
  if (i != n) return std::nullopt;
  // The checked text is plain C-locale decimal, so strtod reads all of it.
  const std::string s(t.substr(start, end - start));
  return toLongChecked(std::strtod(s.c_str(), nullptr));
}

const char* SideDefPanel::caption(Box b) {
  static const char* const captions[kBoxCount] = {
      "(x1,y1): x",  "(x1,y1): y",      "(x2,y2): x",         "(x2,y2): y",   "Length",
      "Wall",        "Front Floor:",    "Front Ceiling:",     "Back Floor:",  "Back Ceiling:",
      "Floor (h1):", "End floor (h2):", "Begin ceiling(h3):", "Ceiling (h4):"};
  return b >= 0 && b < kBoxCount ? captions[b] : "";
}

std::optional<Long> SideDefPanel::read(Box b) {
  std::optional<Long> v = decimalLong(text[b]);
  if (!v)
    dialogs_.msgBox(std::string("\"") + caption(b) + "\" holds \"" + text[b] +
                        "\", which is not a decimal number from -2147483648 to 2147483647. Nothing was changed.",
                    "Properties", MsgIcon::Critical);
  return v;
}

bool SideDefPanel::updateSideDef(Long index) {
  if (index < 0) return false;
  if (index >= kSideDefSlots) {
    dialogs_.msgBox("Side-def record " + std::to_string(index) + " is outside the table (0 to 2000).", "Properties",
                    MsgIcon::Critical);
    return false;
  }
  SideDef next = table_.rec[index];
  // "Back Floor:" stands for the field a wall calls backCeilTx, "Back
  // Ceiling:" for backFloorTx.
  Long* const fields[kBoxCount] = {
      &next.x1,          &next.y1,         &next.x2,          &next.y2, &next.myLen, &next.wallTx, &next.frontFloorTx,
      &next.frontCeilTx, &next.backCeilTx, &next.backFloorTx, &next.h1, &next.h2,    &next.h3,     &next.h4};
  for (int b = 0; b < kBoxCount; ++b) {
    const std::optional<Long> v = read(static_cast<Box>(b));
    if (!v) return false;
    *fields[b] = *v;
  }
  table_.rec[index] = next;
  return true;
}

void SideDefPanel::pointFromInsertion(int point) {
  const Box x = point == 1 ? kX1 : kX2, y = point == 1 ? kY1 : kY2;
  text[x] = std::to_string(panelInsertX);
  text[y] = std::to_string(panelInsertY);
}

bool SideDefPanel::insertionFromPoint(int point) {
  const Box x = point == 1 ? kX1 : kX2, y = point == 1 ? kY1 : kY2;
  const std::optional<Long> vx = read(x);
  if (!vx) return false;
  const std::optional<Long> vy = read(y);
  if (!vy) return false;
  panelInsertX = *vx, panelInsertY = *vy;
  return true;
}

}  // namespace kv
