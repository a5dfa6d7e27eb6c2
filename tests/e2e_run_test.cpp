// End-to-end: the run sequence. Command line forms, a second run in the same
// project, and data files that are directories or links. Files that cannot
// be created or written and the other faults are in fault_test.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "e2e.h"
#include "e2e_texts.h"

namespace {

using namespace zt;

// Only the exact single argument "-asm" selects asm mode; anything else is
// ignored without a word.
TEST(CommandLineTest, OnlyExactDashAsmSelectsAsmMode) {
  struct Case {
    std::vector<std::string> args;
    bool asm_mode;
  };
  const Case cases[] = {
      {{}, false},
      {{"-asm"}, true},
      {{"-ASM"}, false},
      {{"/asm"}, false},
      {{"-asm", "extra"}, false},
      {{"asm"}, false},
      {{"extra", "-asm"}, false},
      {{"-asmx"}, false},
      {{"-as"}, false},
      {{"-asm", "-asm"}, false},
      {{""}, false},
  };
  for (const Case &c : cases) {
    std::string trace = "args:";
    for (const auto &a : c.args) trace += " [" + a + "]";
    SCOPED_TRACE(trace);
    Project p;
    p.WriteData("font.tim", 16);
    p.Config("font.tim\n");
    p.Write("data.s", "keep these bytes\r\n");
    p.Write("justexe.bat", "old content");
    Result r = RunZentro(p, c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    if (c.asm_mode) {
      EXPECT_EQ(r.out, Dos(Opening(true) + "TIM image found, FONT_TIM adding to ..\\loadtims.c\n" +
                           Closing(true)));
      EXPECT_EQ(p.Read("caetla.bat"), Caetla(""));
      EXPECT_EQ(p.Read("addrs.h"), Addrs("extern char FONT_TIM[];\n#define FONT_TIM_SIZE 0x10\n",
                                         "0x10010 // 64 Kbytes"));
      EXPECT_EQ(p.Read("data.s"), Datas(Incbin("FONT_TIM", "font.tim")));
      EXPECT_EQ(p.Read("justexe.bat"), "");
    } else {
      EXPECT_EQ(r.out,
                Dos(Opening(false) + "catflap up data\\font.tim 80090000\n" +
                    "TIM image found, FONT_TIM adding to ..\\loadtims.c\n" + Closing(false)));
      EXPECT_EQ(p.Read("caetla.bat"), Caetla("catflap up data\\font.tim 80090000\n"));
      EXPECT_EQ(p.Read("addrs.h"),
                Addrs("#define FONT_TIM 0x80090000\n#define FONT_TIM_SIZE 0x10\n",
                      "0x10010 // 64 Kbytes"));
      // The default mode neither creates nor touches data.s.
      EXPECT_EQ(p.Read("data.s"), "keep these bytes\r\n");
      EXPECT_EQ(p.Read("justexe.bat"), Dos(kJustexe));
    }
    EXPECT_EQ(p.Read("loadtims.c"), Loadtims(" LoadTim(FONT_TIM);\n"));
  }
}

TEST(CommandLineTest, DefaultModeCreatesNoDataS) {
  Project p;
  p.Config("");
  Result r = RunZentro(p);
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(p.Exists("data.s"));
}

std::string Octal(unsigned mode) {
  char buf[16];
  snprintf(buf, sizeof buf, "0%o", mode);
  return buf;
}

// zentro run twice in one project: the second run writes every file again.
// Each is created writable, 0666 less the umask (on Windows without the
// read-only attribute, which wine shows as missing write bits). The modes
// are checked because root writes a read-only file all the same.
TEST(RunTest, SecondRunInTheSameProject) {
  mode_t mask = umask(0);
  umask(mask);
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("font.tim", 16);
    p.Config("font.tim\n");
    Expected e;
    e.asm_mode = asm_mode;
    e.console = std::string(asm_mode ? "" : "catflap up data\\font.tim 80090000\n") +
                "TIM image found, FONT_TIM adding to ..\\loadtims.c\n";
    e.uploads = "catflap up data\\font.tim 80090000\n";
    e.addrs = asm_mode ? "extern char FONT_TIM[];\n#define FONT_TIM_SIZE 0x10\n"
                       : "#define FONT_TIM 0x80090000\n#define FONT_TIM_SIZE 0x10\n";
    e.used = "0x10010 // 64 Kbytes";
    e.calls = " LoadTim(FONT_TIM);\n";
    e.incbins = Incbin("FONT_TIM", "font.tim");
    std::vector<std::string> files = {"caetla.bat", "addrs.h", "loadtims.c", "justexe.bat"};
    if (asm_mode) files.push_back("data.s");
    for (int run = 1; run <= 2; run++) {
      SCOPED_TRACE("run " + std::to_string(run));
      ExpectRun(p, RunZentro(p, asm_mode ? kAsm : kDefault), e);
      for (const std::string &name : files) {
        struct stat st;
        ASSERT_EQ(stat(p.Path(name).c_str(), &st), 0) << name;
        EXPECT_EQ(Octal(st.st_mode & 07777), Octal(0666 & ~mask)) << name;
      }
    }
  }
}

// A data file that is a directory: reported like a missing file, with a key
// wait; the run goes on and the address does not move.
TEST(DataFileTest, DirectoryCountsAsMissing) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("a.bin", 6);
    MakeDir(p, "data/sub.tim");
    p.WriteData("b.bin", 4);
    p.Config("a.bin\nsub.tim\nb.bin\n");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    Expected e;
    e.asm_mode = asm_mode;
    if (asm_mode) {
      e.console =
          "Address not aligned with 4 byte boundary, Address+=2\n"
          "Error reading sub.tim does the file exist?\n";
      e.addrs =
          "extern char A_BIN[];\n#define A_BIN_SIZE 0x6\n"
          "extern char B_BIN[];\n#define B_BIN_SIZE 0x4\n";
    } else {
      e.console =
          "catflap up data\\a.bin 80090000\n"
          "Address not aligned with 4 byte boundary, Address+=2\n"
          "Error reading sub.tim does the file exist?\n"
          "catflap up data\\b.bin 80090008\n";
      e.addrs =
          "#define A_BIN 0x80090000\n#define A_BIN_SIZE 0x6\n"
          "#define B_BIN 0x80090008\n#define B_BIN_SIZE 0x4\n";
    }
    e.uploads = "catflap up data\\a.bin 80090000\ncatflap up data\\b.bin 80090008\n";
    e.used = "0x1000C // 64 Kbytes";
    e.incbins = Incbin("A_BIN", "a.bin") + Incbin("B_BIN", "b.bin");
    ExpectRun(p, r, e);
  }
}

// memcfg.cfg and a data file that may only be read (on Windows: with the
// read-only attribute) are opened for reading only, and so read as usual.
// Root may open them for writing as well, so only a run as another user can
// tell: CI runs this case under wine as nobody too.
TEST(DataFileTest, ReadOnlyFilesAreRead) {
  Project p;
  p.WriteData("font.tim", 16);
  p.Config("font.tim\n");
  ASSERT_EQ(chmod(p.Path("data/font.tim").c_str(), 0444), 0);
  ASSERT_EQ(chmod(p.Path("data/memcfg.cfg").c_str(), 0444), 0);
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\font.tim 80090000\n"
      "TIM image found, FONT_TIM adding to ..\\loadtims.c\n";
  e.uploads = "catflap up data\\font.tim 80090000\n";
  e.addrs = "#define FONT_TIM 0x80090000\n#define FONT_TIM_SIZE 0x10\n";
  e.used = "0x10010 // 64 Kbytes";
  e.calls = " LoadTim(FONT_TIM);\n";
  ExpectRun(p, r, e);
}

// A data file that is a link to a regular file is an ordinary data file; a
// dangling link is a missing one. memcfg.cfg as a link to a regular file is
// read like the file.
TEST(DataFileTest, SymlinksFollowed) {
  if (!RunsNatively()) GTEST_SKIP() << "needs POSIX symlinks";
  Project p;
  p.WriteData("real.bin", 12);
  MakeSymlink(p, "real.bin", "data/link.tim");
  MakeSymlink(p, "nowhere.bin", "data/dangling.bin");
  p.Write("project.cfg", "link.tim\ndangling.bin\n");
  MakeSymlink(p, "../project.cfg", "data/memcfg.cfg");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\link.tim 80090000\n"
      "TIM image found, LINK_TIM adding to ..\\loadtims.c\n"
      "Error reading dangling.bin does the file exist?\n";
  e.uploads = "catflap up data\\link.tim 80090000\n";
  e.addrs = "#define LINK_TIM 0x80090000\n#define LINK_TIM_SIZE 0xC\n";
  e.used = "0x1000C // 64 Kbytes";
  e.calls = " LoadTim(LINK_TIM);\n";
  ExpectRun(p, r, e);
}

}  // namespace
