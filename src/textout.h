// Text streams: every line feed goes out as CR LF, on every platform, and
// nothing else is changed. Output goes through a 512-byte buffer; the
// console on a terminal is written at the end of every message instead.
#ifndef ZENTRO_TEXTOUT_H_
#define ZENTRO_TEXTOUT_H_

struct TextStream {
  int fd = -1;
  bool immediate = false;  // write out at the end of every message
  bool failed = false;     // a write failed; later output is dropped
  unsigned used = 0;
  char buf[512];
};

// Standard output. Say() writes a console message.
extern TextStream console;
void InitConsole();
void Say(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Creates or truncates the file at path; false when it cannot be created.
bool OpenText(TextStream &s, const char *path);
void PutText(TextStream &s, const char *text);
void PrintText(TextStream &s, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
void FlushText(TextStream &s);
// Writes out what is buffered and closes; false when any write or the close
// failed. Does nothing and returns true for a stream that is not open.
bool CloseText(TextStream &s);

#endif  // ZENTRO_TEXTOUT_H_
