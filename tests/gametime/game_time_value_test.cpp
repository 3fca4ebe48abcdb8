#include "tickbase/gametime/game_time_value.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

stGameTime Make(DWORD year, DWORD month, DWORD day, DWORD hour, DWORD min, DWORD sec) {
  return stGameTime{year, month, day, hour, min, sec};
}

void ExpectTime(const stGameTime& t, DWORD year, DWORD month, DWORD day, DWORD hour, DWORD min, DWORD sec) {
  EXPECT_EQ(t.year, year);
  EXPECT_EQ(t.month, month);
  EXPECT_EQ(t.day, day);
  EXPECT_EQ(t.hour, hour);
  EXPECT_EQ(t.min, min);
  EXPECT_EQ(t.sec, sec);
}

const stGameTime kDefault = Make(1937, 7, 7, 0, 0, 0);
const stGameTime kSentinel = Make(11, 12, 13, 14, 15, 16);

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

TEST(GameTimeStream, WritesAndReadsBackTheSlashForm) {
  std::ostringstream os;
  kDefault.to_stream(os);
  EXPECT_EQ(os.str(), "1937/7/7 0:0:0");

  std::ostringstream small;
  Make(2010, 0, 0, 3, 5, 9).to_stream(small) << '|';
  EXPECT_EQ(small.str(), "2010/0/0 3:5:9|");

  stGameTime t = kSentinel;
  std::istringstream is(os.str());
  EXPECT_FALSE(t.from_stream(is).fail());
  ExpectTime(t, 1937, 7, 7, 0, 0, 0);

  std::istringstream two("2008/1/2 10:20:30");
  t.from_stream(two);
  ExpectTime(t, 2008, 1, 2, 10, 20, 30);
}

TEST(GameTimeStream, UsesTheStreamsFormattingAndAnySeparator) {
  std::ostringstream os;
  os << std::hex;
  Make(255, 10, 0, 0, 0, 16).to_stream(os);
  EXPECT_EQ(os.str(), "ff/a/0 0:0:10");

  stGameTime t = kSentinel;
  std::istringstream is("1-2-3x4 5\n6 trailing");
  EXPECT_FALSE(t.from_stream(is).fail());
  ExpectTime(t, 1, 2, 3, 4, 5, 6);
  std::string rest;
  std::getline(is, rest);
  EXPECT_EQ(rest, " trailing");

  std::istringstream plus("1/+2/3 4:5:6");  // ordinary extraction takes a plus sign
  EXPECT_FALSE(t.from_stream(plus).fail());
  ExpectTime(t, 1, 2, 3, 4, 5, 6);
}

TEST(GameTimeStream, FailedNumberKeepsItAndLaterFields) {
  const char* const bad[] = {"2008/x/2 10:20:30", "2008/4294967296/2 10:20:30",
                             "2008/-1/2 10:20:30"};
  for (const char* text : bad) {
    stGameTime t = kSentinel;
    std::istringstream is(text);
    EXPECT_TRUE(t.from_stream(is).fail()) << text;
    ExpectTime(t, 2008, 12, 13, 14, 15, 16);
  }

  stGameTime t = kSentinel;
  std::istringstream cut("2008/3");  // runs out before the day
  EXPECT_TRUE(t.from_stream(cut).fail());
  ExpectTime(t, 2008, 3, 13, 14, 15, 16);

  std::istringstream max("4294967295/0/0 0:0:0");
  EXPECT_FALSE(t.from_stream(max).fail());
  EXPECT_EQ(t.year, 4294967295u);
}

TEST(GameTimeString, WritesSixBlankEndedNumbersAndReadsThemBack) {
  std::string text = "old text";
  kDefault.ToString(text);
  EXPECT_EQ(text, "1937 7 7 0 0 0 ");

  stGameTime t = kSentinel;
  t.FromString(text);
  ExpectTime(t, 1937, 7, 7, 0, 0, 0);

  t = kSentinel;
  t.FromString("\t1\n2   3 4 5 6 7 8");
  ExpectTime(t, 1, 2, 3, 4, 5, 6);
}

TEST(GameTimeString, PartialOrBadTextSetsOnlyTheFieldsBeforeIt) {
  stGameTime t = kSentinel;
  t.FromString("2001 2 3");
  ExpectTime(t, 2001, 2, 3, 14, 15, 16);

  t = kSentinel;
  t.FromString("2001 4294967296 3 4 5 6");
  ExpectTime(t, 2001, 12, 13, 14, 15, 16);

  t = kSentinel;
  t.FromString("2001 -2 3 4 5 6");
  ExpectTime(t, 2001, 12, 13, 14, 15, 16);

  t = kSentinel;
  t.FromString("");
  ExpectTime(t, 11, 12, 13, 14, 15, 16);
}
