// What zentro-map reads: a glue directory (the files zentro wrote and the
// data directory beside them, data/), the program linked with it, and the
// picture it draws of both.
#ifndef ZENTRO_GLUE_MAP_H_
#define ZENTRO_GLUE_MAP_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "program.h"
#include "ram.h"
#include "vram.h"

// At most limit bytes from the start of a file (through C's streams:
// iostreams would bring in imports that Windows XP's C library lacks).
bool ReadFile(const std::string &path, std::string &bytes, size_t limit = SIZE_MAX);

struct Glue {
  bool asm_mode = false;            // data.s and no upload line in caetla.bat
  std::vector<DataFile> files;      // in load order; no addresses in asm mode
  std::vector<std::string> images;  // the files that LoadTims loads, in order
};

// Reads GLUE/caetla.bat, GLUE/data.s and GLUE/loadtims.c, and the sizes of
// the files in GLUE/data. An error names the file it could not read.
bool ReadGlue(const std::string &dir, Glue &glue, std::string &error);

// Everything the picture shows.
struct Map {
  Glue glue;
  Program program;
  std::string program_name;
  uint32_t ram_size = 2u << 20;
  std::vector<Image> images;
  std::vector<Rect> reserved, overlaps;
};

// The picture, an SVG file: RAM from the program's start (else the data's)
// to its end, with the program, each data file and the free room; video
// memory with each image's pixels and colour table labelled with its file's
// name, the reserved regions, and in red each part that an image
// overwrote with other halfwords. Every rectangle is a group of class
// "program", "data", "free", "pixels", "clut", "reserved" or "overlap"
// holding the rectangle and its label.
std::string DrawMap(const Map &map);

#endif  // ZENTRO_GLUE_MAP_H_
