// The 3D preview engine: loads a compiled map binary through its header file,
// keeps the viewer, and renders frames into a bitmap of the graphics layer.
//
// The upper-case calls at the end are the engine's interface as the preview
// windows use it; they drive one engine for the whole program. Every call is
// safe at any time: before a map is loaded and after FLUSHTALISSE a frame is
// blank, FINDAREA gives -1 and the viewer calls only move the viewer.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/gdi.h"
#include "engine/header.h"
#include "engine/renderer.h"
#include "engine/world.h"

namespace kv {
class clsMap;
}

namespace kv::engine {

struct Viewer {
  double x = 0, y = 0;
  double eyeHeight = 64;  // above the floor the viewer stands on
  double dir = 0;         // degrees, 0 to below 360; 0 looks along +x, 90 along +y
  Long area = -1;         // the area it stands in, -1 outside every area
  // Where the eye is drawn from: the position, moved off any wall nearer
  // than kEyeClearance to the side of the viewer's area.
  double eyeX = 0, eyeY = 0;
};

class Engine {
 public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // INITTALISSE: reads the header (or, when it does not exist, finds the map
  // binary beside it), loads the map and puts the viewer at the map's start.
  // Frames are width x height from now on (320 x 200 when a size is not
  // positive). Returns the frame bitmap, blank when nothing could be loaded;
  // lastError() then says why.
  Long init(const std::string& headerPath, Long width, Long height);
  // Loads a tree held in memory (a compiled map) with default settings.
  bool load(const clsMap& map, Long width = 320, Long height = 200);

  Long draw();                                         // DRAWKV
  void forward();                                      // FORWARD: one step along the view
  void move(Long sideways, Long forward, Long third);  // MOVEVIEWER (third: ignored)
  void turn(Long step);                                // TURNVIEWER: positive turns left
  void jump(Long x, Long y, Long z, Long dir);         // JUMPVIEWER
  Long findArea() const;                               // FINDAREA
  std::string areaName(Long area) const;               // FINDAREANAME
  void flush();                                        // FLUSHTALISSE
  Long addProto(const std::string& path);              // ADDPROTO: 1 loaded, 0 not
  // HITINFRONT: the record of the nearest wall straight ahead within
  // `distance` (any distance when not positive) that the viewer cannot pass,
  // -1 when there is none.
  Long hitInFront(Long distance) const;

  bool loaded() const { return world_ != nullptr; }
  const std::string& lastError() const { return error_; }
  const World* world() const { return world_.get(); }
  const Viewer& viewer() const { return viewer_; }
  const Settings& settings() const { return settings_; }
  Long frameBitmap();  // the bitmap frames are drawn into (created on first use)
  const FrameBuffer& frame();
  // The prototypes ADDPROTO has taken, by file name.
  const std::vector<std::string>& prototypes() const { return protos_; }
  const Renderer& renderer() const { return renderer_; }

 private:
  bool accept(std::optional<World> w, std::string problem, Long width, Long height);
  View view() const;
  // Moves the viewer by (dx, dy) as far as walls let it: the whole way, or
  // sliding along the wall that stops it, or not at all.
  void walk(double dx, double dy);
  // Whether the viewer can cross the piece coming from side `from`, from
  // the area it stands in.
  bool passable(const Piece& p, Side from) const;
  bool blocked(double fromX, double fromY, double toX, double toY, const Piece** by) const;
  void place(double x, double y);

  std::unique_ptr<World> world_;
  Settings settings_;
  Viewer viewer_;
  Renderer renderer_;
  Long bitmap_ = 0;
  Long width_ = 320, height_ = 200;
  std::string error_;
  std::vector<std::string> protos_;
};

// The one engine the preview windows drive.
Engine& engine();

}  // namespace kv::engine

namespace kv {

// The renderer's calls, in their argument orders. `hdc` is the target
// picture's device context; the fifth argument of INITTALISSE belongs to
// other engines and is ignored.
Long INITTALISSE(Long hdc, const std::string& headerPath, Long width, Long height, Long fifth);
Long DRAWKV(Long hdc);
void FORWARD();
void MOVEVIEWER(Long sideways, Long forward, Long third);
void TURNVIEWER(Long step);
void JUMPVIEWER(Long x, Long y, Long z, Long direction);
Long FINDAREA();
std::string FINDAREANAME(Long area);
void FLUSHTALISSE();
Long ADDPROTO(const std::string& path);
Long HITINFRONT(Long value);

}  // namespace kv
