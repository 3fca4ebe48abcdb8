#include "tickbase/platform/md5.h"

#include <openssl/evp.h>

namespace platform {

bool Md5(const std::string& data, Md5Digest* digest) {
  unsigned int size = 0;
  return EVP_Digest(data.data(), data.size(), digest->data(), &size, EVP_md5(), nullptr) &&
         size == digest->size();
}

}  // namespace platform
