// The console's main RAM as a default-mode upload leaves it: the data files
// at their addresses, the program at its own; checked for files that
// overwrite each other, data past the end of RAM and a program that meets
// its data.
#ifndef ZENTRO_RAM_H_
#define ZENTRO_RAM_H_

#include <cstdint>
#include <string>
#include <vector>

#include "program.h"

// A data file as caetla.bat uploads it.
struct DataFile {
  std::string name;
  uint32_t address = 0, size = 0;
  std::string start_line;  // "$80100000": the start address line it follows, if any
};

// The start address line that each file follows, found where an address
// does not go on from the file before it (the end rounded up to 4).
void FindStartLines(std::vector<DataFile> &files);

// "0x80090000-0x8009000D": the first and the last byte of a range.
std::string Range(uint64_t start, uint64_t size);

// The errors, one text each (lines joined by "\n"): files in load order
// that overlap, a file or a program segment past the end of RAM (ram_size
// bytes from 0x80000000; addresses in KUSEG and KSEG1 are the same RAM),
// and, for a program given (program_name not empty), a segment that meets
// a data file: the lowest file it meets is named.
std::vector<std::string> CheckRam(const std::vector<DataFile> &files, const Program &program,
                                  const std::string &program_name, uint32_t ram_size);

#endif  // ZENTRO_RAM_H_
