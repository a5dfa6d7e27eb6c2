// Console key events as a PC keyboard reader sees them: a key yields either
// a character or, for the keys that have none of their own, an extended
// code that reads as two codes.
#include "keyevent.h"

// Shift, Ctrl, Alt, the lock keys and the Windows keys yield nothing when
// pressed alone.
static bool IsModifier(unsigned vk) {
  return vk == key::kShift || vk == key::kControl || vk == key::kMenu || vk == key::kCapital ||
         vk == key::kNumLock || vk == key::kScroll || vk == key::kLWin || vk == key::kRWin ||
         (vk >= key::kLShift && vk <= key::kRMenu);
}

// Function keys and the editing and cursor keys (also on the keypad with
// Num Lock off, where they carry the same codes).
static bool IsExtendedKey(unsigned vk) {
  return (vk >= key::kF1 && vk <= key::kF12) || (vk >= key::kPrior && vk <= key::kDown) ||
         vk == key::kInsert || vk == key::kDelete;
}

// The keys that have an Alt code: letters, digits, punctuation, and Enter,
// Backspace, Tab and Esc. The keypad digits are left out: Alt with them
// types a character by its number, delivered when Alt is released.
static bool HasAltCode(unsigned vk) {
  return (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') ||
         (vk >= key::kOem1 && vk <= key::kOem3) || (vk >= key::kOem4 && vk <= key::kOem8) ||
         vk == key::kOem102 || vk == key::kReturn || vk == key::kBack || vk == key::kTab ||
         vk == key::kEscape;
}

KeyEventKind ClassifyKeyEvent(int down, unsigned vk, unsigned ch, unsigned state) {
  if (!down || IsModifier(vk)) return kKeySkipped;
  bool alt = (state & (key::kLeftAltPressed | key::kRightAltPressed)) != 0;
  bool ctrl = (state & (key::kLeftCtrlPressed | key::kRightCtrlPressed)) != 0;
  if (ch != 0) {
    // Ctrl with Alt is how AltGr arrives: the character it yields is a plain
    // key. Alt alone makes an Alt combination.
    return alt && !ctrl ? kKeyExtended : kKeyPlain;
  }
  if (IsExtendedKey(vk)) return kKeyExtended;
  if (alt && HasAltCode(vk)) return kKeyExtended;
  // These always yield a control character; some consoles (wine's on a
  // terminal) leave it out of the event.
  if (vk == key::kEscape || vk == key::kReturn || vk == key::kBack || vk == key::kTab)
    return kKeyPlain;
  return kKeySkipped;
}
