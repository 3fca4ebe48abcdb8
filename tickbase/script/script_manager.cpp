#include "tickbase/script/script_manager.h"

#include <algorithm>
#include <iostream>
#include <lua.hpp>

#include "tickbase/diag/console.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_loader.h"

namespace {

// Marks a name as loading for the lifetime of one load.
class cLoadingMark {
 public:
  cLoadingMark(std::vector<std::string>& loading, const std::string& key) : m_loading(loading) {
    m_loading.push_back(key);
  }
  ~cLoadingMark() { m_loading.pop_back(); }
  cLoadingMark(const cLoadingMark&) = delete;
  cLoadingMark& operator=(const cLoadingMark&) = delete;

 private:
  std::vector<std::string>& m_loading;
};

// Marks a script whose Clear is running for the lifetime of that call.
class cClearingMark {
 public:
  cClearingMark(std::vector<KLuaScript*>& clearing, KLuaScript* script) : m_clearing(clearing) {
    m_clearing.push_back(script);
  }
  ~cClearingMark() { m_clearing.pop_back(); }
  cClearingMark(const cClearingMark&) = delete;
  cClearingMark& operator=(const cClearingMark&) = delete;

 private:
  std::vector<KLuaScript*>& m_clearing;
};

}  // namespace

cScriptManager& cScriptManager::Instance() {
  static cScriptManager manager;
  return manager;
}

cScriptManager::cScriptManager() = default;

cScriptManager::~cScriptManager() { Destroy(); }

// Settings ---------------------------------------------------------------

void cScriptManager::BindScript(ScriptBindFunc f) {
  m_bindFunc = f;
  m_missingBindReported = false;
}

void cScriptManager::CreateScript(const char* dir) {
  std::string path = NormalizeScriptName(dir);
  if (path.empty()) path = "script\\";
  if (path.back() == '\\') path.pop_back();
  m_path = path + "/";
}

void cScriptManager::SetZip(const char* zip) {
  m_zip = TextOf(zip);
  if (!RoutineTracesShown()) return;
  if (!m_zip.empty()) {
    std::cout << "cScriptManager::SetZip config_str zip_script = " << m_zip << std::endl;
  } else {
    std::cout << "cScriptManager::SetZip not use zip_script." << std::endl;
  }
}

void cScriptManager::BindOSScript(lua_State* L) {
  if (IsPack()) RegisterScript(L, GetOSFuncs());
}

int cScriptManager::ScriptError(const CString& msg) {
  std::cout << ColorRed << msg << std::endl << ColorWhite;
  return 0;
}

ScriptBindFunc cScriptManager::BindForNewState() {
  if (!m_bindFunc && !m_missingBindReported) {
    m_missingBindReported = true;
    ScriptError("cScriptManager::BindScript not called: script states get no host bindings");
  }
  return m_bindFunc;
}

// Registry ---------------------------------------------------------------

KLuaScript* cScriptManager::GetScript(const char* name) {
  if (m_lastKnown && name && m_lastName == name) return m_lastScript;
  NormalizeScriptNameTo(name, &m_key);
  const auto it = m_scripts.find(m_key);
  if (it != m_scripts.end()) {
    m_lastKnown = false;  // until both are set
    m_lastName.assign(TextOf(name));
    m_lastScript = it->second.get();
    m_lastKnown = name != nullptr;
    return m_lastScript;
  }

  const std::string key = m_key;  // the load may ask for other scripts
  if (std::find(m_loading.begin(), m_loading.end(), key) != m_loading.end()) {
    // Loading it again would recurse until the stack overflows.
    ScriptError("cScriptManager::GetScript " + key + " asked for while it loads");
    return nullptr;
  }
  std::unique_ptr<KLuaScript> script;
  {
    cLoadingMark mark(m_loading, key);
    script.reset(LoadScript(key.c_str()));
  }
  KLuaScript* result = script.get();
  m_lastKnown = false;
  m_scripts[key] = std::move(script);
  return result;
}

lua_State* cScriptManager::GetScriptL(const char* name) {
  KLuaScript* script = GetScript(name);
  return script ? script->GetLua() : nullptr;
}

KLuaScript* cScriptManager::LoadScript(const char* name) {
  const std::string key = NormalizeScriptName(name);
  auto script = std::make_unique<KLuaScript>();
  if (!script->LoadScript(key.c_str(), BindForNewState())) return nullptr;
  if (RoutineTracesShown()) std::cout << "cScriptManager::LoadScript file " << key << std::endl;
  return script.release();
}

KLuaScript* cScriptManager::NewScript(const char* name) {
  const std::string key = NormalizeScriptName(name);
  auto script = std::make_unique<KLuaScript>();
  if (!script->NewScript(key.c_str(), BindForNewState())) return nullptr;
  return script.release();
}

void cScriptManager::Retire(std::unique_ptr<KLuaScript> script) {
  m_retired.push_back(std::move(script));
}

bool cScriptManager::ClearAScript(const char* name) {
  const auto it = m_scripts.find(NormalizeScriptName(name));
  if (it == m_scripts.end()) return false;
  std::unique_ptr<KLuaScript> script = std::move(it->second);
  m_lastKnown = false;
  m_scripts.erase(it);
  if (script) {
    // Retired before its Clear runs, so a raising Clear cannot lose it.
    KLuaScript* raw = script.get();
    Retire(std::move(script));
    raw->Clear();
  }
  return true;
}

void cScriptManager::Clear() {
  // Clear functions may load or clear scripts: walk a snapshot of the names
  // and look each one up again.
  std::vector<std::string> keys;
  keys.reserve(m_scripts.size());
  for (const auto& entry : m_scripts) keys.push_back(entry.first);
  for (const std::string& key : keys) {
    auto it = m_scripts.find(key);
    if (it == m_scripts.end()) continue;
    KLuaScript* const script = it->second.get();
    if (script) {
      // A Clear that calls Clear again (through ReloadAll) is not entered
      // twice: the outer call retires the script.
      if (Clearing(script)) continue;
      // A Clear that raises leaves its script, and those after it, registered.
      cClearingMark mark(m_clearing, script);
      script->Clear();
      it = m_scripts.find(key);
      if (it == m_scripts.end() || it->second.get() != script) continue;  // cleared meanwhile
      m_lastKnown = false;
      Retire(std::move(it->second));
    }
    m_lastKnown = false;
    m_scripts.erase(it);
  }
  // Scripts that Clear functions loaded during this pass go unasked; those
  // whose Clear is still running are left to that call.
  for (auto it = m_scripts.begin(); it != m_scripts.end();) {
    KLuaScript* const script = it->second.get();
    if (script && Clearing(script)) {
      ++it;
      continue;
    }
    m_lastKnown = false;
    if (script) Retire(std::move(it->second));
    it = m_scripts.erase(it);
  }
  if (m_cmdScript) Retire(std::move(m_cmdScript));
}

bool cScriptManager::Clearing(const KLuaScript* script) const {
  return std::find(m_clearing.begin(), m_clearing.end(), script) != m_clearing.end();
}

void cScriptManager::Destroy() {
  // Closing a state may run host destructors that call back in here: empty
  // the members first, then let the objects go.
  m_lastKnown = false;
  auto scripts = std::move(m_scripts);
  m_scripts.clear();
  auto command = std::move(m_cmdScript);
  auto retired = std::move(m_retired);
  m_retired.clear();
  scripts.clear();
  command.reset();
  retired.clear();
}

void cScriptManager::ReloadAll() {
  // By index: an observer may register others while it is called.
  for (size_t i = 0; i < m_reloadList.size(); ++i) m_reloadList[i]->BeforeReload();
  Clear();
  for (size_t i = 0; i < m_reloadList.size(); ++i) m_reloadList[i]->AfterReload();
}

void cScriptManager::AddReloadAll(iReloadAll* r) {
  if (r) m_reloadList.push_back(r);
}

void cScriptManager::RemoveReloadAll(iReloadAll* r) {
  m_reloadList.erase(std::remove(m_reloadList.begin(), m_reloadList.end(), r), m_reloadList.end());
}

int cScriptManager::DoString(const char* code) {
  if (!m_cmdScript) {
    auto script = std::make_unique<KLuaScript>();
    if (!script->NewScript("", BindForNewState())) return 0;
    m_cmdScript = std::move(script);
  }
  // The code may retire the command state; retired objects stay alive.
  KLuaScript* command = m_cmdScript.get();
  // Only the result is handed on: a failure's error value goes.
  cKeepTop keep(command->GetLua());
  return command->DoString(code);
}

void cScriptManager::TraceGC(std::ostream& os) {
  os << "cScriptManager::TraceGC" << std::endl;
  for (const auto& entry : m_scripts) {
    lua_State* L = entry.second ? entry.second->GetLua() : nullptr;
    if (L) os << entry.first << " (" << lua_gc(L, LUA_GCCOUNT, 0) << ")\n";
  }
  os << std::endl;
}

void cScriptManager::TraceAllScriptFiles() {
  for (const auto& entry : m_scripts) std::cout << entry.first << " ";
}

KLuaScript* g_GetScript(const char* name) { return cScriptManager::Instance().GetScript(name); }

lua_State* g_GetScriptL(const char* name) { return cScriptManager::Instance().GetScriptL(name); }
