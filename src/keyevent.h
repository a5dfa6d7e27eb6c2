// What one console key event does to a key wait. Kept apart from the
// Windows console code so that it builds and is tested everywhere.
#ifndef ZENTRO_KEYEVENT_H_
#define ZENTRO_KEYEVENT_H_

// Virtual key codes and control-key state flags, with the values the
// Windows console reports in its key events.
namespace key {
constexpr unsigned kBack = 0x08;
constexpr unsigned kTab = 0x09;
constexpr unsigned kReturn = 0x0D;
constexpr unsigned kShift = 0x10;
constexpr unsigned kControl = 0x11;
constexpr unsigned kMenu = 0x12;  // Alt
constexpr unsigned kPause = 0x13;
constexpr unsigned kCapital = 0x14;  // Caps Lock
constexpr unsigned kEscape = 0x1B;
constexpr unsigned kSpace = 0x20;
constexpr unsigned kPrior = 0x21;  // Page Up
constexpr unsigned kNext = 0x22;   // Page Down
constexpr unsigned kEnd = 0x23;
constexpr unsigned kHome = 0x24;
constexpr unsigned kLeft = 0x25;
constexpr unsigned kUp = 0x26;
constexpr unsigned kRight = 0x27;
constexpr unsigned kDown = 0x28;
constexpr unsigned kInsert = 0x2D;
constexpr unsigned kDelete = 0x2E;
constexpr unsigned kLWin = 0x5B;
constexpr unsigned kRWin = 0x5C;
constexpr unsigned kApps = 0x5D;
constexpr unsigned kNumpad0 = 0x60;
constexpr unsigned kF1 = 0x70;
constexpr unsigned kF12 = 0x7B;
constexpr unsigned kNumLock = 0x90;
constexpr unsigned kScroll = 0x91;
constexpr unsigned kLShift = 0xA0;
constexpr unsigned kRMenu = 0xA5;
constexpr unsigned kOem1 = 0xBA;  // the punctuation keys: ;: =+ ,< -_ .> /? `~
constexpr unsigned kOem3 = 0xC0;
constexpr unsigned kOem4 = 0xDB;  // [{ \| ]} '" and the key some layouts add
constexpr unsigned kOem8 = 0xDF;
constexpr unsigned kOem102 = 0xE2;  // <> beside the left Shift

constexpr unsigned kRightAltPressed = 0x0001;
constexpr unsigned kLeftAltPressed = 0x0002;
constexpr unsigned kRightCtrlPressed = 0x0004;
constexpr unsigned kLeftCtrlPressed = 0x0008;
constexpr unsigned kShiftPressed = 0x0010;
}  // namespace key

enum KeyEventKind {
  kKeySkipped,   // a release, a modifier alone, a key that yields nothing
  kKeyPlain,     // a key that yields a character: ends the wait
  kKeyExtended,  // a key that yields an extended code: ends this wait and the next
};

// Classifies a key event: down is nonzero for a key press, vk the virtual
// key code, ch the character it yields (0 for none) and state the
// control-key state flags.
KeyEventKind ClassifyKeyEvent(int down, unsigned vk, unsigned ch, unsigned state);

#endif  // ZENTRO_KEYEVENT_H_
