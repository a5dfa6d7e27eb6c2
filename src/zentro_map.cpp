// zentro-map: where a project's data and program land in the console's RAM
// and its images in video memory, checked before the program runs.
//
//   zentro-map [-m MIB] [-r X,Y,W,H]... [-o MAP.SVG] GLUE [PROGRAM]
//
// GLUE is a glue directory: the project root, or zentro_glue's directory
// of a target, with caetla.bat, loadtims.c, data.s in asm mode, and the
// data files in data/. PROGRAM is the linked program, a 32-bit ELF file or
// a PS-X EXE. -m gives the RAM's size in MiB (2; 8 on a development
// console), -r a region of video memory that no image may touch (a frame
// buffer), -o the picture to write. A summary goes to standard output, each
// error to standard error. Exit status 0 when nothing is wrong, 1 when
// something is (or a file cannot be read), 2 for a wrong command line.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glue_map.h"

static bool WriteFile(const std::string &path, const std::string &text) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  return fclose(f) == 0 && ok;
}

static int Usage() {
  fprintf(stderr, "usage: zentro-map [-m MIB] [-r X,Y,W,H]... [-o MAP.SVG] GLUE [PROGRAM]\n");
  return 2;
}

static bool ParseRect(const char *text, Rect &r) {
  char end;
  return sscanf(text, "%d,%d,%d,%d%c", &r.x, &r.y, &r.w, &r.h, &end) == 4 && r.x >= 0 && r.y >= 0 &&
         r.w > 0 && r.h > 0;
}

// The program's headers: the first 64 KiB, or the whole file when its
// program headers lie further on.
static bool ReadProgramFile(Map &map, std::string &error) {
  std::string head;
  if (!ReadFile(map.program_name, head, 64 * 1024)) {
    error = "cannot read " + map.program_name + ": " + strerror(errno);
    return false;
  }
  map.program = ReadProgram(head);
  if (!map.program.error.empty() && head.size() == 64 * 1024 &&
      ReadFile(map.program_name, head, 256u << 20))
    map.program = ReadProgram(head);
  return true;
}

static void Summary(const Map &map) {
  printf("zentro-map: RAM, %u MiB from 0x80000000:\n", map.ram_size >> 20);
  uint64_t program_end = 0, data_start = UINT64_MAX, data_end = 0, data_bytes = 0;
  if (!map.program.segments.empty()) {
    uint64_t start = UINT64_MAX, bytes = 0;
    for (const Segment &s : map.program.segments) {
      start = std::min<uint64_t>(start, s.start);
      program_end = std::max<uint64_t>(program_end, uint64_t{s.start} + s.size);
      bytes += s.size;
    }
    printf("  program  %s  %llu bytes  %s\n", Range(start, program_end - start).c_str(),
           static_cast<unsigned long long>(bytes), map.program_name.c_str());
  }
  if (!map.glue.asm_mode && !map.glue.files.empty()) {
    for (const DataFile &f : map.glue.files) {
      data_start = std::min<uint64_t>(data_start, f.address);
      data_end = std::max<uint64_t>(data_end, uint64_t{f.address} + f.size);
      data_bytes += f.size;
    }
    printf("  data     %s  %llu bytes in %zu file%s\n",
           Range(data_start, data_end - data_start).c_str(),
           static_cast<unsigned long long>(data_bytes), map.glue.files.size(),
           map.glue.files.size() == 1 ? "" : "s");
    if (program_end > 0 && program_end <= data_start)
      printf("  free     %llu bytes between the program and the data\n",
             static_cast<unsigned long long>(data_start - program_end));
  }
  uint64_t top = map.program.stack ? map.program.stack : 0x80000000ull + map.ram_size;
  uint64_t used = std::max(program_end, data_end);
  if (used > 0 && used <= top)
    printf("  free     %llu bytes above them, below the stack at 0x%08llX\n",
           static_cast<unsigned long long>(top - used), static_cast<unsigned long long>(top));
  printf("zentro-map: video memory, %zu image%s:\n", map.images.size(),
         map.images.size() == 1 ? "" : "s");
  for (const Image &image : map.images) {
    if (!image.tim.error.empty()) continue;
    printf("  %s  pixels %s", image.name.c_str(), Show(image.tim.pixels.rect).c_str());
    if (image.tim.has_clut) printf("  colour table %s", Show(image.tim.clut.rect).c_str());
    printf("\n");
  }
}

int main(int argc, char **argv) {
  Map map;
  std::string svg_path;
  int i = 1;
  for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; i++) {
    if (i + 1 >= argc) return Usage();
    if (strcmp(argv[i], "-m") == 0) {
      int mib = atoi(argv[++i]);
      if (mib != 2 && mib != 4 && mib != 8) return Usage();
      map.ram_size = static_cast<uint32_t>(mib) << 20;
    } else if (strcmp(argv[i], "-r") == 0) {
      Rect r;
      if (!ParseRect(argv[++i], r)) return Usage();
      map.reserved.push_back(r);
    } else if (strcmp(argv[i], "-o") == 0) {
      svg_path = argv[++i];
    } else {
      return Usage();
    }
  }
  if (argc - i < 1 || argc - i > 2) return Usage();
  const std::string glue_dir = argv[i];
  std::vector<std::string> errors;
  std::string error;
  if (!ReadGlue(glue_dir, map.glue, error)) {
    fprintf(stderr, "zentro-map: %s\n", error.c_str());
    return 1;
  }
  for (const std::string &name : map.glue.images) {
    Image image;
    image.name = name;
    if (!ReadFile(glue_dir + "/data/" + name, image.bytes, 64u << 20)) {
      fprintf(stderr, "zentro-map: cannot read data\\%s\n", name.c_str());
      return 1;
    }
    image.tim = ReadTim(image.bytes);
    if (!image.tim.error.empty())
      errors.push_back("data\\" + name + ", which LoadTims loads, " + image.tim.error);
    map.images.push_back(image);
  }
  VramCheck vram = CheckVram(map.images, map.reserved);
  errors.insert(errors.end(), vram.errors.begin(), vram.errors.end());
  map.overlaps = vram.overlaps;
  if (argc - i == 2) {
    map.program_name = argv[i + 1];
    if (!ReadProgramFile(map, error)) {
      fprintf(stderr, "zentro-map: %s\n", error.c_str());
      return 1;
    }
    if (map.program.kind.empty())
      printf(
          "zentro-map: %s is neither a 32-bit ELF file nor a PS-X EXE: its place in RAM is "
          "not checked\n",
          map.program_name.c_str());
    else if (!map.program.error.empty())
      errors.push_back(map.program_name +
                       " is not a program that can be read: " + map.program.error);
  }
  std::vector<DataFile> uploaded;
  if (!map.glue.asm_mode) uploaded = map.glue.files;
  std::vector<std::string> ram = CheckRam(uploaded, map.program, map.program_name, map.ram_size);
  errors.insert(errors.end(), ram.begin(), ram.end());
  Summary(map);
  fflush(stdout);
  if (!svg_path.empty()) {
    if (!WriteFile(svg_path, DrawMap(map))) errors.push_back("cannot write " + svg_path);
  }
  for (const std::string &e : errors) fprintf(stderr, "zentro-map: %s\n", e.c_str());
  return errors.empty() ? 0 : 1;
}
