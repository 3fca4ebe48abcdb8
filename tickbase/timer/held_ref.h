// Gives back one handle reference when it goes out of scope, also when a
// callback leaves by an exception. Internal.
#ifndef TICKBASE_TIMER_HELD_REF_H_
#define TICKBASE_TIMER_HELD_REF_H_

#include "tickbase/timer/timer_obj.h"

class cHeldRef {
 public:
  // Adopts a reference the caller already holds on obj.
  explicit cHeldRef(cTimerObj* obj) : m_obj(obj) {}
  ~cHeldRef() { m_obj->Release(); }
  cHeldRef(const cHeldRef&) = delete;
  cHeldRef& operator=(const cHeldRef&) = delete;

 private:
  cTimerObj* m_obj;
};

#endif  // TICKBASE_TIMER_HELD_REF_H_
