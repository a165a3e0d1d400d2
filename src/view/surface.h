// The picture surface the editor draws on: the map view, the shape preview and
// the drawing test all go through this interface, so the same drawing code
// runs on the window system's picture and on an in-memory raster in tests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/numbers.h"

namespace kv {

// Draw modes, numbered as the window system numbers them.
enum class DrawMode : int {
  Xor = 7,    // the pen colour is combined with the pixel by exclusive-or
  Copy = 13,  // the pen colour replaces the pixel
};

// Colours are packed as the map packs them (kv::rgb: red in the low byte).
class Surface {
 public:
  virtual ~Surface() = default;

  // --- pen state, shared by all drawing code and kept between calls --------
  void setDrawMode(DrawMode m) { mode_ = m; }
  DrawMode drawMode() const { return mode_; }
  // Widths below 1 draw as 1.
  void setDrawWidth(int w) { width_ = w < 1 ? 1 : w; }
  int drawWidth() const { return width_; }
  void setForeColor(Long c) { fore_ = c; }
  Long foreColor() const { return fore_; }
  void setBackColor(Long c) { back_ = c; }
  Long backColor() const { return back_; }

  // The current drawing position: where the last figure ended.
  float currentX() const { return curX_; }
  float currentY() const { return curY_; }
  void moveTo(float x, float y) { curX_ = x, curY_ = y; }

  // --- figures, in the surface's own units ---------------------------------
  // A line with the pen, both end points included. Without a colour it is
  // drawn in the foreground colour.
  void line(float x1, float y1, float x2, float y2) { line(x1, y1, x2, y2, fore_); }
  void line(float x1, float y1, float x2, float y2, Long colour) {
    drawLine(x1, y1, x2, y2, colour);
    moveTo(x2, y2);
  }
  // A line from the current position.
  void lineTo(float x, float y) { line(curX_, curY_, x, y, fore_); }
  void lineTo(float x, float y, Long colour) { line(curX_, curY_, x, y, colour); }
  // A box with corners (x1, y1) and (x2, y2): an outline drawn with the pen,
  // or filled.
  void box(float x1, float y1, float x2, float y2, Long colour, bool filled) {
    drawBox(x1, y1, x2, y2, colour, filled);
    moveTo(x2, y2);
  }
  // A single point; with a wide pen a filled dot of the pen's width.
  void point(float x, float y) { point(x, y, fore_); }
  void point(float x, float y, Long colour) {
    drawPoint(x, y, colour);
    moveTo(x, y);
  }
  // Fills the surface with the background colour and homes the position.
  void clear() {
    drawClear();
    moveTo(0, 0);
  }
  // Text in the foreground colour with its top-left corner at (x, y).
  void printText(float x, float y, std::string_view text) {
    drawText(x, y, text, fore_);
    moveTo(x, y);
  }

  // The drawable width and height in the surface's units.
  virtual float scaleWidth() const = 0;
  virtual float scaleHeight() const = 0;

 protected:
  // Each figure is one operation: in exclusive-or mode every pixel it covers
  // is combined exactly once, so drawing the figure again restores the picture.
  virtual void drawLine(float x1, float y1, float x2, float y2, Long colour) = 0;
  virtual void drawBox(float x1, float y1, float x2, float y2, Long colour, bool filled) = 0;
  virtual void drawPoint(float x, float y, Long colour) = 0;
  virtual void drawClear() = 0;
  virtual void drawText(float x, float y, std::string_view text, Long colour) = 0;

 private:
  DrawMode mode_ = DrawMode::Copy;
  int width_ = 1;
  Long fore_ = 0;         // black
  Long back_ = 0xFFFFFF;  // white
  float curX_ = 0, curY_ = 0;
};

// A surface held in memory: one 32-bit pixel per unit, packed like the map's
// colours (0x00BBGGRR). Coordinates round to the nearest pixel, halves to
// even; whatever falls outside the raster is dropped. Text is not rasterised:
// each printed text is kept in `texts` for whoever shows the raster (the
// desktop map view paints it over the image).
class RasterSurface : public Surface {
 public:
  struct Text {
    Long x, y;
    std::string text;
    Long colour;
    DrawMode mode;
  };

  RasterSurface(int width, int height);

  // Changes the size; the picture is cleared to the background colour.
  void resize(int width, int height);
  int width() const { return w_; }
  int height() const { return h_; }

  // The pixel at (x, y); outside the raster, -1.
  Long pixel(int x, int y) const;
  const std::vector<std::uint32_t>& pixels() const { return px_; }
  // How many pixels hold the colour.
  long countColour(Long colour) const;

  std::vector<Text> texts;

  float scaleWidth() const override { return static_cast<float>(w_); }
  float scaleHeight() const override { return static_cast<float>(h_); }

 protected:
  void drawLine(float x1, float y1, float x2, float y2, Long colour) override;
  void drawBox(float x1, float y1, float x2, float y2, Long colour, bool filled) override;
  void drawPoint(float x, float y, Long colour) override;
  void drawClear() override;
  void drawText(float x, float y, std::string_view text, Long colour) override;

 private:
  // Pixels of the figure being drawn, collected first so that each is
  // combined once even where wide-pen dots overlap.
  void addDot(long cx, long cy);
  void addSpan(long x1, long y1, long x2, long y2);
  void apply(Long colour);

  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> px_;
  std::vector<std::uint32_t> pending_;  // pixel indexes
};

// A surface in other units (unitsPerPixel of them to a pixel) over a raster,
// such as the shape wizard's preview in shape units.
class ScaledSurface : public Surface {
 public:
  ScaledSurface(RasterSurface& target, float unitsPerPixel) : target_(target), f_(unitsPerPixel) {}
  float scaleWidth() const override { return static_cast<float>(target_.width()) * f_; }
  float scaleHeight() const override { return static_cast<float>(target_.height()) * f_; }

 protected:
  void drawLine(float x1, float y1, float x2, float y2, Long colour) override;
  void drawBox(float x1, float y1, float x2, float y2, Long colour, bool filled) override;
  void drawPoint(float x, float y, Long colour) override;
  void drawClear() override;
  void drawText(float x, float y, std::string_view text, Long colour) override;

 private:
  void pen();  // this surface's pen onto the raster
  RasterSurface& target_;
  float f_;
};

}  // namespace kv
