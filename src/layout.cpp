// The address layout.
#include "layout.h"

#include "keywait.h"
#include "textout.h"

uint32_t Address = 0x80090000u;

void SetStart(uint32_t start) {
  Address = start;
  Say("New START Offset 0x%X\n", Address);
}

void Advance(uint32_t size) {
  Address += size;
  unsigned r = Address & 3u;
  if (r != 0) {
    Address += 4 - r;
    Say("Address not aligned with 4 byte boundary, Address+=%d\n", static_cast<int>(4 - r));
    KeyWait();
  }
}

// Counted from 0x80080000, 64 KiB below the default start; a start address
// below it makes the figure wrap around, and it is reported as it comes out.
uint32_t UsedMemory() { return Address - 0x80080000u; }

int Kbytes() { return static_cast<int>(UsedMemory() >> 10); }
