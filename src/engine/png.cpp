#include "engine/png.h"

#include <algorithm>
#include <array>

#include "io/mapfile.h"

namespace kv::png {
namespace {

const std::array<std::uint32_t, 256>& crcTable() {
  static const std::array<std::uint32_t, 256> t = [] {
    std::array<std::uint32_t, 256> a{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      a[n] = c;
    }
    return a;
  }();
  return t;
}

void putBE(std::vector<unsigned char>& o, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) o.push_back(static_cast<unsigned char>(v >> s));
}

void chunk(std::vector<unsigned char>& o, const char* type, const std::vector<unsigned char>& body) {
  putBE(o, static_cast<std::uint32_t>(body.size()));
  size_t start = o.size();
  o.insert(o.end(), type, type + 4);
  o.insert(o.end(), body.begin(), body.end());
  putBE(o, crc32(o.data() + start, o.size() - start));
}

}  // namespace

std::uint32_t crc32(const unsigned char* data, size_t n, std::uint32_t crc) {
  const auto& t = crcTable();
  std::uint32_t c = crc ^ 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) c = t[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(const unsigned char* data, size_t n) {
  std::uint32_t a = 1, b = 0;
  for (size_t i = 0; i < n; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<unsigned char> encode(const FrameBuffer& f) {
  // The raw scan lines: filter byte 0, then R, G, B per pixel.
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(f.height) * (1 + 3 * static_cast<size_t>(f.width)));
  for (Long y = 0; y < f.height; ++y) {
    raw.push_back(0);
    for (Long x = 0; x < f.width; ++x) {
      std::uint32_t p = f.at(x, y);
      raw.push_back(static_cast<unsigned char>(p >> 16));
      raw.push_back(static_cast<unsigned char>(p >> 8));
      raw.push_back(static_cast<unsigned char>(p));
    }
  }

  // zlib stream of stored deflate blocks of at most 65535 bytes each.
  std::vector<unsigned char> z{0x78, 0x01};
  size_t pos = 0;
  do {
    size_t len = std::min<size_t>(65535, raw.size() - pos);
    bool last = pos + len == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<unsigned char>(len));
    z.push_back(static_cast<unsigned char>(len >> 8));
    z.push_back(static_cast<unsigned char>(~len));
    z.push_back(static_cast<unsigned char>(~len >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
             raw.begin() + static_cast<std::ptrdiff_t>(pos + len));
    pos += len;
  } while (pos < raw.size());
  putBE(z, adler32(raw.data(), raw.size()));

  std::vector<unsigned char> o{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> ihdr;
  putBE(ihdr, static_cast<std::uint32_t>(f.width));
  putBE(ihdr, static_cast<std::uint32_t>(f.height));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  chunk(o, "IHDR", ihdr);
  chunk(o, "IDAT", z);
  chunk(o, "IEND", {});
  return o;
}

std::string write(const FrameBuffer& frame, const std::string& path) {
  if (frame.width <= 0 || frame.height <= 0) return "the picture is empty";
  return writeFileAtomically(path, encode(frame));
}

}  // namespace kv::png
