// The fixed texts zentro prints and writes, and a check of a whole run:
// console output, exit status and every generated file, byte for byte.
// Texts here use bare line feeds; the checks pass them through Dos().
#ifndef ZENTRO_TESTS_E2E_TEXTS_H_
#define ZENTRO_TESTS_E2E_TEXTS_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e.h"

namespace zt {

inline const std::string kBanner =
    "ZENTRO Version 3 by ormel\n"
    "https://github.com/zentro-psx/zentro\n";
inline const std::string kAsmLine = "Generating asm incbin data\n";
inline const std::string kReading =
    "Reading memcfg.cfg ........\n"
    "Default start address 0x80090000 \n";
inline const std::string kConfigError =
    "Error opening memcfg.cfg, is it in the current directory?\n"
    "Call with -asm to generate asm incbin data.s file\n"
    "Read the documentation\n";

inline const std::string kCaetlaHeader = "@echo off\nREM caetla.bat created by ZENTRO V3.0\n";
inline const std::string kCaetlaTrailer = "catflap run main.exe";
inline const std::string kAddrsHeader =
    "/* addrs.h created by ZENTRO V3.0 */\n#ifndef addrs_h\n#define addrs_h\n\n";
inline const std::string kLoadtimsHeader =
    "/* loadtims.c created by ZENTRO V3.0 */\n\n"
    "/* Loads TIM files from main RAM into there VRAM co-ords */\n\n"
    "#include \"addrs.h\"\n\n"
    "/* Prototypes */\n"
    "void LoadTims(void);\n\n"
    "/* Methods */\n"
    "void LoadTims(void)\n"
    "{\n";
inline const std::string kDatasHeader =
    "; data.s created by ZENTRO V3.0\n\n\topt c+ ;case sensitivity\n\tsection datasection\n\n";
inline const std::string kJustexe =
    "@echo off\nREM justexe.bat created by ZENTRO V3.0\ncatflap run main.exe";

inline const std::vector<std::string> kAsm = {"-asm"};
inline const std::vector<std::string> kDefault = {};

// Everything zentro prints before the first configuration line.
inline std::string Opening(bool asm_mode) {
  return kBanner + (asm_mode ? kAsmLine : "") + kReading +
         "Writing ..\\caetla.bat\nWriting ..\\addrs.h\nWriting ..\\loadtims.c\n" +
         (asm_mode ? "Writing ..\\data.s\n" : "");
}

// Everything zentro prints after the last configuration line.
inline std::string Closing(bool asm_mode) {
  return std::string("End of memcfg.cfg\ncatflap run main.exe\n") +
         (asm_mode ? "" : "Writing ..\\justexe.bat\n");
}

inline std::string Caetla(const std::string &uploads) {
  return Dos(kCaetlaHeader + uploads + kCaetlaTrailer);
}
inline std::string Addrs(const std::string &entries, const std::string &used) {
  return Dos(kAddrsHeader + entries + "\n#define USED_MEM " + used + "\n\n#endif\n");
}
inline std::string Loadtims(const std::string &calls) {
  return Dos(kLoadtimsHeader + calls + "}\n");
}
inline std::string Datas(const std::string &entries) {
  return Dos(kDatasHeader + entries + "end\n");
}

// The four data.s lines of one entry.
inline std::string Incbin(const std::string &symbol, const std::string &name) {
  return "\tglobal " + symbol + "\n" + symbol + ":\n\tincbin \"data\\" + name +
         "\"\n\tcnop 0,4\n\n";
}

// What a complete run should leave behind. The pieces are the parts between
// the fixed headers and trailers, with bare line feeds.
struct Expected {
  bool asm_mode = false;
  std::string console;  // between the opening messages and "End of memcfg.cfg"
  std::string uploads;  // caetla.bat lines between header and trailer
  std::string addrs;    // addrs.h lines between header and trailer
  std::string used;     // the USED_MEM figure, e.g. "0x10000 // 64 Kbytes"
  std::string calls;    // loadtims.c call lines
  std::string incbins;  // data.s entry lines (asm mode)
};

// Checks a run that went through to the end without a write failure.
inline void ExpectRun(const Project &p, const Result &r, const Expected &e) {
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, Dos(Opening(e.asm_mode) + e.console + Closing(e.asm_mode)));
  EXPECT_EQ(p.Read("caetla.bat"), Caetla(e.asm_mode ? "" : e.uploads));
  EXPECT_EQ(p.Read("addrs.h"), Addrs(e.addrs, e.used));
  EXPECT_EQ(p.Read("loadtims.c"), Loadtims(e.calls));
  if (e.asm_mode) {
    EXPECT_EQ(p.Read("data.s"), Datas(e.incbins));
    EXPECT_TRUE(p.Exists("justexe.bat"));
    EXPECT_EQ(p.Read("justexe.bat"), "");
  } else {
    EXPECT_FALSE(p.Exists("data.s"));
    EXPECT_EQ(p.Read("justexe.bat"), Dos(kJustexe));
  }
}

}  // namespace zt

#endif  // ZENTRO_TESTS_E2E_TEXTS_H_
