#include "engine/gdi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace kv {

void FrameBuffer::resize(Long w, Long h, std::uint32_t c) {
  width = std::max<Long>(w, 0);
  height = std::max<Long>(h, 0);
  pixels.assign(static_cast<size_t>(width) * height, c);
}

namespace gdi {
namespace {

// Limits a surface to a size any screen can show, so a wild number from a
// caller cannot ask for gigabytes.
constexpr Long kMaxSide = 8192;

struct Object {
  enum Kind { Bitmap, PictureDC, MemoryDC } kind;
  std::unique_ptr<FrameBuffer> pixels;  // bitmaps and pictures
  Long selected = 0;                    // memory contexts: the selected bitmap
};

struct Registry {
  std::map<Long, Object> objects;
  Long next = 0x1000;
  Long add(Object o) {
    // Handles are never given out twice while the program runs (until the
    // 32-bit counter wraps, far beyond any session).
    do {
      next = next == 0x7FFFFFFF ? 0x1000 : next + 1;
    } while (objects.count(next));
    objects.emplace(next, std::move(o));
    return next;
  }
  Object* find(Long h, Object::Kind kind) {
    auto it = objects.find(h);
    return it != objects.end() && it->second.kind == kind ? &it->second : nullptr;
  }
  Object* findDC(Long h) {
    auto it = objects.find(h);
    return it != objects.end() && it->second.kind != Object::Bitmap ? &it->second : nullptr;
  }
};

Registry& reg() {
  static Registry r;
  return r;
}

Long clampSide(Long v) { return std::clamp<Long>(v, 0, kMaxSide); }

}  // namespace

Long createBitmap(Long width, Long height) {
  Object o{Object::Bitmap, std::make_unique<FrameBuffer>(clampSide(width), clampSide(height)), 0};
  return reg().add(std::move(o));
}

bool deleteBitmap(Long h) {
  if (!reg().find(h, Object::Bitmap)) return false;
  reg().objects.erase(h);
  // A memory context that still shows it is left with nothing selected.
  for (auto& [k, o] : reg().objects)
    if (o.kind == Object::MemoryDC && o.selected == h) o.selected = 0;
  return true;
}

FrameBuffer* bitmap(Long h) {
  Object* o = reg().find(h, Object::Bitmap);
  return o ? o->pixels.get() : nullptr;
}

Long createPictureDC(Long width, Long height) {
  Object o{Object::PictureDC, std::make_unique<FrameBuffer>(clampSide(width), clampSide(height)), 0};
  return reg().add(std::move(o));
}

bool resizePicture(Long hdc, Long width, Long height) {
  Object* o = reg().find(hdc, Object::PictureDC);
  if (!o) return false;
  o->pixels->resize(clampSide(width), clampSide(height));
  return true;
}

FrameBuffer* surface(Long hdc) {
  Object* o = reg().findDC(hdc);
  if (!o) return nullptr;
  if (o->kind == Object::PictureDC) return o->pixels.get();
  return bitmap(o->selected);
}

size_t liveObjects() { return reg().objects.size(); }

}  // namespace gdi

Long CreateCompatibleDC(Long /*hdc*/) {
  // Every surface here has the same pixel format, so any context (or none)
  // is compatible.
  return gdi::reg().add({gdi::Object::MemoryDC, nullptr, 0});
}

Long SelectObject(Long hdc, Long hObject) {
  gdi::Object* dc = gdi::reg().find(hdc, gdi::Object::MemoryDC);
  if (!dc || !gdi::bitmap(hObject)) return 0;
  Long before = dc->selected;
  dc->selected = hObject;
  return before;
}

Long BitBlt(Long hdcDest, Long x, Long y, Long width, Long height, Long hdcSrc, Long xSrc, Long ySrc, Long rop) {
  if (rop != SRCCOPY) return 0;
  FrameBuffer* dst = gdi::surface(hdcDest);
  FrameBuffer* src = gdi::surface(hdcSrc);
  if (!dst || !src) return 0;
  // Clip the rectangle to both surfaces, moving both origins together. The
  // sums are taken in 64 bits so no caller's numbers can overflow them.
  std::int64_t dx = x, dy = y, sx = xSrc, sy = ySrc, w = width, h = height;
  auto clipLow = [&](std::int64_t& a, std::int64_t& b, std::int64_t& len) {
    std::int64_t cut = std::max<std::int64_t>({0, -a, -b});
    a += cut;
    b += cut;
    len -= cut;
  };
  clipLow(dx, sx, w);
  clipLow(dy, sy, h);
  w = std::min<std::int64_t>({w, dst->width - dx, src->width - sx});
  h = std::min<std::int64_t>({h, dst->height - dy, src->height - sy});
  if (w <= 0 || h <= 0) return 1;  // nothing to copy is still a success
  for (std::int64_t r = 0; r < h; ++r) {
    // memmove: a copy within one surface may overlap itself.
    std::memmove(dst->row(static_cast<Long>(dy + r)) + dx, src->row(static_cast<Long>(sy + r)) + sx,
                 static_cast<size_t>(w) * sizeof(std::uint32_t));
  }
  return 1;
}

Long DeleteDC(Long hdc) {
  if (!gdi::reg().findDC(hdc)) return 0;
  gdi::reg().objects.erase(hdc);
  return 1;
}

}  // namespace kv
