// Any bytes as a map binary shown by the engine: load it, then draw a few
// frames while the viewer walks, turns and jumps. Whatever the tree holds
// (cycles, wild links, huge coordinates), the engine refuses it or shows it.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/kv3d15.h"
#include "io/mapfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static auto map = std::make_unique<kv::clsMap>();
  static kv::engine::Engine engine;
  std::vector<unsigned char> bytes(data, data + size);
  std::string problem;
  auto contents = kv::parseMap(bytes, problem);
  if (!contents) return 0;
  kv::applyMap(*map, *contents);
  if (!engine.load(*map, 64, 40)) return 0;
  for (int step = 0; step < 4; ++step) {
    engine.forward();
    engine.move(step - 2, 7, 0);
    engine.turn(step * 45 - 60);
    (void)engine.findArea();
    (void)engine.areaName(engine.findArea());
    (void)engine.hitInFront(step * 100);
    engine.draw();
  }
  engine.jump(map->insertX, map->insertY, 64, 270);
  engine.draw();
  engine.flush();
  engine.draw();
  return 0;
}
