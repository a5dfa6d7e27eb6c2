// Text output: LF becomes CR LF, everything else passes unchanged.
#include "textout.h"

#include <cstdarg>
#include <cstdio>

#include "disk.h"

TextStream console;

void InitConsole() {
  console = TextStream();
  console.fd = 1;
  console.immediate = DiskIsTerminal(1);
}

void FlushText(TextStream &s) {
  if (s.used > 0 && !s.failed && !DiskWrite(s.fd, s.buf, s.used)) s.failed = true;
  s.used = 0;
}

static void PutByte(TextStream &s, char c) {
  if (s.used == sizeof s.buf) FlushText(s);
  s.buf[s.used++] = c;
}

void PutText(TextStream &s, const char *text) {
  for (; *text != '\0'; text++) {
    if (*text == '\n') PutByte(s, '\r');
    PutByte(s, *text);
  }
  if (s.immediate) FlushText(s);
}

static void VPrintText(TextStream &s, const char *fmt, va_list ap) {
  // Every formatted text is a fixed format with at most a 59-character name
  // and two numbers in it.
  char line[512];
  vsnprintf(line, sizeof line, fmt, ap);
  PutText(s, line);
}

void PrintText(TextStream &s, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  VPrintText(s, fmt, ap);
  va_end(ap);
}

void Say(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  VPrintText(console, fmt, ap);
  va_end(ap);
}

bool OpenText(TextStream &s, const char *path) {
  s.fd = DiskCreate(path);
  s.used = 0;
  s.failed = false;
  return s.fd >= 0;
}

bool CloseText(TextStream &s) {
  if (s.fd < 0) return true;
  FlushText(s);
  if (!DiskClose(s.fd)) s.failed = true;
  s.fd = -1;
  return !s.failed;
}
