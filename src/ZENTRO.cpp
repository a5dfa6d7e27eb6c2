// zentro: lays out a console program's data files in main RAM and writes
// the scripts and sources that upload or link them.
//
// Run from the project's data directory. Reads memcfg.cfg; writes
// ..\caetla.bat, ..\addrs.h, ..\loadtims.c, ..\justexe.bat and, with -asm,
// ..\data.s.
#include <cstdlib>
#include <cstring>

#include "disk.h"
#include "keywait.h"
#include "layout.h"
#include "memcfg.h"
#include "textout.h"
#include "writers.h"

int dataobj = 0;  // 1 in asm mode: the data is linked into the program

static ConfigStream memcfg;
static TextStream cbat;
static TextStream addrs;
static TextStream loadtims;
static TextStream datas;
static TextStream justexe;

// A write to a generated file failed; the run ends with -1.
static bool writefailed = false;

// Leaves early: the console and every file opened so far get what is
// buffered for them, so the files keep their headers.
[[noreturn]] static void Quit(int status) {
  FlushText(console);
  CloseText(cbat);
  CloseText(addrs);
  CloseText(loadtims);
  CloseText(datas);
  CloseConfig(memcfg);
  exit(status);
}

static void OpenGenerated(TextStream &s, const char *name) {
  if (!OpenText(s, ParentPath(name))) {
    Say("Error opening ..\\%s\n", name);
    Quit(1);
  }
  Say("Writing ..\\%s\n", name);
}

static void CloseGenerated(TextStream &s, const char *name) {
  if (!CloseText(s)) {
    Say("Error writing ..\\%s\n", name);
    writefailed = true;
  }
}

void InitZentro() {
  if (!OpenConfig(memcfg, "memcfg.cfg")) {
    Say("Error opening memcfg.cfg, is it in the current directory?\n"
        "Call with -asm to generate asm incbin data.s file\n"
        "Read the documentation\n");
    KeyWait();
    Quit(1);
  }
  Say("Reading memcfg.cfg ........\n");
  Say("Default start address 0x%X \n", Address);

  OpenGenerated(cbat, "caetla.bat");
  WriteCaetlaHeader(cbat);
  OpenGenerated(addrs, "addrs.h");
  WriteAddrsHeader(addrs);
  OpenGenerated(loadtims, "loadtims.c");
  WriteLoadtimsHeader(loadtims);
  if (dataobj) {
    OpenGenerated(datas, "data.s");
    WriteDatasHeader(datas);
  }
}

// One entry line: its data file, then its lines in every generated file,
// then the move past it.
static void ProcessEntry() {
  ExtractName();
  OpenDataFile();
  if (handle < 0) {
    Say("Error reading %s does the file exist?\n", oldbuff);
    KeyWait();
    return;
  }
  if (!dataobj) {
    WriteUploadLine(cbat);
    EntrySymbol();
    WriteAddressMacros(addrs);
  } else {
    EntrySymbol();
    WriteArrayDeclaration(addrs);
    WriteIncbin(datas);
  }
  WriteLoadCall(loadtims);
  Advance(filesize);
  CloseDataFile();
}

// ..\justexe.bat is written last. Its result decides the exit status:
// false when it could not be created or written.
static bool WriteJustexeFile() {
  if (!OpenText(justexe, ParentPath("justexe.bat"))) return false;
  if (!dataobj) {
    Say("Writing ..\\justexe.bat\n");
    WriteJustexe(justexe);
  }
  if (CloseText(justexe)) return true;
  Say("Error writing ..\\justexe.bat\n");
  return false;
}

// The body of main. It starts from the initial mode, address and streams,
// so that it can run more than once in one process (the fuzzer does).
int ZentroMain(int argc, char **argv) {
  dataobj = 0;
  Address = 0x80090000u;
  writefailed = false;
  memcfg = ConfigStream();
  cbat = addrs = loadtims = datas = justexe = TextStream();
  DiskInit();
  InitConsole();
  Say("ZENTRO Version 3 by ormel\n");
  Say("https://github.com/zentro-psx/zentro\n");
  if (argc == 2 && strcmp(argv[1], "-asm") == 0) {
    dataobj = 1;
    Say("Generating asm incbin data\n");
  }
  InitZentro();

  while (ReadLine(memcfg)) {
    switch (ClassifyLine()) {
      case kBlankLine:
      case kCommentLine:
        break;
      case kStartLine:
        SetStart(StartAddress());
        break;
      case kEntryLine:
        ProcessEntry();
        break;
    }
  }
  Say("End of memcfg.cfg\n");

  WriteLoadtimsTrailer(loadtims);
  CloseGenerated(loadtims, "loadtims.c");
  WriteCaetlaTrailer(cbat);
  CloseGenerated(cbat, "caetla.bat");
  WriteAddrsTrailer(addrs);
  CloseGenerated(addrs, "addrs.h");
  CloseConfig(memcfg);
  if (dataobj) {
    WriteDatasTrailer(datas);
    CloseGenerated(datas, "data.s");
  }
  bool written = WriteJustexeFile();
  FlushText(console);
  return written && !writefailed ? 0 : -1;
}

#ifndef ZENTRO_NO_MAIN  // defined where ZentroMain is called in-process
int main(int argc, char **argv) {
  return ZentroMain(argc, argv);
}
#endif
