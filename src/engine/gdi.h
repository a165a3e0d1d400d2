// A small graphics device layer over frame buffers: bitmaps, device contexts
// and a source copy between them. Handles are 32-bit numbers, 0 meaning none,
// so the engine's callers hold them the way they hold any window handle.
//
// Two kinds of device context exist: a picture context owns the pixels of a
// picture surface (what a window shows), and a memory context shows whatever
// bitmap was last selected into it. All calls run on the one user-interface
// thread.
#pragma once
#include <cstdint>
#include <vector>

#include "model/numbers.h"

namespace kv {

// 0x00RRGGBB pixels, row by row from the top.
struct FrameBuffer {
  Long width = 0, height = 0;
  std::vector<std::uint32_t> pixels;

  FrameBuffer() = default;
  FrameBuffer(Long w, Long h, std::uint32_t fill = 0) { resize(w, h, fill); }
  void resize(Long w, Long h, std::uint32_t fill = 0);
  void fill(std::uint32_t c) { pixels.assign(pixels.size(), c); }
  std::uint32_t at(Long x, Long y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  std::uint32_t* row(Long y) { return pixels.data() + static_cast<size_t>(y) * width; }
};

constexpr Long SRCCOPY = 0x00CC0020;

// The graphics device calls, with the argument orders of the window system.
Long CreateCompatibleDC(Long hdc);
Long SelectObject(Long hdc, Long hObject);  // returns the bitmap selected before, 0 if none
Long BitBlt(Long hdcDest, Long x, Long y, Long width, Long height, Long hdcSrc, Long xSrc, Long ySrc, Long rop);
Long DeleteDC(Long hdc);

namespace gdi {

// Bitmaps: created by their owner (the engine for its frames), deleted by it.
Long createBitmap(Long width, Long height);
bool deleteBitmap(Long hBitmap);
FrameBuffer* bitmap(Long hBitmap);

// A picture surface's device context, owning a frame buffer of the given size.
Long createPictureDC(Long width, Long height);
bool resizePicture(Long hdc, Long width, Long height);
// The pixels a device context draws on: a picture's own surface, or the bitmap
// selected into a memory context; nullptr when there is none.
FrameBuffer* surface(Long hdc);

// Objects alive, for tests that check nothing leaks.
size_t liveObjects();

}  // namespace gdi
}  // namespace kv
