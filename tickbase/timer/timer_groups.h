// The timers of the keys that hold more than one: per key (handle, param),
// a 4-ary min-heap of the timers' order keys, so the key's first-firing
// timer is its group's top. However many timers share a key, adding one
// costs O(1) on average and taking the first out O(log k), in one
// contiguous block. A key with one timer has no group. Internal.
#ifndef TICKBASE_TIMER_TIMER_GROUPS_H_
#define TICKBASE_TIMER_TIMER_GROUPS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

class cTimerGroups {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  cTimerGroups() = default;
  cTimerGroups(const cTimerGroups&) = delete;
  cTimerGroups& operator=(const cTimerGroups&) = delete;

  // Makes room so that Push onto group, or Open when group is kNone,
  // allocates nothing. On failure (std::bad_alloc) nothing has changed.
  void Reserve(std::uint32_t group);
  // A new group of keys a and b; returns its index. Requires: Reserve(kNone).
  std::uint32_t Open(std::uint64_t a, std::uint64_t b);
  // Requires: Reserve(group).
  void Push(std::uint32_t group, std::uint64_t key);
  // The least key of the group.
  std::uint64_t Top(std::uint32_t group) const { return m_heaps[group].front(); }
  // Takes the top out; returns how many keys are left.
  std::size_t Pop(std::uint32_t group);
  // Frees a group left with one key, and its memory; returns that key.
  std::uint64_t Close(std::uint32_t group);
  // The keys of a group, in heap order. A change that keeps their order
  // keeps the heap.
  std::vector<std::uint64_t>& Keys(std::uint32_t group) { return m_heaps[group]; }
  const std::vector<std::uint64_t>& Keys(std::uint32_t group) const { return m_heaps[group]; }

 private:
  std::vector<std::vector<std::uint64_t>> m_heaps;
  std::vector<std::uint32_t> m_free;  // capacity kept at m_heaps.size(): Close never allocates
};

#endif  // TICKBASE_TIMER_TIMER_GROUPS_H_
