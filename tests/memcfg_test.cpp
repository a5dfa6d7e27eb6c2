#include "memcfg.h"

#include <gtest/gtest.h>

TEST(ParseHex32Test, Forms) {
  EXPECT_EQ(ParseHex32("80010000\n"), 0x80010000u);
  EXPECT_EQ(ParseHex32("0x80010000\n"), 0x80010000u);
  EXPECT_EQ(ParseHex32("0X80010000\n"), 0x80010000u);
  EXPECT_EQ(ParseHex32(" \t80010000\n"), 0x80010000u);
  EXPECT_EQ(ParseHex32("8001abCD\n"), 0x8001ABCDu);
}
