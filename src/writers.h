// The writers of the generated files. Each owns its file's header, the lines
// it adds for every entry and its trailer; the run sequence in ZENTRO.cpp
// decides when each is called.
#ifndef ZENTRO_WRITERS_H_
#define ZENTRO_WRITERS_H_

#include "textout.h"

// ..\caetla.bat and ..\justexe.bat (scripts.cpp)
void WriteCaetlaHeader(TextStream &cbat);
void WriteUploadLine(TextStream &cbat);
void WriteCaetlaTrailer(TextStream &cbat);
void WriteJustexe(TextStream &justexe);

// ..\addrs.h (addrs.cpp)
void WriteAddrsHeader(TextStream &addrs);
void WriteAddressMacros(TextStream &addrs);
void WriteArrayDeclaration(TextStream &addrs);
void WriteAddrsTrailer(TextStream &addrs);

// ..\loadtims.c (loadtims.cpp)
void WriteLoadtimsHeader(TextStream &loadtims);
void WriteLoadCall(TextStream &loadtims);
void WriteLoadtimsTrailer(TextStream &loadtims);

// ..\data.s (datas.cpp)
void WriteDatasHeader(TextStream &datas);
void WriteIncbin(TextStream &datas);
void WriteDatasTrailer(TextStream &datas);

#endif  // ZENTRO_WRITERS_H_
