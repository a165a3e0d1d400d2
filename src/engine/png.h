// A small PNG writer for frames: 8-bit RGB, no filtering, deflate in stored
// blocks. Larger than a compressed file, but correct and without libraries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/gdi.h"

namespace kv::png {

std::uint32_t crc32(const unsigned char* data, size_t n, std::uint32_t crc = 0);
std::uint32_t adler32(const unsigned char* data, size_t n);

std::vector<unsigned char> encode(const FrameBuffer& frame);

// Writes the frame as a PNG file; empty text on success, else the reason.
std::string write(const FrameBuffer& frame, const std::string& path);

}  // namespace kv::png
