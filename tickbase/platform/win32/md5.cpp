#include "tickbase/platform/md5.h"

#include <algorithm>

#include "tickbase/platform/types.h"

#include <bcrypt.h>

namespace platform {

bool Md5(const std::string& data, Md5Digest* digest) {
  BCRYPT_ALG_HANDLE md5 = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&md5, BCRYPT_MD5_ALGORITHM, nullptr, 0))) {
    return false;
  }
  // BCryptHash takes a ULONG length: feed longer data in pieces.
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = BCRYPT_SUCCESS(BCryptCreateHash(md5, &hash, nullptr, 0, nullptr, 0, 0));
  for (std::size_t at = 0; ok && at < data.size();) {
    const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(data.size() - at, 1u << 30));
    auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + at));
    ok = BCRYPT_SUCCESS(BCryptHashData(hash, bytes, piece, 0));
    at += piece;
  }
  ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest->data(), digest->size(), 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(md5, 0);
  return ok;
}

}  // namespace platform
