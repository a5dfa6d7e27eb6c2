// End-to-end: where each data file goes, the rounding of file ends, the
// used-memory figure, and which entries count as TIM images.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "e2e.h"
#include "e2e_texts.h"

namespace {

using namespace zt;

std::string Hex(unsigned value) {
  char s[16];
  snprintf(s, sizeof s, "%X", value);
  return s;
}

TEST(LayoutTest, SizesOneTwoThreeBothModes) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("one.bin", 1);
    p.WriteData("two.bin", 2);
    p.WriteData("three.bin", 3);
    p.Config("one.bin\ntwo.bin\nthree.bin\n");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    Expected e;
    e.asm_mode = asm_mode;
    if (asm_mode) {
      e.console =
          "Address not aligned with 4 byte boundary, Address+=3\n"
          "Address not aligned with 4 byte boundary, Address+=2\n"
          "Address not aligned with 4 byte boundary, Address+=1\n";
      e.addrs =
          "extern char ONE_BIN[];\n#define ONE_BIN_SIZE 0x1\n"
          "extern char TWO_BIN[];\n#define TWO_BIN_SIZE 0x2\n"
          "extern char THREE_BIN[];\n#define THREE_BIN_SIZE 0x3\n";
    } else {
      e.console =
          "catflap up data\\one.bin 80090000\n"
          "Address not aligned with 4 byte boundary, Address+=3\n"
          "catflap up data\\two.bin 80090004\n"
          "Address not aligned with 4 byte boundary, Address+=2\n"
          "catflap up data\\three.bin 80090008\n"
          "Address not aligned with 4 byte boundary, Address+=1\n";
      e.addrs =
          "#define ONE_BIN 0x80090000\n#define ONE_BIN_SIZE 0x1\n"
          "#define TWO_BIN 0x80090004\n#define TWO_BIN_SIZE 0x2\n"
          "#define THREE_BIN 0x80090008\n#define THREE_BIN_SIZE 0x3\n";
    }
    e.uploads =
        "catflap up data\\one.bin 80090000\n"
        "catflap up data\\two.bin 80090004\n"
        "catflap up data\\three.bin 80090008\n";
    e.used = "0x1000C // 64 Kbytes";
    e.incbins = Incbin("ONE_BIN", "one.bin") + Incbin("TWO_BIN", "two.bin") +
                Incbin("THREE_BIN", "three.bin");
    ExpectRun(p, r, e);
  }
}

// A start address is taken as given, aligned or not; only file ends are
// rounded up.
TEST(LayoutTest, UnalignedStartAddress) {
  Project p;
  p.WriteData("d.bin", 4);
  p.WriteData("e.bin", 4);
  p.Config("$80010002\nd.bin\ne.bin\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "New START Offset 0x80010002\n"
      "catflap up data\\d.bin 80010002\n"
      "Address not aligned with 4 byte boundary, Address+=2\n"
      "catflap up data\\e.bin 80010008\n";
  e.uploads = "catflap up data\\d.bin 80010002\ncatflap up data\\e.bin 80010008\n";
  e.addrs =
      "#define D_BIN 0x80010002\n#define D_BIN_SIZE 0x4\n"
      "#define E_BIN 0x80010008\n#define E_BIN_SIZE 0x4\n";
  // Below 0x80080000 the used-memory figure wraps around.
  e.used = "0xFFF9000C // 4193856 Kbytes";
  ExpectRun(p, r, e);
}

// The second entry gets exactly the given address, wherever the first one
// ended, and a later start address may lie below an earlier one.
TEST(LayoutTest, StartAddressBetweenEntries) {
  Project p;
  p.WriteData("a.bin", 5);
  p.WriteData("b.tim", 0x20);
  p.WriteData("c.bin", 8);
  p.Config("a.bin\n$80100000\nb.tim\n$800A0000\nc.bin\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\a.bin 80090000\n"
      "Address not aligned with 4 byte boundary, Address+=3\n"
      "New START Offset 0x80100000\n"
      "catflap up data\\b.tim 80100000\n"
      "TIM image found, B_TIM adding to ..\\loadtims.c\n"
      "New START Offset 0x800A0000\n"
      "catflap up data\\c.bin 800A0000\n";
  e.uploads =
      "catflap up data\\a.bin 80090000\n"
      "catflap up data\\b.tim 80100000\n"
      "catflap up data\\c.bin 800A0000\n";
  e.addrs =
      "#define A_BIN 0x80090000\n#define A_BIN_SIZE 0x5\n"
      "#define B_TIM 0x80100000\n#define B_TIM_SIZE 0x20\n"
      "#define C_BIN 0x800A0000\n#define C_BIN_SIZE 0x8\n";
  e.used = "0x20008 // 128 Kbytes";
  e.calls = " LoadTim(B_TIM);\n";
  ExpectRun(p, r, e);
}

// An empty file leaves an aligned address where it is; after an unaligned
// start address it still rounds up, with the warning.
TEST(LayoutTest, EmptyFiles) {
  Project p;
  p.WriteData("z1.bin", 0);
  p.WriteData("z2.bin", 0);
  p.WriteData("a.bin", 4);
  p.WriteData("z3.bin", 0);
  p.WriteData("b.bin", 4);
  p.Config("z1.bin\nz2.bin\na.bin\n$80010001\nz3.bin\nb.bin\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\z1.bin 80090000\n"
      "catflap up data\\z2.bin 80090000\n"
      "catflap up data\\a.bin 80090000\n"
      "New START Offset 0x80010001\n"
      "catflap up data\\z3.bin 80010001\n"
      "Address not aligned with 4 byte boundary, Address+=3\n"
      "catflap up data\\b.bin 80010004\n";
  e.uploads =
      "catflap up data\\z1.bin 80090000\n"
      "catflap up data\\z2.bin 80090000\n"
      "catflap up data\\a.bin 80090000\n"
      "catflap up data\\z3.bin 80010001\n"
      "catflap up data\\b.bin 80010004\n";
  e.addrs =
      "#define Z1_BIN 0x80090000\n#define Z1_BIN_SIZE 0x0\n"
      "#define Z2_BIN 0x80090000\n#define Z2_BIN_SIZE 0x0\n"
      "#define A_BIN 0x80090000\n#define A_BIN_SIZE 0x4\n"
      "#define Z3_BIN 0x80010001\n#define Z3_BIN_SIZE 0x0\n"
      "#define B_BIN 0x80010004\n#define B_BIN_SIZE 0x4\n";
  e.used = "0xFFF90008 // 4193856 Kbytes";
  ExpectRun(p, r, e);
}

TEST(LayoutTest, StartBelowUsedMemoryBase) {
  Project p;
  p.Config("$80070000\n");
  Result r = RunZentro(p);
  Expected e;
  e.console = "New START Offset 0x80070000\n";
  e.used = "0xFFFF0000 // 4194240 Kbytes";
  ExpectRun(p, r, e);
}

// The address is 32 bits wide: moving past the top wraps around to 0.
TEST(LayoutTest, AddressWrapsAround) {
  Project p;
  p.WriteData("a.bin", 8);
  p.WriteData("b.bin", 3);
  p.Config("$FFFFFFFC\na.bin\nb.bin\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "New START Offset 0xFFFFFFFC\n"
      "catflap up data\\a.bin FFFFFFFC\n"
      "catflap up data\\b.bin 4\n"
      "Address not aligned with 4 byte boundary, Address+=1\n";
  e.uploads = "catflap up data\\a.bin FFFFFFFC\ncatflap up data\\b.bin 4\n";
  e.addrs =
      "#define A_BIN 0xFFFFFFFC\n#define A_BIN_SIZE 0x8\n"
      "#define B_BIN 0x4\n#define B_BIN_SIZE 0x3\n";
  e.used = "0x7FF80008 // 2096640 Kbytes";
  ExpectRun(p, r, e);
}

// A data file's size is 32 bits wide too: one of 4 GiB and 6 bytes counts as
// 6 bytes, and the next file follows it as after any file of 6. The file is
// sparse: it takes no room on the disk.
TEST(LayoutTest, SizeOver4GiBWrapsAround) {
  Project p;
  p.WriteData("b.bin", 4);
  p.Config("big.bin\nb.bin\n");
  int fd = open(p.Path("data/big.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  ASSERT_GE(fd, 0) << strerror(errno);
  bool made = ftruncate(fd, (off_t{1} << 32) + 6) == 0;
  int error = errno;
  close(fd);
  if (!made) GTEST_SKIP() << "no file of 4 GiB in /tmp: " << strerror(error);
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\big.bin 80090000\n"
      "Address not aligned with 4 byte boundary, Address+=2\n"
      "catflap up data\\b.bin 80090008\n";
  e.uploads = "catflap up data\\big.bin 80090000\ncatflap up data\\b.bin 80090008\n";
  e.addrs =
      "#define BIG_BIN 0x80090000\n#define BIG_BIN_SIZE 0x6\n"
      "#define B_BIN 0x80090008\n#define B_BIN_SIZE 0x4\n";
  e.used = "0x1000C // 64 Kbytes";
  ExpectRun(p, r, e);
}

// A missing data file between two present ones: its message and a key wait,
// no line in any file, and the next file gets the unchanged address.
TEST(LayoutTest, MissingFileBetweenTwo) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("a.tim", 0x10);
    p.WriteData("b.tim", 0x10);
    p.Config("a.tim\nmissing.tim\nb.tim\n");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    Expected e;
    e.asm_mode = asm_mode;
    if (asm_mode) {
      e.console =
          "TIM image found, A_TIM adding to ..\\loadtims.c\n"
          "Error reading missing.tim does the file exist?\n"
          "TIM image found, B_TIM adding to ..\\loadtims.c\n";
      e.addrs =
          "extern char A_TIM[];\n#define A_TIM_SIZE 0x10\n"
          "extern char B_TIM[];\n#define B_TIM_SIZE 0x10\n";
    } else {
      e.console =
          "catflap up data\\a.tim 80090000\n"
          "TIM image found, A_TIM adding to ..\\loadtims.c\n"
          "Error reading missing.tim does the file exist?\n"
          "catflap up data\\b.tim 80090010\n"
          "TIM image found, B_TIM adding to ..\\loadtims.c\n";
      e.addrs =
          "#define A_TIM 0x80090000\n#define A_TIM_SIZE 0x10\n"
          "#define B_TIM 0x80090010\n#define B_TIM_SIZE 0x10\n";
    }
    e.uploads = "catflap up data\\a.tim 80090000\ncatflap up data\\b.tim 80090010\n";
    e.used = "0x10020 // 64 Kbytes";
    e.calls = " LoadTim(A_TIM);\n LoadTim(B_TIM);\n";
    e.incbins = Incbin("A_TIM", "a.tim") + Incbin("B_TIM", "b.tim");
    ExpectRun(p, r, e);
  }
}

// A missing file after an unaligned start address leaves the address as it
// is: no rounding, no warning.
TEST(LayoutTest, MissingFileDoesNotAlign) {
  Project p;
  p.WriteData("b.bin", 3);
  p.Config("$80100001\nmissing.bin\nb.bin\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "New START Offset 0x80100001\n"
      "Error reading missing.bin does the file exist?\n"
      "catflap up data\\b.bin 80100001\n";
  e.uploads = "catflap up data\\b.bin 80100001\n";
  e.addrs = "#define B_BIN 0x80100001\n#define B_BIN_SIZE 0x3\n";
  e.used = "0x80004 // 512 Kbytes";
  ExpectRun(p, r, e);
}

// An image is an entry whose symbol ends in TIM: any case, with or without a
// dot; short names are never images.
TEST(ImageRuleTest, SymbolEndsInTim) {
  struct Entry {
    const char *name;
    const char *symbol;
    bool image;
  };
  const Entry entries[] = {
      {"font.tim", "FONT_TIM", true},
      {"BIG.TIM", "BIG_TIM", true},
      {"fonttim", "FONTTIM", true},
      {"MIXED.Tim", "MIXED_TIM", true},
      {"x.tIM", "X_TIM", true},
      {"font.tim2", "FONT_TIM2", false},
      {"tim.bin", "TIM_BIN", false},
      {"ti", "TI", false},
      {"t", "T", false},
      {"tim", "TIM", true},
      {".tim", "_TIM", true},
      {"timt", "TIMT", false},
      {"a.ti", "A_TI", false},
  };
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    std::string config;
    Expected e;
    e.asm_mode = asm_mode;
    unsigned address = 0x80090000;
    for (const Entry &en : entries) {
      p.WriteData(en.name, 4);
      config += std::string(en.name) + "\n";
      std::string upload = "catflap up data\\" + std::string(en.name) + " " + Hex(address) + "\n";
      e.uploads += upload;
      if (!asm_mode) e.console += upload;
      if (asm_mode)
        e.addrs += "extern char " + std::string(en.symbol) + "[];\n";
      else
        e.addrs += "#define " + std::string(en.symbol) + " 0x" + Hex(address) + "\n";
      e.addrs += "#define " + std::string(en.symbol) + "_SIZE 0x4\n";
      e.incbins += Incbin(en.symbol, en.name);
      if (en.image) {
        e.calls += " LoadTim(" + std::string(en.symbol) + ");\n";
        e.console += "TIM image found, " + std::string(en.symbol) + " adding to ..\\loadtims.c\n";
      }
      address += 4;
    }
    p.Config(config);
    e.used = "0x" + Hex(address - 0x80080000u) + " // 64 Kbytes";
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    ExpectRun(p, r, e);
  }
}

// Output far larger than one 512-byte buffer arrives complete and in order,
// in every file and on the console.
TEST(LayoutTest, ManyEntries) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    std::string config;
    Expected e;
    e.asm_mode = asm_mode;
    unsigned address = 0x80090000;
    for (int i = 0; i < 300; i++) {
      bool image = i % 3 == 0;
      std::string name = "f" + std::to_string(1000 + i) + (image ? ".tim" : ".bin");
      std::string symbol = "F" + std::to_string(1000 + i) + (image ? "_TIM" : "_BIN");
      unsigned size = 4u + static_cast<unsigned>(i % 5);
      p.WriteData(name, size);
      config += "# entry " + std::to_string(i) + "\n" + name + " remark\n";
      std::string upload = "catflap up data\\" + name + " " + Hex(address) + "\n";
      e.uploads += upload;
      if (!asm_mode) e.console += upload;
      if (asm_mode)
        e.addrs += "extern char " + symbol + "[];\n";
      else
        e.addrs += "#define " + symbol + " 0x" + Hex(address) + "\n";
      e.addrs += "#define " + symbol + "_SIZE 0x" + Hex(size) + "\n";
      e.incbins += Incbin(symbol, name);
      if (image) {
        e.calls += " LoadTim(" + symbol + ");\n";
        e.console += "TIM image found, " + symbol + " adding to ..\\loadtims.c\n";
      }
      address += size;
      if (address % 4 != 0) {
        e.console += "Address not aligned with 4 byte boundary, Address+=" +
                     std::to_string(4 - address % 4) + "\n";
        address += 4 - address % 4;
      }
    }
    p.Config(config);
    unsigned used = address - 0x80080000u;
    e.used = "0x" + Hex(used) + " // " + std::to_string(used >> 10) + " Kbytes";
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    ExpectRun(p, r, e);
  }
}

// A name listed twice is two entries with the same symbol.
TEST(LayoutTest, NameListedTwice) {
  Project p;
  p.WriteData("a.tim", 8);
  p.Config("a.tim\na.tim\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\a.tim 80090000\n"
      "TIM image found, A_TIM adding to ..\\loadtims.c\n"
      "catflap up data\\a.tim 80090008\n"
      "TIM image found, A_TIM adding to ..\\loadtims.c\n";
  e.uploads = "catflap up data\\a.tim 80090000\ncatflap up data\\a.tim 80090008\n";
  e.addrs =
      "#define A_TIM 0x80090000\n#define A_TIM_SIZE 0x8\n"
      "#define A_TIM 0x80090008\n#define A_TIM_SIZE 0x8\n";
  e.used = "0x10010 // 64 Kbytes";
  e.calls = " LoadTim(A_TIM);\n LoadTim(A_TIM);\n";
  ExpectRun(p, r, e);
}

}  // namespace
