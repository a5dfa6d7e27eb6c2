// ..\addrs.h: every data file's address (or external array) and size, and
// the memory used.
#include "layout.h"
#include "memcfg.h"
#include "writers.h"

void WriteAddrsHeader(TextStream &addrs) {
  PutText(addrs, "/* addrs.h created by ZENTRO V3.0 */\n#ifndef addrs_h\n#define addrs_h\n\n");
}

void WriteAddressMacros(TextStream &addrs) {
  PrintText(addrs, "#define %s 0x%X\n", inbuff, Address);
  PrintText(addrs, "#define %s_SIZE 0x%X\n", inbuff, filesize);
}

void WriteArrayDeclaration(TextStream &addrs) {
  PrintText(addrs, "extern char %s[];\n", inbuff);
  PrintText(addrs, "#define %s_SIZE 0x%X\n", inbuff, filesize);
}

void WriteAddrsTrailer(TextStream &addrs) {
  PrintText(addrs, "\n#define USED_MEM 0x%X // %d Kbytes\n", UsedMemory(), Kbytes());
  PutText(addrs, "\n#endif\n");
}
