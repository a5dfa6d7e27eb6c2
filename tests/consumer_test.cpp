// The generated files fed to the programs that consume them: addrs.h and
// loadtims.c to the console CPU's C compiler (GCC for the R3000), caetla.bat
// and justexe.bat to a DOS-style command interpreter (wine's cmd) with a
// stand-in catflap.exe that logs how it was called. A test skips itself when
// its tool is not installed. And tests/glue, a console project that runs
// zentro through find_package(zentro) and zentro_glue(), built against
// zentro installed from this build tree: for this machine and for the
// console, with make and ninja, in both modes.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "e2e.h"

namespace {

// The full path of a program found on PATH or in one of the extra
// directories; empty when there is none.
std::string Find(const std::string &program, const std::vector<std::string> &extra = {}) {
  std::vector<std::string> dirs = extra;
  const char *path = getenv("PATH");
  std::string rest = path ? path : "/usr/bin:/bin";
  for (size_t start = 0;;) {
    size_t colon = rest.find(':', start);
    dirs.push_back(rest.substr(start, colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  for (const std::string &dir : dirs) {
    std::string candidate = dir + "/" + program;
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

struct Ran {
  int status;
  std::string output;  // standard output and standard error together
};

// Runs a program in a directory with extra environment variables; its
// standard output and standard error together.
Ran RunIn(const std::string &dir, const std::vector<std::string> &argv,
          const std::vector<std::string> &env = {}) {
  Result r = RunCommand(dir, argv, env);
  return {r.status, r.out + r.err};
}

// A small project like a real one: images, a level, a sound bank placed
// higher up by a start address, a remark and a file that is missing.
void MakeProject(const Project &p) {
  p.WriteData("font.tim", 0x2034);
  p.WriteData("sprites.tim", 0x214);
  p.WriteData("level.bin", 0x101);
  p.WriteData("Map01.Bin", 0x40);
  p.WriteData("music.vh", 0x40);
  p.WriteData("music.vb", 0x1000);
  p.Config(
      "# load order\r\n"
      "font.tim\r\n"
      "sprites.tim player and enemy sprites\r\n"
      "level.bin\r\n"
      "missing.tim\r\n"
      "Map01.Bin\r\n"
      "$80100000\r\n"
      "music.vh\r\n"
      "music.vb\r\n");
}

// The command that README.md ("Linking the output") and the manual page
// (under loadtims.c) give for compiling loadtims.c, copied from them as
// written: a user runs it in the project root.
const char kDocumentedCompile[] =
    "mipsel-linux-gnu-gcc -march=r3000 -mno-abicalls \\\n"
    "  -fno-pic -msoft-float -G0 -ffreestanding \\\n"
    "  -std=c99 -include loadtim.h -c loadtims.c\n";

const char *const kSymbols[] = {"FONT_TIM",  "SPRITES_TIM", "LEVEL_BIN",
                                "MAP01_BIN", "MUSIC_VH",    "MUSIC_VB"};

// loadtims.c with addrs.h compiled for the console's R3000, warnings as
// errors, in both modes; a second unit checks that the compiler reads every
// macro of addrs.h as the layout meant it. The documented command, with the
// documented loadtim.h, compiles loadtims.c without a word into an object
// the console runs: MIPS I code, not position-independent.
TEST(ConsoleCompilerTest, CompilesGeneratedSources) {
  std::string cc = Find("mipsel-linux-gnu-gcc");
  std::string nm = Find("mipsel-linux-gnu-nm");
  std::string readelf = Find("mipsel-linux-gnu-readelf");
  if (cc.empty() || nm.empty() || readelf.empty())
    GTEST_SKIP() << "mipsel-linux-gnu-gcc is not installed (Debian: gcc-mipsel-linux-gnu)";
  const std::vector<std::string> flags = {"-march=r3000", "-msoft-float", "-mno-abicalls",
                                          "-fno-pic",     "-G0",          "-std=gnu89",
                                          "-Wall",        "-Wextra",      "-Werror"};
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "-asm" : "default mode");
    Project p;
    MakeProject(p);
    Result r =
        RunZentro(p, asm_mode ? std::vector<std::string>{"-asm"} : std::vector<std::string>{});
    ASSERT_EQ(r.status, 0) << r.out;

    // LoadTim belongs to the console program; loadtims.c calls it undeclared.
    // Both prototypes, as the manual page gives them.
    p.Write("loadtim.h", std::string(asm_mode ? "void LoadTim(char *tim);\n"
                                              : "void LoadTim(unsigned long addr);\n") +
                             "void LoadTims(void);\n");
    std::string check = "#include \"addrs.h\"\n";
    if (asm_mode) {
      for (const char *s : kSymbols)
        check += std::string("char *use_") + s + "(void) { return " + s + "; }\n";
    } else {
      check +=
          "typedef char font[FONT_TIM == 0x80090000UL ? 1 : -1];\n"
          "typedef char sprites[SPRITES_TIM == 0x80092034UL ? 1 : -1];\n"
          "typedef char level[LEVEL_BIN == 0x80092248UL ? 1 : -1];\n"
          "typedef char map[MAP01_BIN == 0x8009234CUL ? 1 : -1];\n"
          "typedef char vh[MUSIC_VH == 0x80100000UL ? 1 : -1];\n"
          "typedef char vb[MUSIC_VB == 0x80100040UL ? 1 : -1];\n";
    }
    check +=
        "typedef char size[FONT_TIM_SIZE == 0x2034 && LEVEL_BIN_SIZE == 0x101 &&"
        " MUSIC_VB_SIZE == 0x1000 ? 1 : -1];\n";
    check += "typedef char used[USED_MEM == 0x81040 ? 1 : -1];\n";
    p.Write("check.c", check);

    std::vector<std::string> compile = {cc};
    compile.insert(compile.end(), flags.begin(), flags.end());
    std::vector<std::string> loadtims = compile;
    for (const char *a : {"-include", "loadtim.h", "-c", "loadtims.c", "-o", "strict.o"})
      loadtims.push_back(a);
    Ran built = RunIn(p.root(), loadtims);
    ASSERT_EQ(built.status, 0) << built.output << "\n" << p.Read("loadtims.c");
    EXPECT_EQ(built.output, "");
    std::vector<std::string> checker = compile;
    for (const char *a : {"-c", "check.c", "-o", "check.o"}) checker.push_back(a);
    Ran checked = RunIn(p.root(), checker);
    EXPECT_EQ(checked.status, 0) << checked.output << "\n" << p.Read("addrs.h");

    Ran documented = RunIn(p.root(), {"/bin/sh", "-c", kDocumentedCompile});
    ASSERT_EQ(documented.status, 0) << documented.output;
    EXPECT_EQ(documented.output, "");
    // e_flags: the architecture in the top four bits, 0 for MIPS I (no
    // mips32r2); 0x2 PIC and 0x4 CPIC, code that calls through $gp and $t9.
    Ran header = RunIn(p.root(), {readelf, "-h", "loadtims.o"});
    std::smatch field;
    ASSERT_TRUE(std::regex_search(header.output, field, std::regex("Flags: +0x([0-9a-f]+)")))
        << header.output;
    unsigned long eflags = std::stoul(field[1], nullptr, 16);
    EXPECT_EQ(eflags & 0xf0000000UL, 0UL) << "not MIPS I:\n" << header.output;
    EXPECT_EQ(eflags & 0x6UL, 0UL) << "position-independent:\n" << header.output;

    Ran symbols = RunIn(p.root(), {nm, "loadtims.o"});
    ASSERT_EQ(symbols.status, 0) << symbols.output;
    EXPECT_NE(symbols.output.find(" T LoadTims\n"), std::string::npos) << symbols.output;
    EXPECT_NE(symbols.output.find(" U LoadTim\n"), std::string::npos) << symbols.output;
    for (const char *image : {"FONT_TIM", "SPRITES_TIM"})
      EXPECT_EQ(symbols.output.find(std::string(" U ") + image + "\n") != std::string::npos,
                asm_mode)
          << symbols.output;
  }
}

// caetla.bat and justexe.bat run by wine's cmd: catflap.exe (a stand-in that
// appends its arguments to catflap.log) is called for every upload, with the
// name below data and the address, in configuration order, then to run
// main.exe.
TEST(CommandInterpreterTest, RunsGeneratedScripts) {
  std::string mingw = Find("x86_64-w64-mingw32-gcc");
  std::string wine = Find("wine64", {"/usr/lib/wine"});
  if (mingw.empty())
    GTEST_SKIP() << "x86_64-w64-mingw32-gcc is not installed (Debian: gcc-mingw-w64)";
  if (wine.empty()) GTEST_SKIP() << "wine64 is not installed (Debian: wine64)";
  // A prefix made before (CI exports one) saves making a new one here.
  const char *prefix = getenv("WINEPREFIX");
  const std::vector<std::string> env = {
      std::string("WINEPREFIX=") + (prefix && *prefix ? prefix : ZENTRO_WINEPREFIX),
      "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="};
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "-asm" : "default mode");
    Project p;
    MakeProject(p);
    Result r =
        RunZentro(p, asm_mode ? std::vector<std::string>{"-asm"} : std::vector<std::string>{});
    ASSERT_EQ(r.status, 0) << r.out;

    p.Write("catflap.c",
            "#include <stdio.h>\n"
            "int main(int argc, char **argv) {\n"
            "  FILE *log = fopen(\"catflap.log\", \"ab\");\n"
            "  int i;\n"
            "  if (!log) return 1;\n"
            "  for (i = 1; i < argc; i++) fprintf(log, \"%s%s\", i > 1 ? \" \" : \"\", argv[i]);\n"
            "  fputs(\"\\n\", log);\n"
            "  return fclose(log) != 0;\n"
            "}\n");
    Ran built = RunIn(p.root(), {mingw, "-o", "catflap.exe", "catflap.c"});
    ASSERT_EQ(built.status, 0) << built.output;

    Ran caetla = RunIn(p.root(), {wine, "cmd", "/c", "caetla.bat"}, env);
    EXPECT_EQ(caetla.status, 0) << caetla.output;
    EXPECT_EQ(p.Read("catflap.log"), asm_mode ? "run main.exe\n"
                                              : "up data\\font.tim 80090000\n"
                                                "up data\\sprites.tim 80092034\n"
                                                "up data\\level.bin 80092248\n"
                                                "up data\\Map01.Bin 8009234C\n"
                                                "up data\\music.vh 80100000\n"
                                                "up data\\music.vb 80100040\n"
                                                "run main.exe\n")
        << caetla.output;

    unlink(p.Path("catflap.log").c_str());
    Ran justexe = RunIn(p.root(), {wine, "cmd", "/c", "justexe.bat"}, env);
    if (asm_mode) {
      // The script is empty; what cmd returns for an empty script is its own
      // business.
      EXPECT_FALSE(p.Exists("catflap.log"));
    } else {
      EXPECT_EQ(justexe.status, 0) << justexe.output;
      EXPECT_EQ(p.Read("catflap.log"), "run main.exe\n") << justexe.output;
    }
  }
}

// zentro-gas run as a user runs it, in a project root holding data.s and
// an older out.s: each row's command line and data.s, its exit status,
// standard output and error, and what is left in out.s ("" when nothing
// is there; "old" when the file was not touched; "?" not looked at). A
// limit on file size is set by the shell that starts it; strace makes the
// removal of a half file fail. out.s may be a symbolic link, which must
// stay: to /dev/full, or to target.s.
TEST(GasTest, ExitStatusMessagesAndOutput) {
  const std::string data =
      "; data.s created by ZENTRO V3.0\r\n\r\n\topt c+ ;case sensitivity\r\n"
      "\tsection datasection\r\n\r\n\tglobal A\r\nA:\r\n\tincbin \"data\\a\"\r\n"
      "\tcnop 0,4\r\n\r\n; a */ b */\r\nend\r\n";
  const std::string converted =
      "/* data.s created by ZENTRO V3.0 */\n\n\t.section .data.datasection,\"aw\"\n"
      "\t.balign 4\n\n\t.globl A\nA:\n\t.incbin \"data/a\"\n\t.balign 4\n\n/* a * / b * / */\n";
  std::string big = "; data.s created by ZENTRO V3.0\r\n";
  for (int i = 0; i < 200; i++) big += "\tglobal SYMBOL" + std::to_string(i) + "\r\n";
  const std::string limit = "ulimit -f 1; exec \"$0\" \"$@\"";
  struct Row {
    const char *what;
    std::vector<std::string> args;  // "$" is zentro-gas
    std::string input;
    int status;
    std::string err;
    std::string out_s;
    const char *link = nullptr;  // what out.s is a symbolic link to ("old" in target.s)
  } rows[] = {
      {"no argument", {"$"}, data, 2, "usage: zentro-gas DATA.S OUTPUT.S\n", "old"},
      {"one argument", {"$", "x.s"}, data, 2, "usage: zentro-gas DATA.S OUTPUT.S\n", "old"},
      {"converted", {"$", "data.s", "out.s"}, data, 0, "", converted},
      {"a line zentro does not write",
       {"$", "data.s", "out.s"},
       "; data.s\r\n\tsection datasection\r\n\tglobal\r\n",
       1,
       "zentro-gas: data.s:3: not a line of zentro's data.s\n",
       "old"},
      {"no data.s",
       {"$", "none.s", "out.s"},
       data,
       1,
       "zentro-gas: cannot read none.s: No such file or directory\n",
       "old"},
      {"a directory for data.s",
       {"$", "dir", "out.s"},
       data,
       1,
       "zentro-gas: cannot read dir: Is a directory\n",
       "old"},
      {"a full device",
       {"$", "data.s", "out.s"},
       data,
       1,
       "zentro-gas: cannot write out.s: No space left on device\n",
       "?",
       "/dev/full"},
      {"a file-size limit",
       {"/bin/sh", "-c", limit, "$", "data.s", "out.s"},
       big,
       1,
       "zentro-gas: cannot write out.s: File too large\n",
       ""},
      {"a file-size limit, out.s a link to a file",
       {"/bin/sh", "-c", limit, "$", "data.s", "out.s"},
       big,
       1,
       "zentro-gas: cannot write out.s: File too large\n",
       "",
       "target.s"},
      // The message names the write's error, not that of the removal after it.
      {"a file-size limit, the half file cannot be removed",
       {"strace", "-E", "ASAN_OPTIONS=detect_leaks=0", "-o", "/dev/null", "-e",
        "inject=unlink,unlinkat:error=EPERM", "/bin/sh", "-c", limit, "$", "data.s", "out.s"},
       big,
       1,
       "zentro-gas: cannot write out.s: File too large\n",
       "?"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Project p;
    p.Write("data.s", row.input);
    mkdir(p.Path("dir").c_str(), 0755);
    if (row.link) {
      p.Write("target.s", "old");
      MakeSymlink(p, row.link, "out.s");
    } else {
      p.Write("out.s", "old");
    }
    std::vector<std::string> argv = row.args;
    for (std::string &arg : argv)
      if (arg == "$") arg = ZENTRO_GAS;
    if (argv[0] == "strace") {
      argv[0] = Find("strace");
      if (argv[0].empty()) continue;  // strace is missing: tests/run installs it
    }
    Result r = RunCommand(p.root(), argv);
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, row.err);
    if (row.link) {
      struct stat st;
      EXPECT_EQ(lstat(p.Path("out.s").c_str(), &st), 0) << "the link was removed";
    }
    if (row.out_s != "?") {
      EXPECT_EQ(p.Exists("out.s") ? p.Read("out.s") : "", row.out_s);
    }
  }
}

// zentro installed from this build tree, once for all the glue tests.
const std::string &Prefix() {
  static Project prefix;
  static bool installed = [] {
    Ran r = RunIn(prefix.root(), {ZENTRO_CMAKE, "--install", ZENTRO_BUILD_DIR, "--prefix", "."});
    EXPECT_EQ(r.status, 0) << r.output;
    return true;
  }();
  (void)installed;
  return prefix.root();
}

// The generators to try: make always, ninja when it is installed.
std::vector<std::string> Generators() {
  std::vector<std::string> generators = {"Unix Makefiles"};
  if (!Find("ninja").empty()) generators.push_back("Ninja");
  return generators;
}

// tests/glue, copied into the project.
Ran CopyGlue(const Project &p) {
  return RunIn(p.root(), {ZENTRO_CMAKE, "-E", "copy_directory", ZENTRO_GLUE_SOURCE, "."});
}

// tests/glue, copied into the project with its data directory named
// data_dir, configured in the build tree dir with the generator and the
// extra arguments.
Ran Configure(const Project &p, const std::string &generator, const std::string &data_dir,
              const std::vector<std::string> &extra, const std::string &dir = "b") {
  if (!p.Exists("CMakeLists.txt")) {
    Ran copied = CopyGlue(p);
    if (copied.status != 0) return copied;
    size_t slash = data_dir.rfind('/');
    if (slash != std::string::npos) mkdir(p.Path(data_dir.substr(0, slash)).c_str(), 0755);
    if (data_dir != "data" && rename(p.Path("data").c_str(), p.Path(data_dir).c_str()) != 0)
      return {1, "cannot rename data to " + data_dir};
  }
  std::vector<std::string> argv = {ZENTRO_CMAKE, "-S", ".",       "-B",
                                   dir,          "-G", generator, "-DGLUE_DATA=" + data_dir};
  argv.insert(argv.end(), extra.begin(), extra.end());
  return RunIn(p.root(), argv);
}

Ran Build(const Project &p, const std::string &dir = "b") {
  return RunIn(p.root(), {ZENTRO_CMAKE, "--build", dir});
}

// A command run in a directory as from a terminal (util-linux's script
// gives it one) on which nobody types, ended after a minute: a key wait of
// zentro's would hang it. Run plainly where script is missing. The
// terminal's input is a process that never writes, ended with the command:
// nothing is left running after it.
Ran RunFromTerminal(const std::string &dir, const std::vector<std::string> &argv,
                    const std::vector<std::string> &env = {}) {
  std::string bash = Find("bash"), script = Find("script"), timeout = Find("timeout");
  if (bash.empty() || script.empty() || timeout.empty()) return RunIn(dir, argv, env);
  std::string command;
  for (const std::string &arg : argv) command += "'" + arg + "' ";
  const std::string quiet = "zentro-test-quiet-" + std::to_string(getpid());
  Ran r = RunIn(
      dir,
      {bash, "-c",
       "exec 3< <(exec -a " + quiet + " sleep 60 >/dev/null 2>&1); quiet=$!; " + timeout + " 60 " +
           script + " -qec \"$0\" /dev/null <&3 3<&-; status=$?; kill $quiet; wait $quiet; exit $status",
       command},
      env);
  int left = 0;
  if (DIR *proc = opendir("/proc")) {
    while (struct dirent *e = readdir(proc)) {
      std::ifstream cmdline(std::string("/proc/") + e->d_name + "/cmdline");
      std::string name;
      if (std::getline(cmdline, name, '\0') && name == quiet) left++;
    }
    closedir(proc);
  }
  EXPECT_EQ(left, 0) << "processes left running";
  return r;
}

size_t Count(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) n++;
  return n;
}

// The glue project's two programs, one per mode on one data directory, run
// in its root: every array checked against its file in asm mode, every
// address and size shown in the default mode. A data file's name holds a
// $; with ninja the data directory has another name, which holds a space,
// in a directory of its own, and loadtim.h is found beside CMakeLists.txt.
// A file removed and put back with its old time reruns zentro, and so do a
// new zentro and a new package; ZENTRO_GLUE_DIR names the glue. A second
// build tree of the same source has glue of its own, and neither writes
// into the source tree. The addrs.h that zentro run by hand leaves in the
// project root stops every build until it is removed.
TEST(GlueTest, RerunsZentroExactlyWhenTheGlueIsOutOfDate) {
  for (const std::string &generator : Generators()) {
    SCOPED_TRACE(generator);
    const std::string data = generator == "Ninja" ? "assets/my gfx" : "data";
    const std::string root = generator == "Ninja" ? "assets/" : "";
    Project p;
    Ran configured = Configure(p, generator, data, {"-DCMAKE_PREFIX_PATH=" + Prefix()});
    ASSERT_EQ(configured.status, 0) << configured.output;
    EXPECT_NE(configured.output.find("glue_default's glue: " + p.Path("b/zentro-glue_default")),
              std::string::npos)
        << configured.output;
    // A name that the dependency file must escape, and one without a dot.
    for (const char *name : {"odd$name.bin", "NODOT"}) {
      p.Write(data + "/" + name, "odd");
      p.Write(data + "/memcfg.cfg", p.Read(data + "/memcfg.cfg") + name + "\r\n");
    }
    auto line = [&](bool asm_mode, const char *symbol, const char *size, const char *addr) {
      return std::string(symbol) + " " + size + " " + (asm_mode ? "ok" : addr) + "\n";
    };
    // Both programs print what they should: for each file its line, then
    // the images loaded.
    auto run = [&](const std::string &what, const std::string &dir,
                   const std::vector<std::vector<const char *>> &files) {
      SCOPED_TRACE(what);
      for (bool asm_mode : {false, true}) {
        Ran r = RunIn(p.root(), {p.Path(dir + (asm_mode ? "/glue_asm" : "/glue_default"))});
        EXPECT_EQ(r.status, 0) << r.output;
        std::string want;
        for (const auto &f : files) want += line(asm_mode, f[0], f[1], f[2]);
        EXPECT_EQ(r.output, want + "loaded FONT_TIM\n") << (asm_mode ? "-asm" : "default mode");
      }
    };
    // A build that must run both zentros, or must run nothing at all.
    auto build = [&](const std::string &what, bool reruns, const std::string &dir = "b") {
      SCOPED_TRACE(what);
      Ran r = Build(p, dir);
      EXPECT_EQ(r.status, 0) << r.output;
      EXPECT_EQ(Count(r.output, "Running zentro in " + p.Path(data)), reruns ? 1u : 0u) << r.output;
      EXPECT_EQ(Count(r.output, "Running zentro -asm in " + p.Path(data)), reruns ? 1u : 0u)
          << r.output;
      if (reruns) return;
      for (const char *step : {"Building", "Linking"})
        EXPECT_EQ(r.output.find(step), std::string::npos) << r.output;
    };
    const std::vector<const char *> font = {"FONT_TIM", "0x16", "0x80090000"};
    const std::vector<const char *> level = {"LEVEL_BIN", "0x19", "0x80100000"};

    build("first build", true);
    run("first build", "b", {font, {"LEVEL_BIN", "0x8", "0x80100000"}});
    // The data needs no executable stack, and the program does not get one.
    std::string readelf = Find("readelf");
    if (!readelf.empty()) {
      Ran headers = RunIn(p.root(), {readelf, "-lW", "b/glue_asm"});
      EXPECT_NE(headers.output.find("GNU_STACK"), std::string::npos) << headers.output;
      EXPECT_EQ(headers.output.find(" RWE "), std::string::npos) << headers.output;
    }
    build("nothing changed", false);

    p.Write(data + "/level.bin", "level 2, which is longer\n");
    build("a data file changed", true);
    run("a data file changed", "b", {font, level});
    build("nothing changed after the data file", false);
    for (const char *name : {"odd$name.bin", "NODOT"}) {
      p.Write(data + "/" + name, "odd 2");
      build(std::string(name) + " changed", true);
      build(std::string("nothing changed after ") + name, false);
    }
    // A new zentro or a new package makes the glue again.
    for (const char *file : {"bin/zentro", "lib/cmake/zentro/zentro-glue.cmake"}) {
      // The data, then the glue made older first, as the file system's
      // clock may be coarse.
      Ran touched = RunIn(p.Path(data), {Find("find"), ".", "-exec", Find("touch"), "-h", "-d",
                                         "2 minutes ago", "{}", "+"});
      EXPECT_EQ(touched.status, 0) << touched.output;
      touched = RunIn(p.root(),
                      {Find("touch"), "-d", "1 minute ago", p.Path("b/zentro-glue_default/stamp"),
                       p.Path("b/zentro-glue_asm/stamp")});
      EXPECT_EQ(touched.status, 0) << touched.output;
      touched = RunIn(p.root(), {Find("touch"), Prefix() + "/" + file});
      EXPECT_EQ(touched.status, 0) << touched.output;
      build(std::string("a new ") + file, true);
    }

    const std::string config = p.Read(data + "/memcfg.cfg");
    p.Write(data + "/memcfg.cfg", config + "extra.bin\r\n");
    p.Write(data + "/extra.bin", "xyz");
    build("an entry added", true);
    run("an entry added", "b", {font, level, {"EXTRA_BIN", "0x3", "0x8010002C"}});

    unlink(p.Path(data + "/extra.bin").c_str());
    for (const char *what : {"a named file removed", "the build after it"}) {
      SCOPED_TRACE(what);
      Ran r = Build(p);
      EXPECT_NE(r.status, 0) << r.output;
      EXPECT_NE(r.output.find("zentro in " + p.Path(data) + " reported:"), std::string::npos)
          << r.output;
      EXPECT_NE(r.output.find("Error reading extra.bin does the file exist?"), std::string::npos)
          << r.output;
    }

    // Put back with the time it had: the failed runs left no glue behind.
    p.Write(data + "/extra.bin", "xyz");
    Ran aged = RunIn(p.root(), {Find("touch"), "-d", "1 hour ago", p.Path(data + "/extra.bin")});
    EXPECT_EQ(aged.status, 0) << aged.output;
    {
      // make stops at the first failure, so only the default mode's zentro
      // may have failed; that one runs again.
      SCOPED_TRACE("the named file put back with its old time");
      Ran r = Build(p);
      EXPECT_EQ(r.status, 0) << r.output;
      EXPECT_EQ(Count(r.output, "Running zentro in " + p.Path(data)), 1u) << r.output;
    }
    build("nothing changed after it was put back", false);

    {
      // Images that overwrite another with other halfwords, or lie in a
      // region that the default mode's target reserves: no build.
      SCOPED_TRACE("images that overwrite each other");
      const std::string font = p.Read(data + "/font.tim");
      std::string over = font, framed = font;
      over[20] ^= 1;
      framed[12] = framed[13] = 0;  // at 0,0
      p.Write(data + "/over.tim", over);
      p.Write(data + "/framed.tim", framed);
      p.Write(data + "/memcfg.cfg", config + "over.tim\r\nframed.tim\r\n");
      Ran r = Build(p);
      EXPECT_NE(r.status, 0) << r.output;
      for (const char *message :
           {"zentro-map: over.tim's pixels overwrite font.tim's pixels with other halfwords: "
            "they share 640,0 1x1",
            "zentro-map: framed.tim's pixels (0,0 1x1) lie in the reserved region 0,0 320x240: "
            "they share 0,0 1x1"})
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
    }
    p.Write(data + "/memcfg.cfg", config);
    build("the entry removed", true);
    run("the entry removed", "b", {font, level});
    build("nothing changed at the end", false);

    {
      // From a terminal, an unaligned start address: zentro waits for no
      // key, and its messages reach the build's output.
      SCOPED_TRACE("from a terminal");
      p.Write(data + "/late.bin", "late");
      p.Write(data + "/memcfg.cfg", config + "$80100102\r\nlate.bin\r\n");
      Ran r = RunFromTerminal(p.root(), {ZENTRO_CMAKE, "--build", "b"});
      EXPECT_EQ(r.status, 0) << r.output;
      EXPECT_NE(r.output.find("New START Offset 0x80100102"), std::string::npos) << r.output;
    }

    configured = Configure(p, generator, data, {"-DCMAKE_PREFIX_PATH=" + Prefix()}, "b2");
    ASSERT_EQ(configured.status, 0) << configured.output;
    build("a second build tree", true, "b2");
    run("a second build tree", "b2", {font, level});
    build("the first tree after the second", false);
    for (const char *file : {"caetla.bat", "addrs.h", "loadtims.c", "justexe.bat", "data.s"})
      EXPECT_FALSE(p.Exists(file)) << file << " written into the source tree";
    // caetla.bat uploads data\NAME from its own directory, where data/ is
    // the data directory.
    EXPECT_NE(p.Read("b/zentro-glue_default/caetla.bat").find("catflap up data\\font.tim 80090000"),
              std::string::npos);
    EXPECT_EQ(p.Read("b/zentro-glue_default/data/font.tim"), p.Read(data + "/font.tim"));

    {
      // zentro run by hand leaves an addrs.h in the project root, which a
      // source there would include: no build while it is there.
      SCOPED_TRACE("an addrs.h in the project root");
      // The last check made older, so that a file system's coarse clock
      // cannot give the root the same time.
      for (const char *mode : {"default", "asm"}) {
        Ran aged = RunIn(p.root(), {Find("touch"), "-d", "1 minute ago",
                                    p.Path(std::string("b/zentro-glue_") + mode + "/shadows")});
        EXPECT_EQ(aged.status, 0) << aged.output;
      }
      Ran by_hand = RunIn(p.Path(data), {Prefix() + "/bin/zentro"});
      EXPECT_EQ(by_hand.status, 0) << by_hand.output;
      for (int i = 0; i < 2; i++) {
        Ran r = Build(p);
        EXPECT_NE(r.status, 0) << r.output;
        EXPECT_NE(
            r.output.find("zentro_glue: " + p.Path(root + "addrs.h") + " would be compiled in"),
            std::string::npos)
            << r.output;
        EXPECT_EQ(r.output.find("Building C"), std::string::npos) << r.output;
      }
      EXPECT_TRUE(p.Exists(root + "addrs.h")) << "the user's file was removed";
      unlink(p.Path(root + "addrs.h").c_str());
      build("the addrs.h removed", false);
    }
  }
}

// What a project gets wrong, or what cannot run, stops it with a clear
// message: an older major version asked for, asm mode without the ASM
// language, a zentro that is not executable or is killed.
TEST(GlueTest, RefusesWhatCannotWork) {
  struct Row {
    const char *what;
    std::string cmakelists;
    const char *zentro;  // what replaces the installed zentro, if anything
    std::string message;
  } rows[] = {
      {"version 2 asked for", "find_package(zentro 2.0 REQUIRED)\n", nullptr,
       "compatible\n  with requested version \"2.0\""},
      {"asm mode without ASM",
       "find_package(zentro 3.0 REQUIRED)\nadd_executable(m main.c)\nzentro_glue(m ASM)\n", nullptr,
       "the ASM language is not enabled"},
      {"zentro not executable",
       "find_package(zentro 3.0 REQUIRED)\nadd_executable(m main.c)\nzentro_glue(m)\n", "",
       "zentro could not run in "},
      {"zentro killed",
       "find_package(zentro 3.0 REQUIRED)\nadd_executable(m main.c)\nzentro_glue(m)\n",
       "#!/bin/sh\nkill -9 $$\n", "zentro could not run in "},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Project p;
    Ran copied = CopyGlue(p);
    ASSERT_EQ(copied.status, 0) << copied.output;
    p.Write("CMakeLists.txt",
            "cmake_minimum_required(VERSION 3.25)\nproject(r C)\n" + row.cmakelists);
    std::string prefix = Prefix();
    if (row.zentro) {
      Ran c = RunIn(p.root(), {ZENTRO_CMAKE, "-E", "copy_directory", Prefix(), "prefix"});
      ASSERT_EQ(c.status, 0) << c.output;
      if (*row.zentro) p.Write("prefix/bin/zentro", row.zentro);
      chmod(p.Path("prefix/bin/zentro").c_str(), *row.zentro ? 0755 : 0644);
      prefix = p.Path("prefix");
    }
    Ran r = RunIn(p.root(), {ZENTRO_CMAKE, "-S", ".", "-B", "b", "-DCMAKE_PREFIX_PATH=" + prefix});
    if (r.status == 0) r = Build(p);
    EXPECT_NE(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(row.message), std::string::npos) << r.output;
  }
}

// The symbols that nm lists, with the low 32 bits of their addresses.
std::map<std::string, unsigned long> Symbols(const std::string &nm_output) {
  std::map<std::string, unsigned long> symbols;
  std::istringstream in(nm_output);
  std::string addr, type, name;
  while (in >> addr >> type >> name)
    symbols[name] = std::stoul(addr.substr(addr.size() > 8 ? addr.size() - 8 : 0), nullptr, 16);
  return symbols;
}

// The CMake block of README.md that holds the text, as written.
std::string ReadmeBlock(const std::string &text) {
  std::ifstream in(ZENTRO_GLUE_SOURCE "/../../README.md");
  std::string line, block;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line == "```cmake") {
      inside = true;
      block.clear();
    } else if (inside && line == "```") {
      inside = false;
      if (block.find(text) != std::string::npos) return block;
    } else if (inside) {
      block += line + "\n";
    }
  }
  ADD_FAILURE() << "README.md shows no CMake block with " << text;
  return "";
}

// Its lines.
std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The glue project built for the console with the R3000 cross compiler, by
// the README's toolchain file with a sysroot that confines find_package to
// it, so zentro is found through zentro_DIR; small variables addressed through $gp and more than
// 64 KiB of data, linked by a script of the console SDKs' shape. In asm
// mode the program's .data holds every file's bytes at its label, each
// label 4-aligned. A default-mode program that reaches its data's first
// address fails the build, naming both ranges, and is removed.
TEST(GlueTest, BuildsForTheConsole) {
  std::string nm = Find("mipsel-linux-gnu-nm");
  std::string objcopy = Find("mipsel-linux-gnu-objcopy");
  if (Find("mipsel-linux-gnu-gcc").empty() || nm.empty() || objcopy.empty())
    GTEST_SKIP() << "mipsel-linux-gnu-gcc is not installed (Debian: gcc-mipsel-linux-gnu)";
  for (const std::string &generator : Generators()) {
    SCOPED_TRACE(generator);
    Project p;
    const std::vector<std::string> console = {"-DCMAKE_TOOLCHAIN_FILE=" + p.Path("console.cmake"),
                                              "-Dzentro_DIR=" + Prefix() + "/lib/cmake/zentro"};
    p.Write("console.cmake", ReadmeBlock("set(CMAKE_SYSTEM_NAME Generic)") +
                                 "include(${CMAKE_CURRENT_LIST_DIR}/mipsel.cmake)\n");
    Ran configured = Configure(p, generator, "data", console);
    ASSERT_EQ(configured.status, 0) << configured.output;
    p.WriteData("big.bin", 0x19000);
    p.Config(p.Read("data/memcfg.cfg") + "big.bin\r\n");
    Ran built = Build(p);
    ASSERT_EQ(built.status, 0) << built.output;
    for (bool asm_mode : {false, true}) {
      SCOPED_TRACE(asm_mode ? "-asm" : "default mode");
      const std::string program = asm_mode ? "b/glue_asm" : "b/glue_default";
      Ran listed = RunIn(p.root(), {nm, program});
      ASSERT_EQ(listed.status, 0) << listed.output;
      std::map<std::string, unsigned long> symbols = Symbols(listed.output);
      EXPECT_EQ(symbols.count("LoadTims"), 1u) << listed.output;
      EXPECT_EQ(symbols.count("FONT_TIM"), asm_mode ? 1u : 0u) << listed.output;
      if (!asm_mode) continue;

      Ran copied = RunIn(p.root(), {objcopy, "-O", "binary", "-j", ".data", program, "d"});
      ASSERT_EQ(copied.status, 0) << copied.output;
      const std::string section = p.Read("d");
      for (const char *name : {"font.tim", "level.bin", "big.bin"}) {
        SCOPED_TRACE(name);
        std::string symbol = name;
        for (char &c : symbol) c = c == '.' ? '_' : toupper(c);
        const std::string bytes = p.Read(std::string("data/") + name);
        unsigned long at = symbols[symbol] - symbols["glue_data"];
        EXPECT_EQ(symbols[symbol] % 4, 0u) << listed.output;
        EXPECT_EQ(section.substr(at, bytes.size()), bytes) << listed.output;
      }
    }

    std::vector<std::string> grown = console;
    grown.push_back("-DGLUE_PAD=0x80000");
    configured = Configure(p, generator, "data", grown);
    ASSERT_EQ(configured.status, 0) << configured.output;
    built = Build(p);
    EXPECT_NE(built.status, 0) << built.output;
    for (const std::string &text :
         {std::string("zentro-map: the program overlaps its data in RAM:"),
          p.Path("b/glue_default") + " takes 0x80010000-0x8009",
          std::string("where caetla.bat uploads data\\font.tim (0x80090000-0x80090015).")})
      EXPECT_NE(built.output.find(text), std::string::npos) << text << "\n" << built.output;
    EXPECT_FALSE(p.Exists("b/glue_default"));
    grown.back() = "-DGLUE_PAD=16";
    configured = Configure(p, generator, "data", grown);
    ASSERT_EQ(configured.status, 0) << configured.output;
    built = Build(p);
    EXPECT_EQ(built.status, 0) << built.output;
  }
}

// The upload targets of the glue project, with tests/console_standin.py as
// nops and a directory as the console behind ZENTRO_PORT, whose RAM lasts
// from one upload to the next. Each upload sends exactly the files changed
// or moved, and the program; a failed file is sent again by the next one;
// the _upload_all target sends everything; then the RAM holds every file at
// its address. In asm mode only the program goes. A missing port and a
// missing uploader stop the step with what to set.
TEST(GlueTest, UploadSendsWhatChanged) {
  const std::string standin = ZENTRO_GLUE_SOURCE "/../console_standin.py";
  if (Find("python3").empty()) GTEST_SKIP() << "python3 is not installed (Debian: python3)";
  Project p;
  Ran configured = Configure(p, "Unix Makefiles", "data",
                             {"-DCMAKE_PREFIX_PATH=" + Prefix(), "-DGLUE_UPLOAD=" + standin});
  ASSERT_EQ(configured.status, 0) << configured.output;
  mkdir(p.Path("console").c_str(), 0755);
  p.Write("data/a.bin", "aaaa");
  p.Write("data/b.bin", "bbbbbb");
  p.Config("font.tim\r\na.bin\r\nb.bin\r\n$80100000\r\nlevel.bin\r\n");
  const std::vector<std::string> port = {"ZENTRO_PORT=" + p.Path("console")};
  size_t seen = 0;
  // One upload: the files the console got, "name address" each, then the
  // program.
  auto upload = [&](const std::string &what, const std::string &target,
                    const std::vector<std::string> &files, const std::vector<std::string> &env,
                    const std::string &message = "") {
    SCOPED_TRACE(what);
    Ran r = RunIn(p.root(), {ZENTRO_CMAKE, "--build", "b", "--target", target}, env);
    EXPECT_EQ(r.status != 0, !message.empty()) << r.output;
    EXPECT_NE(r.output.find(message.empty() ? "zentro_upload: sent " : message), std::string::npos)
        << r.output;
    std::string log = p.Exists("console/log") ? p.Read("console/log") : "", want;
    for (const std::string &file : files) want += "bin " + file + "\n";
    if (message.empty()) want += "exe " + p.Path("b/" + target.substr(0, target.find("_up"))) + " ";
    EXPECT_EQ(log.substr(seen).substr(0, want.size()), want);
    seen = log.size();
  };
  const std::string font = "80090000 data/font.tim ", a = "80090018 data/a.bin 4",
                    b = "8009001C data/b.bin 6", level = "80100000 data/level.bin ";
  upload("the first upload", "glue_default_upload", {font + "22", a, b, level + "8"}, port);
  upload("nothing changed", "glue_default_upload", {}, port);
  p.Write("data/level.bin", "LEVEL 1\n");
  upload("a file changed", "glue_default_upload", {level + "8"}, port);
  p.Write("data/font.tim", p.Read("data/font.tim") + "1234");
  upload("a file grown", "glue_default_upload",
         {font + "26", "8009001C data/a.bin 4", "80090020 data/b.bin 6"}, port);
  p.Write("data/font.tim", p.Read("data/font.tim") + "5678");
  std::vector<std::string> failing = port;
  failing.push_back("ZENTRO_CONSOLE_FAIL=a.bin");
  upload("the uploader failing on the second file", "glue_default_upload",
         {font + "30", "80090020 data/a.bin 4 failed"}, failing,
         "zentro_upload: the upload of data/a.bin failed (1)");
  upload("after the failure", "glue_default_upload",
         {"80090020 data/a.bin 4", "80090024 data/b.bin 6"}, port);
  upload("everything", "glue_default_upload_all",
         {font + "30", "80090020 data/a.bin 4", "80090024 data/b.bin 6", level + "8"}, port);
  const std::string ram = p.Read("console/ram");
  const std::vector<std::pair<const char *, unsigned>> at = {
      {"font.tim", 0x90000}, {"a.bin", 0x90020}, {"b.bin", 0x90024}, {"level.bin", 0x100000}};
  for (const auto &file : at) {
    const std::string bytes = p.Read(std::string("data/") + file.first);
    EXPECT_EQ(ram.substr(file.second, bytes.size()), bytes) << file.first;
  }
  // A file grown over the start address of the next: zentro-map stops the
  // build, and nothing is sent.
  p.Config("font.tim\r\n$80090020\r\nlevel.bin\r\n");
  upload("a start address", "glue_default_upload", {"80090020 data/level.bin 8"}, port);
  p.Write("data/font.tim", p.Read("data/font.tim") + "12345");
  upload("a file grown over the next", "glue_default_upload", {}, port,
         "zentro-map: data\\level.bin (0x80090020-0x80090027) overwrites part of data\\font.tim "
         "(0x80090000-0x80090022) in RAM: the start address line $80090020 in memcfg.cfg put "
         "data\\level.bin there");
  p.Config("font.tim\r\nlevel.bin\r\n");
  upload("asm mode", "glue_asm_upload", {}, port);
  upload("no port", "glue_default_upload", {}, {"ZENTRO_PORT="},
         "zentro_upload: the uploader needs a port");
  configured = Configure(p, "Unix Makefiles", "data", {"-DGLUE_UPLOAD=/nonexistent/nops"});
  ASSERT_EQ(configured.status, 0) << configured.output;
  upload("no uploader", "glue_default_upload", {}, port,
         "zentro_upload: cannot find the uploader /nonexistent/nops");

  // The README's forms, each on a target of its own, as written.
  std::string cmakelists =
      "cmake_minimum_required(VERSION 3.25)\nproject(r C)\nfind_package(zentro 3.0 REQUIRED)\n";
  int n = 0;
  for (const std::string &line : Lines(ReadmeBlock("zentro_upload(main NOPS)"))) {
    std::string target = "m" + std::to_string(++n);
    cmakelists += "add_executable(" + target + " main.c)\nzentro_glue(" + target + ")\n" +
                  std::regex_replace(line, std::regex("\\(main "), "(" + target + " ") + "\n";
  }
  EXPECT_EQ(n, 4);
  p.Write("CMakeLists.txt", cmakelists);
  configured =
      RunIn(p.root(), {ZENTRO_CMAKE, "-S", ".", "-B", "readme", "-DCMAKE_PREFIX_PATH=" + Prefix()});
  EXPECT_EQ(configured.status, 0) << configured.output;
}

// A 32-bit little-endian MIPS ELF file with the program headers given as
// {type, address, size in memory}.
std::string Elf32(const std::vector<std::array<uint32_t, 3>> &headers) {
  std::string elf(52 + 32 * headers.size(), '\0');
  auto put = [&](size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; i++) elf[at + i] = static_cast<char>(value >> (8 * i));
  };
  elf.replace(0, 7,
              "\x7f"
              "ELF\x01\x01\x01");
  put(16, 2, 2);  // an executable
  put(18, 8, 2);  // MIPS
  put(20, 1, 4);
  put(28, 52, 4);  // the program headers follow the ELF header
  put(40, 52, 2);
  put(42, 32, 2);
  put(44, static_cast<uint32_t>(headers.size()), 2);
  for (size_t i = 0; i < headers.size(); i++) {
    size_t at = 52 + 32 * i;
    put(at, headers[i][0], 4);
    put(at + 8, headers[i][1], 4);
    put(at + 12, headers[i][1], 4);
    put(at + 20, headers[i][2], 4);
  }
  return elf;
}

// zentro-map on programs and caetla.bat made here: where the program ends
// and the data begins, files of 0 bytes, several files met (the message
// names the lowest), one file alone, which program header overlaps.
TEST(MapTest, ProgramOverlapsItsData) {
  const uint32_t kLoad = 1, kNote = 4;
  struct Row {
    const char *what;
    std::vector<std::array<uint32_t, 3>> headers;
    // Each file's name, its address in caetla.bat and its size.
    std::vector<std::pair<std::string, std::pair<const char *, size_t>>> files;
    std::string takes;  // the program's range in the message; "" when it builds
    std::string file;   // the file it meets
  } rows[] = {
      {"ends where its data begins",
       {{kLoad, 0x80010000, 0x80000}},
       {{"font.tim", {"80090000", 4}}},
       "",
       ""},
      {"one byte further",
       {{kLoad, 0x80010000, 0x80001}},
       {{"font.tim", {"80090000", 4}}},
       "0x80010000-0x80090000",
       "font.tim (0x80090000-0x80090003)"},
      {"a file of 0 bytes inside it",
       {{kLoad, 0x80010000, 0x80000}},
       {{"empty.bin", {"80050000", 0}}, {"font.tim", {"80090000", 4}}},
       "",
       ""},
      {"several files met, the lowest named",
       {{kLoad, 0x80010000, 0x90000}},
       {{"font.tim", {"80090000", 4}}, {"low.bin", {"80080000", 8}}},
       "0x80010000-0x8009FFFF",
       "low.bin (0x80080000-0x80080007)"},
      {"the second program header",
       {{kNote, 0x80088000, 0x10000}, {kLoad, 0x80010000, 0x100}, {kLoad, 0x80089000, 0x8000}},
       {{"a.bin", {"80080000", 4}}, {"font.tim", {"80090000", 4}}},
       "0x80089000-0x80090FFF",
       "font.tim (0x80090000-0x80090003)"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Project p;
    std::string caetla = "@echo off\r\nREM caetla.bat created by ZENTRO V3.0\r\n";
    for (const auto &file : row.files) {
      caetla += "catflap up data\\" + file.first + " " + file.second.first + "\r\n";
      p.WriteData(file.first, file.second.second);
    }
    p.Write("caetla.bat", caetla + "catflap run main.exe");
    p.Write("main", Elf32(row.headers));
    p.Write("loadtims.c", "");
    Ran r = RunIn(p.root(), {ZENTRO_MAP, p.root(), p.Path("main")});
    EXPECT_EQ(r.status != 0, !row.takes.empty()) << r.output;
    for (const std::string &text :
         {std::string("zentro-map: the program overlaps its data in RAM:"),
          p.Path("main") + " takes " + row.takes + ",",
          "where caetla.bat uploads data\\" + row.file + "."}) {
      if (!row.takes.empty()) {
        EXPECT_NE(r.output.find(text), std::string::npos) << text << "\n" << r.output;
      }
    }
  }
}

// The Makefile of the manual's EXAMPLE, as a reader copies it from the page.
std::string ManualMakefile() {
  std::ifstream in(ZENTRO_MAN_PAGE);
  std::string line, makefile;
  bool section = false, display = false;
  while (std::getline(in, line)) {
    if (line == ".SS \"In a Makefile\"") section = true;
    if (!section) continue;
    if (line == ".EE") break;
    if (display) {
      for (size_t at = 0; (at = line.find('\\', at)) != std::string::npos;) {
        char next = line[at + 1];
        line.replace(at, 2, next == 'e' ? "\\" : next == '-' ? "-" : "");
        at += next == '&' ? 0 : 1;
      }
      makefile += line + "\n";
    }
    if (line == ".EX") display = true;
  }
  return makefile;
}

// The manual's Makefile in a project with the glue test's data, in both
// modes, with the installed zentro and zentro-gas on PATH: the same rerun
// and failure rules as zentro_glue. Every file is made older after each
// run, so that an edit the test makes right after it is seen as newer.
TEST(GlueTest, ManualMakefileRerunsZentroExactlyWhenTheGlueIsOutOfDate) {
  std::string make = Find("make");
  if (make.empty()) GTEST_SKIP() << "make is not installed (Debian: make)";
  const std::string makefile = ManualMakefile();
  ASSERT_NE(makefile.find("-include zentro.stamp.d\n"), std::string::npos) << makefile;
  const char *path = getenv("PATH");
  const std::vector<std::string> env = {"PATH=" + Prefix() +
                                        "/bin:" + (path ? path : "/usr/bin:/bin")};
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "-asm" : "default mode");
    Project p;
    Ran copied =
        RunIn(p.root(), {ZENTRO_CMAKE, "-E", "copy_directory", ZENTRO_GLUE_SOURCE "/data", "data"});
    ASSERT_EQ(copied.status, 0) << copied.output;
    p.Write("Makefile", makefile);
    std::vector<std::string> argv = {make};
    if (asm_mode) argv.insert(argv.end(), {"MODE=-asm", "data-gas.s"});
    auto build = [&](const std::string &what, bool reruns, bool fails = false) {
      SCOPED_TRACE(what);
      Ran r = RunIn(p.root(), argv, env);
      EXPECT_EQ(r.status != 0, fails) << r.output;
      EXPECT_EQ(r.output.find("ZENTRO Version 3") != std::string::npos, reruns) << r.output;
      // Nothing of its own: not even on the first run, with nothing made yet.
      EXPECT_EQ(r.output.find("No such file"), std::string::npos) << r.output;
      if (fails) {
        EXPECT_NE(r.output.find("Error reading extra.bin does the file exist?"), std::string::npos)
            << r.output;
      }
      Ran aged = RunIn(
          p.root(), {Find("find"), ".", "-exec", Find("touch"), "-d", "10 seconds ago", "{}", "+"});
      EXPECT_EQ(aged.status, 0) << aged.output;
    };
    build("first run", true);
    build("nothing changed", false);
    p.Write("data/level.bin", "level 2, which is longer\n");
    build("a data file changed", true);
    EXPECT_NE(p.Read("addrs.h").find("#define LEVEL_BIN_SIZE 0x19\r\n"), std::string::npos);
    const std::string config = p.Read("data/memcfg.cfg");
    p.Config(config + "extra.bin\r\n");
    p.Write("data/extra.bin", "xyz");
    build("an entry added", true);
    EXPECT_NE(p.Read("addrs.h").find("#define EXTRA_BIN_SIZE 0x3\r\n"), std::string::npos);
    unlink(p.Path("data/extra.bin").c_str());
    build("a named file removed", true, true);
    build("the run after it", true, true);
    p.Write("data/extra.bin", "xyz");  // aged below, with the rest
    build("the named file put back", true);
    {
      SCOPED_TRACE("zentro not on PATH");
      p.Write("data/level.bin", "level 3\n");
      Ran r = RunIn(p.root(), argv, {"PATH=/nonexistent"});
      EXPECT_NE(r.status, 0) << r.output;
    }
    p.Config(config);
    build("the entry removed", true);
    EXPECT_EQ(p.Read("addrs.h").find("EXTRA_BIN"), std::string::npos);
    build("nothing changed at the end", false);
    {
      // From a terminal, an unaligned start address: no key wait.
      SCOPED_TRACE("from a terminal");
      p.Write("data/late.bin", "late");
      p.Config(config + "$80100102\r\nlate.bin\r\n");
      Ran r = RunFromTerminal(p.root(), argv, env);
      EXPECT_EQ(r.status, 0) << r.output;
      EXPECT_NE(r.output.find("New START Offset 0x80100102"), std::string::npos) << r.output;
      p.Config(config);
      build("the start address removed", true);
    }
    if (asm_mode) {
      EXPECT_NE(p.Read("data-gas.s").find("\t.incbin \"data/level.bin\"\n"), std::string::npos);
    }

    // The other mode and back: each switch reruns zentro, and addrs.h is
    // the mode's own. A generated file removed is made again.
    const std::vector<std::string> mode = argv;
    const std::vector<std::string> other =
        asm_mode ? std::vector<std::string>{make}
                 : std::vector<std::string>{make, "MODE=-asm", "data-gas.s"};
    auto arrays = [&] {
      return p.Read("addrs.h").find("extern char FONT_TIM[];") != std::string::npos;
    };
    argv = other;
    build("the other mode", true);
    EXPECT_EQ(arrays(), !asm_mode);
    build("the other mode again", false);
    argv = mode;
    build("back to this mode", true);
    EXPECT_EQ(arrays(), asm_mode);
    for (const char *file : {"addrs.h", "justexe.bat"}) {
      unlink(p.Path(file).c_str());
      argv = {make, asm_mode ? "MODE=-asm" : "MODE=", file};
      build(std::string(file) + " removed", true);
      EXPECT_TRUE(p.Exists(file));
    }
    argv = mode;
    build("nothing changed after the switches", false);
  }
}

}  // namespace
