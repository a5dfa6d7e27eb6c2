// zentro-gas's conversion of data.s to GNU as, every line form zentro
// writes and lines it does not.
#include "gas.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(GasTest, ConvertsEveryLineForm) {
  const std::string in =
      "; data.s created by ZENTRO V3.0\r\n\r\n"
      "\topt c+ ;case sensitivity\r\n"
      "\tsection datasection\r\n\r\n"
      "\tglobal FONT_TIM\r\nFONT_TIM:\r\n\tincbin \"data\\font.tim\"\r\n\tcnop 0,4\r\n\r\n"
      "\tglobal A_B\r\nA_B:\n\tincbin \"data\\sub\\a\"q\".b\"\n\tcnop 0,4\n\n"
      "end\r\n";
  std::string out = "untouched";
  int line = -1;
  ASSERT_TRUE(ConvertToGas(in, out, line));
  EXPECT_EQ(out,
            "/* data.s created by ZENTRO V3.0 */\n\n"
            "\t.section .data.datasection,\"aw\"\n\t.balign 4\n\n"
            "\t.globl FONT_TIM\nFONT_TIM:\n\t.incbin \"data/font.tim\"\n\t.balign 4\n\n"
            "\t.globl A_B\nA_B:\n\t.incbin \"data/sub\\\\a\\\"q\\\".b\"\n\t.balign 4\n\n");
  std::string empty = "x";
  EXPECT_TRUE(ConvertToGas("", empty, line));
  EXPECT_EQ(empty, "");
  EXPECT_TRUE(ConvertToGas("; a */ b\r\n", empty, line));
  EXPECT_EQ(empty, "/* a * / b */\n");
}

TEST(GasTest, RejectsLinesZentroDoesNotWrite) {
  for (const char *bad :
       {"\tglobal\r\n", "\tglobal A B\r\n", "A B:\r\n", ":\r\n", "\tincbin \"data\\\"\r\n",
        "\tincbin \"font.tim\"\r\n", "\tincbin \"data\\font.tim\r\n", "\tcnop 0,8\r\n",
        "\topt c-\r\n", "\tsection\r\n", " global A\r\n", "END\r\n", "\r\r\n"}) {
    SCOPED_TRACE(bad);
    std::string out = "untouched";
    int line = 0;
    EXPECT_FALSE(ConvertToGas(std::string("\r\n\tglobal A\r\n") + bad + "end\r\n", out, line));
    EXPECT_EQ(line, 3);
    EXPECT_EQ(out, "untouched");
  }
}

}  // namespace
