// The listeners of the game clock. Hosts implement the two interfaces; the
// clock stores raw pointers to them and never destroys them, so an object
// must stay alive while it is registered and be unregistered before it dies.
#ifndef TICKBASE_GAMETIME_GAME_TIME_CALLBACKS_H_
#define TICKBASE_GAMETIME_GAME_TIME_CALLBACKS_H_

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

// Hears a calendar unit roll over.
class TICKBASE_API iGameTimeCallback {
 public:
  // value: the unit's new counter (month and day count from 0). The result
  // is ignored.
  virtual int OnChange(DWORD value) = 0;

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

#endif  // TICKBASE_GAMETIME_GAME_TIME_CALLBACKS_H_
