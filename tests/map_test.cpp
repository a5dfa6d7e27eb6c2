// zentro-map's checks of TIM images on TIM files made here: headers read
// or refused, and images loaded into video memory in order, each row with
// the errors it must give, word for word.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vram.h"

namespace {

std::string Le(uint32_t value, int size) {
  std::string bytes;
  for (int i = 0; i < size; i++) bytes += static_cast<char>(value >> (8 * i));
  return bytes;
}

// A block: its header, then every halfword set to fill.
std::string Block(const Rect &r, uint16_t fill) {
  std::string b = Le(12 + 2u * r.w * r.h, 4) + Le(r.x, 2) + Le(r.y, 2) + Le(r.w, 2) + Le(r.h, 2);
  for (int i = 0; i < r.w * r.h; i++) b += Le(fill, 2);
  return b;
}

// A TIM: 16-bit pixels, or 4-bit ones with a colour table when clut.w > 0.
Image MakeTim(const std::string &name, const Rect &pixels, uint16_t fill, const Rect &clut = {},
              uint16_t clut_fill = 0) {
  Image image;
  image.name = name;
  image.bytes = Le(0x10, 4) + Le(clut.w > 0 ? 8 : 2, 4);
  if (clut.w > 0) image.bytes += Block(clut, clut_fill);
  image.bytes += Block(pixels, fill);
  image.tim = ReadTim(image.bytes);
  return image;
}

TEST(VramTest, ImagesLoadedInOrder) {
  const Rect clut = {0, 480, 16, 1};
  struct Row {
    const char *what;
    std::vector<Image> images;
    std::vector<Rect> reserved;
    std::vector<std::string> errors;
  } rows[] = {
      {"touching", {MakeTim("a", {0, 0, 16, 16}, 1), MakeTim("b", {16, 0, 16, 16}, 2)}, {}, {}},
      {"overlapping",
       {MakeTim("a", {0, 0, 16, 16}, 1), MakeTim("b", {8, 8, 16, 16}, 2)},
       {},
       {"b's pixels overwrite a's pixels with other halfwords: they share 8,8 8x8"}},
      {"overlapping with the same halfwords",
       {MakeTim("a", {0, 0, 16, 16}, 1), MakeTim("b", {8, 8, 16, 16}, 1)},
       {},
       {}},
      {"a shared palette",
       {MakeTim("a", {0, 0, 4, 4}, 1, clut, 7), MakeTim("b", {4, 0, 4, 4}, 1, clut, 7)},
       {},
       {}},
      {"a palette with other colours",
       {MakeTim("a", {0, 0, 4, 4}, 1, clut, 7), MakeTim("b", {4, 0, 4, 4}, 1, clut, 8)},
       {},
       {"b's colour table overwrites a's colour table with other halfwords: they share "
        "0,480 16x1"}},
      {"a colour table over pixels",
       {MakeTim("a", {8, 480, 32, 1}, 1), MakeTim("b", {0, 0, 4, 4}, 1, clut, 2)},
       {},
       {"b's colour table overwrites a's pixels with other halfwords: they share 8,480 8x1"}},
      {"only the shared part compared",
       {MakeTim("a", {0, 0, 8, 1}, 1), MakeTim("b", {8, 0, 8, 1}, 2),
        MakeTim("c", {4, 0, 8, 1}, 1)},
       {},
       {"c's pixels overwrite b's pixels with other halfwords: they share 8,0 4x1"}},
      {"the corners of video memory",
       {MakeTim("a", {1008, 496, 16, 16}, 1), MakeTim("b", {0, 0, 1, 1}, 1)},
       {},
       {}},
      {"past the right edge and the bottom",
       {MakeTim("a", {1009, 0, 16, 1}, 1), MakeTim("b", {0, 500, 4, 4}, 1, {0, 511, 16, 2}, 1)},
       {},
       {"a's pixels (1009,0 16x1) leave video memory, which ends at 1024 across and 512 down",
        "b's colour table (0,511 16x2) leaves video memory, which ends at 1024 across and 512 "
        "down"}},
      {"a reserved region",
       {MakeTim("a", {320, 0, 16, 16}, 1), MakeTim("b", {300, 200, 32, 64}, 1)},
       {{0, 0, 320, 240}, {0, 240, 320, 240}},
       {"b's pixels (300,200 32x64) lie in the reserved region 0,0 320x240: they share "
        "300,200 20x40",
        "b's pixels (300,200 32x64) lie in the reserved region 0,240 320x240: they share "
        "300,240 20x24"}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    for (const Image &image : row.images) ASSERT_EQ(image.tim.error, "") << image.name;
    VramCheck check = CheckVram(row.images, row.reserved);
    EXPECT_EQ(check.errors, row.errors);
    EXPECT_EQ(check.overlaps.size(),
              static_cast<size_t>(std::count_if(
                  row.errors.begin(), row.errors.end(),
                  [](const std::string &e) { return e.find("overwrite") != std::string::npos; })));
  }
}

TEST(VramTest, HeadersThatAreNotTims) {
  const std::string good = MakeTim("a", {0, 0, 2, 2}, 1, {0, 480, 16, 1}, 2).bytes;
  std::string id = good, flags = good, clut_length = good, width = good;
  id[0] = 0x11;
  flags[4] = 0x18;
  clut_length[8] = 0;
  width[16] = 0;
  struct Row {
    const char *what;
    std::string bytes;
    std::string error;
  } rows[] = {
      {"a TIM", good, ""},
      {"a TIM with bytes after it", good + "pad", ""},
      {"empty", "", "is too short for a TIM: 0 bytes, a TIM header has 8"},
      {"another ID", id, "is not a TIM: its ID is 0x00000011, a TIM's is 0x00000010"},
      {"unknown flags", flags, "is not a TIM: its flags are 0x00000018"},
      {"the colour table's header cut off", good.substr(0, 15),
       "is broken: its colour table is cut off: the block's header needs bytes 8 to 19, the file "
       "has 15"},
      {"a block length that lies", clut_length,
       "is broken: its colour table's block length is 0, where its rectangle needs 44"},
      {"a width of 0", width, "is broken: its colour table has a width or height of 0: 0,480 0x1"},
      {"the pixels cut off", good.substr(0, good.size() - 1),
       "is broken: its pixels are cut off: the block needs 20 bytes from byte 52, the file has 71"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ReadTim(row.bytes).error, row.error);
  }
}

}  // namespace
