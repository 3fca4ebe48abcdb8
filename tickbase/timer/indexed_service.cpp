#include "tickbase/timer/indexed_service.h"

#include <utility>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/timer_obj.h"

template <class Store>
cIndexedService<Store>::cIndexedService(std::string name) : cService(std::move(name)) {}

template <class Store>
cIndexedService<Store>::~cIndexedService() {
  m_entries.ForEach([](cTimerObj* obj, unsigned long) { obj->Release(); });
}

template <class Store>
bool cIndexedService<Store>::KillTimer(cTimerObj* obj, unsigned long param) {
  if (!m_entries.Remove(obj, param)) return false;
  obj->Release();
  return true;
}

template <class Store>
bool cIndexedService<Store>::CheckTimer(cTimerObj* obj, unsigned long param) {
  return m_entries.Contains(obj, param);
}

template <class Store>
void cIndexedService<Store>::AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) {
  m_entries.Add(obj, param, DueTime(time));
  obj->AddRef();
}

template <class Store>
std::size_t cIndexedService<Store>::size() const {
  return m_entries.size();
}

template <class Store>
void cIndexedService<Store>::Prefetch(const cTimerObj* obj, unsigned long param) const {
  m_entries.Prefetch(obj, param);
}

template class cIndexedService<cListTimers>;
template class cIndexedService<cMapTimers>;
