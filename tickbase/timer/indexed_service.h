// What the map and list services share: entries kept in an indexed store,
// found by (handle, param) without a scan, each holding one reference to
// its handle. The services add the firing rule (Run). Internal.
#ifndef TICKBASE_TIMER_INDEXED_SERVICE_H_
#define TICKBASE_TIMER_INDEXED_SERVICE_H_

#include <cstddef>
#include <string>

#include "tickbase/timer/service.h"
#include "tickbase/timer/timer_store.h"

template <class Order>
class TICKBASE_API cIndexedService : public cService {
 public:
  // Releases the handle of every stored entry.
  ~cIndexedService() override;

  bool KillTimer(cTimerObj* obj, unsigned long param) override;
  bool CheckTimer(cTimerObj* obj, unsigned long param) override;
  // time: the absolute due time on the range's clock.
  void AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) override;

  std::size_t size() const override;

 protected:
  explicit cIndexedService(std::string name);

  cTimerStore<Order> m_entries;
};

// Exported explicitly: the hidden Order types would otherwise hide them.
extern template class TICKBASE_API cIndexedService<cTimerFifo>;
extern template class TICKBASE_API cIndexedService<cTimerHeap>;

#endif  // TICKBASE_TIMER_INDEXED_SERVICE_H_
