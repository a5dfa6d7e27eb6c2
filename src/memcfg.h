// The configuration reader: memcfg.cfg, read as DOS text, a line (or a piece
// of at most 59 characters of one) at a time, and the entry each line names.
#ifndef ZENTRO_MEMCFG_H_
#define ZENTRO_MEMCFG_H_

#include <cstdint>

struct ConfigStream {
  int fd = -1;
  bool ended = false;  // end of file, a read error or Ctrl-Z was seen
  unsigned pos = 0;
  unsigned end = 0;
  char buf[4096];
};

extern char inbuff[60];   // the line; for an entry the name, then its symbol
extern char oldbuff[60];  // the entry's name as written
extern int handle;        // the entry's data file, -1 when it did not open
extern int length;        // the length of the entry's name
extern uint32_t filesize; // the size of the entry's data file in bytes

enum ConfigLine { kBlankLine, kCommentLine, kStartLine, kEntryLine };

bool OpenConfig(ConfigStream &in, const char *name);
void CloseConfig(ConfigStream &in);

// Clears inbuff and reads the next line, or the next 59 characters of it,
// into it. Carriage returns are dropped; the first Ctrl-Z ends the input.
// False only when nothing at all could be read.
bool ReadLine(ConfigStream &in);

ConfigLine ClassifyLine();

// The hexadecimal value after the "$" of a start-address line.
uint32_t StartAddress();
uint32_t ParseHex32(const char *text);

// Cuts inbuff at its first space or line feed and copies it to oldbuff.
void ExtractName();
// Opens the data file named in inbuff and learns its size; sets handle.
void OpenDataFile();
void CloseDataFile();
// Turns the name in inbuff into the entry's symbol: a-z upper case, "." to
// "_"; sets length.
void EntrySymbol();
// True when the entry's symbol ends in TIM.
bool IsImage();

#endif  // ZENTRO_MEMCFG_H_
