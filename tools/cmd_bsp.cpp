// kv3dmap compile and validate: the BSP compile of a map file into a map
// binary, and the check of a map binary's tree.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

#include "bsp/validate.h"
#include "cli.h"
#include "io/mapfile.h"

namespace kv::cli {
namespace {

// CPU time of this process: the compile's own cost, whatever else the
// machine is doing.
double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int runCompile(std::vector<std::string>& args) {
  bool json = takeFlag(args, "--json");
  rejectUnknownOptions(args);
  if (args.size() != 2) throw UsageError("expected a map file and a map binary");
  auto map = std::make_unique<clsMap>();
  loadOrFail(*map, args[0]);
  const Long wallsIn = map->wallCount;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = processCpuSeconds();
  try {
    map->createBSP();
  } catch (const MapError& e) {
    throw Failure(args[0] + ": " + e.what());
  }
  const double cpuSeconds = processCpuSeconds() - cpuStart;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  saveOrFail(*map, args[1], true);
  if (json)
    std::printf("{\"walls_in\":%d,\"pieces\":%d,\"seconds\":%s,\"cpu_seconds\":%s}\n", wallsIn, map->wallCount,
                jsonNumber(seconds).c_str(), jsonNumber(cpuSeconds).c_str());
  else
    std::printf("%d walls compiled into %d pieces in %.3f seconds\n", wallsIn, map->wallCount, seconds);
  return 0;
}

int runValidate(std::vector<std::string>& args) {
  rejectUnknownOptions(args);
  if (args.size() != 1) throw UsageError("expected one map binary");
  const std::string& file = args[0];
  std::string problem;
  auto bytes = readFileBytes(file, problem);
  if (!bytes) throw Failure(file + ": " + problem);
  auto contents = parseMap(*bytes, problem);
  if (!contents) throw Failure(file + " cannot be read as a map: " + problem + ".");
  TreeCheck c = validateMapBinary(*contents);
  if (!c.ok) throw Failure(file + ": " + c.problem);
  std::printf("OK %d pieces\n", c.pieces);
  return 0;
}

Register regCompile({"compile", "compile [--json] IN.map OUT.mpb",
                     "Compile a map file into its BSP tree and write the map binary.",
                     "      --json   one JSON object: walls_in, pieces, seconds, cpu_seconds\n", runCompile});
Register regValidate({"validate", "validate FILE.mpb",
                      "Check the tree of a map binary: prints \"OK\" and the piece count, or the first violation "
                      "(exit status 1).",
                      "", runValidate});

}  // namespace
}  // namespace kv::cli
