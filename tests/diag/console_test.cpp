#include "tickbase/diag/console.h"

#include <gtest/gtest.h>

#include "support/capture.h"
#include "tickbase/diag/colors.h"

namespace {

WORD Attributes() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  EXPECT_TRUE(GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info));
  return info.wAttributes;
}

void SetAttributes(WORD value) { SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), value); }

}  // namespace

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { SetAttributes(7); }
  void TearDown() override { SetAttributes(7); }
  CoutCapture m_out;
};

TEST_F(ConsoleTest, KeepMasksChangeOnlyTheirHalf) {
  SetAttributes(0x1F);
  GetConsole().SetColor(12, 0xF0);
  EXPECT_EQ(Attributes(), 0x1C);
  GetConsole().SetColor(0x40, 0x0F);
  EXPECT_EQ(Attributes(), 0x4C);
  EXPECT_EQ(m_out.text(), "");
}

TEST_F(ConsoleTest, ColorNamesSetForegroundOrBackground) {
  SetAttributes(0x5E);
  SetColor("red");
  EXPECT_EQ(Attributes(), 0x54);
  SetBkColor("blue2");
  EXPECT_EQ(Attributes(), 0x94);
  SetColor("white2");
  EXPECT_EQ(Attributes(), 0x9F);
  EXPECT_EQ(FindColor("black"), 0);
  EXPECT_EQ(FindColor("white2"), 15);
  EXPECT_EQ(FindColor(""), -1);
  EXPECT_EQ(m_out.text(), "");
}

TEST_F(ConsoleTest, UnknownOrCapitalisedNamePrintsListingAndChangesNothing) {
  SetAttributes(0x2A);
  SetColor("Red");
  SetBkColor("purple");
  EXPECT_EQ(Attributes(), 0x2A);
  const std::string listing =
      "not find color\n"
      "color -- black red green blue cyan magenta yellow white "
      "black2 red2 green2 blue2 cyan2 magenta2 yellow2 white2 \n";
  EXPECT_EQ(m_out.text(), listing + listing);
}

TEST_F(ConsoleTest, ManipulatorsAndScopeKeepBackground) {
  SetAttributes(0x30);
  std::cout << "a" << ColorRed << "b";
  EXPECT_EQ(Attributes(), 0x3C);
  {
    cColorScope scope(14, 11, std::cout);
    EXPECT_EQ(Attributes(), 0x3E);
    std::cout << "c";
  }
  EXPECT_EQ(Attributes(), 0x3B);
  for (auto [manip, value] : {std::pair{ColorBlue, 9}, {ColorGreen, 10}, {ColorWhite, 15},
                              {ColorYellow, 14}, {ColorCyan, 11}}) {
    std::cout << manip;
    EXPECT_EQ(Attributes(), 0x30 | value);
  }
  EXPECT_EQ(m_out.text(), "abc");
}

TEST_F(ConsoleTest, OutputColorTakesOnlyAKnownLowerCasePrefix) {
  OutputColor("/rAlarm");
  EXPECT_EQ(Attributes(), 12);  // left red
  EXPECT_EQ(m_out.text(), "Alarm\n");

  SetAttributes(7);
  m_out.clear();
  OutputColor("/r");
  OutputColor("/xWord");
  OutputColor("/RWord");
  OutputColor("plain");
  OutputColor("");
  EXPECT_EQ(m_out.text(), "/r\n/xWord\n/RWord\nplain\n\n");
  EXPECT_EQ(Attributes(), 7);

  OutputColor("/gok");
  EXPECT_EQ(Attributes(), 10);
  OutputColor("/b/y");
  EXPECT_EQ(Attributes(), 9);
  EXPECT_EQ(m_out.text(), "/r\n/xWord\n/RWord\nplain\n\nok\n/y\n");
}

TEST_F(ConsoleTest, FailedChangeIsReportedAndAnInvalidHandleTakenAnew) {
  cConsole console(nullptr);  // as with output that is no console
  console.SetColor(12, 0xF0);
  EXPECT_EQ(m_out.text(), "SetColor Error : 6\n");
  EXPECT_EQ(Attributes(), 7);  // nothing changed, nothing retried
  console.SetColor(12, 0xF0);  // on the standard output handle taken anew
  EXPECT_EQ(Attributes(), 12);
  EXPECT_EQ(m_out.text(), "SetColor Error : 6\n");
}
