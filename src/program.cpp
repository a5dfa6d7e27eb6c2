// A linked console program's place in RAM.
#include "program.h"

static uint32_t Number(const std::string &bytes, size_t at, int size, bool big) {
  uint32_t value = 0;
  for (int i = 0; i < size; i++) {
    auto byte = static_cast<unsigned char>(bytes[at + static_cast<size_t>(big ? i : size - 1 - i)]);
    value = value << 8 | byte;
  }
  return value;
}

static Program ReadElf(const std::string &head) {
  Program p;
  p.kind = "ELF";
  const bool big = head[5] == 2;
  if (head.size() < 52) {
    p.error = "its ELF header is cut off";
    return p;
  }
  uint32_t phoff = Number(head, 28, 4, big);
  uint32_t phentsize = Number(head, 42, 2, big), phnum = Number(head, 44, 2, big);
  if (phnum > 0 && phentsize < 32) {
    p.error = "its program headers are too small";
    return p;
  }
  for (uint32_t i = 0; i < phnum; i++) {
    uint64_t at = phoff + static_cast<uint64_t>(i) * phentsize;
    if (at + 32 > head.size()) {
      p.error = "its program headers are cut off";
      return p;
    }
    size_t h = static_cast<size_t>(at);
    const uint32_t kLoad = 1;
    Segment s;
    s.start = Number(head, h + 8, 4, big);
    s.size = Number(head, h + 20, 4, big);
    if (Number(head, h, 4, big) == kLoad && s.size > 0) p.segments.push_back(s);
  }
  return p;
}

static Program ReadExe(const std::string &head) {
  Program p;
  p.kind = "PS-X EXE";
  if (head.size() < 0x38) {
    p.error = "its PS-X EXE header is cut off";
    return p;
  }
  Segment text{Number(head, 0x18, 4, false), Number(head, 0x1C, 4, false)};
  Segment bss{Number(head, 0x28, 4, false), Number(head, 0x2C, 4, false)};
  if (text.size > 0) p.segments.push_back(text);
  if (bss.size > 0) p.segments.push_back(bss);
  uint32_t stack = Number(head, 0x30, 4, false);
  if (stack != 0) p.stack = stack + Number(head, 0x34, 4, false);
  return p;
}

Program ReadProgram(const std::string &head) {
  if (head.compare(0, 8, "PS-X EXE") == 0) return ReadExe(head);
  if (head.size() >= 6 &&
      head.compare(0, 4,
                   "\x7f"
                   "ELF") == 0 &&
      head[4] == 1 && (head[5] == 1 || head[5] == 2))
    return ReadElf(head);
  return Program();
}
