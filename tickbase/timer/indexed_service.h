// What the map and list services share: entries kept in an indexed store
// (cMapTimers or cListTimers), found by (handle, param) without a scan, each
// holding one reference to its handle. The services add the firing rule.
// Internal.
#ifndef TICKBASE_TIMER_INDEXED_SERVICE_H_
#define TICKBASE_TIMER_INDEXED_SERVICE_H_

#include <cstddef>
#include <string>

#include "tickbase/timer/list_timers.h"
#include "tickbase/timer/map_timers.h"
#include "tickbase/timer/service.h"

template <class Store>
class TICKBASE_API cIndexedService : public cService {
 public:
  // Releases the handle of every stored entry.
  ~cIndexedService() override;

  bool KillTimer(cTimerObj* obj, unsigned long param) override;
  bool CheckTimer(cTimerObj* obj, unsigned long param) override;
  // time: the absolute due time on the range's clock.
  void AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) override;

  std::size_t size() const override;
  void Prefetch(const cTimerObj* obj, unsigned long param) const override;

 protected:
  explicit cIndexedService(std::string name);

  Store m_entries;
};

// Exported explicitly: the hidden store types would otherwise hide them.
extern template class TICKBASE_API cIndexedService<cListTimers>;
extern template class TICKBASE_API cIndexedService<cMapTimers>;

#endif  // TICKBASE_TIMER_INDEXED_SERVICE_H_
