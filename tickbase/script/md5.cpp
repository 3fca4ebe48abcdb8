#include <openssl/evp.h>

#include "tickbase/script/script_common.h"

std::string GetMD5Str(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  // The library context may refuse MD5 (a FIPS-only configuration).
  if (!EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr)) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string text(size * 2, '0');
  for (unsigned int i = 0; i < size; ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 0x0F];
  }
  return text;
}
