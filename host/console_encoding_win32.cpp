#include "console_encoding.h"

#include <windows.h>

#include <iostream>

namespace {

constexpr UINT kGbk = 936;

}  // namespace

cConsoleEncoding::cConsoleEncoding(bool raw) {
  DWORD mode = 0;
  if (raw || !GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;
  const UINT own = GetConsoleOutputCP();
  if (own != kGbk && SetConsoleOutputCP(kGbk)) m_codePage = own;
}

cConsoleEncoding::~cConsoleEncoding() {
  if (m_codePage == 0) return;
  std::cout.flush();
  SetConsoleOutputCP(m_codePage);
}
