// Shows the library's GBK-encoded console labels readably on a UTF-8
// terminal: a stream buffer that transcodes GBK to UTF-8 on the way out.
#ifndef TICKBASE_HOST_GBK_CONSOLE_H_
#define TICKBASE_HOST_GBK_CONSOLE_H_

#include <iconv.h>

#include <streambuf>

// Buffers bytes and writes them to `out` as UTF-8. A lead byte whose trail
// byte has not arrived yet waits for the next write; an invalid byte is
// written as '?'. out must outlive this buffer. Use only when ok().
class GbkToUtf8Buf : public std::streambuf {
 public:
  explicit GbkToUtf8Buf(std::streambuf* out);
  ~GbkToUtf8Buf() override;
  GbkToUtf8Buf(const GbkToUtf8Buf&) = delete;
  GbkToUtf8Buf& operator=(const GbkToUtf8Buf&) = delete;

  // False when this system's iconv cannot convert GBK.
  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;

 private:
  // Converts what is buffered; keeps an unfinished character for later.
  void Drain();

  std::streambuf* m_out;
  iconv_t m_cd;
  char m_buffer[4096];
};

// True when standard output is a terminal whose locale encodes UTF-8.
bool ConsoleIsUtf8Terminal();

#endif  // TICKBASE_HOST_GBK_CONSOLE_H_
