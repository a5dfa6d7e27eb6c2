// The configuration reader: reading lines as DOS text, classifying them, the
// start-address value, names, symbols and the image rule.
#include "memcfg.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A temporary memcfg.cfg with the given bytes, removed again at the end.
class ConfigFile {
 public:
  explicit ConfigFile(const std::string &bytes) {
    char name[] = "/tmp/zentro-memcfg-XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    path_ = name;
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
  }
  ~ConfigFile() { unlink(path_.c_str()); }
  const char *path() const { return path_.c_str(); }

 private:
  std::string path_;
};

// Every inbuff that ReadLine yields for the bytes, all 60 bytes of each.
std::vector<std::string> ReadAll(const std::string &bytes) {
  ConfigFile file(bytes);
  static ConfigStream in;
  std::vector<std::string> lines;
  EXPECT_TRUE(OpenConfig(in, file.path()));
  memset(inbuff, 'j', sizeof inbuff);  // junk that a read must clear
  while (ReadLine(in) && lines.size() < 100000) lines.emplace_back(inbuff, sizeof inbuff);
  // At the end, inbuff is left cleared, and the end stays the end.
  EXPECT_EQ(std::string(inbuff, sizeof inbuff), std::string(60, '\0'));
  EXPECT_FALSE(ReadLine(in));
  CloseConfig(in);
  return lines;
}

// A line as it should stand in inbuff: the text, then zero bytes.
std::string Buf(const std::string &text) {
  std::string s = text;
  s.resize(60, '\0');
  return s;
}

std::vector<std::string> Bufs(const std::vector<std::string> &texts) {
  std::vector<std::string> v;
  for (const auto &t : texts) v.push_back(Buf(t));
  return v;
}

TEST(ReadLineTest, LinesKeepTheirLineFeed) {
  EXPECT_EQ(ReadAll("font.tim\nlevel.bin\n"), Bufs({"font.tim\n", "level.bin\n"}));
  EXPECT_EQ(ReadAll("\n\n"), Bufs({"\n", "\n"}));
  EXPECT_EQ(ReadAll("a.bin\nb.bin"), Bufs({"a.bin\n", "b.bin"}));
  EXPECT_EQ(ReadAll(""), Bufs({}));
}

// A short line after a long one: the rest of the buffer is zero again.
TEST(ReadLineTest, BufferClearedBeforeEveryRead) {
  std::string long_line(50, 'L');
  EXPECT_EQ(ReadAll(long_line + "\nab\n"), Bufs({long_line + "\n", "ab\n"}));
}

TEST(ReadLineTest, CarriageReturnsAreDropped) {
  EXPECT_EQ(ReadAll("a.bin\r\nb.bin\r\n"), Bufs({"a.bin\n", "b.bin\n"}));
  EXPECT_EQ(ReadAll("a.\rb\r\r\n\r\n"), Bufs({"a.b\n", "\n"}));
  EXPECT_EQ(ReadAll("a.bin\rb.bin\r"), Bufs({"a.binb.bin"}));
  EXPECT_EQ(ReadAll("\r\r\r"), Bufs({}));
  // The 59 characters are counted after the carriage returns are gone.
  std::string crs;
  for (int i = 0; i < 59; i++) crs += "x\r";
  EXPECT_EQ(ReadAll(crs + "\n"), Bufs({std::string(59, 'x'), "\n"}));
}

TEST(ReadLineTest, CtrlZEndsTheInput) {
  EXPECT_EQ(ReadAll("a.bin\n\x1A"
                    "b.bin\n"),
            Bufs({"a.bin\n"}));
  EXPECT_EQ(ReadAll("a.bin\nb.b\x1Ain\n"), Bufs({"a.bin\n", "b.b"}));
  EXPECT_EQ(ReadAll("\x1A"), Bufs({}));
  EXPECT_EQ(ReadAll("\x1A\x1A"
                    "a\n"),
            Bufs({}));
}

// At most 59 characters a read; the 60th byte of inbuff stays zero.
TEST(ReadLineTest, LongLinesComeInPiecesOf59) {
  std::string s70;
  for (int i = 0; i < 70; i++) s70 += static_cast<char>('A' + i % 26);
  EXPECT_EQ(ReadAll(s70.substr(0, 58) + "\n"), Bufs({s70.substr(0, 58) + "\n"}));
  EXPECT_EQ(ReadAll(s70.substr(0, 59) + "\n"), Bufs({s70.substr(0, 59), "\n"}));
  EXPECT_EQ(ReadAll(s70.substr(0, 60) + "\n"), Bufs({s70.substr(0, 59), s70.substr(59, 1) + "\n"}));
  EXPECT_EQ(ReadAll(s70 + "\n"), Bufs({s70.substr(0, 59), s70.substr(59) + "\n"}));
  std::string s200(200, 'z');
  EXPECT_EQ(ReadAll(s200), Bufs({std::string(59, 'z'), std::string(59, 'z'), std::string(59, 'z'),
                                 std::string(23, 'z')}));
}

// Zero bytes in the file are read like any other byte.
TEST(ReadLineTest, ZeroBytesAreData) {
  EXPECT_EQ(ReadAll(std::string("\0ab\n", 4)), Bufs({std::string("\0ab\n", 4)}));
}

// A file much larger than any read buffer: nothing lost or doubled at the
// seams.
TEST(ReadLineTest, LargeFile) {
  std::string bytes;
  std::vector<std::string> expected;
  for (int i = 0; i < 3000; i++) {
    std::string name = "file" + std::to_string(i) + ".bin";
    bytes += name + (i % 2 ? "\r\n" : "\n");
    expected.push_back(name + "\n");
  }
  EXPECT_EQ(ReadAll(bytes), Bufs(expected));
}

TEST(ConfigTest, OpenFailsForMissingFileAndDirectory) {
  ConfigStream in;
  EXPECT_FALSE(OpenConfig(in, "/tmp/zentro-no-such-file/memcfg.cfg"));
  CloseConfig(in);
  EXPECT_FALSE(OpenConfig(in, "/tmp"));
  CloseConfig(in);
}

ConfigLine Classify(const std::string &line) {
  memset(inbuff, 0, sizeof inbuff);
  memcpy(inbuff, line.data(), line.size());
  return ClassifyLine();
}

TEST(ClassifyLineTest, FirstCharacterDecides) {
  EXPECT_EQ(Classify("\n"), kBlankLine);
  EXPECT_EQ(Classify(" font.tim\n"), kCommentLine);
  EXPECT_EQ(Classify(" \n"), kCommentLine);
  EXPECT_EQ(Classify("#font.tim\n"), kCommentLine);
  EXPECT_EQ(Classify("#\n"), kCommentLine);
  EXPECT_EQ(Classify("$80100000\n"), kStartLine);
  EXPECT_EQ(Classify("$\n"), kStartLine);
  for (const char *entry : {"font.tim\n", "\tfont.tim\n", "9.bin\n", ".x\n", "x", "%\n", "-1\n",
                            "\x80\n", "\xff\n", "a#b\n", "a$b\n"})
    EXPECT_EQ(Classify(entry), kEntryLine) << entry;
  EXPECT_EQ(Classify(std::string("\0x\n", 3)), kEntryLine);
}

TEST(ParseHex32Test, Forms) {
  struct Case {
    const char *text;
    uint32_t value;
  };
  const Case cases[] = {
      {"80010000\n", 0x80010000u},
      {"0x80010000\n", 0x80010000u},
      {"0X80010000\n", 0x80010000u},
      {" \t80010000\n", 0x80010000u},
      {"\n\v\f\r80010000", 0x80010000u},
      {"8001abCD\n", 0x8001ABCDu},
      {"+80010000\n", 0x80010000u},
      {"80010000 remark\n", 0x80010000u},
      {"000080010000\n", 0x80010000u},
      {"0x00000000FFFFFFFF\n", 0xFFFFFFFFu},
      {"FFFFFFFF\n", 0xFFFFFFFFu},
      {"0\n", 0u},
      {"\n", 0u},
      {"", 0u},
      {"+\n", 0u},
      {"-\n", 0u},
      {"0x\n", 0u},
      {"0xg\n", 0u},
      {"g1\n", 0u},
      {"- 1\n", 0u},
      {"+-1\n", 0u},
      {"-1\n", 0xFFFFFFFFu},
      {"-10\n", 0xFFFFFFF0u},
      {"-0x10\n", 0xFFFFFFF0u},
      {"-0\n", 0u},
      {"-FFFFFFFF\n", 1u},
      {"123456789\n", 0xFFFFFFFFu},
      {"100000000\n", 0xFFFFFFFFu},
      {"-123456789\n", 0xFFFFFFFFu},
      {"-100000000\n", 0xFFFFFFFFu},
      {"10000000000000000\n", 0xFFFFFFFFu},
      {"FFFFFFFFFFFFFFFFF0\n", 0xFFFFFFFFu},
  };
  for (const Case &c : cases) EXPECT_EQ(ParseHex32(c.text), c.value) << "[" << c.text << "]";
}

TEST(ParseHex32Test, StartAddressReadsAfterTheDollar) {
  Classify("$0x80100000\n");
  EXPECT_EQ(StartAddress(), 0x80100000u);
  Classify("$\n");
  EXPECT_EQ(StartAddress(), 0u);
}

TEST(ExtractNameTest, CutAtSpaceOrLineFeedInAllSixtyBytes) {
  struct Case {
    std::string line;
    std::string buf;  // all 60 bytes afterwards
  };
  const Case cases[] = {
      {"font.tim\n", Buf("font.tim")},
      {"music.vh level 1 bank\n", Buf(std::string("music.vh\0level\0"
                                                  "1\0bank",
                                                  21))},
      {"tab\tname.tim\n", Buf("tab\tname.tim")},
      {"\tlead\n", Buf("\tlead")},
      {"no.lf", Buf("no.lf")},
      {std::string(59, 'n'), Buf(std::string(59, 'n'))},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    memset(inbuff, 0, sizeof inbuff);
    memcpy(inbuff, c.line.data(), c.line.size());
    memset(oldbuff, 'j', sizeof oldbuff);
    ExtractName();
    EXPECT_EQ(std::string(inbuff, sizeof inbuff), c.buf);
    EXPECT_EQ(std::string(oldbuff, sizeof oldbuff), c.buf);
  }
}

// The name as EntrySymbol leaves it, with oldbuff still holding it as written.
std::string Symbol(const std::string &line) {
  memset(inbuff, 0, sizeof inbuff);
  memcpy(inbuff, line.data(), line.size());
  ExtractName();
  EntrySymbol();
  return inbuff;
}

TEST(EntrySymbolTest, UpperCaseAndUnderscores) {
  struct Case {
    const char *name;
    const char *symbol;
  };
  const Case cases[] = {
      {"font.tim\n", "FONT_TIM"},
      {"Map01.Bin\n", "MAP01_BIN"},
      {"a.b.c\n", "A_B_C"},
      {"abcdefghijklmnopqrstuvwxyz\n", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
      {"x-y_z.v2@{}[]`~\n", "X-Y_Z_V2@{}[]`~"},
      {"tab\tname\n", "TAB\tNAME"},
      {"caf\xc3\xa9.tim\n", "CAF\xc3\xa9_TIM"},
      {"\xe9t\xe9.bin\n", "\xe9T\xe9_BIN"},
      {"...\n", "___"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Symbol(c.name), c.symbol) << c.name;
    EXPECT_EQ(length, static_cast<int>(strlen(c.symbol))) << c.name;
  }
}

TEST(EntrySymbolTest, OldbuffKeepsTheNameAsWritten) {
  EXPECT_EQ(Symbol("MIXED.Tim remark\n"), "MIXED_TIM");
  EXPECT_STREQ(oldbuff, "MIXED.Tim");
  // Only the name itself is converted; the remark behind it stays as read.
  EXPECT_EQ(std::string(inbuff, 16), std::string("MIXED_TIM\0remark", 16));
}

TEST(IsImageTest, SymbolEndsInTim) {
  struct Case {
    const char *name;
    bool image;
  };
  const Case cases[] = {
      {"font.tim\n", true}, {"FONT.TIM\n", true},   {"fonttim\n", true},    {"MIXED.Tim\n", true},
      {"tim\n", true},      {".tim\n", true},       {"font.tim2\n", false}, {"tim.bin\n", false},
      {"ti\n", false},      {"t\n", false},         {"\n", false},          {"a.ti\n", false},
      {"timt\n", false},    {"font.tim x\n", true}, {"font.ti m\n", false},
  };
  for (const Case &c : cases) {
    Symbol(c.name);
    EXPECT_EQ(IsImage(), c.image) << c.name;
  }
}

// A short name must not look at what stood in inbuff before it.
TEST(IsImageTest, ShortNameAfterAnImage) {
  Symbol("abctim\n");
  EXPECT_TRUE(IsImage());
  Symbol("ti\n");
  EXPECT_FALSE(IsImage());
  Symbol("\n");
  EXPECT_FALSE(IsImage());
}

}  // namespace
