// Video memory as LoadTims fills it.
#include "vram.h"

#include <algorithm>
#include <cstdio>

Rect Common(const Rect &a, const Rect &b) {
  Rect c;
  c.x = std::max(a.x, b.x);
  c.y = std::max(a.y, b.y);
  c.w = std::max(0, std::min(a.x + a.w, b.x + b.w) - c.x);
  c.h = std::max(0, std::min(a.y + a.h, b.y + b.h) - c.y);
  return c;
}

std::string Show(const Rect &r) {
  char text[64];
  snprintf(text, sizeof text, "%d,%d %dx%d", r.x, r.y, r.w, r.h);
  return text;
}

static uint32_t Le(const std::string &bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; i--)
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

// fmt takes three %llu (or fewer).
static std::string Format(const char *fmt, uint64_t a, uint64_t b = 0, uint64_t c = 0) {
  char text[200];
  snprintf(text, sizeof text, fmt, static_cast<unsigned long long>(a),
           static_cast<unsigned long long>(b), static_cast<unsigned long long>(c));
  return text;
}

// Reads the block at *at (its 12-byte header, then its halfwords) and moves
// *at past it; an error names the block: its pixels, or its colour table.
static std::string ReadBlock(const std::string &bytes, size_t *at, bool pixels, TimBlock *block) {
  const std::string name = pixels ? "its pixels" : "its colour table";
  const std::string is = pixels ? " are" : " is", has = pixels ? " have" : " has";
  if (bytes.size() < *at + 12)
    return name + is +
           Format(" cut off: the block's header needs bytes %llu to %llu, the file has %llu", *at,
                  *at + 11, bytes.size());
  uint64_t length = Le(bytes, *at, 4);
  block->rect.x = static_cast<int>(Le(bytes, *at + 4, 2));
  block->rect.y = static_cast<int>(Le(bytes, *at + 6, 2));
  block->rect.w = static_cast<int>(Le(bytes, *at + 8, 2));
  block->rect.h = static_cast<int>(Le(bytes, *at + 10, 2));
  if (block->rect.w == 0 || block->rect.h == 0)
    return name + has + " a width or height of 0: " + Show(block->rect);
  uint64_t want = 12 + 2 * static_cast<uint64_t>(block->rect.w) * block->rect.h;
  if (length != want)
    return (pixels ? "its pixels'" : "its colour table's") +
           Format(" block length is %llu, where its rectangle needs %llu", length, want);
  if (bytes.size() - *at < length)
    return name + is +
           Format(" cut off: the block needs %llu bytes from byte %llu, the file has %llu", length,
                  *at, bytes.size());
  block->offset = *at + 12;
  *at += length;
  return "";
}

Tim ReadTim(const std::string &bytes) {
  Tim tim;
  if (bytes.size() < 8) {
    tim.error = Format("is too short for a TIM: %llu bytes, a TIM header has 8", bytes.size());
    return tim;
  }
  uint32_t id = Le(bytes, 0, 4), flags = Le(bytes, 4, 4);
  if (id != 0x10) {
    tim.error = Format("is not a TIM: its ID is 0x%08llX, a TIM's is 0x00000010", id);
    return tim;
  }
  if ((flags & ~0xFu) != 0 || (flags & 7) > 4) {
    tim.error = Format("is not a TIM: its flags are 0x%08llX", flags);
    return tim;
  }
  tim.mode = static_cast<int>(flags & 7);
  tim.has_clut = (flags & 8) != 0;
  size_t at = 8;
  if (tim.has_clut) tim.error = ReadBlock(bytes, &at, false, &tim.clut);
  if (tim.error.empty()) tim.error = ReadBlock(bytes, &at, true, &tim.pixels);
  if (!tim.error.empty()) tim.error = "is broken: " + tim.error;
  return tim;
}

namespace {

// A block being loaded, with the name the messages give it.
struct Loaded {
  std::string what;  // "font.tim's pixels"
  Rect rect;
};

}  // namespace

VramCheck CheckVram(const std::vector<Image> &images, const std::vector<Rect> &reserved) {
  VramCheck check;
  std::vector<uint16_t> vram(kVramWidth * kVramHeight);
  std::vector<int> owner(vram.size(), -1);
  std::vector<Loaded> loaded;
  for (const Image &image : images) {
    if (!image.tim.error.empty()) continue;
    const TimBlock *blocks[2] = {&image.tim.pixels, image.tim.has_clut ? &image.tim.clut : nullptr};
    for (const TimBlock *block : blocks) {
      if (!block) continue;
      const Rect &r = block->rect;
      // The block, and its verbs' ending: "pixels overwrite", "colour table overwrites".
      const bool pixels = block == &image.tim.pixels;
      const std::string what = image.name + (pixels ? "'s pixels" : "'s colour table");
      const char *s = pixels ? "" : "s";
      if (r.x + r.w > kVramWidth || r.y + r.h > kVramHeight) {
        check.errors.push_back(what + " (" + Show(r) + ") leave" + s +
                               " video memory, which ends at 1024 across and 512 down");
        continue;
      }
      for (const Rect &region : reserved) {
        Rect c = Common(r, region);
        if (c.w > 0 && c.h > 0)
          check.errors.push_back(what + " (" + Show(r) + ") lie" + s + " in the reserved region " +
                                 Show(region) + ": they share " + Show(c));
      }
      const int me = static_cast<int>(loaded.size());
      loaded.push_back({what, r});
      std::vector<bool> met(loaded.size(), false);
      for (int y = 0; y < r.h; y++) {
        for (int x = 0; x < r.w; x++) {
          size_t at = static_cast<size_t>(r.y + y) * kVramWidth + static_cast<size_t>(r.x + x);
          uint16_t halfword = static_cast<uint16_t>(
              Le(image.bytes, block->offset + 2 * (static_cast<size_t>(y) * r.w + x), 2));
          int earlier = owner[at];
          if (earlier >= 0 && vram[at] != halfword && !met[earlier]) {
            met[earlier] = true;
            Rect c = Common(r, loaded[earlier].rect);
            check.errors.push_back(what + " overwrite" + s + " " + loaded[earlier].what +
                                   " with other halfwords: they share " + Show(c));
            check.overlaps.push_back(c);
          }
          vram[at] = halfword;
          owner[at] = me;
        }
      }
    }
  }
  return check;
}
