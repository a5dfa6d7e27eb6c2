// The narrow interface to the disk and the console's file descriptors.
// disk_posix.cpp and disk_win32.cpp implement it; nothing else in zentro
// talks to the operating system's files directly.
#ifndef ZENTRO_DISK_H_
#define ZENTRO_DISK_H_

#include <cstddef>
#include <cstdint>

// Keeps descriptors 0, 1 and 2 in use so that no generated file can land on
// them, and stops a closed pipe on stdout from killing the run half-way.
void DiskInit();

// True when the descriptor is an interactive terminal or console.
bool DiskIsTerminal(int fd);

// Opens memcfg.cfg for reading; -1 when it is missing, unreadable or not a
// regular file (a directory, a FIFO, a device).
int DiskOpenConfig(const char *name);

// Opens a data file read-only and tells its size in bytes (modulo 2^32),
// asked of the open descriptor. Never blocks; anything but a regular file
// counts as failing to open. -1 on failure.
int DiskOpenData(const char *name, uint32_t *size);

// Creates or truncates a generated file; -1 on failure. Never blocks: a
// FIFO that nothing reads counts as failing.
int DiskCreate(const char *name);

// Reads up to n bytes; 0 at end of file, -1 on error.
long DiskRead(int fd, void *buf, size_t n);

// Writes all n bytes; false when any of them could not be written.
bool DiskWrite(int fd, const void *buf, size_t n);

// False when the close reported an error (for instance a delayed write).
bool DiskClose(int fd);

// The path of a generated file in the project root, the parent of the
// current directory ("../caetla.bat" here, "..\caetla.bat" on Windows).
const char *ParentPath(const char *name);

#endif  // ZENTRO_DISK_H_
