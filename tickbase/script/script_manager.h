// cScriptManager: the process-wide registry of named scripts and the
// settings every script state is made with (the host's bind function, the
// script directory, and the package name that selects pack mode).
//
// A script is loaded the first time its name is asked for and kept under
// its normalised name; a failed load is remembered (as null) until the entry
// is removed. Scripts taken out of the registry may still be running, so
// they are retired, not deleted: retired objects and their states live until
// Destroy or process exit.
//
// Expected use: BindScript, CreateScript and SetZip once at start-up, then
// any mix of the rest, Destroy (or exit) at the end. Host thread only.
#ifndef TICKBASE_SCRIPT_SCRIPT_MANAGER_H_
#define TICKBASE_SCRIPT_SCRIPT_MANAGER_H_

#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"
#include "tickbase/script/lua_script.h"

// A host observer of ReloadAll. Not owned by the registry.
class iReloadAll {
 public:
  // Before every script is dropped.
  virtual void BeforeReload() = 0;
  // After every script was dropped; scripts load again when next asked for.
  virtual void AfterReload() = 0;

 protected:
  ~iReloadAll() = default;
};

class TICKBASE_API cScriptManager {
 public:
  // The singleton, made on first call and destroyed at process exit.
  static cScriptManager& Instance();
  cScriptManager(const cScriptManager&) = delete;
  cScriptManager& operator=(const cScriptManager&) = delete;

  // Settings.

  // The host's registration function for every new state. Without one,
  // states are set up without host bindings and the registry says so once
  // (again after each BindScript).
  void BindScript(ScriptBindFunc f);
  ScriptBindFunc GetBindScript() const { return m_bindFunc; }
  // Sets the script directory: dir normalised, "script" when empty, a
  // trailing backslash dropped, then "/" appended.
  void CreateScript(const char* dir);
  // The script directory; empty until CreateScript. Writable.
  CString& GetPath() { return m_path; }
  // Sets the package name (empty: directory mode) and prints the mode.
  // States that exist keep the loaders they were made with.
  void SetZip(const char* zip);
  const CString& GetZip() const { return m_zip; }
  // Package entries larger than this many bytes are refused before any of
  // them is read (a red line says so). Default 64 MiB.
  void SetZipEntryLimit(size_t bytes) { m_zipEntryLimit = bytes; }
  size_t GetZipEntryLimit() const { return m_zipEntryLimit; }
  // 1 in pack mode, 0 in directory mode.
  int IsPack() const { return m_zip.empty() ? 0 : 1; }
  // In pack mode, registers the package-aware require and dofile into L.
  void BindOSScript(lua_State* L);

  // Registry. Every name is normalised first (NormalizeScriptName).

  // The registered script, loaded on first request; null if it cannot be
  // loaded (the reason is printed once). An exception escaping the load
  // passes out and leaves no entry. A request made while the same name is
  // loading (a script that asks for itself at load time) gives null.
  KLuaScript* GetScript(const char* name);
  // GetScript's state, or null.
  lua_State* GetScriptL(const char* name);
  // A fresh, set-up state that runs no file and is not registered; the
  // caller owns it (delete). Null if no state could be made.
  KLuaScript* NewScript(const char* name);
  // Retires one registered script after calling its Clear. False when the
  // name has no entry. A Lua error in Clear throws luabind::error; the
  // entry is gone and the object retired all the same.
  bool ClearAScript(const char* name);
  // Retires every registered script (each after its Clear) and the command
  // state; no state is closed. A Lua error in a Clear throws luabind::error:
  // the scripts handled so far are retired, that one and the rest stay
  // registered.
  void Clear();
  // Deletes every script, retired ones and the command state included.
  // Requires: no script is running. The registry stays usable.
  void Destroy();
  // BeforeReload of every observer, Clear, AfterReload of every observer,
  // in registration order. Loads nothing.
  void ReloadAll();
  // Appends an observer (no duplicate check); null is ignored.
  void AddReloadAll(iReloadAll* r);
  // Removes every registration of r, for observers that die before the
  // registry.
  void RemoveReloadAll(iReloadAll* r);
  // Starts global func of script file as a coroutine with the number arg
  // (KLuaScript::Resume). ref receives a registry reference of the main
  // state that keeps the thread alive; the caller releases it (luaL_unref
  // on GetScriptL(file)) when it no longer needs the thread. Returns the
  // thread when it finished or paused, null when it failed. A script that
  // cannot be had prints "script <file> not find " in red, returns null and
  // leaves ref alone.
  lua_State* NewThread(const char* file, const char* func, int& ref, int arg);
  // Runs code in the anonymous command state, made on first use. 1 on
  // success, 0 on failure.
  int DoString(const char* code);
  // Writes "cScriptManager::TraceGC", then "<name> (<kilobytes in use>)"
  // for every loaded script, then an empty line.
  void TraceGC(std::ostream& os);
  // Prints every registered name (failed loads included) and a blank each.
  void TraceAllScriptFiles();

 protected:
  // Loads a script object for name; not registered. Null on failure.
  KLuaScript* LoadScript(const char* name);
  // Writes msg in red and a line end, then sets bright white; returns 0.
  int ScriptError(const CString& msg);

 private:
  friend class KLuaScript;

  cScriptManager();
  ~cScriptManager();

  // The bind function for a state about to be set up; says once when none.
  ScriptBindFunc BindForNewState();
  void Retire(std::unique_ptr<KLuaScript> script);
  // True while script's Clear runs.
  bool Clearing(const KLuaScript* script) const;

  // Values are owned; null marks a failed load.
  std::unordered_map<std::string, std::unique_ptr<KLuaScript>> m_scripts;
  std::vector<std::unique_ptr<KLuaScript>> m_retired;
  std::unique_ptr<KLuaScript> m_cmdScript;
  std::vector<iReloadAll*> m_reloadList;  // not owned

  ScriptBindFunc m_bindFunc = nullptr;
  CString m_path;
  CString m_zip;

  bool m_missingBindReported = false;
  std::vector<std::string> m_loading;  // names whose load is under way
  std::vector<KLuaScript*> m_clearing;  // scripts whose Clear runs, innermost last
  size_t m_zipEntryLimit = 64u << 20;
  std::string m_key;                   // reused for hit lookups, no allocation
  // The name last asked of GetScript, as given, and what it found: asking
  // again costs one comparison. Valid until the registry changes.
  std::string m_lastName;
  KLuaScript* m_lastScript = nullptr;
  bool m_lastKnown = false;
};

// cScriptManager::Instance().GetScript(name), and its state or null.
TICKBASE_API KLuaScript* g_GetScript(const char* name);
TICKBASE_API lua_State* g_GetScriptL(const char* name);

#endif  // TICKBASE_SCRIPT_SCRIPT_MANAGER_H_
