// Which console key events end a key wait, and which count as two codes.
#include "keyevent.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned kLeftAlt = key::kLeftAltPressed;
constexpr unsigned kAltGr = key::kRightAltPressed | key::kLeftCtrlPressed;
constexpr unsigned kCtrl = key::kLeftCtrlPressed;
constexpr unsigned kShift = key::kShiftPressed;

KeyEventKind Down(unsigned vk, unsigned ch, unsigned state = 0) {
  return ClassifyKeyEvent(1, vk, ch, state);
}

TEST(KeyEventTest, CharacterKeysArePlain) {
  EXPECT_EQ(Down('A', 'a'), kKeyPlain);
  EXPECT_EQ(Down('A', 'A', kShift), kKeyPlain);
  EXPECT_EQ(Down('7', '7'), kKeyPlain);
  EXPECT_EQ(Down(key::kSpace, ' '), kKeyPlain);
  EXPECT_EQ(Down(key::kReturn, '\r'), kKeyPlain);
  EXPECT_EQ(Down(key::kEscape, 0x1B), kKeyPlain);
  EXPECT_EQ(Down(key::kBack, 0x08), kKeyPlain);
  EXPECT_EQ(Down(key::kTab, '\t', kShift), kKeyPlain);
  EXPECT_EQ(Down(key::kNumpad0 + 5, '5'), kKeyPlain);
  EXPECT_EQ(Down(key::kOem1, 0xF6), kKeyPlain);  // a non-ASCII letter of a German layout
  // Esc and Enter without their character, as wine's console on a terminal
  // reports them.
  EXPECT_EQ(Down(key::kEscape, 0), kKeyPlain);
  EXPECT_EQ(Down(key::kReturn, 0), kKeyPlain);
}

TEST(KeyEventTest, ControlCharactersArePlain) {
  // With processed input off, Ctrl+C arrives as the character 3.
  EXPECT_EQ(Down('C', 3, kCtrl), kKeyPlain);
  EXPECT_EQ(Down('C', 3, key::kRightCtrlPressed), kKeyPlain);
  EXPECT_EQ(Down('Z', 0x1A, kCtrl), kKeyPlain);
}

TEST(KeyEventTest, AltGrCharactersArePlain) {
  // AltGr reports Ctrl and Alt together, with the character it yields.
  EXPECT_EQ(Down('Q', '@', kAltGr), kKeyPlain);
  EXPECT_EQ(Down('E', 0x20AC, kAltGr), kKeyPlain);  // the euro sign
  EXPECT_EQ(Down('7', '{', key::kRightAltPressed | key::kRightCtrlPressed), kKeyPlain);
}

TEST(KeyEventTest, FunctionAndCursorKeysAreExtended) {
  for (unsigned vk = key::kF1; vk <= key::kF12; vk++) EXPECT_EQ(Down(vk, 0), kKeyExtended) << vk;
  for (unsigned vk : {key::kLeft, key::kUp, key::kRight, key::kDown, key::kHome, key::kEnd,
                      key::kPrior, key::kNext, key::kInsert, key::kDelete})
    EXPECT_EQ(Down(vk, 0), kKeyExtended) << vk;
  EXPECT_EQ(Down(key::kUp, 0, kShift), kKeyExtended);
  EXPECT_EQ(Down(key::kRight, 0, kCtrl), kKeyExtended);
  EXPECT_EQ(Down(key::kF1 + 3, 0, kLeftAlt), kKeyExtended);
}

TEST(KeyEventTest, AltCombinationsAreExtended) {
  EXPECT_EQ(Down('X', 'x', kLeftAlt), kKeyExtended);
  EXPECT_EQ(Down('X', 'x', key::kRightAltPressed), kKeyExtended);  // right Alt without AltGr
  EXPECT_EQ(Down('1', '1', kLeftAlt), kKeyExtended);
  EXPECT_EQ(Down(key::kReturn, '\r', kLeftAlt), kKeyExtended);
  // Ctrl+Alt with a key that yields no character is still an Alt combination.
  EXPECT_EQ(Down('X', 0, kLeftAlt | kCtrl), kKeyExtended);
  EXPECT_EQ(Down(key::kOem4, 0, kLeftAlt), kKeyExtended);
  // So are the last punctuation keys and the control keys without their
  // character.
  for (unsigned vk :
       {key::kOem3, key::kOem8, key::kOem102, key::kTab, key::kBack, key::kEscape, key::kReturn})
    EXPECT_EQ(Down(vk, 0, kLeftAlt), kKeyExtended) << vk;
}

TEST(KeyEventTest, ModifiersAloneAreSkipped) {
  for (unsigned vk : {key::kShift, key::kControl, key::kMenu, key::kCapital, key::kNumLock,
                      key::kScroll, key::kLWin, key::kRWin})
    EXPECT_EQ(Down(vk, 0), kKeySkipped) << vk;
  for (unsigned vk = key::kLShift; vk <= key::kRMenu; vk++)
    EXPECT_EQ(Down(vk, 0), kKeySkipped) << vk;
  // Held together with other modifiers, and with the state they set.
  EXPECT_EQ(Down(key::kShift, 0, kShift | kCtrl), kKeySkipped);
  EXPECT_EQ(Down(key::kMenu, 0, kLeftAlt), kKeySkipped);
  EXPECT_EQ(Down(key::kControl, 0, kAltGr), kKeySkipped);
}

TEST(KeyEventTest, KeysThatYieldNothingAreSkipped) {
  EXPECT_EQ(Down(key::kPause, 0), kKeySkipped);
  EXPECT_EQ(Down(key::kApps, 0), kKeySkipped);
  EXPECT_EQ(Down(key::kOem4, 0), kKeySkipped);  // a dead key: its accent comes with the next key
  // Alt with keypad digits types a character by number; it arrives when Alt
  // is released.
  EXPECT_EQ(Down(key::kNumpad0 + 6, 0, kLeftAlt), kKeySkipped);
}

TEST(KeyEventTest, ReleasesAreSkipped) {
  EXPECT_EQ(ClassifyKeyEvent(0, 'A', 'a', 0), kKeySkipped);
  EXPECT_EQ(ClassifyKeyEvent(0, key::kReturn, '\r', 0), kKeySkipped);
  EXPECT_EQ(ClassifyKeyEvent(0, key::kF1, 0, 0), kKeySkipped);
  EXPECT_EQ(ClassifyKeyEvent(0, key::kMenu, 0xE9, 0), kKeySkipped);
}

}  // namespace
