#include "text_encoding.h"

#include <cstring>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at p (n bytes there), 0 when
// the bytes end inside one that may still be well-formed, -1 when none
// starts here. Overlong forms, surrogates and values past U+10FFFF are
// not UTF-8.
int Utf8Length(const unsigned char* p, size_t n) {
  const unsigned char c = p[0];
  int length;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<size_t>(i) >= n) return 0;
    const unsigned char lo = i == 1 ? low : 0x80, hi = i == 1 ? high : 0xBF;
    if (p[i] < lo || p[i] > hi) return -1;
  }
  return length;
}

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

enum class Run { kWhole, kCut, kBroken };

// Whether the bytes from i up to the next ASCII byte (which *end is set
// to) are all UTF-8 characters, or end cut off, or are not UTF-8.
Run Utf8Run(const unsigned char* bytes, size_t i, size_t n, size_t* end) {
  while (i < n && bytes[i] >= 0x80) {
    const int length = Utf8Length(bytes + i, n - i);
    if (length <= 0) return length == 0 ? Run::kCut : Run::kBroken;
    i += static_cast<size_t>(length);
  }
  *end = i;
  return Run::kWhole;
}

// The same for GBK pairs, whose second byte may be ASCII.
Run GbkRun(const unsigned char* bytes, size_t i, size_t n, size_t* end) {
  while (i < n && bytes[i] >= 0x80) {
    if (!IsGbkLead(bytes[i])) return Run::kBroken;
    if (i + 1 == n) return Run::kCut;
    if (!IsGbkTrail(bytes[i + 1])) return Run::kBroken;
    i += 2;
  }
  *end = i;
  return Run::kWhole;
}

// The library's Chinese words and their ASCII forms.
const struct {
  const char* utf8;
  const char* ascii;
} kPhrases[] = {
    {"\xE3\x80\x90", "["},                               // 【
    {"\xE3\x80\x91", "]"},                               // 】
    {"\xE6\xB8\xB8\xE6\x88\x8F\xE6\xB5\x8B\xE8\xAF\x95", "game test"},  // 游戏测试
    {"\xE5\xBC\x80\xE5\xA7\x8B\xE4\xBA\x86", " started"},               // 开始了
    {"\xE7\xBB\x93\xE6\x9D\x9F\xE4\xBA\x86", " ended"},                 // 结束了
};

}  // namespace

void TextEncoder::Convert(const char* text, size_t n, bool last, std::string* out) {
  if (m_encoding == OutputEncoding::kRaw) {
    out->append(text, n);
    return;
  }
  std::string joined;
  if (!m_tail.empty()) {
    joined = m_tail + std::string(text, n);
    m_tail.clear();
    text = joined.data();
    n = joined.size();
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::string utf8;
  std::string& to = m_encoding == OutputEncoding::kUtf8 ? *out : utf8;
  for (size_t i = 0, end = 0; i < n;) {
    if (bytes[i] < 0x80) {
      to += text[i++];
      continue;
    }
    // A run of non-ASCII bytes is taken whole as UTF-8 if it is UTF-8,
    // else as GBK if it is GBK: a GBK pair may look like a UTF-8 one.
    const Run asUtf8 = Utf8Run(bytes, i, n, &end);
    if (asUtf8 == Run::kWhole) {
      to.append(text + i, end - i);
      i = end;
      continue;
    }
    const Run asGbk = GbkRun(bytes, i, n, &end);
    if ((asUtf8 == Run::kCut || asGbk == Run::kCut) && !last) {
      m_tail.assign(text + i, n - i);
      break;
    }
    if (asGbk == Run::kWhole && GbkToUtf8(text + i, end - i, &to)) {
      i = end;
      continue;
    }
    // Neither as a whole: one character at a time.
    const int length = Utf8Length(bytes + i, n - i);
    if (length > 0) {
      to.append(text + i, static_cast<size_t>(length));
      i += static_cast<size_t>(length);
    } else if (i + 1 < n && IsGbkTrail(bytes[i + 1]) && GbkToUtf8(text + i, 2, &to)) {
      i += 2;
    } else {
      to += kReplacement;
      ++i;
    }
  }
  if (m_encoding == OutputEncoding::kAscii) ToAscii(utf8, out);
}

void TextEncoder::ToAscii(const std::string& utf8, std::string* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  for (size_t i = 0; i < utf8.size();) {
    if (bytes[i] < 0x80) {
      *out += utf8[i++];
      continue;
    }
    bool matched = false;
    for (const auto& phrase : kPhrases) {
      const size_t length = std::strlen(phrase.utf8);
      if (utf8.compare(i, length, phrase.utf8) == 0) {
        *out += phrase.ascii;
        i += length;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    *out += '?';
    // Only well-formed UTF-8 reaches here: skip the continuation bytes.
    for (++i; i < utf8.size() && (bytes[i] & 0xC0) == 0x80; ++i) {
    }
  }
}
