#include <windows.h>

#include "text_encoding.h"

namespace {

constexpr UINT kGbk = 936;

}  // namespace

OutputEncoding EncodingForLocale() {
  UINT codePage = GetConsoleOutputCP();
  if (codePage == 0) codePage = GetACP();  // no console: the ANSI code page
  if (codePage == CP_UTF8) return OutputEncoding::kUtf8;
  if (codePage == kGbk) return OutputEncoding::kRaw;
  return OutputEncoding::kAscii;
}

bool GbkToUtf8(const char* p, size_t n, std::string* out) {
  if (n == 0) return true;
  const int length = static_cast<int>(n);
  const int wide = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, p, length, nullptr, 0);
  if (wide <= 0) return false;
  std::wstring text(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, p, length, &text[0], wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  const size_t at = out->size();
  out->resize(at + static_cast<size_t>(bytes));
  WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &(*out)[at], bytes, nullptr, nullptr);
  return true;
}
