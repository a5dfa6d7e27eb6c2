// The disk on POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "disk.h"

void DiskInit() {
  for (int fd = 0; fd <= 2; fd++)
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  // A reader that went away (zentro | head) must not kill the run before
  // the generated files are complete; console output is then dropped.
  signal(SIGPIPE, SIG_IGN);
  // Nor may a file-size limit kill it part-way through a generated file:
  // the write fails instead (EFBIG), and the run reports it.
  signal(SIGXFSZ, SIG_IGN);
}

bool DiskIsTerminal(int fd) { return isatty(fd) == 1; }

// Opens a file for reading and keeps it only when it is a regular file.
// O_NONBLOCK: a FIFO must not hang the open while it waits for a writer.
static int OpenRegular(const char *name, struct stat *st) {
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

// A FIFO would hang the run until a writer came, and /dev/zero would feed it
// lines forever: memcfg.cfg must be a regular file. It is looked at before
// it is opened, so that a device in its place is never opened at all.
int DiskOpenConfig(const char *name) {
  struct stat st;
  if (stat(name, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return OpenRegular(name, &st);
}

// One open, one size query and one close is all a data file costs, however
// long the configuration. Anything but a regular file is closed unread.
int DiskOpenData(const char *name, uint32_t *size) {
  struct stat st;
  int fd = OpenRegular(name, &st);
  if (fd >= 0) *size = static_cast<uint32_t>(st.st_size);
  return fd;
}

int DiskCreate(const char *name) {
  // O_NONBLOCK: a FIFO in the file's place fails at once when nothing reads
  // it, instead of hanging the run; the writes themselves block as usual.
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

long DiskRead(int fd, void *buf, size_t n) {
  ssize_t r;
  do r = read(fd, buf, n);
  while (r < 0 && errno == EINTR);
  return static_cast<long>(r);
}

bool DiskWrite(int fd, const void *buf, size_t n) {
  const char *p = static_cast<const char *>(buf);
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool DiskClose(int fd) { return close(fd) == 0; }

const char *ParentPath(const char *name) {
  static char path[64];
  snprintf(path, sizeof path, "../%s", name);
  return path;
}
