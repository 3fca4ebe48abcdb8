#include "tickbase/platform/md5.h"
#include "tickbase/script/script_common.h"

std::string GetMD5Str(const std::string& data) {
  platform::Md5Digest digest;
  if (!platform::Md5(data, &digest)) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string text(digest.size() * 2, '0');
  for (std::size_t i = 0; i < digest.size(); ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 0x0F];
  }
  return text;
}
