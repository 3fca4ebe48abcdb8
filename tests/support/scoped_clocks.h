// Drives the library's clocks from a test: while a ScopedClocks lives, every
// clock reading returns the values set here. Restores the system clocks.
#ifndef TICKBASE_TESTS_SUPPORT_SCOPED_CLOCKS_H_
#define TICKBASE_TESTS_SUPPORT_SCOPED_CLOCKS_H_

#include <cstdint>

#include "tickbase/platform/clock_test_helper.h"

class ScopedClocks {
 public:
  explicit ScopedClocks(std::uint32_t ms = 1000, long sec = 1700000000) {
    Ms() = ms;
    Sec() = sec;
    Carry() = 0;
    platform::SetClocks(+[] { return Ms(); }, +[] { return Sec(); });
  }
  ~ScopedClocks() { platform::SetClocks(nullptr, nullptr); }
  ScopedClocks(const ScopedClocks&) = delete;
  ScopedClocks& operator=(const ScopedClocks&) = delete;

  void SetMs(std::uint32_t ms) { Ms() = ms; }
  void SetSec(long sec) { Sec() = sec; }
  // Moves the millisecond clock (wrapping at 2^32) and the second clock by
  // the whole seconds that the step crosses.
  void Advance(std::uint32_t ms) {
    const std::uint64_t total = Carry() + ms;
    Sec() += static_cast<long>(total / 1000);
    Carry() = total % 1000;
    Ms() += ms;
  }
  std::uint32_t ms() const { return Ms(); }
  long sec() const { return Sec(); }

 private:
  static std::uint32_t& Ms() { static std::uint32_t v; return v; }
  static long& Sec() { static long v; return v; }
  static std::uint64_t& Carry() { static std::uint64_t v; return v; }
};

#endif  // TICKBASE_TESTS_SUPPORT_SCOPED_CLOCKS_H_
