// The address layout: where each data file lies in the console's main RAM.
#ifndef ZENTRO_LAYOUT_H_
#define ZENTRO_LAYOUT_H_

#include <cstdint>

extern uint32_t Address;  // the current address; arithmetic wraps at 2^32

// A start-address line: the next file goes exactly there.
void SetStart(uint32_t start);
// Moves past a file of the given size and rounds the end up to a multiple
// of 4, warning and waiting for a key when it had to.
void Advance(uint32_t size);
// Memory used above 0x80080000, and the same in whole kilobytes.
uint32_t UsedMemory();
int Kbytes();

#endif  // ZENTRO_LAYOUT_H_
