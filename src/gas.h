// zentro-gas: data.s, written by zentro -asm for the console's assembler,
// turned into a source for GNU as (any target: mipsel-linux-gnu-as for the
// console, the host's as for tests).
#ifndef ZENTRO_GAS_H_
#define ZENTRO_GAS_H_

#include <string>

// Converts the text of a data.s (CR LF or LF lines). Returns true and sets
// out; on a line that zentro does not write, returns false with line set to
// its number (from 1) and out untouched.
bool ConvertToGas(const std::string &in, std::string &out, int &line);

#endif  // ZENTRO_GAS_H_
