#include "crash_context.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstring>
#include <iostream>
#include <string>

#include "tickbase/gametime/game_clock.h"
#include "tickbase/platform/console.h"
#include "tickbase/script/script_context.h"
#include "tickbase/timer/timer_manager.h"

namespace {

// The C runtime's descriptor write; on Windows it takes an int count.
long WriteSome(int fd, const char* text, size_t n) {
#if defined(_WIN32)
  return _write(fd, text, static_cast<unsigned>(n));
#else
  return static_cast<long>(write(fd, text, n));
#endif
}

// Fills a fixed buffer; text past its end is cut off.
class cLine {
 public:
  void Add(const char* text, size_t length) {
    const size_t n = length < sizeof m_text - m_used ? length : sizeof m_text - m_used;
    std::memcpy(m_text + m_used, text, n);
    m_used += n;
  }
  void Add(const char* text) { Add(text, std::strlen(text)); }
  void Add(const std::string& text) { Add(text.data(), text.size()); }
  void Add(unsigned long value) {
    char digits[24];
    size_t n = 0;
    do {
      digits[sizeof digits - ++n] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    Add(digits + sizeof digits - n, n);
  }
  // Writes the line and a line end, which is never cut off.
  void Write(int fd) {
    if (m_used == sizeof m_text) --m_used;
    m_text[m_used++] = '\n';
    for (size_t done = 0; done < m_used;) {
      const long n = WriteSome(fd, m_text + done, m_used - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }

 private:
  char m_text[512];
  size_t m_used = 0;
};

const char* const kUnitNames[] = {"Year", "Month", "Day", "Hour", "Min", "Sec"};

}  // namespace

void WriteCrashContext(int fd) {
  cLine script;
  script.Add("script: ");
  script.Add(GetCurScriptFile());
  script.Add(" function: ");
  script.Add(GetCurScriptFunc());
  script.Write(fd);

  cLine calendar;
  calendar.Add("calendar: ");
  const cGameTime::stDispatch& dispatch = cGameTime::Instance().GetDispatch();
  if (dispatch.unit >= cGameTime::GameTime_Year && dispatch.unit <= cGameTime::GameTime_Sec) {
    calendar.Add(kUnitNames[dispatch.unit]);
    calendar.Add(" event, value ");
    calendar.Add(dispatch.value);
  } else if (dispatch.unit == cGameTime::kDispatchAt) {
    calendar.Add("at-time callbacks");
  } else {
    calendar.Add("not dispatching");
  }
  calendar.Write(fd);
}

void WriteCrashReport() {
  cTimerManager::Instance().ReportCrashToStream(std::cerr);
  std::cerr.flush();
  WriteCrashContext(2);
  platform::ResetConsoleColorsNow();
}
