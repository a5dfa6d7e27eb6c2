// ..\loadtims.c: LoadTims calls the program's LoadTim for every TIM image.
#include "memcfg.h"
#include "writers.h"

void WriteLoadtimsHeader(TextStream &loadtims) {
  PutText(loadtims,
          "/* loadtims.c created by ZENTRO V3.0 */\n\n"
          "/* Loads TIM files from main RAM into there VRAM co-ords */\n\n"
          "#include \"addrs.h\"\n\n"
          "/* Prototypes */\n"
          "void LoadTims(void);\n\n"
          "/* Methods */\n"
          "void LoadTims(void)\n"
          "{\n");
}

void WriteLoadCall(TextStream &loadtims) {
  if (!IsImage()) return;
  PrintText(loadtims, " LoadTim(%s);\n", inbuff);
  Say("TIM image found, %s adding to ..\\loadtims.c\n", inbuff);
}

void WriteLoadtimsTrailer(TextStream &loadtims) { PutText(loadtims, "}\n"); }
