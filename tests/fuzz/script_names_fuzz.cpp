// Script names and the loaders. NormalizeScriptName against its rule: every
// backslash becomes '/', then each non-overlapping "//" one '/', left to
// right. The input as a script name (a relative one, so nothing outside the
// scratch folder is read) asked of the registry and of the pack-mode
// loader, and as code run by lua_dostring in a sandboxed state: every load
// and run returns, with the error value (if any) on top of the stack.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "tickbase/script/script_common.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_loader.h"
#include "tickbase/script/script_manager.h"

namespace {

std::string Normalized(const std::string& name) {
  std::string s = name;
  for (char& c : s) c = c == '\\' ? '/' : c;
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (s[i] == '/' && i + 1 < s.size() && s[i + 1] == '/') ++i;
  }
  return out;
}

// A package of two scripts, one requiring the other, in pack mode.
void UsePackage() {
  const std::string path = fuzz::ScratchDir() + "names.zip";
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  fuzz::Check(archive != nullptr);
  static const char kA[] = "value = 1";
  static const char kB[] = "require('script/a') value = value + 1";
  for (auto [name, text] : {std::pair{"script/a.lua", kA}, {"script/dir/b.lua", kB}}) {
    zip_source_t* source = zip_source_buffer(archive, text, std::strlen(text), 0);
    fuzz::Check(source != nullptr && zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) >= 0);
  }
  fuzz::Check(zip_close(archive) == 0);
  cScriptManager& scripts = cScriptManager::Instance();
  scripts.BindScript(&fuzz::BindSandboxed);
  scripts.CreateScript("script");
  scripts.SetZip(path.c_str());
}

lua_State* Sandboxed() {
  static lua_State* L = fuzz::NewState(&fuzz::Sandbox);
  return L;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (UsePackage(), true);
  (void)ready;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string name = input.substr(0, input.find('\0'));
  fuzz::Check(NormalizeScriptName(name.c_str()) == Normalized(name));

  CoutCapture quiet;
  const std::string normal = Normalized(name);
  if (!normal.empty() && normal[0] != '/' && normal.find("..") == std::string::npos) {
    cScriptManager::Instance().GetScript(name.c_str());
    lua_State* L = Sandboxed();
    const int result = my_lua_dofile(L, name.c_str());
    fuzz::Check(result == 0 || result == 1 || result == -1);
    lua_settop(L, 0);
    cScriptManager::Instance().Destroy();
  }
  lua_State* L = Sandboxed();
  if (lua_dostring(L, "fuzz", name.c_str()) != 0) fuzz::Check(lua_gettop(L) >= 1);
  lua_settop(L, 0);
  return 0;
}
