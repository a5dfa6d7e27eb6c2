// The configuration reader.
#include "memcfg.h"

#include <cstring>

#include "disk.h"

char inbuff[60];
char oldbuff[60];
int handle = -1;
int length;
uint32_t filesize;

bool OpenConfig(ConfigStream &in, const char *name) {
  in.fd = DiskOpenConfig(name);
  in.ended = false;
  in.pos = in.end = 0;
  return in.fd >= 0;
}

void CloseConfig(ConfigStream &in) {
  if (in.fd >= 0) DiskClose(in.fd);
  in.fd = -1;
}

// The next byte of the file as DOS text, or -1 at the end of the input.
static int NextByte(ConfigStream &in) {
  while (!in.ended) {
    if (in.pos == in.end) {
      long n = DiskRead(in.fd, in.buf, sizeof in.buf);
      if (n <= 0) {
        in.ended = true;
        break;
      }
      in.pos = 0;
      in.end = static_cast<unsigned>(n);
    }
    unsigned char c = static_cast<unsigned char>(in.buf[in.pos++]);
    if (c == '\r') continue;
    if (c == 0x1A) {
      in.ended = true;
      break;
    }
    return c;
  }
  return -1;
}

bool ReadLine(ConfigStream &in) {
  memset(inbuff, 0, sizeof inbuff);
  size_t n = 0;
  while (n < sizeof inbuff - 1) {
    int c = NextByte(in);
    if (c < 0) break;
    inbuff[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return n > 0;
}

ConfigLine ClassifyLine() {
  switch (inbuff[0]) {
    case '\n':
      return kBlankLine;
    case ' ':
    case '#':
      return kCommentLine;
    case '$':
      return kStartLine;
    default:
      return kEntryLine;
  }
}

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// strtoul with base 16, but always 32 bits wide: a value too large for 32
// bits gives 0xFFFFFFFF whatever its sign, and "-" negates modulo 2^32.
uint32_t ParseHex32(const char *text) {
  const char *s = text;
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\v' || *s == '\f' || *s == '\r') s++;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s += 2;
  uint32_t value = 0;
  bool overflow = false;
  for (int d; (d = HexDigit(*s)) >= 0; s++) {
    if (value > 0x0FFFFFFFu) overflow = true;
    value = value << 4 | static_cast<uint32_t>(d);
  }
  if (overflow) return 0xFFFFFFFFu;
  return negative ? 0u - value : value;
}

uint32_t StartAddress() { return ParseHex32(inbuff + 1); }

void ExtractName() {
  for (char &c : inbuff)
    if (c == ' ' || c == '\n') c = '\0';
  memcpy(oldbuff, inbuff, sizeof oldbuff);
}

void OpenDataFile() { handle = DiskOpenData(inbuff, &filesize); }

void CloseDataFile() {
  if (handle >= 0) DiskClose(handle);
  handle = -1;
}

void EntrySymbol() {
  length = static_cast<int>(strlen(inbuff));
  for (int i = 0; i < length; i++) {
    if (inbuff[i] >= 'a' && inbuff[i] <= 'z') inbuff[i] = static_cast<char>(inbuff[i] - 'a' + 'A');
    if (inbuff[i] == '.') inbuff[i] = '_';
  }
}

bool IsImage() { return length >= 3 && memcmp(inbuff + length - 3, "TIM", 3) == 0; }
