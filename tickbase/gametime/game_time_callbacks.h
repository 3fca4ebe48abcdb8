// The listeners of the game clock. Hosts implement the two interfaces; the
// clock stores raw pointers to them and never destroys them, so an object
// must stay alive while it is registered and be unregistered before it dies.
// The two script-backed forms are made, owned and destroyed by the clock
// (cGameTime::RegistCallbackScript and RegistCallbackAtScript).
#ifndef TICKBASE_GAMETIME_GAME_TIME_CALLBACKS_H_
#define TICKBASE_GAMETIME_GAME_TIME_CALLBACKS_H_

#include <string>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

// Hears a calendar unit roll over.
class TICKBASE_API iGameTimeCallback {
 public:
  // value: the unit's new counter (month and day count from 0). The result
  // is ignored.
  virtual int OnChange(unsigned long value) = 0;

 protected:
  // Not virtual: the clock never deletes through this interface.
  ~iGameTimeCallback() = default;
};

// Hears the clock pass a registered minute; called once per registration.
class TICKBASE_API iGameTimeCallbackAt {
 public:
  // The result is ignored.
  virtual int OnTime() = 0;

 protected:
  ~iGameTimeCallbackAt() = default;
};

// Runs a script function on every event of its unit: RunScriptFileFunc with
// the two names, no arguments (the unit's value is not passed), results
// ignored. Script errors are reported by the script host; an exception from
// loading the script is reported on "script.error" and goes no further.
class TICKBASE_API cGameTimeCallbackScript final : public iGameTimeCallback {
 public:
  // file: script name as the script manager knows it; func: global function.
  // Requires: both not null.
  cGameTimeCallbackScript(const char* file, const char* func);
  int OnChange(unsigned long value) override;  // returns 0

  const std::string m_file;
  const std::string m_func;
};

// The at-time form of cGameTimeCallbackScript.
class TICKBASE_API cGameTimeCallbackScriptAt final : public iGameTimeCallbackAt {
 public:
  // Requires: both not null.
  cGameTimeCallbackScriptAt(const char* file, const char* func);
  int OnTime() override;  // returns 0

  const std::string m_file;
  const std::string m_func;
};

#endif  // TICKBASE_GAMETIME_GAME_TIME_CALLBACKS_H_
