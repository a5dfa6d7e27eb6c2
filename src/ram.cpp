// The console's main RAM as a default-mode upload leaves it.
#include "ram.h"

#include <algorithm>
#include <cstdio>

static const uint32_t kFirst = 0x80090000;  // zentro's default start

static std::string Hex(uint64_t value) {
  char text[32];
  snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Range(uint64_t start, uint64_t size) {
  return Hex(start) + "-" + Hex(start + (size > 0 ? size - 1 : 0));
}

void FindStartLines(std::vector<DataFile> &files) {
  uint64_t next = kFirst;
  std::string line;
  for (DataFile &f : files) {
    if (f.address != next) {
      char text[16];
      snprintf(text, sizeof text, "$%08lX", static_cast<unsigned long>(f.address));
      line = text;
    }
    f.start_line = line;
    next = (static_cast<uint64_t>(f.address) + f.size + 3) & ~3ull & 0xFFFFFFFFull;
  }
}

// The place in physical RAM: KUSEG, KSEG0 and KSEG1 all reach it.
static uint64_t Physical(uint32_t address) {
  return address & 0x1FFFFFFF;
}

static std::string PastEnd(const std::string &what, uint32_t start, uint64_t size,
                           uint32_t ram_size) {
  if (Physical(start) + size <= ram_size) return "";
  return what + " (" + Range(start, size) + ") runs past the end of RAM at " +
         Hex(0x80000000ull + ram_size - 1) + " (" + std::to_string(ram_size >> 20) +
         " MiB; -m 8 for a development console's 8 MiB)";
}

static void Overlaps(const std::vector<DataFile> &files, std::vector<std::string> &errors) {
  std::vector<size_t> order;
  for (size_t i = 0; i < files.size(); i++)
    if (files[i].size > 0) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return Physical(files[a].address) < Physical(files[b].address);
  });
  std::vector<size_t> open;  // files whose end lies past the start of the current one
  for (size_t i : order) {
    uint64_t start = Physical(files[i].address);
    open.erase(std::remove_if(
                   open.begin(), open.end(),
                   [&](size_t j) { return Physical(files[j].address) + files[j].size <= start; }),
               open.end());
    for (size_t j : open) {
      const DataFile &early = files[std::min(i, j)], &late = files[std::max(i, j)];
      std::string why;
      if (!late.start_line.empty())
        why = ": the start address line " + late.start_line + " in memcfg.cfg put data\\" +
              late.name + " there";
      else if (!early.start_line.empty())
        why = ": the start address line " + early.start_line + " in memcfg.cfg put data\\" +
              early.name + " there";
      errors.push_back("data\\" + late.name + " (" + Range(late.address, late.size) +
                       ") overwrites part of data\\" + early.name + " (" +
                       Range(early.address, early.size) + ") in RAM" + why);
    }
    open.push_back(i);
  }
}

std::vector<std::string> CheckRam(const std::vector<DataFile> &files, const Program &program,
                                  const std::string &program_name, uint32_t ram_size) {
  std::vector<std::string> errors;
  Overlaps(files, errors);
  for (const DataFile &f : files) {
    std::string e = PastEnd("data\\" + f.name, f.address, f.size, ram_size);
    if (!e.empty()) errors.push_back(e);
  }
  for (const Segment &s : program.segments) {
    std::string e = PastEnd(program_name, s.start, s.size, ram_size);
    if (!e.empty()) errors.push_back(e);
    const DataFile *met = nullptr;
    uint64_t start = Physical(s.start), end = start + s.size;
    for (const DataFile &f : files) {
      uint64_t fs = Physical(f.address), fe = fs + f.size;
      if (f.size > 0 && fs < end && start < fe && (!met || fs < Physical(met->address))) met = &f;
    }
    if (met)
      errors.push_back("the program overlaps its data in RAM:\n  " + program_name + " takes " +
                       Range(s.start, s.size) + ",\n  where caetla.bat uploads data\\" + met->name +
                       " (" + Range(met->address, met->size) +
                       ").\n  Move the data up with a start address line in memcfg.cfg, or "
                       "make the program smaller.");
  }
  return errors;
}
