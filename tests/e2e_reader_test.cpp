// End-to-end: how memcfg.cfg is read. Line kinds, long lines, line ends,
// Ctrl-Z, start-address forms, remarks and the symbols derived from names.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "e2e.h"
#include "e2e_texts.h"

namespace {

using namespace zt;

std::string Missing(const std::string &name) {
  return "Error reading " + name + " does the file exist?\n";
}

// Lines that name no data file: only their messages show.
Expected Messages(const std::string &console) {
  Expected e;
  e.console = console;
  e.used = "0x10000 // 64 Kbytes";
  return e;
}

// One present data file of 4 bytes at the default start, default mode.
Expected OneEntry(const std::string &name, const std::string &symbol,
                  const std::string &before = "", const std::string &after = "") {
  Expected e;
  std::string upload = "catflap up data\\" + name + " 80090000\n";
  bool image = symbol.size() >= 3 && symbol.compare(symbol.size() - 3, 3, "TIM") == 0;
  std::string found = image ? "TIM image found, " + symbol + " adding to ..\\loadtims.c\n" : "";
  e.console = before + upload + found + after;
  e.uploads = upload;
  e.addrs = "#define " + symbol + " 0x80090000\n#define " + symbol + "_SIZE 0x4\n";
  e.used = "0x10004 // 64 Kbytes";
  if (image) e.calls = " LoadTim(" + symbol + ");\n";
  return e;
}

// The first character decides: line feed blank, space or # comment, $ start
// address, anything else (tab, letter, digit, dot, NUL...) an entry.
TEST(ReaderTest, FirstCharacterDecidesTheKind) {
  Project p;
  p.Config(std::string("\n") +
           " font.tim is a comment\n"
           "  \n"
           "#font.tim\n"
           "# $80100000\n"
           "\r\n"
           "$80100000\n"
           "\tfont.tim\n"
           "9lives.bin\n"
           ".hidden\n"
           "Zeta\n"
           "-dash\n"
           "%d%s%n\n" +
           std::string(1, '\0') + "nul\n" + "\x7F" + "del\n");
  Result r = RunZentro(p);
  Expected e = Messages("New START Offset 0x80100000\n" + Missing("\tfont.tim") +
                        Missing("9lives.bin") + Missing(".hidden") + Missing("Zeta") +
                        Missing("-dash") + Missing("%d%s%n") + Missing("") +
                        Missing("\x7F"
                                "del"));
  e.used = "0x80000 // 512 Kbytes";
  ExpectRun(p, r, e);
}

TEST(ReaderTest, EntryKindsOfPresentFiles) {
  Project p;
  p.WriteData("9lives.bin", 4);
  p.WriteData(".hidden", 4);
  p.WriteData("100%d.tim", 4);
  p.Config("9lives.bin\n.hidden\n100%d.tim\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\9lives.bin 80090000\n"
      "catflap up data\\.hidden 80090004\n"
      "catflap up data\\100%d.tim 80090008\n"
      "TIM image found, 100%D_TIM adding to ..\\loadtims.c\n";
  e.uploads =
      "catflap up data\\9lives.bin 80090000\n"
      "catflap up data\\.hidden 80090004\n"
      "catflap up data\\100%d.tim 80090008\n";
  e.addrs =
      "#define 9LIVES_BIN 0x80090000\n#define 9LIVES_BIN_SIZE 0x4\n"
      "#define _HIDDEN 0x80090004\n#define _HIDDEN_SIZE 0x4\n"
      "#define 100%D_TIM 0x80090008\n#define 100%D_TIM_SIZE 0x4\n";
  e.used = "0x1000C // 64 Kbytes";
  e.calls = " LoadTim(100%D_TIM);\n";
  ExpectRun(p, r, e);
}

// Everything from the first space on is a remark; a tab belongs to the name.
TEST(ReaderTest, RemarksAfterASpace) {
  Project p;
  p.WriteData("music.vh", 4);
  p.Config("music.vh level 1 bank\nfont.tim\tremark\nlevel.bin  two spaces\n");
  Result r = RunZentro(p);
  ExpectRun(
      p, r,
      OneEntry("music.vh", "MUSIC_VH", "", Missing("font.tim\tremark") + Missing("level.bin")));
}

TEST(ReaderTest, TabInsideNameIsPartOfIt) {
  if (!RunsNatively()) GTEST_SKIP() << "needs a tab in a file name";
  for (const char *name : {"tab\tname.tim", "\tlead.bin"}) {
    SCOPED_TRACE(name);
    Project p;
    p.WriteData(name, 4);
    p.Config(std::string(name) + " remark\n");
    Result r = RunZentro(p);
    std::string symbol = name[0] == '\t' ? "\tLEAD_BIN" : "TAB\tNAME_TIM";
    ExpectRun(p, r, OneEntry(name, symbol));
  }
}

// The symbol: a-z upper case, "." to "_", everything else unchanged; the
// scripts and data.s keep the name as written.
TEST(ReaderTest, SymbolsAndNamesAsWritten) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("font.tim", 4);
    p.WriteData("Map01.Bin", 4);
    p.WriteData("a.b.c", 4);
    p.WriteData("MIXED.Tim", 4);
    p.WriteData("x-y_z.v2", 4);
    p.Config("font.tim\nMap01.Bin\na.b.c\nMIXED.Tim\nx-y_z.v2\n");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    Expected e;
    e.asm_mode = asm_mode;
    e.uploads =
        "catflap up data\\font.tim 80090000\n"
        "catflap up data\\Map01.Bin 80090004\n"
        "catflap up data\\a.b.c 80090008\n"
        "catflap up data\\MIXED.Tim 8009000C\n"
        "catflap up data\\x-y_z.v2 80090010\n";
    if (asm_mode) {
      e.console =
          "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
          "TIM image found, MIXED_TIM adding to ..\\loadtims.c\n";
      e.addrs =
          "extern char FONT_TIM[];\n#define FONT_TIM_SIZE 0x4\n"
          "extern char MAP01_BIN[];\n#define MAP01_BIN_SIZE 0x4\n"
          "extern char A_B_C[];\n#define A_B_C_SIZE 0x4\n"
          "extern char MIXED_TIM[];\n#define MIXED_TIM_SIZE 0x4\n"
          "extern char X-Y_Z_V2[];\n#define X-Y_Z_V2_SIZE 0x4\n";
    } else {
      e.console =
          "catflap up data\\font.tim 80090000\n"
          "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
          "catflap up data\\Map01.Bin 80090004\n"
          "catflap up data\\a.b.c 80090008\n"
          "catflap up data\\MIXED.Tim 8009000C\n"
          "TIM image found, MIXED_TIM adding to ..\\loadtims.c\n"
          "catflap up data\\x-y_z.v2 80090010\n";
      e.addrs =
          "#define FONT_TIM 0x80090000\n#define FONT_TIM_SIZE 0x4\n"
          "#define MAP01_BIN 0x80090004\n#define MAP01_BIN_SIZE 0x4\n"
          "#define A_B_C 0x80090008\n#define A_B_C_SIZE 0x4\n"
          "#define MIXED_TIM 0x8009000C\n#define MIXED_TIM_SIZE 0x4\n"
          "#define X-Y_Z_V2 0x80090010\n#define X-Y_Z_V2_SIZE 0x4\n";
    }
    e.used = "0x10014 // 64 Kbytes";
    e.calls = " LoadTim(FONT_TIM);\n LoadTim(MIXED_TIM);\n";
    e.incbins = Incbin("FONT_TIM", "font.tim") + Incbin("MAP01_BIN", "Map01.Bin") +
                Incbin("A_B_C", "a.b.c") + Incbin("MIXED_TIM", "MIXED.Tim") +
                Incbin("X-Y_Z_V2", "x-y_z.v2");
    ExpectRun(p, r, e);
  }
}

TEST(ReaderTest, BytesAbove0x7FPassUnchanged) {
  if (!RunsNatively()) GTEST_SKIP() << "file names with raw bytes above 0x7F";
  Project p;
  const std::string name = "caf\xc3\xa9.tim";
  p.WriteData(name, 4);
  p.Config(name + "\n");
  Result r = RunZentro(p);
  ExpectRun(p, r, OneEntry(name, "CAF\xc3\xa9_TIM"));
}

// Lines longer than 59 characters are read in pieces of 59, each piece a
// line of its own.
TEST(ReaderTest, LongNames) {
  const std::string abc = "abcdefghijklmnopqrstuvwxyz";
  const std::string base = abc + abc + abc;  // 78 characters
  auto symbol = [](std::string s) {
    for (char &c : s)
      c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c == '.' ? '_' : c);
    return s;
  };
  struct Case {
    size_t length;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {58, {base.substr(0, 58)}},
      {59, {base.substr(0, 59)}},
      {60, {base.substr(0, 59), base.substr(59, 1)}},
      {70, {base.substr(0, 59), base.substr(59, 11)}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.length);
    Project p;
    for (const auto &piece : c.pieces) p.WriteData(piece, 4);
    // A blank line after the name shows that no piece is lost or doubled.
    p.Config(base.substr(0, c.length) + "\n\n");
    Result r = RunZentro(p);
    Expected e;
    unsigned address = 0x80090000;
    for (const auto &piece : c.pieces) {
      char upload[128];
      snprintf(upload, sizeof upload, "catflap up data\\%s %X\n", piece.c_str(), address);
      e.console += upload;
      e.uploads += upload;
      char defs[256];
      snprintf(defs, sizeof defs, "#define %s 0x%X\n#define %s_SIZE 0x4\n", symbol(piece).c_str(),
               address, symbol(piece).c_str());
      e.addrs += defs;
      address += 4;
    }
    char used[64];
    snprintf(used, sizeof used, "0x%X // 64 Kbytes", address - 0x80080000u);
    e.used = used;
    ExpectRun(p, r, e);
  }
}

// A remark after a 59-character name starts the next piece with its space:
// a comment. After a 58-character name the space ends the first piece, and
// the remark becomes a piece, and so an entry, of its own.
TEST(ReaderTest, RemarkAfterLongName) {
  const std::string name59(59, 'n');
  const std::string name58(58, 'm');
  Project p;
  p.WriteData(name59, 4);
  p.WriteData(name58, 4);
  p.Config(name59 + " a remark\n" + name58 + " b.tim remark\n");
  Result r = RunZentro(p);
  Expected e;
  e.uploads =
      "catflap up data\\" + name59 + " 80090000\ncatflap up data\\" + name58 + " 80090004\n";
  e.console = e.uploads + Missing("b.tim");
  e.addrs = "#define " + std::string(59, 'N') + " 0x80090000\n#define " + std::string(59, 'N') +
            "_SIZE 0x4\n#define " + std::string(58, 'M') + " 0x80090004\n#define " +
            std::string(58, 'M') + "_SIZE 0x4\n";
  e.used = "0x10008 // 64 Kbytes";
  ExpectRun(p, r, e);
}

TEST(ReaderTest, LineEnds) {
  struct Case {
    const char *what;
    std::string config;
    std::string console;
  };
  // Carriage returns vanish wherever they stand: a file of CR line ends is
  // one long line, cut into pieces of 59 characters.
  std::string cr_only, cr_pieces_joined;
  for (int i = 0; i < 12; i++) {
    std::string name = "file" + std::to_string(i % 10) + ".bin";
    cr_only += name + "\r";
    cr_pieces_joined += name;
  }
  const Case cases[] = {
      {"LF", "a.bin\nb.bin\n", Missing("a.bin") + Missing("b.bin")},
      {"CR LF", "a.bin\r\nb.bin\r\n", Missing("a.bin") + Missing("b.bin")},
      {"CR inside", "a.\rbin\r\r\n\r\nb.bin\n", Missing("a.bin") + Missing("b.bin")},
      {"CR only, short", "a.bin\rb.bin\r", Missing("a.binb.bin")},
      {"CR only, long", cr_only,
       Missing(cr_pieces_joined.substr(0, 59)) + Missing(cr_pieces_joined.substr(59))},
      {"no line feed at the end", "a.bin\nb.bin", Missing("a.bin") + Missing("b.bin")},
      {"start address at the end", "a.bin\n$80100000",
       Missing("a.bin") + "New START Offset 0x80100000\n"},
      {"Ctrl-Z ends the input", std::string("a.bin\r\n\x1A") + "b.bin\r\n", Missing("a.bin")},
      {"Ctrl-Z inside a line", "a.bin\nb.b\x1Ain\nc.bin\n", Missing("a.bin") + Missing("b.b")},
      {"Ctrl-Z first",
       "\x1A"
       "a.bin\n",
       ""},
      {"only carriage returns", "\r\r\r", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Project p;
    p.Config(c.config);
    Result r = RunZentro(p);
    Expected e = Messages(c.console);
    if (c.console.find("New START") != std::string::npos) e.used = "0x80000 // 512 Kbytes";
    ExpectRun(p, r, e);
  }
}

// The value after "$" is read like strtoul with base 16, 32 bits wide; every
// digit from a to f counts in either case, and g ends the number in either.
TEST(ReaderTest, StartAddressForms) {
  struct Case {
    std::string text;
    uint32_t value;
  };
  const Case cases[] = {
      {"0x80010000", 0x80010000u},
      {"80010000", 0x80010000u},
      {"0X80010000", 0x80010000u},
      {" 80010000", 0x80010000u},
      {"\t\v\f 0x80010000", 0x80010000u},
      {"+80010000", 0x80010000u},
      {"8001abCD", 0x8001ABCDu},
      {"80abcdef", 0x80ABCDEFu},
      {"80ABCDEF", 0x80ABCDEFu},
      {"f", 0xFu},
      {"F", 0xFu},
      {"800f0000", 0x800F0000u},
      {"80010000 with a remark", 0x80010000u},
      {"80010000g", 0x80010000u},
      {"8010000G", 0x8010000u},
      {"000080010000", 0x80010000u},
      {"0x0000000080010000", 0x80010000u},
      {"FFFFFFFF", 0xFFFFFFFFu},
      {"+", 0u},
      {"", 0u},
      {"xyz", 0u},
      {"0x", 0u},
      {"0xg", 0u},
      {"- 1", 0u},
      {"-1", 0xFFFFFFFFu},
      {"-10", 0xFFFFFFF0u},
      {"-0x80010000", 0x7FFF0000u},
      {"123456789", 0xFFFFFFFFu},
      {"100000000", 0xFFFFFFFFu},
      {"-123456789", 0xFFFFFFFFu},
      {"FFFFFFFFFFFFFFFFFFFF", 0xFFFFFFFFu},
      {"0x1", 1u},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE("$" + c.text);
    Project p;
    p.Config("$" + c.text + "\n");
    Result r = RunZentro(p);
    char console[64], used[64];
    snprintf(console, sizeof console, "New START Offset 0x%X\n", c.value);
    uint32_t u = c.value - 0x80080000u;
    snprintf(used, sizeof used, "0x%X // %d Kbytes", u, static_cast<int>(u >> 10));
    Expected e = Messages(console);
    e.used = used;
    ExpectRun(p, r, e);
  }
}

}  // namespace
