// The key wait on a Windows console: its input events are read directly,
// with echo, line input and processed input off, so that any key (Ctrl+C
// included) ends the wait and nothing is echoed. The console's mode comes
// back after every wait, and also when Ctrl+Break or closing the window
// ends the process during one.
#include <windows.h>

#include "keyevent.h"
#include "keywait.h"

static_assert(key::kF1 == VK_F1 && key::kDelete == VK_DELETE && key::kRMenu == VK_RMENU &&
                  key::kOem102 == VK_OEM_102 && key::kLWin == VK_LWIN,
              "virtual key codes");
static_assert(key::kRightAltPressed == RIGHT_ALT_PRESSED &&
                  key::kLeftAltPressed == LEFT_ALT_PRESSED &&
                  key::kRightCtrlPressed == RIGHT_CTRL_PRESSED &&
                  key::kLeftCtrlPressed == LEFT_CTRL_PRESSED && key::kShiftPressed == SHIFT_PRESSED,
              "control-key state flags");

#ifndef ENABLE_VIRTUAL_TERMINAL_INPUT
#define ENABLE_VIRTUAL_TERMINAL_INPUT 0x0200
#endif

// A key with an extended code yields two codes: the next wait ends at once.
static bool pendingcode = false;

static HANDLE input;
static DWORD saved;
static volatile LONG waiting = 0;

// Runs on a thread of its own while a wait is on. Ctrl+C is a key then: a
// console that signals it even with processed input off (wine's on a
// terminal does) gets it back in its input queue as the key, which ends the
// wait. Anything else (Ctrl+Break, closing the window) ends the process with
// the console's mode restored.
static BOOL WINAPI OnControl(DWORD event) {
  if (event == CTRL_C_EVENT) {
    if (InterlockedCompareExchange(&waiting, 0, 0)) {
      INPUT_RECORD rec = {};
      rec.EventType = KEY_EVENT;
      rec.Event.KeyEvent.bKeyDown = TRUE;
      rec.Event.KeyEvent.wRepeatCount = 1;
      rec.Event.KeyEvent.wVirtualKeyCode = 'C';
      rec.Event.KeyEvent.uChar.UnicodeChar = 3;
      rec.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
      DWORD n;
      WriteConsoleInputW(input, &rec, 1, &n);
    }
    return TRUE;
  }
  SetConsoleMode(input, saved);
  return FALSE;  // the default handler ends the process
}

// The next key event that ends the wait; kKeySkipped when the console
// cannot be read any more.
static KeyEventKind ReadKey() {
  for (;;) {
    INPUT_RECORD rec;
    DWORD n = 0;
    if (!ReadConsoleInputW(input, &rec, 1, &n)) return kKeySkipped;
    if (n != 1 || rec.EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD &k = rec.Event.KeyEvent;
    KeyEventKind kind =
        ClassifyKeyEvent(k.bKeyDown, k.wVirtualKeyCode, k.uChar.UnicodeChar, k.dwControlKeyState);
    if (kind != kKeySkipped) return kind;
  }
}

void KeyWait() {
  if (pendingcode) {
    pendingcode = false;
    return;
  }
  input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &saved)) return;

  SetConsoleCtrlHandler(OnControl, TRUE);
  InterlockedExchange(&waiting, 1);
  // Plain key events, not terminal sequences. The queue is not flushed:
  // keys typed before the wait count.
  DWORD raw = saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT | ENABLE_LINE_INPUT |
                                          ENABLE_PROCESSED_INPUT | ENABLE_VIRTUAL_TERMINAL_INPUT);
  if (SetConsoleMode(input, raw)) pendingcode = ReadKey() == kKeyExtended;
  InterlockedExchange(&waiting, 0);
  SetConsoleMode(input, saved);
  SetConsoleCtrlHandler(OnControl, FALSE);
}
