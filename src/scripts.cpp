// ..\caetla.bat uploads every data file with catflap and starts main.exe;
// ..\justexe.bat only starts main.exe.
#include "layout.h"
#include "memcfg.h"
#include "writers.h"

void WriteCaetlaHeader(TextStream &cbat) {
  PutText(cbat, "@echo off\nREM caetla.bat created by ZENTRO V3.0\n");
}

void WriteUploadLine(TextStream &cbat) {
  PrintText(cbat, "catflap up data\\%s %X\n", oldbuff, Address);
  Say("catflap up data\\%s %X\n", oldbuff, Address);
}

void WriteCaetlaTrailer(TextStream &cbat) {
  PutText(cbat, "catflap run main.exe");
  Say("catflap run main.exe\n");
}

void WriteJustexe(TextStream &justexe) {
  PutText(justexe, "@echo off\nREM justexe.bat created by ZENTRO V3.0\ncatflap run main.exe");
}
