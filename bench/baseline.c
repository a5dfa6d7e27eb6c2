/* The floor under zentro's work, for the benchmark's ratio: opens, measures
 * (fstat) and closes the data files named in a list, one name per line, in
 * order, and writes a given number of bytes to a file in 512-byte writes,
 * spread evenly over the entries as zentro's output is.
 *
 *   baseline LIST ENTRIES BYTES OUTPUT
 *
 * Run from the project's data directory, like zentro. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char block[512];

int main(int argc, char **argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s LIST ENTRIES BYTES OUTPUT\n", argv[0]);
    return 2;
  }
  FILE *list = fopen(argv[1], "r");
  unsigned long long entries = strtoull(argv[2], NULL, 10);
  unsigned long long total = strtoull(argv[3], NULL, 10);
  int out = open(argv[4], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (list == NULL || out < 0 || entries == 0) {
    fprintf(stderr, "baseline: cannot open %s or %s\n", argv[1], argv[4]);
    return 1;
  }
  memset(block, 'x', sizeof block);

  char name[256];
  unsigned long long done = 0, sent = 0, sizes = 0;
  while (fgets(name, sizeof name, list) != NULL) {
    name[strcspn(name, "\n")] = '\0';
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
      struct stat st;
      if (fstat(fd, &st) == 0) sizes += (unsigned long long)st.st_size;
      close(fd);
    }
    done++;
    unsigned long long due = total * (done < entries ? done : entries) / entries;
    while (due - sent >= sizeof block) {
      if (write(out, block, sizeof block) != (ssize_t)sizeof block) return 1;
      sent += sizeof block;
    }
  }
  if (total > sent && write(out, block, (size_t)(total - sent)) != (ssize_t)(total - sent)) return 1;
  fclose(list);
  close(out);
  return sizes == 0 && done > 0 ? 1 : 0;
}
