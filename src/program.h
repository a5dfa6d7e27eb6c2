// A linked console program's place in RAM, read from its headers: a 32-bit
// ELF file (any linker's output) or a PS-X EXE (what the console loads,
// such as PSn00bSDK's elf2x writes).
#ifndef ZENTRO_PROGRAM_H_
#define ZENTRO_PROGRAM_H_

#include <cstdint>
#include <string>
#include <vector>

// A part of RAM that the program takes: a loaded segment, its bss included.
struct Segment {
  uint32_t start = 0, size = 0;
};

struct Program {
  std::string kind;   // "ELF" or "PS-X EXE"; empty when the file is neither
  std::string error;  // what is wrong with a file of that kind
  std::vector<Segment> segments;
  uint32_t stack = 0;  // the stack's top, when the file gives it
};

// Reads a program's headers from the start of its file (a PS-X EXE's
// 2048-byte header, or an ELF file's headers: at most the first 64 KiB).
Program ReadProgram(const std::string &head);

#endif  // ZENTRO_PROGRAM_H_
