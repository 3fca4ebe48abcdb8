#include "test_watch.h"

namespace {

// The end banner of a game test, "【游戏测试】结束了" (game test has ended), in GBK.
const char kTestEnded[] =
    "\xA1\xBE\xD3\xCE\xCF\xB7\xB2\xE2\xCA\xD4\xA1\xBF\xBD\xE1\xCA\xF8\xC1\xCB";

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

}  // namespace

cTestWatch::int_type cTestWatch::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  Scan(traits_type::to_char_type(ch));
  return m_out->sputc(traits_type::to_char_type(ch));
}

std::streamsize cTestWatch::xsputn(const char* s, std::streamsize n) {
  for (std::streamsize i = 0; i < n; ++i) Scan(s[i]);
  return m_out->sputn(s, n);
}

void cTestWatch::Scan(char c) {
  if (m_inEscape) {
    m_inEscape = c != 'm';
  } else if (c == '\x1b') {
    m_inEscape = true;
  } else if (c == '\n') {
    Classify();
    m_line.clear();
  } else {
    m_line += c;
  }
}

// The library's own report lines: Assert's, a failed call's, a load or
// coroutine error's, and the end banner of EndGameTest.
void cTestWatch::Classify() {
  if (StartsWith(m_line, "ASSERT false for ")) {
    ++m_failedAsserts;
  } else if ((StartsWith(m_line, "script [") && Contains(m_line, "] error : ")) ||
             (StartsWith(m_line, "file: ") && Contains(m_line, " call: "))) {
    ++m_errors;
  } else if (m_line == kTestEnded) {
    ++m_ended;
  }
}
