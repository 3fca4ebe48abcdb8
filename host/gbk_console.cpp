#include "gbk_console.h"

#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>

GbkToUtf8Buf::GbkToUtf8Buf(std::streambuf* out)
    : m_out(out), m_cd(iconv_open("UTF-8", "GBK")) {
  setp(m_buffer, m_buffer + sizeof m_buffer);
}

GbkToUtf8Buf::~GbkToUtf8Buf() {
  sync();
  // Whatever is left is an unfinished character: pass its bytes on as they are.
  m_out->sputn(pbase(), pptr() - pbase());
  m_out->pubsync();
  if (ok()) iconv_close(m_cd);
}

GbkToUtf8Buf::int_type GbkToUtf8Buf::overflow(int_type ch) {
  Drain();  // leaves at most the lead byte of an unfinished character
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

int GbkToUtf8Buf::sync() {
  Drain();
  return m_out->pubsync();
}

void GbkToUtf8Buf::Drain() {
  char* in = pbase();
  size_t inLeft = static_cast<size_t>(pptr() - pbase());
  char converted[3 * sizeof m_buffer];
  while (inLeft > 0) {
    char* out = converted;
    size_t outLeft = sizeof converted;
    const size_t rc = iconv(m_cd, &in, &inLeft, &out, &outLeft);
    m_out->sputn(converted, out - converted);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == EINVAL) break;  // unfinished character: keep it
    if (errno == E2BIG) continue;
    m_out->sputc('?');
    ++in;
    --inLeft;
  }
  std::memmove(m_buffer, in, inLeft);
  setp(m_buffer, m_buffer + sizeof m_buffer);
  pbump(static_cast<int>(inLeft));
}

bool ConsoleIsUtf8Terminal() {
  if (!isatty(STDOUT_FILENO)) return false;
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}
