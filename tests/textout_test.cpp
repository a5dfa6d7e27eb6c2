// Text output: every line feed becomes CR LF, nothing else changes, nothing
// is appended, and everything buffered reaches the file at the close.
#include "textout.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class TextFile {
 public:
  TextFile() {
    char dir[] = "/tmp/zentro-textout-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/out.txt";
  }
  ~TextFile() {
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  const char *path() const { return path_.c_str(); }
  std::string Read() const {
    std::ifstream f(path_, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

 private:
  std::string dir_, path_;
};

// What PutText writes to a fresh file for the texts, one call each.
std::string Put(const std::vector<std::string> &texts) {
  TextFile f;
  TextStream s;
  EXPECT_TRUE(OpenText(s, f.path()));
  for (const auto &t : texts) PutText(s, t.c_str());
  EXPECT_TRUE(CloseText(s));
  return f.Read();
}

TEST(TextOutTest, LineFeedBecomesCrLfAndNothingElseChanges) {
  EXPECT_EQ(Put({}), "");
  EXPECT_EQ(Put({""}), "");
  EXPECT_EQ(Put({"abc"}), "abc");
  EXPECT_EQ(Put({"\n"}), "\r\n");
  EXPECT_EQ(Put({"a\nb\n"}), "a\r\nb\r\n");
  EXPECT_EQ(Put({"\n\n"}), "\r\n\r\n");
  EXPECT_EQ(Put({"lone\rcr"}), "lone\rcr");
  EXPECT_EQ(Put({"\r\n"}), "\r\r\n");
  EXPECT_EQ(Put({"\tglobal X\n", "end"}), "\tglobal X\r\nend");
  EXPECT_EQ(Put({"\x1A\x7F\x80\xff\n"}), "\x1A\x7F\x80\xff\r\n");
  EXPECT_EQ(Put({"back\\slash \"quoted\"\n"}), "back\\slash \"quoted\"\r\n");
}

TEST(TextOutTest, PrintTextFormats) {
  TextFile f;
  TextStream s;
  ASSERT_TRUE(OpenText(s, f.path()));
  PrintText(s, "catflap up data\\%s %X\n", "font.tim", 0x80090000u);
  PrintText(s, "#define %s_SIZE 0x%X\n", "ZERO", 0u);
  PrintText(s, "\n#define USED_MEM 0x%X // %d Kbytes\n", 0xFFFF0000u, 4194240);
  PrintText(s, "%s", "no line feed");
  ASSERT_TRUE(CloseText(s));
  EXPECT_EQ(f.Read(),
            "catflap up data\\font.tim 80090000\r\n"
            "#define ZERO_SIZE 0x0\r\n"
            "\r\n#define USED_MEM 0xFFFF0000 // 4194240 Kbytes\r\n"
            "no line feed");
}

// Output of many buffers' worth arrives complete, also when a line feed's
// CR and LF fall on either side of a buffer boundary.
TEST(TextOutTest, LargeOutputArrivesComplete) {
  for (size_t offset = 0; offset < 4; offset++) {
    SCOPED_TRACE(offset);
    std::string in, want;
    for (int i = 0; in.size() < 5000; i++) {
      std::string line = std::string(offset + static_cast<size_t>(i % 7), 'p') + std::to_string(i) +
                         (i % 3 ? "\n" : "\n\n");
      in += line;
    }
    for (char c : in) want += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Put({in}), want);
    // The same text in small pieces.
    std::vector<std::string> pieces;
    for (size_t i = 0; i < in.size(); i += 13) pieces.push_back(in.substr(i, 13));
    EXPECT_EQ(Put(pieces), want);
  }
  // Exactly one buffer's worth, and one line feed more.
  EXPECT_EQ(Put({std::string(511, 'x') + "\n"}), std::string(511, 'x') + "\r\n");
  EXPECT_EQ(Put({std::string(512, 'x'), "\n"}), std::string(512, 'x') + "\r\n");
}

// A new file gets 0666 less the umask, as from fopen: with umask 002 the
// group may write it too. An existing file is truncated.
TEST(TextOutTest, OpenCreatesAndTruncates) {
  TextFile f;
  mode_t old_mask = umask(002);
  TextStream s;
  bool opened = OpenText(s, f.path());
  umask(old_mask);
  ASSERT_TRUE(opened);
  ASSERT_TRUE(CloseText(s));
  struct stat st;
  ASSERT_EQ(stat(f.path(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
  {
    std::ofstream old(f.path(), std::ios::binary);
    old << "old content that is longer";
  }
  ASSERT_TRUE(OpenText(s, f.path()));
  PutText(s, "new\n");
  ASSERT_TRUE(CloseText(s));
  EXPECT_EQ(f.Read(), "new\r\n");

  ASSERT_TRUE(OpenText(s, f.path()));
  ASSERT_TRUE(CloseText(s));
  EXPECT_EQ(f.Read(), "");
}

TEST(TextOutTest, OpenFailsForDirectory) {
  char dir[] = "/tmp/zentro-textout-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  TextStream s;
  EXPECT_FALSE(OpenText(s, dir));
  std::string missing = std::string(dir) + "/no/such/dir/file";
  EXPECT_FALSE(OpenText(s, missing.c_str()));
  // A stream that never opened closes quietly and without a failure.
  EXPECT_TRUE(CloseText(s));
  rmdir(dir);
}

// Writes that fail (a full device) show at the close, whether the buffer
// filled up before or not, and so does a close that fails (where a network
// file system or a full quota reports a delayed write error); the stream can
// be used again afterwards.
TEST(TextOutTest, WriteFailureReportedAtClose) {
  TextStream s;
  {
    // Everything is written before the close, which then fails: its
    // descriptor is gone.
    TextFile f;
    ASSERT_TRUE(OpenText(s, f.path()));
    PutText(s, "written\n");
    FlushText(s);
    ASSERT_EQ(f.Read(), "written\r\n");
    ASSERT_EQ(close(s.fd), 0);
    EXPECT_FALSE(CloseText(s));
  }

  struct stat st;
  if (stat("/dev/full", &st) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_TRUE(OpenText(s, "/dev/full"));
  PutText(s, "short\n");
  EXPECT_FALSE(CloseText(s));

  ASSERT_TRUE(OpenText(s, "/dev/full"));
  PutText(s, std::string(3000, 'x').c_str());
  PutText(s, "more\n");
  EXPECT_FALSE(CloseText(s));

  TextFile f;
  ASSERT_TRUE(OpenText(s, f.path()));
  PutText(s, "fine\n");
  EXPECT_TRUE(CloseText(s));
  EXPECT_EQ(f.Read(), "fine\r\n");
}

}  // namespace
