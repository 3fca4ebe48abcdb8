// MD5 digests from the system's cryptography: OpenSSL's libcrypto, or
// BCrypt on Windows. Internal, not installed.
#ifndef TICKBASE_PLATFORM_MD5_H_
#define TICKBASE_PLATFORM_MD5_H_

#include <array>
#include <cstdint>
#include <string>

namespace platform {

using Md5Digest = std::array<std::uint8_t, 16>;

// The digest of data's bytes. False when the system refuses MD5 (a
// FIPS-only configuration).
bool Md5(const std::string& data, Md5Digest* digest);

}  // namespace platform

#endif  // TICKBASE_PLATFORM_MD5_H_
