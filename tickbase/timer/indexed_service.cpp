#include "tickbase/timer/indexed_service.h"

#include <utility>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/timer_obj.h"

template <class Order>
cIndexedService<Order>::cIndexedService(std::string name) : cService(std::move(name)) {}

template <class Order>
cIndexedService<Order>::~cIndexedService() {
  m_entries.ForEach([](cTimerObj* obj, unsigned long) { obj->Release(); });
}

template <class Order>
bool cIndexedService<Order>::KillTimer(cTimerObj* obj, unsigned long param) {
  if (!m_entries.Remove(obj, param)) return false;
  obj->Release();
  return true;
}

template <class Order>
bool cIndexedService<Order>::CheckTimer(cTimerObj* obj, unsigned long param) {
  return m_entries.Contains(obj, param);
}

template <class Order>
void cIndexedService<Order>::AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) {
  m_entries.Add(obj, param, DueTime(time));
  obj->AddRef();
}

template <class Order>
std::size_t cIndexedService<Order>::size() const {
  return m_entries.size();
}

template class cIndexedService<cTimerFifo>;
template class cIndexedService<cTimerHeap>;
