/* The glue test's console program. Run on this machine it prints, for
   every data file that addrs.h knows of, its symbol, size and address (the
   default mode) or "ok" when the array holds the bytes of the file, read
   from the data directory (asm mode), and then the images LoadTims
   loaded. */
#include "addrs.h"

#if __STDC_HOSTED__
#include <stdio.h>
#include <string.h>

static char loaded[100];

#ifdef ZENTRO_ASM
void LoadTim(char *tim) { strcat(loaded, tim == FONT_TIM ? " FONT_TIM" : " ?"); }

static void Show(const char *symbol, const char *array, long size, const char *name) {
  char path[100], bytes[4096];
  FILE *f;
  long n;
  sprintf(path, GLUE_DATA "/%s", name);
  f = fopen(path, "rb");
  n = f ? (long)fread(bytes, 1, sizeof bytes, f) : -1;
  if (f) fclose(f);
  printf("%s 0x%lX %s\n", symbol, size, n == size && !memcmp(bytes, array, n) ? "ok" : "differs");
}
#define SHOW(symbol, name) Show(#symbol, symbol, symbol##_SIZE, name)
#else
void LoadTim(unsigned long addr) {
  strcat(loaded, addr == FONT_TIM ? " FONT_TIM" : " ?");
}
#define SHOW(symbol, name) printf("%s 0x%X 0x%lX\n", #symbol, symbol##_SIZE, (unsigned long)symbol)
#endif

int main(void) {
#ifdef FONT_TIM_SIZE
  SHOW(FONT_TIM, "font.tim");
#endif
#ifdef LEVEL_BIN_SIZE
  SHOW(LEVEL_BIN, "level.bin");
#endif
#ifdef EXTRA_BIN_SIZE
  SHOW(EXTRA_BIN, "extra.bin");
#endif
  LoadTims();
  printf("loaded%s\n", loaded);
  return 0;
}
#else
/* On the console: the images are loaded, the arrays linked; a small
   variable addressed through $gp, and GLUE_PAD bytes of bss. */
static int loads;
static char pad[GLUE_PAD];

#ifdef ZENTRO_ASM
void LoadTim(char *tim) { loads += tim[0]; }
#else
void LoadTim(unsigned long addr) { loads += (int)addr; }
#endif

int main(void) {
  LoadTims();
  pad[loads & 15] = 1;
  return loads;
}
#endif
