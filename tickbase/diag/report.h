// The library's one pattern for an error or report; internal, not installed.
#ifndef TICKBASE_DIAG_REPORT_H_
#define TICKBASE_DIAG_REPORT_H_

#include <spdlog/logger.h>

#include <string>

#include "tickbase/platform/types.h"

constexpr WORD kColorError = 12;
constexpr WORD kColorHeader = 14;
constexpr WORD kColorNormal = 11;

// Flushes std::cout, sets `color`, writes text to std::cout and the same text
// as one message to channel, flushes, and leaves the console bright cyan.
// The colour changes happen whether or not the channel is enabled.
void Report(spdlog::logger& channel, const std::string& text, WORD color = kColorError);

#endif  // TICKBASE_DIAG_REPORT_H_
