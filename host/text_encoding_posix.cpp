#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>

#include "text_encoding.h"

namespace {

// An iconv descriptor keeps state between calls: one per thread that
// writes, opened at its first use.
class cGbkConverter {
 public:
  cGbkConverter() : m_cd(iconv_open("UTF-8", "GBK")) {}
  ~cGbkConverter() {
    if (ok()) iconv_close(m_cd);
  }
  cGbkConverter(const cGbkConverter&) = delete;
  cGbkConverter& operator=(const cGbkConverter&) = delete;

  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

}  // namespace

OutputEncoding EncodingForLocale() {
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr) return OutputEncoding::kAscii;
  if (std::strcmp(codeset, "UTF-8") == 0) return OutputEncoding::kUtf8;
  for (const char* gbk : {"GBK", "GB18030", "CP936"}) {
    if (std::strcmp(codeset, gbk) == 0) return OutputEncoding::kRaw;
  }
  return OutputEncoding::kAscii;
}

bool GbkToUtf8(const char* p, size_t n, std::string* out) {
  thread_local cGbkConverter converter;
  if (!converter.ok()) return false;
  char* in = const_cast<char*>(p);
  size_t inLeft = n;
  std::string buffer(2 * n, '\0');  // two GBK bytes make at most three UTF-8 bytes
  char* converted = &buffer[0];
  size_t outLeft = buffer.size();
  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  if (iconv(converter.get(), &in, &inLeft, &converted, &outLeft) == static_cast<size_t>(-1)) {
    return false;
  }
  out->append(buffer.data(), converted);
  return true;
}
