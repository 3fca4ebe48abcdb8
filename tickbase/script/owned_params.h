// Heap parameters of one-shot timers, owned by their timer owner; internal.
//
// A one-shot timer carries its parameter object from scheduling to its
// OnTimer, which takes it back. Timers that never fire (the scheduler went
// first at exit) leave theirs here, and the owner's destruction frees them.
#ifndef TICKBASE_SCRIPT_OWNED_PARAMS_H_
#define TICKBASE_SCRIPT_OWNED_PARAMS_H_

#include <cstddef>
#include <memory>
#include <unordered_map>

template <class T>
class cOwnedParams {
 public:
  cOwnedParams() = default;
  cOwnedParams(const cOwnedParams&) = delete;
  cOwnedParams& operator=(const cOwnedParams&) = delete;

  // Keeps item; returns the timer parameter that names it: a number, not
  // the address, which unsigned long cannot hold on every platform (it has
  // 32 bits on 64-bit Windows). 0 is never handed out.
  unsigned long Add(std::unique_ptr<T> item) {
    do {
      ++m_last;
    } while (m_last == 0 || m_items.count(m_last) != 0);
    m_items.emplace(m_last, std::move(item));
    return m_last;
  }
  // Hands the item of param back; null when param names none (taken
  // already, or not made by Add).
  std::unique_ptr<T> Take(unsigned long param) {
    const auto it = m_items.find(param);
    if (it == m_items.end()) return nullptr;
    std::unique_ptr<T> item = std::move(it->second);
    m_items.erase(it);
    return item;
  }
  std::size_t size() const { return m_items.size(); }

 private:
  std::unordered_map<unsigned long, std::unique_ptr<T>> m_items;
  unsigned long m_last = 0;  // the last parameter handed out
};

#endif  // TICKBASE_SCRIPT_OWNED_PARAMS_H_
