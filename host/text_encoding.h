// The encoding of everything the host writes (standard output, standard
// error, log files), chosen from the user's locale (on Windows the console's
// output code page).
//
// The library writes its own labels in GBK, and scripts print whatever
// bytes they hold, often UTF-8. In a UTF-8 locale valid UTF-8 passes
// unchanged, a run of non-ASCII bytes that is not UTF-8 but is GBK is
// transcoded, and a byte that is neither becomes U+FFFD. In a GBK locale
// (code page 936, or with --raw-console) every byte passes unchanged. In any other locale the text
// is made ASCII: the labels' brackets become [ ], the game test banners
// English words, and any other non-ASCII character one '?'.
#ifndef TICKBASE_HOST_TEXT_ENCODING_H_
#define TICKBASE_HOST_TEXT_ENCODING_H_

#include <cstddef>
#include <string>

enum class OutputEncoding { kRaw, kUtf8, kAscii };

// Adopts the user's locale for character handling (LC_CTYPE) and returns
// the encoding it asks for; on Windows the encoding of the console's output
// code page (of the ANSI code page without a console).
OutputEncoding EncodingForLocale();

// Appends the UTF-8 form of the n GBK bytes at p, or returns false when
// they are not GBK (the system's converter: iconv, or the code page 936
// tables on Windows).
bool GbkToUtf8(const char* p, size_t n, std::string* out);

// Converts a byte stream piece by piece; not copyable.
class TextEncoder {
 public:
  explicit TextEncoder(OutputEncoding encoding) : m_encoding(encoding) {}
  TextEncoder(const TextEncoder&) = delete;
  TextEncoder& operator=(const TextEncoder&) = delete;

  // Appends the converted text to *out. With more to come, a character cut
  // off at the end of text is kept for the next call; with last, it is
  // converted as it is.
  void Convert(const char* text, size_t n, bool last, std::string* out);

 private:
  // Appends the ASCII form of the UTF-8 text.
  static void ToAscii(const std::string& utf8, std::string* out);

  OutputEncoding m_encoding;
  std::string m_tail;  // the start of a character cut off by the last call
};

#endif  // TICKBASE_HOST_TEXT_ENCODING_H_
