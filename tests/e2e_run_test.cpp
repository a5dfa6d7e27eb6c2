// End-to-end: the run sequence. Command line forms, the early exits, files
// that cannot be created or written, data files that are not regular files,
// and the exit status of each.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "e2e.h"
#include "e2e_texts.h"

namespace {

using namespace zt;

void MakeDir(const Project &p, const std::string &rel) {
  ASSERT_EQ(mkdir(p.Path(rel).c_str(), 0777), 0) << rel;
}

void MakeSymlink(const Project &p, const std::string &target, const std::string &rel) {
  ASSERT_EQ(symlink(target.c_str(), p.Path(rel).c_str()), 0) << rel;
}

bool IsDir(const Project &p, const std::string &rel) {
  struct stat st;
  return lstat(p.Path(rel).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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

// memcfg.cfg missing, or a directory of that name: the three-line message,
// a key wait, exit status 1, and nothing created.
TEST(EarlyExitTest, ConfigCannotBeOpened) {
  for (bool asm_mode : {false, true}) {
    for (bool as_dir : {false, true}) {
      SCOPED_TRACE(std::string(asm_mode ? "asm" : "default") +
                   (as_dir ? ", directory" : ", missing"));
      Project p;
      p.WriteData("font.tim", 16);
      if (as_dir) MakeDir(p, "data/memcfg.cfg");
      Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(r.out, Dos(kBanner + (asm_mode ? kAsmLine : "") + kConfigError));
      for (const char *name : {"caetla.bat", "addrs.h", "loadtims.c", "data.s", "justexe.bat"})
        EXPECT_FALSE(p.Exists(name)) << name;
    }
  }
}

// A generated file that cannot be created: its message, no key wait, exit
// status 1. The files opened before it hold exactly their headers; nothing
// after it is created.
TEST(EarlyExitTest, GeneratedFileCannotBeCreated) {
  struct Opened {
    const char *name;
    std::string header;
  };
  const std::vector<Opened> order = {{"caetla.bat", kCaetlaHeader},
                                     {"addrs.h", kAddrsHeader},
                                     {"loadtims.c", kLoadtimsHeader},
                                     {"data.s", kDatasHeader}};
  for (bool asm_mode : {false, true}) {
    size_t count = asm_mode ? 4 : 3;
    for (size_t bad = 0; bad < count; bad++) {
      SCOPED_TRACE(std::string(asm_mode ? "asm: " : "default: ") + order[bad].name);
      Project p;
      p.WriteData("font.tim", 16);
      p.Config("font.tim\nmissing.bin\n");
      p.Write("justexe.bat", "old content");
      MakeDir(p, order[bad].name);
      Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "");
      std::string out = kBanner + (asm_mode ? kAsmLine : "") + kReading;
      for (size_t i = 0; i < bad; i++) out += std::string("Writing ..\\") + order[i].name + "\n";
      out += std::string("Error opening ..\\") + order[bad].name + "\n";
      EXPECT_EQ(r.out, Dos(out));
      for (size_t i = 0; i < bad; i++)
        EXPECT_EQ(p.Read(order[i].name), Dos(order[i].header)) << order[i].name;
      EXPECT_TRUE(IsDir(p, order[bad].name));
      for (size_t i = bad + 1; i < order.size(); i++)
        EXPECT_FALSE(p.Exists(order[i].name)) << order[i].name;
      if (!asm_mode) {
        EXPECT_FALSE(p.Exists("data.s"));
      }
      EXPECT_EQ(p.Read("justexe.bat"), "old content");
    }
  }
}

// justexe.bat that cannot be created: nothing is said, everything else is
// complete, and the exit status is -1.
TEST(JustexeTest, CannotBeCreated) {
  for (bool asm_mode : {false, true}) {
    SCOPED_TRACE(asm_mode ? "asm" : "default");
    Project p;
    p.WriteData("a.bin", 8);
    p.Config("a.bin\n");
    MakeDir(p, "justexe.bat");
    Result r = RunZentro(p, asm_mode ? kAsm : kDefault);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Dos(Opening(asm_mode) + (asm_mode ? "" : "catflap up data\\a.bin 80090000\n") +
                         "End of memcfg.cfg\ncatflap run main.exe\n"));
    EXPECT_EQ(p.Read("caetla.bat"), Caetla(asm_mode ? "" : "catflap up data\\a.bin 80090000\n"));
    EXPECT_EQ(p.Read("addrs.h"),
              Addrs(asm_mode ? "extern char A_BIN[];\n#define A_BIN_SIZE 0x8\n"
                             : "#define A_BIN 0x80090000\n#define A_BIN_SIZE 0x8\n",
                    "0x10008 // 64 Kbytes"));
    EXPECT_EQ(p.Read("loadtims.c"), Loadtims(""));
    if (asm_mode) {
      EXPECT_EQ(p.Read("data.s"), Datas(Incbin("A_BIN", "a.bin")));
    }
    EXPECT_TRUE(IsDir(p, "justexe.bat"));
  }
}

// A generated file whose writes fail (a link to /dev/full): "Error writing"
// right after that file is closed, the run goes on, exit status -1.
TEST(WriteFailureTest, ReportedAtCloseInFinishingOrder) {
  if (!RunsNatively()) GTEST_SKIP() << "needs a symlink to /dev/full";
  struct Case {
    std::vector<std::string> full;  // the files that are links to /dev/full
    bool asm_mode;
    std::string closing;  // the console from "End of memcfg.cfg" on
  };
  const Case cases[] = {
      {{"loadtims.c"},
       false,
       "End of memcfg.cfg\nError writing ..\\loadtims.c\ncatflap run main.exe\n"
       "Writing ..\\justexe.bat\n"},
      {{"caetla.bat"},
       false,
       "End of memcfg.cfg\ncatflap run main.exe\nError writing ..\\caetla.bat\n"
       "Writing ..\\justexe.bat\n"},
      {{"addrs.h"},
       false,
       "End of memcfg.cfg\ncatflap run main.exe\nError writing ..\\addrs.h\n"
       "Writing ..\\justexe.bat\n"},
      {{"justexe.bat"},
       false,
       "End of memcfg.cfg\ncatflap run main.exe\nWriting ..\\justexe.bat\n"
       "Error writing ..\\justexe.bat\n"},
      {{"data.s"}, true, "End of memcfg.cfg\ncatflap run main.exe\nError writing ..\\data.s\n"},
      {{"loadtims.c", "caetla.bat", "addrs.h", "data.s", "justexe.bat"},
       true,
       "End of memcfg.cfg\nError writing ..\\loadtims.c\ncatflap run main.exe\n"
       "Error writing ..\\caetla.bat\nError writing ..\\addrs.h\nError writing ..\\data.s\n"},
      {{"loadtims.c", "caetla.bat", "addrs.h", "justexe.bat"},
       false,
       "End of memcfg.cfg\nError writing ..\\loadtims.c\ncatflap run main.exe\n"
       "Error writing ..\\caetla.bat\nError writing ..\\addrs.h\nWriting ..\\justexe.bat\n"
       "Error writing ..\\justexe.bat\n"},
  };
  for (const Case &c : cases) {
    std::string trace = c.asm_mode ? "asm:" : "default:";
    for (const auto &f : c.full) trace += " " + f;
    SCOPED_TRACE(trace);
    Project p;
    p.WriteData("font.tim", 16);
    p.Config("font.tim\n");
    for (const auto &f : c.full) MakeSymlink(p, "/dev/full", f);
    Result r = RunZentro(p, c.asm_mode ? kAsm : kDefault);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "");
    std::string entry = c.asm_mode ? "" : "catflap up data\\font.tim 80090000\n";
    EXPECT_EQ(r.out, Dos(Opening(c.asm_mode) + entry +
                         "TIM image found, FONT_TIM adding to ..\\loadtims.c\n" + c.closing));
    auto is_full = [&](const std::string &name) {
      for (const auto &f : c.full)
        if (f == name) return true;
      return false;
    };
    // The files that could be written are complete.
    if (!is_full("caetla.bat")) {
      EXPECT_EQ(p.Read("caetla.bat"), Caetla(entry));
    }
    if (!is_full("loadtims.c")) {
      EXPECT_EQ(p.Read("loadtims.c"), Loadtims(" LoadTim(FONT_TIM);\n"));
    }
    if (!is_full("addrs.h")) {
      EXPECT_EQ(p.Read("addrs.h"),
                Addrs(c.asm_mode ? "extern char FONT_TIM[];\n#define FONT_TIM_SIZE 0x10\n"
                                 : "#define FONT_TIM 0x80090000\n#define FONT_TIM_SIZE 0x10\n",
                      "0x10010 // 64 Kbytes"));
    }
    if (c.asm_mode && !is_full("data.s")) {
      EXPECT_EQ(p.Read("data.s"), Datas(Incbin("FONT_TIM", "font.tim")));
    }
    if (!is_full("justexe.bat")) {
      EXPECT_EQ(p.Read("justexe.bat"), c.asm_mode ? "" : Dos(kJustexe));
    }
  }
}

// A file whose buffer fills up during the run fails before its close; the
// failure is still reported once, at the close, and the run goes on.
TEST(WriteFailureTest, FailureDuringTheRunReportedOnceAtClose) {
  if (!RunsNatively()) GTEST_SKIP() << "needs a symlink to /dev/full";
  Project p;
  std::string config, console, uploads;
  for (int i = 0; i < 40; i++) {
    std::string name = "file" + std::to_string(10 + i) + ".bin";
    p.WriteData(name, 4);
    config += name + "\n";
    char line[80];
    snprintf(line, sizeof line, "catflap up data\\%s %X\n", name.c_str(), 0x80090000u + 4u * i);
    uploads += line;
  }
  p.Config(config);
  MakeSymlink(p, "/dev/full", "addrs.h");
  Result r = RunZentro(p);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, Dos(Opening(false) + uploads +
                       "End of memcfg.cfg\ncatflap run main.exe\nError writing ..\\addrs.h\n"
                       "Writing ..\\justexe.bat\n"));
  EXPECT_EQ(p.Read("caetla.bat"), Caetla(uploads));
  EXPECT_EQ(p.Read("justexe.bat"), Dos(kJustexe));
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

// Opens the FIFO for writing when zentro is still blocked opening it long
// after it should have moved on, so that a faulty build fails instead of
// hanging the suite.
class FifoWatchdog {
 public:
  explicit FifoWatchdog(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~FifoWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  bool fired() const { return fired_; }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (cv_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; })) return;
    while (!done_) {
      int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        fired_ = true;
        close(fd);
      }
      cv_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; });
    }
  }

  std::string path_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

TEST(DataFileTest, FifoCountsAsMissingAndDoesNotBlock) {
  if (!RunsNatively()) GTEST_SKIP() << "needs a POSIX FIFO";
  Project p;
  p.WriteData("a.bin", 4);
  ASSERT_EQ(mkfifo(p.Path("data/pipe.tim").c_str(), 0666), 0);
  p.WriteData("b.bin", 4);
  p.Config("a.bin\npipe.tim\nb.bin\n");
  Result r;
  bool blocked;
  {
    FifoWatchdog watchdog(p.Path("data/pipe.tim"));
    r = RunZentro(p);
    blocked = watchdog.fired();
  }
  EXPECT_FALSE(blocked) << "zentro waited for a writer on the FIFO";
  Expected e;
  e.console =
      "catflap up data\\a.bin 80090000\n"
      "Error reading pipe.tim does the file exist?\n"
      "catflap up data\\b.bin 80090004\n";
  e.uploads = "catflap up data\\a.bin 80090000\ncatflap up data\\b.bin 80090004\n";
  e.addrs =
      "#define A_BIN 0x80090000\n#define A_BIN_SIZE 0x4\n"
      "#define B_BIN 0x80090004\n#define B_BIN_SIZE 0x4\n";
  e.used = "0x10008 // 64 Kbytes";
  ExpectRun(p, r, e);
}

// A data file that is a link to a regular file is an ordinary data file; a
// dangling link is a missing one.
TEST(DataFileTest, SymlinksFollowed) {
  if (!RunsNatively()) GTEST_SKIP() << "needs POSIX symlinks";
  Project p;
  p.WriteData("real.bin", 12);
  MakeSymlink(p, "real.bin", "data/link.tim");
  MakeSymlink(p, "nowhere.bin", "data/dangling.bin");
  p.Config("link.tim\ndangling.bin\n");
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
