// The conversion of data.s to GNU as, line by line. Each line zentro writes
// has one counterpart:
//
//   ; TEXT                  /* TEXT */
//   <tab>opt c+ ;COMMENT    nothing: GNU as always tells the cases apart
//   <tab>section NAME       .section .data.NAME,"aw" and .balign 4
//   <tab>global SYMBOL      .globl SYMBOL
//   SYMBOL:                 SYMBOL:
//   <tab>incbin "data\NAME" .incbin "data/NAME"
//   <tab>cnop 0,4           .balign 4
//   end                     nothing
//   (empty)                 (empty)
//
// The section's name begins with .data., so that the data rule of a GNU ld
// script, *(.data .data.*), takes it: GNU ld's own scripts and the console
// SDKs' place it with the program's data, below the small-data block that
// $gp reaches (an orphan section would be placed after that block's start
// and push it out of reach). It takes no @progbits ("@" starts a comment on
// ARM); "aw" makes it allocated and writable on every ELF target. The NAME
// after data\ is the data file's name as written in memcfg.cfg; a backslash
// or a double quote in it is escaped, so the name reaches the assembler
// unchanged.
#include "gas.h"

#include <cstring>

static bool Starts(const std::string &s, const char *prefix) {
  return s.compare(0, strlen(prefix), prefix) == 0;
}

static bool Ends(const std::string &s, const char *suffix) {
  size_t n = strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// A symbol or section name: not empty, no blank, no quote, no colon.
static bool IsName(const std::string &s) {
  return !s.empty() && s.find_first_of(" \t\":;") == std::string::npos;
}

static std::string Escaped(const std::string &name) {
  std::string out;
  for (char c : name) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// One line without its line end; false when zentro writes no such line.
static bool ConvertLine(const std::string &s, std::string &out) {
  if (s.empty()) {
    out += "\n";
  } else if (s[0] == ';') {
    std::string text = s.substr(1);
    for (size_t at; (at = text.find("*/")) != std::string::npos;) text.replace(at, 2, "* /");
    out += "/*" + text + " */\n";
  } else if (s == "\topt c+" || Starts(s, "\topt c+ ;")) {
  } else if (Starts(s, "\tsection ") && IsName(s.substr(9))) {
    out += "\t.section .data." + s.substr(9) + ",\"aw\"\n\t.balign 4\n";
  } else if (Starts(s, "\tglobal ") && IsName(s.substr(8))) {
    out += "\t.globl " + s.substr(8) + "\n";
  } else if (Ends(s, ":") && IsName(s.substr(0, s.size() - 1))) {
    out += s + "\n";
  } else if (Starts(s, "\tincbin \"data\\") && Ends(s, "\"") && s.size() > 15) {
    out += "\t.incbin \"data/" + Escaped(s.substr(14, s.size() - 15)) + "\"\n";
  } else if (s == "\tcnop 0,4") {
    out += "\t.balign 4\n";
  } else if (s == "end") {
  } else {
    return false;
  }
  return true;
}

bool ConvertToGas(const std::string &in, std::string &out, int &line) {
  std::string converted;
  line = 0;
  for (size_t start = 0; start < in.size();) {
    size_t end = in.find('\n', start);
    if (end == std::string::npos) end = in.size();
    std::string s = in.substr(start, end - start);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    line++;
    if (!ConvertLine(s, converted)) return false;
    start = end + 1;
  }
  out = converted;
  return true;
}
