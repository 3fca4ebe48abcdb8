// Owners and probes shared by the timer tests.
#ifndef TICKBASE_TESTS_TIMER_TIMER_SUPPORT_H_
#define TICKBASE_TESTS_TIMER_TIMER_SUPPORT_H_

#include <functional>
#include <iostream>
#include <streambuf>
#include <utility>
#include <vector>

#include "tickbase/platform/console.h"
#include "tickbase/timer/timer_obj.h"

// One firing: which owner, which param.
using Firing = std::pair<const void*, unsigned long>;

// An owner that records its calls and answers with `result`, or with what
// `hook` returns when one is set. Calls also go to a shared log if given.
class cRecorder : public iTimerObjEx {
 public:
  explicit cRecorder(unsigned long result = 0, std::vector<Firing>* log = nullptr)
      : m_result(result), m_log(log) {}

  unsigned long OnTimer(unsigned long param) override {
    fired.push_back(param);
    if (m_log) m_log->emplace_back(this, param);
    return hook ? hook(param) : m_result;
  }

  cTimerObj* handle() const { return GetTimerObj(); }

  std::vector<unsigned long> fired;
  std::function<unsigned long(unsigned long)> hook;

 private:
  unsigned long m_result;
  std::vector<Firing>* m_log;
};

// Replaces std::cout's buffer and records the console attribute at every
// flush, so a test sees which colour was set while a report was written.
class FlushColors : public std::streambuf {
 public:
  FlushColors() : m_old(std::cout.rdbuf(this)) {}
  ~FlushColors() override { std::cout.rdbuf(m_old); }
  FlushColors(const FlushColors&) = delete;
  FlushColors& operator=(const FlushColors&) = delete;

  const std::vector<WORD>& colors() const { return m_colors; }
  const std::string& text() const { return m_text; }

 protected:
  int overflow(int c) override {
    if (c != traits_type::eof()) m_text.push_back(static_cast<char>(c));
    return c;
  }
  int sync() override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    m_colors.push_back(static_cast<WORD>(info.wAttributes & 0x0F));
    return 0;
  }

 private:
  std::streambuf* m_old;
  std::vector<WORD> m_colors;
  std::string m_text;
};

#endif  // TICKBASE_TESTS_TIMER_TIMER_SUPPORT_H_
