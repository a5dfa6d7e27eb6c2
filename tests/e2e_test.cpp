// End-to-end: the built zentro in temporary projects, console output, exit
// status and every generated file compared byte for byte. The everyday runs:
// two data files in both modes, an empty configuration, the example project.
#include "e2e.h"

#include <gtest/gtest.h>

#include "e2e_texts.h"

namespace {

using namespace zt;

TEST(RunTest, FontAndLevelDefaultMode) {
  Project p;
  p.WriteData("font.tim", 0x2034);
  p.WriteData("level.bin", 0x101);
  p.Config("font.tim\nlevel.bin\n");
  Result r = RunZentro(p);
  Expected e;
  e.console =
      "catflap up data\\font.tim 80090000\n"
      "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
      "catflap up data\\level.bin 80092034\n"
      "Address not aligned with 4 byte boundary, Address+=3\n";
  e.uploads =
      "catflap up data\\font.tim 80090000\n"
      "catflap up data\\level.bin 80092034\n";
  e.addrs =
      "#define FONT_TIM 0x80090000\n"
      "#define FONT_TIM_SIZE 0x2034\n"
      "#define LEVEL_BIN 0x80092034\n"
      "#define LEVEL_BIN_SIZE 0x101\n";
  e.used = "0x12138 // 72 Kbytes";
  e.calls = " LoadTim(FONT_TIM);\n";
  ExpectRun(p, r, e);

  // The whole files once more, spelled out line by line.
  EXPECT_EQ(p.Read("caetla.bat"),
            "@echo off\r\nREM caetla.bat created by ZENTRO V3.0\r\n"
            "catflap up data\\font.tim 80090000\r\ncatflap up data\\level.bin 80092034\r\n"
            "catflap run main.exe");
  EXPECT_EQ(p.Read("addrs.h"),
            "/* addrs.h created by ZENTRO V3.0 */\r\n#ifndef addrs_h\r\n#define addrs_h\r\n\r\n"
            "#define FONT_TIM 0x80090000\r\n#define FONT_TIM_SIZE 0x2034\r\n"
            "#define LEVEL_BIN 0x80092034\r\n#define LEVEL_BIN_SIZE 0x101\r\n"
            "\r\n#define USED_MEM 0x12138 // 72 Kbytes\r\n\r\n#endif\r\n");
  EXPECT_EQ(p.Read("justexe.bat"),
            "@echo off\r\nREM justexe.bat created by ZENTRO V3.0\r\ncatflap run main.exe");
}

TEST(RunTest, FontAndLevelAsmMode) {
  Project p;
  p.WriteData("font.tim", 0x2034);
  p.WriteData("level.bin", 0x101);
  p.Config("font.tim\nlevel.bin\n");
  p.Write("justexe.bat", "old content");
  Result r = RunZentro(p, kAsm);
  Expected e;
  e.asm_mode = true;
  e.console =
      "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
      "Address not aligned with 4 byte boundary, Address+=3\n";
  e.addrs =
      "extern char FONT_TIM[];\n"
      "#define FONT_TIM_SIZE 0x2034\n"
      "extern char LEVEL_BIN[];\n"
      "#define LEVEL_BIN_SIZE 0x101\n";
  e.used = "0x12138 // 72 Kbytes";
  e.calls = " LoadTim(FONT_TIM);\n";
  e.incbins = Incbin("FONT_TIM", "font.tim") + Incbin("LEVEL_BIN", "level.bin");
  ExpectRun(p, r, e);

  EXPECT_EQ(p.Read("data.s"),
            "; data.s created by ZENTRO V3.0\r\n\r\n\topt c+ ;case sensitivity\r\n"
            "\tsection datasection\r\n\r\n"
            "\tglobal FONT_TIM\r\nFONT_TIM:\r\n\tincbin \"data\\font.tim\"\r\n\tcnop 0,4\r\n\r\n"
            "\tglobal LEVEL_BIN\r\nLEVEL_BIN:\r\n\tincbin \"data\\level.bin\"\r\n"
            "\tcnop 0,4\r\n\r\nend\r\n");
}

TEST(RunTest, EmptyConfigBothModes) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.Config("");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    Expected e;
    e.asm_mode = asm_mode;
    e.used = "0x10000 // 64 Kbytes";
    ExpectRun(p, r, e);
    EXPECT_EQ(p.Read("addrs.h"),
              Dos(kAddrsHeader + "\n#define USED_MEM 0x10000 // 64 Kbytes\n\n#endif\n"));
    EXPECT_EQ(p.Read("loadtims.c"), Dos(kLoadtimsHeader + "}\n"));
  }
}

// A configuration of comments, an entry with a remark and a start-address
// line, in both modes: every generated file at once.
TEST(RunTest, SmallProjectBothModes) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("font.tim", 0x2034);
    p.WriteData("sprites.tim", 0x1234);
    p.WriteData("level.bin", 0x101);
    p.WriteData("music.vh", 0x400);
    p.WriteData("music.vb", 0x7FF);
    p.Config(
        "# the data files in load order\n"
        "font.tim\n"
        "sprites.tim player and enemy sprites\n"
        "level.bin\n"
        "# the sound bank goes higher up\n"
        "$80100000\n"
        "music.vh\n"
        "music.vb\n");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    Expected e;
    e.asm_mode = asm_mode;
    if (asm_mode) {
      e.console =
          "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
          "TIM image found, SPRITES_TIM adding to ..\\loadtims.c\n"
          "Address not aligned with 4 byte boundary, Address+=3\n"
          "New START Offset 0x80100000\n"
          "Address not aligned with 4 byte boundary, Address+=1\n";
      e.addrs =
          "extern char FONT_TIM[];\n#define FONT_TIM_SIZE 0x2034\n"
          "extern char SPRITES_TIM[];\n#define SPRITES_TIM_SIZE 0x1234\n"
          "extern char LEVEL_BIN[];\n#define LEVEL_BIN_SIZE 0x101\n"
          "extern char MUSIC_VH[];\n#define MUSIC_VH_SIZE 0x400\n"
          "extern char MUSIC_VB[];\n#define MUSIC_VB_SIZE 0x7FF\n";
    } else {
      e.console =
          "catflap up data\\font.tim 80090000\n"
          "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
          "catflap up data\\sprites.tim 80092034\n"
          "TIM image found, SPRITES_TIM adding to ..\\loadtims.c\n"
          "catflap up data\\level.bin 80093268\n"
          "Address not aligned with 4 byte boundary, Address+=3\n"
          "New START Offset 0x80100000\n"
          "catflap up data\\music.vh 80100000\n"
          "catflap up data\\music.vb 80100400\n"
          "Address not aligned with 4 byte boundary, Address+=1\n";
      e.addrs =
          "#define FONT_TIM 0x80090000\n#define FONT_TIM_SIZE 0x2034\n"
          "#define SPRITES_TIM 0x80092034\n#define SPRITES_TIM_SIZE 0x1234\n"
          "#define LEVEL_BIN 0x80093268\n#define LEVEL_BIN_SIZE 0x101\n"
          "#define MUSIC_VH 0x80100000\n#define MUSIC_VH_SIZE 0x400\n"
          "#define MUSIC_VB 0x80100400\n#define MUSIC_VB_SIZE 0x7FF\n";
    }
    e.uploads =
        "catflap up data\\font.tim 80090000\n"
        "catflap up data\\sprites.tim 80092034\n"
        "catflap up data\\level.bin 80093268\n"
        "catflap up data\\music.vh 80100000\n"
        "catflap up data\\music.vb 80100400\n";
    e.used = "0x80C00 // 515 Kbytes";
    e.calls = " LoadTim(FONT_TIM);\n LoadTim(SPRITES_TIM);\n";
    e.incbins = Incbin("FONT_TIM", "font.tim") + Incbin("SPRITES_TIM", "sprites.tim") +
                Incbin("LEVEL_BIN", "level.bin") + Incbin("MUSIC_VH", "music.vh") +
                Incbin("MUSIC_VB", "music.vb");
    ExpectRun(p, r, e);
  }
}

}  // namespace
