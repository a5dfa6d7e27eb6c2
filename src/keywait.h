// Waiting for one key press on the console after a warning.
// keywait_posix.cpp and keywait_win32.cpp implement it.
#ifndef ZENTRO_KEYWAIT_H_
#define ZENTRO_KEYWAIT_H_

// Blocks until one key is pressed, without echo and without Enter, and
// discards it. Returns at once when standard input is not a terminal. A key
// that sends two codes (cursor and function keys, Alt+key) also ends the
// next wait at once.
void KeyWait();

#endif  // ZENTRO_KEYWAIT_H_
