// The engine's graphics layer, textures, PNG writer, record database and
// script call.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "engine/gdi.h"
#include "engine/kv3d15.h"
#include "engine/kvbasic.h"
#include "engine/kvdb.h"
#include "engine/png.h"
#include "engine/textures.h"
#include "io/mapfile.h"
#include "testutil.h"

using kv::Long;

TEST(Gdi, SelectCopyAndDelete) {
  size_t before = kv::gdi::liveObjects();
  Long pic = kv::gdi::createPictureDC(8, 6);
  Long mem = kv::CreateCompatibleDC(pic);
  Long a = kv::gdi::createBitmap(4, 4), b = kv::gdi::createBitmap(3, 3);
  for (Long i = 0; i < 16; ++i) kv::gdi::bitmap(a)->pixels[i] = 100 + i;
  EXPECT_EQ(kv::SelectObject(mem, a), 0);
  EXPECT_EQ(kv::SelectObject(mem, b), a);
  EXPECT_EQ(kv::SelectObject(mem, a), b);
  EXPECT_EQ(kv::SelectObject(pic, a), 0);    // only memory contexts select bitmaps
  EXPECT_EQ(kv::SelectObject(mem, 777), 0);  // not a bitmap

  // A copy of 320 x 200 from a 4 x 4 bitmap is clipped to both surfaces,
  // negative origins included.
  EXPECT_EQ(kv::BitBlt(pic, 0, 0, 320, 200, mem, 0, 0, kv::SRCCOPY), 1);
  const kv::FrameBuffer& p = *kv::gdi::surface(pic);
  EXPECT_EQ(p.at(3, 3), 115u);
  EXPECT_EQ(p.at(4, 0), 0u);
  EXPECT_EQ(kv::BitBlt(pic, 6, -1, 5, 5, mem, 0, 0, kv::SRCCOPY), 1);
  EXPECT_EQ(p.at(6, 0), 104u);
  EXPECT_EQ(p.at(7, 2), 113u);
  // From a negative source position only what lies inside the bitmap is copied.
  EXPECT_EQ(kv::BitBlt(pic, 0, 0, 3, 3, mem, -1, -2, kv::SRCCOPY), 1);
  EXPECT_EQ(p.at(1, 2), 100u);
  EXPECT_EQ(p.at(2, 2), 101u);
  EXPECT_EQ(p.at(1, 1), 105u);  // as the first copy left it
  EXPECT_EQ(p.at(0, 2), 108u);
  EXPECT_EQ(kv::BitBlt(pic, 0, 0, 4, 4, mem, 0, 0, 0x00EE0086), 0);  // other raster operations are not made
  EXPECT_EQ(kv::BitBlt(pic, 0, 0, 4, 4, 12345, 0, 0, kv::SRCCOPY), 0);

  // A bitmap deleted while selected leaves the context with nothing to copy.
  EXPECT_TRUE(kv::gdi::deleteBitmap(a));
  EXPECT_EQ(kv::gdi::surface(mem), nullptr);
  EXPECT_EQ(kv::BitBlt(pic, 0, 0, 4, 4, mem, 0, 0, kv::SRCCOPY), 0);
  EXPECT_EQ(kv::DeleteDC(mem), 1);
  EXPECT_EQ(kv::DeleteDC(mem), 0);
  EXPECT_TRUE(kv::gdi::deleteBitmap(b));
  EXPECT_EQ(kv::DeleteDC(pic), 1);
  EXPECT_EQ(kv::gdi::liveObjects(), before);
}

TEST(Gdi, TheRenderWindowsCallSequence) {
  // Init and one frame as the render window makes them, on the one engine.
  kvtest::TempDir dir;
  auto m = kvtest::newMap();
  kvtest::addSquare(*m, 0, 0, 400);
  m->viewerX = 100, m->viewerY = 200;
  m->createBSP();
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("scratch.mpb"), kv::encodeMap(*m, true)).empty());

  Long pic = kv::gdi::createPictureDC(320, 200);
  Long mem = kv::CreateCompatibleDC(pic);
  Long bmp = kv::INITTALISSE(pic, dir.file("scratch.hdr"), 320, 200, 0);
  kv::SelectObject(mem, bmp);
  kv::BitBlt(pic, 0, 0, 320, 200, mem, 0, 0, kv::SRCCOPY);
  EXPECT_EQ(kv::gdi::surface(pic)->pixels, kv::gdi::bitmap(bmp)->pixels);
  EXPECT_EQ(kv::FINDAREA(), 0);

  kv::TURNVIEWER(4);
  bmp = kv::DRAWKV(pic);
  kv::SelectObject(mem, bmp);
  kv::BitBlt(pic, 0, 0, 320, 200, mem, 0, 0, kv::SRCCOPY);
  EXPECT_EQ(kv::gdi::surface(pic)->pixels, kv::gdi::bitmap(bmp)->pixels);
  kv::JUMPVIEWER(300, 300, 64, 0);
  EXPECT_EQ(kv::FINDAREANAME(kv::FINDAREA()), "Area0");
  EXPECT_EQ(kv::HITINFRONT(99), -1);
  EXPECT_GE(kv::HITINFRONT(100), 0);  // the square's east wall at x = 400
  // After FLUSHTALISSE frames are black and the viewer calls only move it.
  kv::FLUSHTALISSE();
  const kv::FrameBuffer& f = *kv::gdi::bitmap(kv::DRAWKV(pic));
  EXPECT_EQ(std::count(f.pixels.begin(), f.pixels.end(), 0u), 320 * 200);
  kv::MOVEVIEWER(0, 10, 0);
  kv::TURNVIEWER(-4);
  kv::FORWARD();
  EXPECT_EQ(kv::FINDAREA(), -1);
  EXPECT_EQ(kv::FINDAREANAME(0), "");
  kv::DeleteDC(mem);
  kv::DeleteDC(pic);
}

// Numbers beyond the sixteen built-in textures show a built-in pattern
// crossed by bands of a colour that tells blocks of sixteen apart.
TEST(Textures, NumbersBeyondTheBuiltInSetAreMarked) {
  using kv::engine::Surface;
  using kv::engine::texture;
  for (auto [n, mark] : std::vector<std::pair<Long, int>>{
           {0, 0}, {15, 0}, {16, 1}, {31, 1}, {32, 2}, {127, 7}, {128, 1}, {-1, 6}, {-16, 6}, {-17, 5}})
    EXPECT_EQ(kv::engine::textureMark(n), mark) << n;
  for (Surface s : {Surface::Wall, Surface::Floor, Surface::Ceiling}) {
    EXPECT_NE(texture(s, 17).texel, texture(s, 1).texel);
    EXPECT_NE(texture(s, 33).texel, texture(s, 17).texel);
    EXPECT_NE(texture(s, -15).texel, texture(s, 1).texel);
    EXPECT_EQ(&texture(s, 17), &texture(s, 17 + 16 * 7));
    // The bands cover a quarter of the texels; the rest is the pattern.
    size_t same = 0;
    for (size_t i = 0; i < texture(s, 1).texel.size(); ++i) same += texture(s, 17).texel[i] == texture(s, 1).texel[i];
    EXPECT_EQ(same, texture(s, 1).texel.size() * 3 / 4);
  }
}

TEST(Png, ChecksumsAndStoredBlocks) {
  const std::string digits = "123456789", wiki = "Wikipedia";
  EXPECT_EQ(kv::png::crc32(reinterpret_cast<const unsigned char*>(digits.data()), digits.size()), 0xCBF43926u);
  EXPECT_EQ(kv::png::adler32(reinterpret_cast<const unsigned char*>(wiki.data()), wiki.size()), 0x11E60398u);

  // Large enough for more than one stored block (65535 bytes each).
  kv::FrameBuffer f(200, 120);
  for (size_t i = 0; i < f.pixels.size(); ++i) f.pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
  auto png = kv::png::encode(f);
  // The signature and the header chunk, assembled by hand: length 13, 200 x 120,
  // 8 bits, RGB, deflate, no filter, no interlace, and the chunk's CRC.
  const std::vector<unsigned char> head{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0,    0,    0,
                                        13,   'I', 'H', 'D', 'R',  0,    0,    0,    200,  0,    0,
                                        0,    120, 8,   2,   0,    0,    0,    0x38, 0xF0, 0x2A, 0xBC};
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(std::vector<unsigned char>(png.begin(), png.begin() + 33), head);
  auto be = [&](size_t at) {
    return Long(png[at]) << 24 | Long(png[at + 1]) << 16 | Long(png[at + 2]) << 8 | png[at + 3];
  };

  // Undo the stored blocks of IDAT and compare the scan lines.
  size_t at = 33;
  ASSERT_EQ(std::string(png.begin() + at + 4, png.begin() + at + 8), "IDAT");
  size_t len = static_cast<size_t>(be(at)), body = at + 8;
  EXPECT_EQ(be(body + len), static_cast<Long>(kv::png::crc32(png.data() + at + 4, len + 4)));
  std::vector<unsigned char> raw;
  size_t z = body + 2;
  for (bool last = false; !last;) {
    last = png[z] & 1;
    size_t n = png[z + 1] | png[z + 2] << 8;
    EXPECT_EQ(n ^ 0xFFFF, size_t(png[z + 3] | png[z + 4] << 8));
    raw.insert(raw.end(), png.begin() + z + 5, png.begin() + z + 5 + n);
    z += 5 + n;
  }
  ASSERT_EQ(raw.size(), 120u * (1 + 600));
  EXPECT_EQ(static_cast<std::uint32_t>(be(z)), kv::png::adler32(raw.data(), raw.size()));
  std::uint32_t p = f.at(7, 5);
  size_t o = size_t{5} * 601 + 1 + size_t{7} * 3;
  EXPECT_EQ(raw[size_t{5} * 601], 0);
  EXPECT_EQ((std::uint32_t(raw[o]) << 16 | raw[o + 1] << 8 | raw[o + 2]), p);
  EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");

  kvtest::TempDir dir;
  EXPECT_EQ(kv::png::write(f, dir.file("f.png")), "");
  EXPECT_NE(kv::png::write(f, dir.file("no/such/dir/f.png")), "");
  EXPECT_NE(kv::png::write(kv::FrameBuffer(), dir.file("e.png")), "");
}

TEST(RecordDatabase, RecordsCursorAndFile) {
  kvtest::TempDir dir;
  kv::db::RecordDatabase d;
  std::string file = dir.file("fish.kdb");
  EXPECT_EQ(d.create(file, "name, depth,name"), 0);
  EXPECT_EQ(d.create(file, ""), 0);
  ASSERT_EQ(d.create(file, "Name,Depth"), 1);
  EXPECT_EQ(d.bof(), 1);
  EXPECT_EQ(d.eof(), 1);
  EXPECT_EQ(d.curRecNum(), 0);
  EXPECT_EQ(d.setVal("name", "x"), 0);  // no record begun

  for (auto [n, v] : {std::pair{"angel", "12"}, {"cod\twith tab", "300"}, {"eel\\n", "12"}}) {
    ASSERT_EQ(d.addRecord(), 1);
    EXPECT_EQ(d.setVal("NAME", n), 1);
    EXPECT_EQ(d.setValIndex(2, v), 1);
    EXPECT_EQ(d.setValIndex(3, v), 0);
    ASSERT_EQ(d.updateRecord(), 1);
  }
  EXPECT_EQ(d.curRecNum(), 3);
  EXPECT_EQ(d.updateRecord(), 0);  // nothing pending

  // Everything is in the file: open it again.
  ASSERT_EQ(d.close(), 1);
  ASSERT_EQ(d.open(file), 1);
  EXPECT_EQ(d.recordCount(), 3);
  EXPECT_EQ(d.curRecNum(), 1);
  EXPECT_EQ(d.bof(), 0);
  EXPECT_EQ(d.getVal("name"), "angel");
  EXPECT_EQ(d.movePrevious(), 1);
  EXPECT_EQ(d.bof(), 1);
  EXPECT_EQ(d.movePrevious(), 0);
  EXPECT_EQ(d.findFirst("depth", "12"), 1);
  EXPECT_EQ(d.findNext("depth", "12"), 3);
  EXPECT_EQ(d.getValIndex(1), "eel\\n");
  EXPECT_EQ(d.findNext("depth", "12"), 0);
  EXPECT_EQ(d.curRecNum(), 3);
  EXPECT_EQ(d.findFirst("colour", "red"), 0);
  EXPECT_EQ(d.moveNext(), 1);
  EXPECT_EQ(d.eof(), 1);
  EXPECT_EQ(d.moveNext(), 0);

  ASSERT_EQ(d.gotoRecord(2), 1);
  EXPECT_EQ(d.getVal("name"), "cod\twith tab");
  ASSERT_EQ(d.editRecord(), 1);
  d.setVal("depth", "310");
  EXPECT_EQ(d.readRecord(), 1);  // drops the change
  EXPECT_EQ(d.getVal("depth"), "300");
  d.editRecord();
  d.setVal("depth", "320");
  d.updateRecord();
  EXPECT_EQ(d.deleteRecord(), 1);  // record 2 again, now gone
  EXPECT_EQ(d.getVal("name"), "eel\\n");
  EXPECT_EQ(d.gotoRecord(3), 0);

  kv::db::RecordDatabase again;
  ASSERT_EQ(again.open(file), 1);
  EXPECT_EQ(again.recordCount(), 2);
  EXPECT_EQ(again.findFirst("depth", "320"), 0);
  EXPECT_EQ(again.getValIndex(1), "angel");

  // Damaged files are refused with a reason, the open database kept.
  std::ofstream(dir.file("bad.kdb")) << "KVDB 1\na\tb\nonly one\n";
  EXPECT_EQ(again.open(dir.file("bad.kdb")), 0);
  EXPECT_NE(again.lastError().find("line 3"), std::string::npos);
  EXPECT_EQ(again.open(dir.file("missing.kdb")), 0);
  EXPECT_EQ(again.recordCount(), 2);

  // The calls on the engine's one database, and the script call.
  ASSERT_EQ(kv::KVOPENDATABASE(file), 1);
  EXPECT_EQ(kv::KVGETVAL("Name"), "angel");
  EXPECT_EQ(kv::KVMOVENEXT(), 1);
  EXPECT_EQ(kv::KVCURRECNUM(), 2);
  EXPECT_EQ(kv::CLOSEDB(), 1);
  EXPECT_EQ(kv::KVEOF(), 1);
  EXPECT_EQ(kv::BASICEXECUTE(1, "Hello"), "Hello");
  EXPECT_EQ(kv::BASICEXECUTE(2, "Hello"), "");
}
