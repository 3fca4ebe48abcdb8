// The game time text readers against a reader written from their rules:
// six numbers, each after optional white space and an optional plus sign,
// that fit in 32 bits (a minus sign is refused); from_stream takes any one
// character between them. A number that fails stops the reading and leaves
// that field and the later ones as they were. What is written reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "tickbase/gametime/game_time_value.h"

namespace {

struct Reference {
  std::string text;
  std::size_t at = 0;
  bool failed = false;

  bool Space(char c) const { return c == ' ' || (c >= '\t' && c <= '\r'); }
  void Number(DWORD& field) {
    if (failed) return;
    while (at < text.size() && Space(text[at])) ++at;
    if (at < text.size() && text[at] == '+') ++at;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      if (value > 0xFFFFFFFFu) value = 0x100000000u;  // too big, whatever follows
    }
    failed = digits == 0 || value > 0xFFFFFFFFu;
    if (!failed) field = static_cast<DWORD>(value);
  }
  void Separator() {
    if (failed) return;
    failed = at >= text.size();
    ++at;
  }
};

const stGameTime kBefore = {11, 12, 13, 14, 15, 16};

// Six counters and nothing else: equal bytes are equal times.
bool Same(const stGameTime& a, const stGameTime& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  stGameTime fromStream = kBefore, expected = kBefore;
  std::istringstream is(text);
  const bool streamFailed = fromStream.from_stream(is).fail();
  Reference stream{text};
  DWORD* fields[] = {&expected.year, &expected.month, &expected.day, &expected.hour, &expected.min, &expected.sec};
  for (DWORD* field : fields) {
    if (field != fields[0]) stream.Separator();
    stream.Number(*field);
  }
  fuzz::Check(Same(fromStream, expected) && streamFailed == stream.failed);

  stGameTime fromString = kBefore;
  expected = kBefore;
  fromString.FromString(text);
  Reference plain{text};
  for (DWORD* field : fields) plain.Number(*field);
  fuzz::Check(Same(fromString, expected));

  // What is written reads back, in both forms.
  std::ostringstream os;
  fromStream.to_stream(os);
  stGameTime again = kBefore;
  std::istringstream back(os.str());
  fuzz::Check(!again.from_stream(back).fail() && Same(again, fromStream));
  std::string line;
  fromString.ToString(line);
  again = kBefore;
  again.FromString(line);
  fuzz::Check(Same(again, fromString));
  return 0;
}
