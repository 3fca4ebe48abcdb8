// Small helpers shared by the script host's sources; internal.
#ifndef TICKBASE_SCRIPT_SCRIPT_HELPERS_H_
#define TICKBASE_SCRIPT_SCRIPT_HELPERS_H_

#include <climits>
#include <cmath>
#include <cstddef>
#include <lua.hpp>
#include <stdexcept>
#include <string>

// True when L has a string or a number on top; *text is then its text. The
// value itself stays as it was (a number is not turned into a string).
bool TopErrorText(lua_State* L, std::string* text);

// Pushes the global `name` (length bytes) of L with an ordinary table read
// (metamethods apply). When the global is absent and the globals table has
// a metatable, the read runs under lua_pcall, so a raising __index (a
// strict-globals guard) cannot escape into the host; the status is returned
// and, on failure, the error value is pushed instead of the global. A stack
// that cannot grow by three slots gives LUA_ERRMEM with nothing pushed.
// Inline: every call of a script function by name reads its global.
// PushGlobal's rare cases: a crowded stack (read false), or an absent
// global whose raw read has pushed nil (read true).
int PushGlobalSlow(lua_State* L, const char* name, size_t length, bool read);
inline int PushGlobal(lua_State* L, const char* name, size_t length) {
  // Room for the reader, its argument and one call argument pushed later.
  // Lua guarantees LUA_MINSTACK slots above the current frame's base, so
  // only a crowded stack needs the (slower) check.
  if (lua_gettop(L) + 3 > LUA_MINSTACK) return PushGlobalSlow(L, name, length, false);
  // __index is consulted only for absent keys, so a present global is the
  // result of an ordinary read too; this is the path of every call.
  lua_pushlstring(L, name, length);
  lua_rawget(L, LUA_GLOBALSINDEX);
  return lua_type(L, -1) != LUA_TNIL ? 0 : PushGlobalSlow(L, name, length, true);
}

// NormalizeScriptName into *out, reusing its storage.
void NormalizeScriptNameTo(const char* name, std::string* out);

// True when s ends in suffix (case-sensitive).
inline bool EndsWith(const std::string& s, const char* suffix) {
  const size_t n = std::char_traits<char>::length(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Restores L's stack top when it ends, for callers that drop the error
// value a failed call leaves (the failure was reported when it happened):
// left there, values pile up until the stack refuses every call.
class cKeepTop {
 public:
  explicit cKeepTop(lua_State* L);
  ~cKeepTop();
  cKeepTop(const cKeepTop&) = delete;
  cKeepTop& operator=(const cKeepTop&) = delete;

 private:
  lua_State* m_L;
  int m_top;
};

// Thrown by the runners when runs of scripts nest past their limit.
class cScriptNestingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Truncation toward zero; values beyond int saturate and NaN gives 0, where
// a plain conversion would be undefined.
inline int TruncateToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

// Null-safe view of a C string for messages.
inline const char* TextOf(const char* s) { return s ? s : ""; }

#endif  // TICKBASE_SCRIPT_SCRIPT_HELPERS_H_
