// The raster surface as it was before filled boxes went row by row and
// copy-mode figures stopped sorting their pixels: the redraw benchmark's
// baseline. Not part of the product.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "view/surface.h"

namespace kvbaseline {

using kv::DrawMode;
using kv::Long;

class BaselineRasterSurface : public kv::Surface {
 public:
  BaselineRasterSurface(int width, int height) : w_(width), h_(height), px_(size_t(width) * size_t(height)) {
    drawClear();
  }
  const std::vector<std::uint32_t>& pixels() const { return px_; }
  float scaleWidth() const override { return static_cast<float>(w_); }
  float scaleHeight() const override { return static_cast<float>(h_); }

 protected:
  static long toPixel(float v) {
    constexpr double kFar = 1e9;
    double d = v;
    if (std::isnan(d)) d = -kFar;
    d = std::clamp(d, -kFar, kFar);
    return static_cast<long>(std::nearbyint(d));
  }

  void drawLine(float x1, float y1, float x2, float y2, Long colour) override {
    addSpan(toPixel(x1), toPixel(y1), toPixel(x2), toPixel(y2));
    apply(colour);
  }
  void drawBox(float x1, float y1, float x2, float y2, Long colour, bool filled) override {
    long ax = toPixel(x1), ay = toPixel(y1), bx = toPixel(x2), by = toPixel(y2);
    if (filled) {
      if (ax > bx) std::swap(ax, bx);
      if (ay > by) std::swap(ay, by);
      for (long y = std::max(ay, 0L); y <= std::min(by, static_cast<long>(h_) - 1); ++y)
        for (long x = std::max(ax, 0L); x <= std::min(bx, static_cast<long>(w_) - 1); ++x)
          pending_.push_back(static_cast<std::uint32_t>(y * w_ + x));
    } else {
      addSpan(ax, ay, bx, ay);
      addSpan(bx, ay, bx, by);
      addSpan(bx, by, ax, by);
      addSpan(ax, by, ax, ay);
    }
    apply(colour);
  }
  void drawPoint(float x, float y, Long colour) override {
    addDot(toPixel(x), toPixel(y));
    apply(colour);
  }
  void drawClear() override { std::fill(px_.begin(), px_.end(), static_cast<std::uint32_t>(backColor() & 0xFFFFFF)); }
  void drawText(float, float, std::string_view, Long) override {}

 private:
  void addDot(long cx, long cy) {
    const long w = drawWidth();
    const long from = -(w - 1) / 2, to = w / 2;
    const double c = (w - 1) / 2.0 + from, r2 = (w / 2.0) * (w / 2.0);
    for (long dy = from; dy <= to; ++dy) {
      const long y = cy + dy;
      if (y < 0 || y >= h_) continue;
      for (long dx = from; dx <= to; ++dx) {
        const long x = cx + dx;
        if (x < 0 || x >= w_) continue;
        const double ex = dx - c, ey = dy - c;
        if (w > 2 && ex * ex + ey * ey > r2) continue;
        pending_.push_back(static_cast<std::uint32_t>(y * w_ + x));
      }
    }
  }
  void addSpan(long x1, long y1, long x2, long y2) {
    const long long dx = static_cast<long long>(x2) - x1, dy = static_cast<long long>(y2) - y1;
    const long long n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) {
      addDot(x1, y1);
      return;
    }
    const double margin = drawWidth() + 1.0;
    double lo = 0, hi = static_cast<double>(n);
    auto clip = [&](long start, long long d, int size) {
      const double a = -margin, b = size - 1 + margin;
      if (d == 0) {
        if (start < a || start > b) hi = -1;
        return;
      }
      double t1 = (a - start) * n / d, t2 = (b - start) * n / d;
      if (t1 > t2) std::swap(t1, t2);
      lo = std::max(lo, std::floor(t1));
      hi = std::min(hi, std::ceil(t2));
    };
    clip(x1, dx, w_);
    clip(y1, dy, h_);
    for (long long i = static_cast<long long>(lo); i <= static_cast<long long>(hi); ++i) {
      const long x = x1 + std::lrint(static_cast<double>(i) * dx / n);
      const long y = y1 + std::lrint(static_cast<double>(i) * dy / n);
      addDot(x, y);
    }
  }
  void apply(Long colour) {
    std::sort(pending_.begin(), pending_.end());
    pending_.erase(std::unique(pending_.begin(), pending_.end()), pending_.end());
    const auto c = static_cast<std::uint32_t>(colour & 0xFFFFFF);
    if (drawMode() == DrawMode::Xor) {
      for (auto i : pending_) px_[i] ^= c;
    } else {
      for (auto i : pending_) px_[i] = c;
    }
    pending_.clear();
  }

  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> px_;
  std::vector<std::uint32_t> pending_;
};

}  // namespace kvbaseline
