// Little-endian encoding of the map container's fields, independent of the host.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/records.h"

namespace kv {

class ByteWriter {
 public:
  std::vector<unsigned char> buf;

  size_t size() const { return buf.size(); }
  void putU32(std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    buf.insert(buf.end(), b, b + 4);
  }
  void putLong(Long v) { putU32(static_cast<std::uint32_t>(v)); }
  void putInteger(Integer v) {
    auto u = static_cast<std::uint16_t>(v);
    buf.push_back(static_cast<unsigned char>(u));
    buf.push_back(static_cast<unsigned char>(u >> 8));
  }
  void putDouble(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    putU32(static_cast<std::uint32_t>(u));
    putU32(static_cast<std::uint32_t>(u >> 32));
  }
  void putName(const Name16& n) { buf.insert(buf.end(), n.c.begin(), n.c.end()); }
  void putText(const char* s, size_t n) { buf.insert(buf.end(), s, s + n); }
  void putZeros(size_t n) { buf.insert(buf.end(), n, 0); }
  void patchLong(size_t at, Long v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) buf[at + i] = static_cast<unsigned char>(u >> (8 * i));
  }
};

// Reads fields from a byte range; the caller checks the range first, and a
// read past the end throws so that no damaged file is read out of bounds.
class ByteReader {
 public:
  struct Overrun {};
  ByteReader(const unsigned char* data, size_t size) : d_(data), n_(size) {}

  size_t pos() const { return p_; }
  size_t size() const { return n_; }
  void seek(size_t p) {
    if (p > n_) throw Overrun{};
    p_ = p;
  }
  bool fits(size_t bytes) const { return p_ <= n_ && bytes <= n_ - p_; }
  std::uint32_t getU32() {
    need(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(d_[p_ + i]) << (8 * i);
    p_ += 4;
    return v;
  }
  Long getLong() { return static_cast<Long>(getU32()); }
  Integer getInteger() {
    need(2);
    auto v = static_cast<std::uint16_t>(d_[p_] | (d_[p_ + 1] << 8));
    p_ += 2;
    return static_cast<Integer>(v);
  }
  double getDouble() {
    need(8);
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<std::uint64_t>(d_[p_ + i]) << (8 * i);
    p_ += 8;
    double d;
    std::memcpy(&d, &u, 8);
    return d;
  }
  Name16 getName() {
    need(16);
    Name16 n;
    std::memcpy(n.c.data(), d_ + p_, 16);
    p_ += 16;
    return n;
  }
  void skip(size_t n) {
    need(n);
    p_ += n;
  }

 private:
  void need(size_t k) const {
    if (!fits(k)) throw Overrun{};
  }
  const unsigned char* d_;
  size_t n_;
  size_t p_ = 0;
};

}  // namespace kv
