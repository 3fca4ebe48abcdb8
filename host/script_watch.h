// --watch: reloads the scripts when a script file of the folder changes.
// A changed file is first compiled in a scratch Lua state: if it compiles,
// every script is reloaded (ReloadAll) and the file named; if not, the
// compile error is reported and the running scripts are kept. The folder
// and its subfolders are watched (script_changes.h). Host thread only.
#ifndef TICKBASE_HOST_SCRIPT_WATCH_H_
#define TICKBASE_HOST_SCRIPT_WATCH_H_

#include <string>

#include "script_changes.h"

class cScriptWatch {
 public:
  cScriptWatch() = default;
  cScriptWatch(const cScriptWatch&) = delete;
  cScriptWatch& operator=(const cScriptWatch&) = delete;

  // Starts watching dir and the folders below it. False with *error set
  // when the watch cannot be set up.
  bool Open(const std::string& dir, std::string* error);
  // Takes the changes since the last call, without blocking, and reloads
  // once for all of them when every changed script compiles.
  void Poll();

 private:
  cScriptChanges m_changes;
};

#endif  // TICKBASE_HOST_SCRIPT_WATCH_H_
