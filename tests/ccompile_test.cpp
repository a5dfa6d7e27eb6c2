// The generated C compiles: addrs.h and loadtims.c, built with the host's C
// compiler as C89 (GNU dialect, for the // comment in addrs.h) and as C99,
// linked with a small program that defines LoadTim and records every call.
// Running it shows that LoadTims loads every image in configuration order,
// and that the size and used-memory macros hold the right values.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "e2e.h"

namespace {

// The configuration of every run here, and the sizes of its data files.
const char kConfig[] =
    "# images and other data\n"
    "font.tim\n"
    "level.bin level one\n"
    "$80100000\n"
    "FONT2.TIM\n"
    "missing.tim\n"
    "music.vh bank\n"
    "sprites.tim\n";

void WriteData(const Project &p) {
  p.WriteData("font.tim", 0x2034);
  p.WriteData("level.bin", 0x101);
  p.WriteData("FONT2.TIM", 16);
  p.WriteData("music.vh", 10);
  p.WriteData("sprites.tim", 3);
}

// What the user's program supplies: loadtims.c calls LoadTim without
// declaring it. The default mode passes addresses, asm mode arrays.
const char kDefaultPrototypes[] =
    "void LoadTim(unsigned long addr);\n"
    "void LoadTims(void);\n";
const char kAsmPrototypes[] =
    "void LoadTim(char *tim);\n"
    "void LoadTims(void);\n";

const char kDefaultMain[] = R"(#include <stdio.h>
#include "addrs.h"
#include "addrs.h" /* the include guard holds */
#include "prototypes.h"

static unsigned long calls[16];
static int ncalls;

void LoadTim(unsigned long addr) {
  if (ncalls < 16) calls[ncalls] = addr;
  ncalls++;
}

int main(void) {
  int i;
  LoadTims();
  for (i = 0; i < ncalls && i < 16; i++) printf("LoadTim %lX\n", calls[i]);
  printf("calls %d\n", ncalls);
  printf("FONT_TIM %lX size %lX\n", (unsigned long)FONT_TIM, (unsigned long)FONT_TIM_SIZE);
  printf("LEVEL_BIN %lX size %lX\n", (unsigned long)LEVEL_BIN, (unsigned long)LEVEL_BIN_SIZE);
  printf("FONT2_TIM %lX size %lX\n", (unsigned long)FONT2_TIM, (unsigned long)FONT2_TIM_SIZE);
  printf("MUSIC_VH %lX size %lX\n", (unsigned long)MUSIC_VH, (unsigned long)MUSIC_VH_SIZE);
  printf("SPRITES_TIM %lX size %lX\n", (unsigned long)SPRITES_TIM,
         (unsigned long)SPRITES_TIM_SIZE);
  printf("USED_MEM %lX\n", (unsigned long)USED_MEM);
  return 0;
}
)";

// data.s is for the console's assembler; here the program defines the
// arrays that addrs.h declares.
const char kAsmMain[] = R"(#include <stdio.h>
#include "addrs.h"
#include "addrs.h" /* the include guard holds */
#include "prototypes.h"

char FONT_TIM[FONT_TIM_SIZE];
char LEVEL_BIN[LEVEL_BIN_SIZE];
char FONT2_TIM[FONT2_TIM_SIZE];
char MUSIC_VH[MUSIC_VH_SIZE];
char SPRITES_TIM[SPRITES_TIM_SIZE];

static const char *calls[16];
static int ncalls;

static const char *Which(const char *tim) {
  if (tim == FONT_TIM) return "FONT_TIM";
  if (tim == LEVEL_BIN) return "LEVEL_BIN";
  if (tim == FONT2_TIM) return "FONT2_TIM";
  if (tim == MUSIC_VH) return "MUSIC_VH";
  if (tim == SPRITES_TIM) return "SPRITES_TIM";
  return "unknown";
}

void LoadTim(char *tim) {
  if (ncalls < 16) calls[ncalls] = Which(tim);
  ncalls++;
}

int main(void) {
  int i;
  LoadTims();
  for (i = 0; i < ncalls && i < 16; i++) printf("LoadTim %s\n", calls[i]);
  printf("calls %d\n", ncalls);
  printf("FONT_TIM size %lX\n", (unsigned long)sizeof FONT_TIM);
  printf("LEVEL_BIN size %lX\n", (unsigned long)sizeof LEVEL_BIN);
  printf("FONT2_TIM size %lX\n", (unsigned long)sizeof FONT2_TIM);
  printf("MUSIC_VH size %lX\n", (unsigned long)sizeof MUSIC_VH);
  printf("SPRITES_TIM size %lX\n", (unsigned long)sizeof SPRITES_TIM);
  printf("USED_MEM %lX\n", (unsigned long)USED_MEM);
  return 0;
}
)";

const char kDefaultOutput[] =
    "LoadTim 80090000\n"
    "LoadTim 80100000\n"
    "LoadTim 8010001C\n"
    "calls 3\n"
    "FONT_TIM 80090000 size 2034\n"
    "LEVEL_BIN 80092034 size 101\n"
    "FONT2_TIM 80100000 size 10\n"
    "MUSIC_VH 80100010 size A\n"
    "SPRITES_TIM 8010001C size 3\n"
    "USED_MEM 80020\n";

const char kAsmOutput[] =
    "LoadTim FONT_TIM\n"
    "LoadTim FONT2_TIM\n"
    "LoadTim SPRITES_TIM\n"
    "calls 3\n"
    "FONT_TIM size 2034\n"
    "LEVEL_BIN size 101\n"
    "FONT2_TIM size 10\n"
    "MUSIC_VH size A\n"
    "SPRITES_TIM size 3\n"
    "USED_MEM 80020\n";

// Runs a shell command; its output (stdout and stderr) and exit status.
std::string Shell(const std::string &cmd, int *status) {
  Result r = RunCommand("/", {"/bin/sh", "-c", cmd});
  *status = r.status;
  return r.out + r.err;
}

std::string Quote(const std::string &s) {
  return "'" + s + "'";
}

const char *CCompiler() {
  static const std::string cc = ZENTRO_CC;
  return cc.empty() ? nullptr : cc.c_str();
}

// gnu89 accepts the // comment after USED_MEM, which -pedantic would reject
// as not C90; C99 gets -pedantic as well.
const char *const kStandards[][2] = {
    {"gnu89",
     "-Wall -Wextra -Werror -Wstrict-prototypes -Wmissing-prototypes "
     "-Wold-style-definition"},
    {"c99",
     "-Wall -Wextra -Werror -pedantic -Wstrict-prototypes -Wmissing-prototypes "
     "-Wold-style-definition"},
};

void CompileAndRun(bool asm_mode) {
  Project p;
  WriteData(p);
  p.Config(kConfig);
  Result r = RunZentro(p, asm_mode ? std::vector<std::string>{"-asm"} : std::vector<std::string>{});
  ASSERT_EQ(r.status, 0) << r.out;
  p.Write("prototypes.h", asm_mode ? kAsmPrototypes : kDefaultPrototypes);
  p.Write("main.c", asm_mode ? kAsmMain : kDefaultMain);
  for (const auto &std_flags : kStandards) {
    SCOPED_TRACE(std_flags[0]);
    std::string exe = p.Path(std::string("prog-") + std_flags[0]);
    int status;
    std::string cmd = std::string("cd ") + Quote(p.root()) + " && " + CCompiler() +
                      " -std=" + std_flags[0] + " " + std_flags[1] +
                      " -include prototypes.h loadtims.c main.c -o " + Quote(exe);
    std::string out = Shell(cmd, &status);
    ASSERT_EQ(status, 0) << cmd << "\n" << out;
    EXPECT_EQ(out, "") << cmd;
    out = Shell(Quote(exe), &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, asm_mode ? kAsmOutput : kDefaultOutput);
  }
}

TEST(GeneratedCTest, DefaultModeCompilesAndLoadsEveryImage) {
  if (!CCompiler()) GTEST_SKIP() << "no C compiler found";
  CompileAndRun(false);
}

TEST(GeneratedCTest, AsmModeCompilesAndLoadsEveryImage) {
  if (!CCompiler()) GTEST_SKIP() << "no C compiler found";
  CompileAndRun(true);
}

// Without LoadTim's prototype loadtims.c is not valid C99: it shows that the
// prototype is what the program must supply, and nothing else is missing.
TEST(GeneratedCTest, LoadTimIsTheOnlyMissingDeclaration) {
  if (!CCompiler()) GTEST_SKIP() << "no C compiler found";
  Project p;
  WriteData(p);
  p.Config(kConfig);
  ASSERT_EQ(RunZentro(p).status, 0);
  int status;
  std::string base = std::string("cd ") + Quote(p.root()) + " && " + CCompiler() +
                     " -std=c99 -Wall -Wextra -pedantic -Werror -c loadtims.c -o /dev/null";
  std::string out = Shell(base, &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(out.find("LoadTim"), std::string::npos) << out;
  p.Write("prototypes.h", kDefaultPrototypes);
  out = Shell(base + " -include prototypes.h", &status);
  EXPECT_EQ(status, 0) << out;
}

// The console libraries' headers as far as the documented LoadTim uses
// them: PSn00bSDK's psxgpu.h, and the console maker's sys/types.h,
// libgte.h, libgpu.h and libgs.h, with their types and prototypes.
const char *const kConsoleHeaders[][2] = {
    {"psxgpu.h",
     "#include <stdint.h>\n"
     "typedef struct { int16_t x, y, w, h; } RECT;\n"
     "typedef struct { uint32_t mode; RECT *crect; uint32_t *caddr; RECT *prect;"
     " uint32_t *paddr; } TIM_IMAGE;\n"
     "int GetTimInfo(const uint32_t *tim, TIM_IMAGE *timimg);\n"
     "void LoadImage(const RECT *rect, const uint32_t *data);\n"
     "int DrawSync(int mode);\n"},
    {"sys/types.h",
     "typedef unsigned char u_char;\ntypedef unsigned short u_short;\n"
     "typedef unsigned long u_long;\n"},
    {"libgte.h", ""},
    {"libgpu.h",
     "typedef struct { short x, y, w, h; } RECT;\n"
     "#define setRECT(r, _x, _y, _w, _h) (r)->x = (_x), (r)->y = (_y), (r)->w = (_w), "
     "(r)->h = (_h)\n"
     "void LoadImage(RECT *rect, u_long *p);\nint DrawSync(int mode);\n"},
    {"libgs.h",
     "typedef struct { u_long pmode; short px, py; u_short pw, ph; u_long *pixel;"
     " short cx, cy; u_short cw, ch; u_long *clut; } GsIMAGE;\n"
     "void GsGetTimInfo(u_long *im, GsIMAGE *tim);\n"},
};

std::string ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The code blocks of a document as a reader copies them: README.md's C
// blocks, the manual page's displays with roff's escapes undone, the CMake
// package's indented reStructuredText blocks.
std::vector<std::string> CodeBlocks(const std::string &doc) {
  std::vector<std::string> blocks;
  std::istringstream in(ReadAll(doc));
  std::string line, block, previous;
  bool inside = false;
  const bool markdown = doc.size() > 3 && doc.compare(doc.size() - 3, 3, ".md") == 0;
  const bool rst = doc.find(".cmake") != std::string::npos;
  while (std::getline(in, line)) {
    if (markdown ? line == "```c"
        : rst    ? (previous.size() > 2 && previous.compare(previous.size() - 2, 2, "::") == 0 &&
                 line.empty())
                 : line == ".EX") {
      inside = true;
      block.clear();
    } else if (inside && (markdown ? line == "```"
                          : rst    ? (!line.empty() && line.compare(0, 2, "  ") != 0)
                                   : line == ".EE")) {
      inside = false;
      blocks.push_back(block);
    } else if (inside) {
      if (rst && !line.empty()) line = line.substr(2);
      if (!markdown && !rst) {
        line = std::regex_replace(line, std::regex(R"(\\[&%])"), "");
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
      }
      block += line + "\n";
    }
    previous = line;
  }
  return blocks;
}

// Every LoadTim that README.md, the manual page and the CMake package show
// (the manual for PSn00bSDK and libgs, the others for PSn00bSDK),
// with the loadtim.h each shows, compiles without a warning against the
// console libraries' declarations: as written for the default mode, and
// with the first line that each gives for asm mode.
TEST(DocumentedCTest, LoadTimCompilesInBothModes) {
  if (!CCompiler()) GTEST_SKIP() << "no C compiler found";
  Project p;
  MakeDir(p, "include");
  MakeDir(p, "include/sys");
  for (const auto &header : kConsoleHeaders)
    p.Write(std::string("include/") + header[0], header[1]);
  const std::regex asm_line(R"(void \\?%?LoadTim\(char \*\w+\)(?!;))");
  const std::string first = "void LoadTim(unsigned long addr)\n{\n";
  for (const char *doc : {ZENTRO_SOURCE_DIR "/README.md", ZENTRO_SOURCE_DIR "/doc/zentro.1",
                          ZENTRO_SOURCE_DIR "/cmake/zentroConfig.cmake.in"}) {
    SCOPED_TRACE(doc);
    std::string header;
    std::vector<std::string> samples;
    for (const std::string &block : CodeBlocks(doc)) {
      if (block.find("#ifdef ZENTRO_ASM") == 0) header = block;
      if (block.find(first) != std::string::npos) samples.push_back(block);
    }
    EXPECT_NE(header, "") << "no loadtim.h";
    const std::string path = doc;
    EXPECT_EQ(samples.size(), path.compare(path.size() - 2, 2, ".1") == 0 ? 2u : 1u);
    std::smatch said;
    const std::string text = ReadAll(doc);
    ASSERT_TRUE(std::regex_search(text, said, asm_line)) << "no first line for asm mode";
    const std::string asm_first =
        std::regex_replace(said.str(), std::regex(R"(\\%)"), "") + "\n{\n";
    p.Write("loadtim.h", header);
    for (const std::string &sample : samples) {
      for (bool asm_mode : {false, true}) {
        std::string code = sample;
        if (asm_mode) code.replace(code.find(first), first.size(), asm_first);
        p.Write("lt.c", code);
        int status;
        std::string cmd = std::string("cd ") + Quote(p.root()) + " && " + CCompiler() +
                          " -std=c99 -Wall -Wextra -Werror -Iinclude -include loadtim.h" +
                          (asm_mode ? " -DZENTRO_ASM" : "") + " -c lt.c -o /dev/null";
        std::string out = Shell(cmd, &status);
        EXPECT_EQ(status, 0) << cmd << "\n" << code << out;
      }
    }
  }
}

}  // namespace
