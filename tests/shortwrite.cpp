// Preloaded into zentro by the fault tests (LD_PRELOAD): every write() takes
// at most 100 bytes, as a pipe, a terminal or a nearly full disk may. At exit
// the number of writes cut short goes to the file that ZENTRO_SHORT_WRITES
// names, so that a test sees the library was in use.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

using WriteFunction = ssize_t (*)(int, const void *, size_t);

static unsigned long shortened = 0;

extern "C" ssize_t write(int fd, const void *buf, size_t n) {
  static WriteFunction next = reinterpret_cast<WriteFunction>(dlsym(RTLD_NEXT, "write"));
  if (n > 100) {
    n = 100;
    shortened++;
  }
  return next(fd, buf, n);
}

__attribute__((destructor)) static void ReportShortened() {
  const char *name = getenv("ZENTRO_SHORT_WRITES");
  if (!name) return;
  FILE *f = fopen(name, "w");
  if (!f) return;
  fprintf(f, "%lu\n", shortened);
  fclose(f);
}
