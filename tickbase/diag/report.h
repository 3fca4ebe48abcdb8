// The library's one pattern for an error or report; internal, not installed.
#ifndef TICKBASE_DIAG_REPORT_H_
#define TICKBASE_DIAG_REPORT_H_

#include <spdlog/logger.h>

#include <sstream>
#include <string>

#include "tickbase/platform/types.h"

constexpr WORD kColorError = 12;
constexpr WORD kColorHeader = 14;
constexpr WORD kColorNormal = 11;

// Flushes std::cout, sets `color`, writes text to std::cout and the same text
// as one message to channel, flushes, and leaves the console bright cyan.
// The colour changes happen whether or not the channel is enabled.
void Report(spdlog::logger& channel, const std::string& text, WORD color = kColorError);

// One report that has no console line of its own. Its text goes to the
// channel when the channel is enabled, else to stderr as "[<channel>]
// <text>", so a report is never lost when the host configured nothing (and
// stays apart from the program's own output on stdout). Never throws.
class cChannelReport {
 public:
  explicit cChannelReport(spdlog::logger& channel) : m_channel(channel) {}
  ~cChannelReport();
  cChannelReport(const cChannelReport&) = delete;
  cChannelReport& operator=(const cChannelReport&) = delete;

  std::ostream& stream() { return m_text; }

 private:
  spdlog::logger& m_channel;
  std::ostringstream m_text;
};

#endif  // TICKBASE_DIAG_REPORT_H_
