// zentro-gas: converts the data.s of zentro -asm into a source for GNU as.
//
//   zentro-gas data.s data-gas.s
//
// Messages go to standard error. Exit status 0 when the output was written
// in full; 1 when the input cannot be read or holds a line zentro does not
// write (the output is not touched then), or when the output cannot be
// written (no part of it is left then: a file is removed, a file behind a
// symbolic link emptied); 2 for a wrong command line.
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "gas.h"

static bool ReadFile(const char *name, std::string &text) {
  FILE *f = fopen(name, "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

// Leaves no part of a failed output: a regular file is removed; one that
// the name reaches through a symbolic link is emptied, and the link stays.
// A device or a FIFO is left alone.
static void Discard(const char *name) {
  struct stat st;
  if (stat(name, &st) != 0 || (st.st_mode & S_IFMT) != S_IFREG) return;
#ifdef S_IFLNK
  struct stat link;
  if (lstat(name, &link) == 0 && (link.st_mode & S_IFMT) == S_IFLNK) {
    if (FILE *f = fopen(name, "wb")) fclose(f);
    return;
  }
#endif
  remove(name);
}

// Writes the whole text; when any of it could not be written, none of it
// is left, and errno tells why the write failed.
static bool WriteFile(const char *name, const std::string &text) {
  FILE *f = fopen(name, "wb");
  if (!f) return false;
  bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  int error = errno;
  if (fclose(f) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok) return true;
  Discard(name);
  errno = error;
  return false;
}

int main(int argc, char **argv) {
#ifdef SIGXFSZ
  // A file-size limit reached part-way must fail the write (EFBIG), which
  // removes the half file, not kill the program and leave it.
  signal(SIGXFSZ, SIG_IGN);
#endif
  if (argc != 3) {
    fprintf(stderr, "usage: zentro-gas DATA.S OUTPUT.S\n");
    return 2;
  }
  std::string in, out;
  if (!ReadFile(argv[1], in)) {
    fprintf(stderr, "zentro-gas: cannot read %s: %s\n", argv[1], strerror(errno));
    return 1;
  }
  int line;
  if (!ConvertToGas(in, out, line)) {
    fprintf(stderr, "zentro-gas: %s:%d: not a line of zentro's data.s\n", argv[1], line);
    return 1;
  }
  if (!WriteFile(argv[2], out)) {
    fprintf(stderr, "zentro-gas: cannot write %s: %s\n", argv[2], strerror(errno));
    return 1;
  }
  return 0;
}
