// Makes the library's GBK console labels readable for its lifetime: on a
// UTF-8 terminal std::cout is transcoded to UTF-8 (gbk_console.h); a Windows
// console is switched to code page 936 and shows GBK itself. Restores both
// when it ends.
#ifndef TICKBASE_HOST_CONSOLE_ENCODING_H_
#define TICKBASE_HOST_CONSOLE_ENCODING_H_

#include <memory>
#include <streambuf>

class cConsoleEncoding {
 public:
  // raw: leave the console bytes as they are.
  explicit cConsoleEncoding(bool raw);
  ~cConsoleEncoding();
  cConsoleEncoding(const cConsoleEncoding&) = delete;
  cConsoleEncoding& operator=(const cConsoleEncoding&) = delete;

 private:
  std::unique_ptr<std::streambuf> m_transcoder;  // on std::cout while set
  std::streambuf* m_original = nullptr;
  unsigned m_codePage = 0;  // the console's own, 0 when unchanged
};

#endif  // TICKBASE_HOST_CONSOLE_ENCODING_H_
