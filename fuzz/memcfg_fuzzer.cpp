// libFuzzer target: the whole run, in-process, on arbitrary memcfg.cfg bytes.
// The first input byte picks the mode (odd: -asm), the rest is memcfg.cfg.
// After every run the generated files and the console output are checked:
//  - every line feed is preceded by a carriage return and every carriage
//    return is followed by a line feed (names cannot hold either);
//  - each file has its fixed header and trailer, and the files agree with
//    each other: the same entries, in the same order, under the same symbols;
//  - every address is the end of the previous file rounded up to a multiple
//    of 4, or the start address given just before it; the sizes are the data
//    files' sizes; the used-memory figure matches the final address.
// Writing out of bounds is left to AddressSanitizer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

int ZentroMain(int argc, char **argv);  // ZENTRO.cpp, built without main

namespace {

// The data directory's contents; entries in the corpus name these.
const std::map<std::string, uint32_t> kDataFiles = {
    {"a", 1},
    {"b", 2},
    {"c", 3},
    {"d", 4},
    {"zero", 0},
    {"font.tim", 0x2034},
    {"level.bin", 0x101},
    {"sprites.tim", 0x214},
    {"music.vh", 0x40},
    {"music.vb", 0x1000},
    {"MIXED.Tim", 6},
    {"Map01.Bin", 7},
    {"fonttim", 9},
    {"x.tim", 5},
    {"\tx", 1},
    {std::string(59, 'n'), 10},
};

std::string root;     // the temporary project; the run happens in root/data
std::string datadir;  // root/data

void Fail(const std::string &what, const std::string &detail = "") {
  fprintf(stderr, "memcfg_fuzzer: %s\n%s\n", what.c_str(), detail.c_str());
  abort();
}

void Check(bool ok, const std::string &what, const std::string &detail = "") {
  if (!ok) Fail(what, detail);
}

std::string Slurp(const std::string &path, bool *exists = nullptr) {
  std::ifstream f(path, std::ios::binary);
  if (exists) *exists = static_cast<bool>(f);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void Spit(const std::string &path, const std::string &bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) Fail("cannot write " + path);
}

void SetUp() {
  char tmpl[] = "/tmp/zentro-fuzz-XXXXXX";
  if (!mkdtemp(tmpl)) Fail("mkdtemp failed");
  root = tmpl;
  datadir = root + "/data";
  const std::string &data = datadir;
  mkdir(data.c_str(), 0777);
  for (const auto &f : kDataFiles) Spit(data + "/" + f.first, std::string(f.second, 'x'));
  // Entries that must count as missing, and must not block.
  mkdir((data + "/dir").c_str(), 0777);
  mkfifo((data + "/fifo").c_str(), 0666);
  if (symlink("loop", (data + "/loop").c_str()) != 0) Fail("symlink failed");
  atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  });
}

// Runs zentro in root/data with standard input from /dev/null (no key waits)
// and standard output into root/console; returns its exit status. The
// fuzzer's own directory is the current one again afterwards, so that
// libFuzzer reads and writes the corpus paths it was given.
int Run(bool asm_mode) {
  static const char *kGenerated[] = {"caetla.bat", "addrs.h",     "loadtims.c",
                                     "data.s",     "justexe.bat", "console"};
  for (const char *name : kGenerated) unlink((root + "/" + name).c_str());
  fflush(stdout);
  int savedin = dup(0), savedout = dup(1);
  int in = open("/dev/null", O_RDONLY);
  int out = open((root + "/console").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (savedin < 0 || savedout < 0 || in < 0 || out < 0) Fail("cannot redirect");
  int here = open(".", O_RDONLY | O_DIRECTORY);
  if (here < 0 || chdir(datadir.c_str()) != 0) Fail("cannot change to " + datadir);
  dup2(in, 0);
  dup2(out, 1);
  close(in);
  close(out);
  char arg0[] = "zentro", arg1[] = "-asm";
  char *argv[] = {arg0, arg1, nullptr};
  int status = ZentroMain(asm_mode ? 2 : 1, argv);
  if (fchdir(here) != 0) Fail("cannot change back to the fuzzer's directory");
  close(here);
  dup2(savedin, 0);
  dup2(savedout, 1);
  close(savedin);
  close(savedout);
  return status;
}

void CheckLineEnds(const std::string &name, const std::string &text) {
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '\n') Check(i > 0 && text[i - 1] == '\r', name + ": bare line feed", text);
    if (text[i] == '\r')
      Check(i + 1 < text.size() && text[i + 1] == '\n', name + ": lone CR", text);
  }
}

bool StartsWith(const std::string &s, const std::string &prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string &s, const std::string &suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The text between a fixed header and trailer.
std::string Between(const std::string &name, const std::string &text, const std::string &header,
                    const std::string &trailer) {
  Check(text.size() >= header.size() + trailer.size() && StartsWith(text, header) &&
            EndsWith(text, trailer),
        name + ": header or trailer wrong", text);
  return text.substr(header.size(), text.size() - header.size() - trailer.size());
}

// Splits text made of whole CR LF lines.
std::vector<std::string> Lines(const std::string &name, const std::string &text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    Check(end != std::string::npos, name + ": unterminated line", text);
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

uint32_t Hex(const std::string &name, const std::string &digits) {
  Check(!digits.empty() && digits.size() <= 8 &&
            digits.find_first_not_of("0123456789ABCDEF") == std::string::npos &&
            (digits == "0" || digits[0] != '0'),
        name + ": not a %X number: " + digits);
  return static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
}

std::string HexText(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "%X", v);
  return buf;
}

std::string Symbol(std::string name) {
  for (char &c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '.') c = '_';
  }
  return name;
}

struct Entry {
  std::string name;
  uint32_t address = 0;  // default mode only
  uint32_t size = 0;
};

const char kCaetlaHeader[] = "@echo off\r\nREM caetla.bat created by ZENTRO V3.0\r\n";
const char kAddrsHeader[] =
    "/* addrs.h created by ZENTRO V3.0 */\r\n#ifndef addrs_h\r\n#define addrs_h\r\n\r\n";
const char kLoadtimsHeader[] =
    "/* loadtims.c created by ZENTRO V3.0 */\r\n\r\n"
    "/* Loads TIM files from main RAM into there VRAM co-ords */\r\n\r\n"
    "#include \"addrs.h\"\r\n\r\n"
    "/* Prototypes */\r\n"
    "void LoadTims(void);\r\n\r\n"
    "/* Methods */\r\n"
    "void LoadTims(void)\r\n"
    "{\r\n";
const char kDatasHeader[] =
    "; data.s created by ZENTRO V3.0\r\n\r\n\topt c+ ;case sensitivity\r\n\tsection "
    "datasection\r\n\r\n";
const char kJustexe[] =
    "@echo off\r\nREM justexe.bat created by ZENTRO V3.0\r\ncatflap run main.exe";

// A name as it may come out of the reader: 1 to 59 bytes, none of them NUL,
// space, CR or LF, naming a regular file.
void CheckName(const std::string &name) {
  Check(!name.empty() && name.size() <= 59 &&
            name.find_first_of(std::string(" \r\n\0", 4)) == std::string::npos,
        "impossible name: " + name);
  struct stat st;
  Check(stat((datadir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode),
        "not a regular file: " + name);
}

void CheckRun(bool asm_mode) {
  const std::string console = Slurp(root + "/console");
  const std::string caetla = Slurp(root + "/caetla.bat");
  const std::string addrs = Slurp(root + "/addrs.h");
  const std::string loadtims = Slurp(root + "/loadtims.c");
  bool datas_exists = false;
  const std::string datas = Slurp(root + "/data.s", &datas_exists);
  const std::string justexe = Slurp(root + "/justexe.bat");
  CheckLineEnds("console", console);
  CheckLineEnds("caetla.bat", caetla);
  CheckLineEnds("addrs.h", addrs);
  CheckLineEnds("loadtims.c", loadtims);
  CheckLineEnds("data.s", datas);
  CheckLineEnds("justexe.bat", justexe);
  Check(justexe == (asm_mode ? "" : kJustexe), "justexe.bat", justexe);
  Check(datas_exists == asm_mode, "data.s exists in the wrong mode");

  // The entries, in order: the upload lines, or data.s in asm mode.
  std::vector<Entry> entries;
  for (const std::string &line :
       Lines("caetla.bat", Between("caetla.bat", caetla, kCaetlaHeader, "catflap run main.exe"))) {
    Check(!asm_mode && StartsWith(line, "catflap up data\\"), "caetla.bat line", line);
    size_t space = line.rfind(' ');
    Entry e;
    e.name = line.substr(16, space - 16);
    e.address = Hex("caetla.bat", line.substr(space + 1));
    entries.push_back(e);
  }
  if (asm_mode) {
    std::vector<std::string> lines =
        Lines("data.s", Between("data.s", datas, kDatasHeader, "end\r\n"));
    Check(lines.size() % 5 == 0, "data.s entry lines", datas);
    for (size_t i = 0; i < lines.size(); i += 5) {
      const std::string &incbin = lines[i + 2];
      Check(StartsWith(incbin, "\tincbin \"data\\") && EndsWith(incbin, "\"") && incbin.size() > 15,
            "data.s incbin", incbin);
      Entry e;
      e.name = incbin.substr(14, incbin.size() - 15);
      std::string sym = Symbol(e.name);
      Check(lines[i] == "\tglobal " + sym && lines[i + 1] == sym + ":" &&
                lines[i + 3] == "\tcnop 0,4" && lines[i + 4].empty(),
            "data.s entry", datas);
      entries.push_back(e);
    }
  }
  for (const Entry &e : entries) CheckName(e.name);

  // addrs.h: two lines per entry, then the used memory.
  std::vector<std::string> lines =
      Lines("addrs.h", Between("addrs.h", addrs, kAddrsHeader, "\r\n#endif\r\n"));
  Check(lines.size() == 2 * entries.size() + 2 && lines[2 * entries.size()].empty(),
        "addrs.h lines", addrs);
  for (size_t i = 0; i < entries.size(); i++) {
    Entry &e = entries[i];
    std::string sym = Symbol(e.name);
    Check(lines[2 * i] == (asm_mode ? "extern char " + sym + "[];"
                                    : "#define " + sym + " 0x" + HexText(e.address)),
          "addrs.h first line", lines[2 * i]);
    std::string size = "#define " + sym + "_SIZE 0x";
    Check(StartsWith(lines[2 * i + 1], size), "addrs.h size line", lines[2 * i + 1]);
    e.size = Hex("addrs.h", lines[2 * i + 1].substr(size.size()));
    auto known = kDataFiles.find(e.name);
    if (known != kDataFiles.end()) Check(e.size == known->second, "wrong size of " + e.name);
  }
  const std::string &used = lines.back();
  Check(StartsWith(used, "#define USED_MEM 0x") && EndsWith(used, " Kbytes"), "USED_MEM", used);
  size_t slash = used.find(" // ");
  Check(slash != std::string::npos, "USED_MEM", used);
  uint32_t usedmem = Hex("addrs.h", used.substr(19, slash - 19));
  Check(used.substr(slash + 4) == std::to_string(static_cast<int>(usedmem >> 10)) + " Kbytes",
        "USED_MEM Kbytes", used);
  uint32_t final_address = usedmem + 0x80080000u;

  // loadtims.c: a call for every entry whose symbol ends in TIM.
  std::string calls;
  for (const Entry &e : entries)
    if (EndsWith(Symbol(e.name), "TIM")) calls += " LoadTim(" + Symbol(e.name) + ");\r\n";
  Check(loadtims == kLoadtimsHeader + calls + "}\r\n", "loadtims.c", loadtims);

  // The console: the addresses in order. An entry starts where the previous
  // one ended, rounded up, or at the start address given before it.
  uint32_t address = 0x80090000u;
  uint32_t last_start = address;
  unsigned pending = 0;  // the rounding the current entry's end needs
  size_t next = 0;
  bool ended = false;
  for (const std::string &line : Lines("console", console)) {
    Check(!ended || line == "catflap run main.exe" || line == "Writing ..\\justexe.bat",
          "console after the end", console);
    bool closes_entry = StartsWith(line, "catflap up data\\") ||
                        StartsWith(line, "New START Offset 0x") || line == "End of memcfg.cfg";
    if (closes_entry) Check(pending == 0, "missing alignment warning", console);
    if (StartsWith(line, "New START Offset 0x")) {
      address = last_start = Hex("console", line.substr(19));
    } else if (StartsWith(line, "Address not aligned with 4 byte boundary, Address+=")) {
      std::string added = line.substr(51);
      if (asm_mode)  // no addresses on the console to follow
        Check(added == "1" || added == "2" || added == "3", "wrong warning", console);
      else
        Check(pending != 0 && added == std::to_string(pending), "wrong warning", console);
      pending = 0;
    } else if (StartsWith(line, "catflap up data\\")) {
      Check(next < entries.size(), "more uploads on the console than in caetla.bat", console);
      const Entry &e = entries[next++];
      Check(line == "catflap up data\\" + e.name + " " + HexText(e.address), "console upload",
            line);
      Check(e.address == address, "address not where the last file ended", console);
      uint32_t end = e.address + e.size;
      pending = (4u - (end & 3u)) & 3u;
      address = end + pending;
    } else if (line == "End of memcfg.cfg") {
      ended = true;
    }
  }
  Check(ended, "no end of memcfg.cfg", console);
  Check(next == (asm_mode ? 0 : entries.size()), "uploads missing on the console", console);
  if (asm_mode)
    Check(final_address % 4 == 0 || final_address == last_start, "asm mode used memory", addrs);
  else
    Check(final_address == address, "used memory does not match the last address", addrs);
}

// A crash inside the run leaves the current directory in the temporary
// project, which is removed at exit: the findings go to the directory the
// fuzzer was started in, or to the path given, made absolute.
void AbsoluteArtifactPaths(int *argc, char ***argv) {
  static std::vector<std::string> args;
  static std::vector<char *> pointers;
  const std::string cwd = std::filesystem::current_path().string() + "/";
  bool given = false;
  for (int i = 0; i < *argc; i++) {
    std::string arg = (*argv)[i];
    for (const std::string flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
      if (StartsWith(arg, flag)) {
        given = true;
        if (arg.compare(flag.size(), 1, "/") != 0) arg = flag + cwd + arg.substr(flag.size());
      }
    }
    args.push_back(arg);
  }
  if (!given) args.push_back("-artifact_prefix=" + cwd);
  for (std::string &arg : args) pointers.push_back(&arg[0]);
  pointers.push_back(nullptr);
  *argc = static_cast<int>(args.size());
  *argv = pointers.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  AbsoluteArtifactPaths(argc, argv);
  SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (root.empty()) SetUp();
  if (size == 0) return 0;
  bool asm_mode = data[0] & 1;
  Spit(root + "/data/memcfg.cfg", std::string(reinterpret_cast<const char *>(data) + 1, size - 1));
  int status = Run(asm_mode);
  Check(status == 0, "exit status " + std::to_string(status));
  CheckRun(asm_mode);
  return 0;
}
