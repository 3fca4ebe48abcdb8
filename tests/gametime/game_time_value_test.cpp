#include "tickbase/gametime/game_time_value.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

stGameTime Make(DWORD year, DWORD month, DWORD day, DWORD hour, DWORD min, DWORD sec) {
  return stGameTime{year, month, day, hour, min, sec};
}

const stGameTime kDefault = Make(1937, 7, 7, 0, 0, 0);

}  // namespace

TEST(GameTimeOrder, IsMinuteGrainedAndLexicographic) {
  const stGameTime a = Make(2000, 3, 4, 10, 30, 0);
  const stGameTime b = Make(2000, 3, 4, 10, 30, 59);
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(b < a);

  const stGameTime later = Make(2000, 3, 4, 10, 31, 0);
  EXPECT_TRUE(b < later);
  EXPECT_FALSE(later < b);

  EXPECT_TRUE(Make(1937, 11, 30, 23, 59, 59) < Make(1938, 0, 0, 0, 0, 0));
  EXPECT_TRUE(Make(1937, 0, 30, 0, 0, 0) < Make(1937, 1, 0, 0, 0, 0));
  EXPECT_TRUE(Make(1937, 5, 5, 4, 59, 0) < Make(1937, 5, 5, 5, 0, 0));
  EXPECT_FALSE(Make(4000000000u, 0, 0, 0, 0, 0) < Make(1, 0, 0, 0, 0, 0));  // unsigned
}

// The readers are checked against their rules by tests/fuzz
// (game_time_text_fuzz.cpp), over seeds that cover the cases of the rules.
TEST(GameTimeText, WritesBothFormsWithTheStreamsFormatting) {
  std::ostringstream os;
  kDefault.to_stream(os);
  EXPECT_EQ(os.str(), "1937/7/7 0:0:0");
  std::ostringstream hex;
  hex << std::hex;
  Make(255, 10, 0, 0, 0, 16).to_stream(hex) << '|';
  EXPECT_EQ(hex.str(), "ff/a/0 0:0:10|");

  std::string text = "old text";
  kDefault.ToString(text);
  EXPECT_EQ(text, "1937 7 7 0 0 0 ");
  stGameTime t = Make(11, 12, 13, 14, 15, 16);
  std::istringstream is("2008/1/2 10:20:30");
  EXPECT_FALSE(t.from_stream(is).fail());
  EXPECT_EQ(t.hour, 10u);  // the blank is the separator
}
