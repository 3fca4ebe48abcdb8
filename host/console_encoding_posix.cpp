#include "console_encoding.h"

#include <iostream>

#include "gbk_console.h"

cConsoleEncoding::cConsoleEncoding(bool raw) {
  if (raw || !ConsoleIsUtf8Terminal()) return;
  auto utf8 = std::make_unique<GbkToUtf8Buf>(std::cout.rdbuf());
  if (!utf8->ok()) return;
  m_original = std::cout.rdbuf(utf8.get());
  m_transcoder = std::move(utf8);
}

cConsoleEncoding::~cConsoleEncoding() {
  if (!m_transcoder) return;
  std::cout.flush();
  std::cout.rdbuf(m_original);
}
