// MD5 and the code-running functions with arbitrary strings from Lua: MD5
// of any bytes (zeros included) from a script is the digest OpenSSL gives;
// RunScriptStr and RunScriptString run any text in a sandboxed script state
// and return with the caller's stack as it was.
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "tickbase/script/script_common.h"
#include "tickbase/script/script_manager.h"

namespace {

void Bind(lua_State* L) {
  fuzz::BindSandboxed(L);
  for (const char* blocking : {"Sleep", "CoSleep"}) {
    lua_pushnil(L);
    lua_setglobal(L, blocking);
  }
}

std::string Md5Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest, &n, EVP_md5(), nullptr)) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < n; ++i) hex += {kHex[digest[i] >> 4], kHex[digest[i] & 15]};
  return hex;
}

// The caller's state: a plain one with the common functions.
lua_State* Caller() {
  static lua_State* L = [] {
    std::ofstream(fuzz::ScratchDir() + "null.lua");
    cScriptManager& scripts = cScriptManager::Instance();
    scripts.BindScript(&Bind);
    scripts.CreateScript(fuzz::ScratchDir().c_str());
    return fuzz::NewState(&Bind);
  }();
  return L;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lua_State* L = Caller();
  const std::string input(reinterpret_cast<const char*>(data), size);
  CoutCapture quiet;
  lua_pushlstring(L, input.data(), input.size());
  lua_setglobal(L, "input");
  fuzz::Check(luaL_dostring(L, "digest = MD5(input)") == 0);
  lua_getglobal(L, "digest");
  fuzz::Check(lua_isstring(L, -1) && Md5Hex(input) == lua_tostring(L, -1));
  lua_pop(L, 1);

  luaL_dostring(L, "RunScriptStr(input) RunScriptString('null', input)");
  lua_settop(L, 0);
  if (size % 16 == 0) cScriptManager::Instance().Destroy();  // now and then a fresh null state
  return 0;
}
