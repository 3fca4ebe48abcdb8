#include "tickbase/timer/current_timer.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <unordered_map>

iTimerObjEx* g_curTimerObj = nullptr;
unsigned long g_curTimerParam = 0;

namespace {

std::string Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                              std::free);
  return status == 0 && text ? std::string(text.get()) : std::string(mangled);
}

}  // namespace

const std::string& TypeName(const std::type_info& type) {
  // Keyed by the mangled name's address: cheap to hash, and a type seen
  // through two shared objects merely gets two equal entries.
  static std::unordered_map<const char*, std::string> cache;
  const char* mangled = type.name();
  auto it = cache.find(mangled);
  if (it == cache.end()) it = cache.emplace(mangled, Demangle(mangled)).first;
  return it->second;
}
