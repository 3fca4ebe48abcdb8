// Timing scopes: measure a block on the ms clock (timeGetTime) and report,
// when the scope ends, if it ran strictly longer than its limit.
//
//   cTimerFunction       a plain line on std::cout;
//   cTimerFunctionFrame  a message on "quenlet.timererror" with a param text
//                        and the nesting depth of live frames, in red;
//   cTimerLog            a bright white line on std::cout with a free text.
//
// Each scope reports at most once. Not copyable. Strings are formatted only
// when a limit is exceeded. Single-threaded: the frame depth is one counter.
#ifndef TICKBASE_TIMER_TIMING_SCOPE_H_
#define TICKBASE_TIMER_TIMING_SCOPE_H_

#include <string>

#include "tickbase/export.h"

class TICKBASE_API cTimer {
 public:
  // Starts timing when start is non-zero; otherwise Restart must be called
  // before the block that is measured.
  explicit cTimer(int start);
  cTimer(const cTimer&) = delete;
  cTimer& operator=(const cTimer&) = delete;
  virtual ~cTimer();

  // Starts timing now; returns the start reading (ms).
  unsigned long Restart();
  // Milliseconds since the start; correct across one wrap of the clock.
  unsigned long Elapsed() const;

 private:
  unsigned long m_start = 0;
};

class TICKBASE_API cTimerFunction : public cTimer {
 public:
  // Reports "<name> cost time <ms>" on std::cout when the scope ran longer
  // than limit ms and no derived scope has reported.
  cTimerFunction(const char* name, unsigned long limit, int start);
  ~cTimerFunction() override;

  bool OverLimit() const { return Elapsed() > m_limit; }

 protected:
  bool m_pending = true;  // cleared by a derived scope that has reported
  std::string m_name;
  unsigned long m_limit;
};

class TICKBASE_API cTimerFunctionFrame : public cTimerFunction {
 public:
  // param is borrowed and must outlive the scope. Counts one nesting level
  // while alive.
  cTimerFunctionFrame(const char* name, const char* param, unsigned long limit, int start);
  ~cTimerFunctionFrame() override;

 private:
  const char* m_param;
};

class TICKBASE_API cTimerLog : public cTimerFunction {
 public:
  // Starts timing at once; name and text are copied.
  cTimerLog(const char* name, const char* text, unsigned long limit);
  ~cTimerLog() override;

 private:
  std::string m_text;
};

// The number of live cTimerFunctionFrame scopes (0 when none is alive).
TICKBASE_API int& GetTimerFunctionFrameLevel();

#endif  // TICKBASE_TIMER_TIMING_SCOPE_H_
