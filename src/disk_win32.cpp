// The disk on Windows, through the C runtime's descriptors. Every file and
// the console are in binary mode: the text streams write CR LF themselves,
// and a text-mode descriptor would turn it into CR CR LF.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <climits>
#include <cstdio>

#include "disk.h"

static const DWORD kStdHandles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

void DiskInit() {
  for (int fd = 0; fd <= 2; fd++) {
    // A process started without a console or standard handles: put NUL in
    // their place, so that no generated file can become standard output.
    HANDLE h = GetStdHandle(kStdHandles[fd]);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) {
      int nul = _open("NUL", (fd == 0 ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
      if (nul >= 0 && nul != fd) {
        _dup2(nul, fd);
        _close(nul);
      }
    }
    _setmode(fd, _O_BINARY);
  }
  // A data file named on a drive without a disk (a:x.tim) is a failure to
  // open, not a dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

// A console answers GetConsoleMode; NUL and other character devices pass
// _isatty but are no console.
bool DiskIsTerminal(int fd) {
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode;
  return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

static bool IsRegular(const struct _stati64 &st) {
  return (st.st_mode & _S_IFMT) == _S_IFREG;
}

// Opens a regular file for reading; anything else counts as failing to
// open. The stat comes first, so that a device name (NUL, CON, COM1, AUX.TIM)
// is refused without being opened; the check of the open descriptor catches
// a file that was swapped in between.
static int OpenRegular(const char *name, struct _stati64 *st) {
  if (_stati64(name, st) != 0 || !IsRegular(*st)) return -1;
  int fd = _open(name, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return -1;
  if (_fstati64(fd, st) != 0 || !IsRegular(*st)) {
    _close(fd);
    return -1;
  }
  return fd;
}

int DiskOpenConfig(const char *name) {
  struct _stati64 st;
  return OpenRegular(name, &st);
}

int DiskOpenData(const char *name, uint32_t *size) {
  struct _stati64 st;
  int fd = OpenRegular(name, &st);
  if (fd >= 0) *size = static_cast<uint32_t>(st.st_size);
  return fd;
}

int DiskCreate(const char *name) {
  return _open(name, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
}

long DiskRead(int fd, void *buf, size_t n) {
  return _read(fd, buf, static_cast<unsigned>(n < INT_MAX ? n : INT_MAX));
}

bool DiskWrite(int fd, const void *buf, size_t n) {
  const char *p = static_cast<const char *>(buf);
  while (n > 0) {
    int w = _write(fd, p, static_cast<unsigned>(n < INT_MAX ? n : INT_MAX));
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool DiskClose(int fd) {
  return _close(fd) == 0;
}

const char *ParentPath(const char *name) {
  static char path[64];
  snprintf(path, sizeof path, "..\\%s", name);
  return path;
}
