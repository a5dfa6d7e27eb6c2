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
}

bool DiskIsTerminal(int fd) { return isatty(fd) == 1; }

int DiskOpenConfig(const char *name) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

int DiskOpenData(const char *name, uint32_t *size) {
  // O_NONBLOCK: a FIFO must not hang the run waiting for a writer.
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  *size = static_cast<uint32_t>(st.st_size);
  return fd;
}

int DiskCreate(const char *name) { return open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }

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
