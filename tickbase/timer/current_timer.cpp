#include "tickbase/timer/current_timer.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "tickbase/timer/timer_obj.h"

iTimerObjEx* g_curTimerObj = nullptr;
unsigned long g_curTimerParam = 0;

namespace {

std::string Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                              std::free);
  return status == 0 && text ? std::string(text.get()) : std::string(mangled);
}

// Keyed by the mangled name's address: cheap to hash, and a type seen
// through two shared objects merely gets two equal entries.
std::unordered_map<const char*, std::string>& Names() {
  static std::unordered_map<const char*, std::string> names;
  return names;
}

}  // namespace

const std::string& TypeName(const std::type_info& type) {
  auto& names = Names();
  const char* mangled = type.name();
  auto it = names.find(mangled);
  if (it == names.end()) it = names.emplace(mangled, Demangle(mangled)).first;
  return it->second;
}

const char* CachedTypeName(const std::type_info& type) {
  const auto& names = Names();
  const auto it = names.find(type.name());
  return it == names.end() ? type.name() : it->second.c_str();
}

void NoteTypeName(const cTimerObj* obj) {
  // Most adds come from the same few owner types: skip the lookup for a
  // repeat of the last one.
  static const std::type_info* last = nullptr;
  const iTimerObjEx* owner = obj->GetOwner();
  if (!obj->IsValid() || !owner) return;
  const std::type_info& type = typeid(*owner);
  if (&type == last) return;
  TypeName(type);
  last = &type;
}
