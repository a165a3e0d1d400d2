// The engine's header file ("scratch.hdr" for the preview): a small text file
// that names the map binary to load and the engine's settings.
//
//   # comment lines start with '#' or ';'
//   map = scratch.mpb     the map binary, relative to the header's folder
//   fov = 90              horizontal field of view, degrees (10 to 170)
//   fade = 4000           distance in map units at which light is dimmest
//   light = 20            dimmest light, percent of full (0 to 100)
//   radius = 16           how close the viewer comes to a wall, map units
//   step = 10             distance of one FORWARD call, map units
//
// Names are case-insensitive, blanks around names and values are ignored,
// every line is optional and a later line overrides an earlier one. When the
// header does not exist, the map binary with the header's base name in the
// header's folder is loaded with the default settings.
#pragma once
#include <optional>
#include <string>

namespace kv::engine {

struct Settings {
  std::string mapFile;  // path of the map binary
  double fov = 90;
  double fade = 4000;
  double light = 20;
  double radius = 16;
  double step = 10;
};

// The settings a header gives, or nothing with `problem` naming the file and
// the line at fault.
std::optional<Settings> readHeader(const std::string& headerPath, std::string& problem);

// Parses a header's text; `folder` is where a relative map name is found.
std::optional<Settings> parseHeader(const std::string& text, const std::string& folder, std::string& problem);

// A path written the Windows way ("c:\dir\file") that does not exist as
// written is tried with forward slashes, so fixed paths of the preview work
// on this platform. Returns the path to use.
std::string localPath(const std::string& path);

}  // namespace kv::engine
