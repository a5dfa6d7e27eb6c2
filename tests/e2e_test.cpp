// End-to-end: the built zentro in temporary projects, console output, exit
// status and every generated file compared byte for byte.
#include <gtest/gtest.h>

#include "e2e.h"

namespace {

const char kBanner[] =
    "ZENTRO Version 3 by ormel\n"
    "https://github.com/zentro-psx/zentro\n";

const char kOpening[] =
    "Reading memcfg.cfg ........\n"
    "Default start address 0x80090000 \n"
    "Writing ..\\caetla.bat\n"
    "Writing ..\\addrs.h\n"
    "Writing ..\\loadtims.c\n";

const char kCaetlaHeader[] = "@echo off\nREM caetla.bat created by ZENTRO V3.0\n";
const char kAddrsHeader[] = "/* addrs.h created by ZENTRO V3.0 */\n#ifndef addrs_h\n#define addrs_h\n\n";
const char kLoadtimsHeader[] =
    "/* loadtims.c created by ZENTRO V3.0 */\n\n"
    "/* Loads TIM files from main RAM into there VRAM co-ords */\n\n"
    "#include \"addrs.h\"\n\n"
    "/* Prototypes */\n"
    "void LoadTims(void);\n\n"
    "/* Methods */\n"
    "void LoadTims(void)\n"
    "{\n";
const char kDatasHeader[] =
    "; data.s created by ZENTRO V3.0\n\n\topt c+ ;case sensitivity\n\tsection datasection\n\n";
const char kJustexe[] = "@echo off\nREM justexe.bat created by ZENTRO V3.0\ncatflap run main.exe";

std::string Addrs(const std::string &entries, const std::string &used) {
  return Dos(kAddrsHeader + entries + "\n#define USED_MEM " + used + "\n\n#endif\n");
}

TEST(RunTest, FontAndLevelDefaultMode) {
  Project p;
  p.WriteData("font.tim", 0x2034);
  p.WriteData("level.bin", 0x101);
  p.Config("font.tim\nlevel.bin\n");
  Result r = RunZentro(p);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, Dos(std::string(kBanner) + kOpening +
                       "catflap up data\\font.tim 80090000\n"
                       "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
                       "catflap up data\\level.bin 80092034\n"
                       "Address not aligned with 4 byte boundary, Address+=3\n"
                       "End of memcfg.cfg\n"
                       "catflap run main.exe\n"
                       "Writing ..\\justexe.bat\n"));
  EXPECT_EQ(p.Read("caetla.bat"), Dos(std::string(kCaetlaHeader) +
                                      "catflap up data\\font.tim 80090000\n"
                                      "catflap up data\\level.bin 80092034\n"
                                      "catflap run main.exe"));
  EXPECT_EQ(p.Read("addrs.h"), Addrs("#define FONT_TIM 0x80090000\n"
                                     "#define FONT_TIM_SIZE 0x2034\n"
                                     "#define LEVEL_BIN 0x80092034\n"
                                     "#define LEVEL_BIN_SIZE 0x101\n",
                                     "0x12138 // 72 Kbytes"));
  EXPECT_EQ(p.Read("loadtims.c"), Dos(std::string(kLoadtimsHeader) + " LoadTim(FONT_TIM);\n}\n"));
  EXPECT_EQ(p.Read("justexe.bat"), Dos(kJustexe));
  EXPECT_FALSE(p.Exists("data.s"));
}

TEST(RunTest, FontAndLevelAsmMode) {
  Project p;
  p.WriteData("font.tim", 0x2034);
  p.WriteData("level.bin", 0x101);
  p.Config("font.tim\nlevel.bin\n");
  p.Write("justexe.bat", "old content");
  Result r = RunZentro(p, {"-asm"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Dos(std::string(kBanner) + "Generating asm incbin data\n" + kOpening +
                       "Writing ..\\data.s\n"
                       "TIM image found, FONT_TIM adding to ..\\loadtims.c\n"
                       "Address not aligned with 4 byte boundary, Address+=3\n"
                       "End of memcfg.cfg\n"
                       "catflap run main.exe\n"));
  EXPECT_EQ(p.Read("caetla.bat"), Dos(std::string(kCaetlaHeader) + "catflap run main.exe"));
  EXPECT_EQ(p.Read("addrs.h"), Addrs("extern char FONT_TIM[];\n"
                                     "#define FONT_TIM_SIZE 0x2034\n"
                                     "extern char LEVEL_BIN[];\n"
                                     "#define LEVEL_BIN_SIZE 0x101\n",
                                     "0x12138 // 72 Kbytes"));
  EXPECT_EQ(p.Read("loadtims.c"), Dos(std::string(kLoadtimsHeader) + " LoadTim(FONT_TIM);\n}\n"));
  EXPECT_EQ(p.Read("data.s"), Dos(std::string(kDatasHeader) +
                                  "\tglobal FONT_TIM\nFONT_TIM:\n\tincbin \"data\\font.tim\"\n"
                                  "\tcnop 0,4\n\n"
                                  "\tglobal LEVEL_BIN\nLEVEL_BIN:\n\tincbin \"data\\level.bin\"\n"
                                  "\tcnop 0,4\n\nend\n"));
  EXPECT_EQ(p.Read("justexe.bat"), "");
}

TEST(RunTest, EmptyConfigBothModes) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.Config("");
    Result r = RunZentro(p, asm_mode ? std::vector<std::string>{"-asm"} : std::vector<std::string>{});
    EXPECT_EQ(r.status, 0);
    std::string out = std::string(kBanner) + (asm_mode ? "Generating asm incbin data\n" : "") +
                      kOpening + (asm_mode ? "Writing ..\\data.s\n" : "") +
                      "End of memcfg.cfg\ncatflap run main.exe\n" +
                      (asm_mode ? "" : "Writing ..\\justexe.bat\n");
    EXPECT_EQ(r.out, Dos(out));
    EXPECT_EQ(p.Read("caetla.bat"), Dos(std::string(kCaetlaHeader) + "catflap run main.exe"));
    EXPECT_EQ(p.Read("addrs.h"), Addrs("", "0x10000 // 64 Kbytes"));
    EXPECT_EQ(p.Read("loadtims.c"), Dos(std::string(kLoadtimsHeader) + "}\n"));
    EXPECT_EQ(p.Read("justexe.bat"), asm_mode ? "" : Dos(kJustexe));
    if (asm_mode) {
      EXPECT_EQ(p.Read("data.s"), Dos(std::string(kDatasHeader) + "end\n"));
    }
  }
}

TEST(RunTest, ConfigMissingWaitsAndFails) {
  Project p;
  Result r = RunZentro(p);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Dos(std::string(kBanner) +
                       "Error opening memcfg.cfg, is it in the current directory?\n"
                       "Call with -asm to generate asm incbin data.s file\n"
                       "Read the documentation\n"));
  EXPECT_FALSE(p.Exists("caetla.bat"));
  EXPECT_FALSE(p.Exists("addrs.h"));
  EXPECT_FALSE(p.Exists("justexe.bat"));
}

TEST(RunTest, GeneratedFileCannotBeCreated) {
  Project p;
  p.Config("a.bin\n");
  p.WriteData("a.bin", 4);
  p.Write("data/../loadtims.c", "");
  ASSERT_EQ(system(("rm " + p.Path("loadtims.c") + " && mkdir " + p.Path("loadtims.c")).c_str()), 0);
  Result r = RunZentro(p);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Dos(std::string(kBanner) +
                       "Reading memcfg.cfg ........\n"
                       "Default start address 0x80090000 \n"
                       "Writing ..\\caetla.bat\n"
                       "Writing ..\\addrs.h\n"
                       "Error opening ..\\loadtims.c\n"));
  EXPECT_EQ(p.Read("caetla.bat"), Dos(kCaetlaHeader));
  EXPECT_EQ(p.Read("addrs.h"), Dos(kAddrsHeader));
  EXPECT_FALSE(p.Exists("justexe.bat"));
}

}  // namespace
