// Video memory as LoadTims fills it: the TIM images of a project checked
// against each other, against the edges of video memory and against the
// regions a project reserves (its frame buffers), before the program runs.
#ifndef ZENTRO_VRAM_H_
#define ZENTRO_VRAM_H_

#include <cstdint>
#include <string>
#include <vector>

// A rectangle of video memory, in halfwords: 1024 across, 512 down.
struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

const int kVramWidth = 1024, kVramHeight = 512;

// The common part of two rectangles; w or h is 0 when they do not meet.
Rect Common(const Rect &a, const Rect &b);

// "x,y wxh" as the messages write a rectangle.
std::string Show(const Rect &r);

// One block of a TIM file: where LoadImage puts it, and its halfwords.
struct TimBlock {
  Rect rect;
  size_t offset = 0;  // of its first halfword in the file
};

// A TIM file's header, read. error is empty for a TIM; else it says what is
// wrong ("is not a TIM: ...", "is broken: ..."), and nothing else is set.
struct Tim {
  std::string error;
  bool has_clut = false;
  TimBlock clut, pixels;
  int mode = 0;  // 0: 4-bit, 1: 8-bit, 2: 15-bit, 3: 24-bit, 4: mixed
};

// Reads the header of a TIM file from its bytes: the ID, the flags, the
// colour table's and the pixels' blocks, each length against the file's
// size and against its rectangle, and a rectangle of width or height 0.
Tim ReadTim(const std::string &bytes);

// An image as LoadTim loads it: its pixels, then its colour table.
struct Image {
  std::string name;   // the data file's name
  std::string bytes;  // the whole file
  Tim tim;
};

// Video memory loaded image by image, in order. Each error is one line of
// text naming the files and the rectangle they share; the overlaps it
// finds are kept for the picture.
struct VramCheck {
  std::vector<std::string> errors;
  std::vector<Rect> overlaps;  // the shared parts written with other halfwords
};

// Loads the images (those that are TIMs) into a model of video memory in
// order: a block that leaves video memory, one that lies in a reserved
// region, and one that overwrites part of an earlier block with other
// halfwords are errors. Halfwords that are the same (a colour table shared
// by several images) are not.
VramCheck CheckVram(const std::vector<Image> &images, const std::vector<Rect> &reserved);

#endif  // ZENTRO_VRAM_H_
