// ..\data.s (asm mode): every data file's bytes under a global label.
#include "memcfg.h"
#include "writers.h"

void WriteDatasHeader(TextStream &datas) {
  PutText(datas,
          "; data.s created by ZENTRO V3.0\n\n"
          "\topt c+ ;case sensitivity\n"
          "\tsection datasection\n\n");
}

void WriteIncbin(TextStream &datas) {
  PrintText(datas, "\tglobal %s\n", inbuff);
  PrintText(datas, "%s:\n", inbuff);
  PrintText(datas, "\tincbin \"data\\%s\"\n", oldbuff);
  PutText(datas, "\tcnop 0,4\n\n");
}

void WriteDatasTrailer(TextStream &datas) { PutText(datas, "end\n"); }
