// The timers of the keys that hold more than one: per key (handle, param),
// a 4-ary heap of (due, seq, node) in firing order. The first-firing timer
// of a key is its group's top, so however many timers share a key, adding
// one costs O(1) on average and taking the first out O(log k), in one
// contiguous block. A key with one timer has no group. Internal.
#ifndef TICKBASE_TIMER_TIMER_GROUPS_H_
#define TICKBASE_TIMER_TIMER_GROUPS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

struct stGroupEntry {
  std::uint32_t due;
  std::uint32_t node;
  std::uint64_t seq;
};

// Order gives Before(dueA, seqA, dueB, seqB), the firing order.
template <class Order>
class cTimerGroups {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  cTimerGroups() = default;
  cTimerGroups(const cTimerGroups&) = delete;
  cTimerGroups& operator=(const cTimerGroups&) = delete;

  // Makes room so that Push onto group, or Open when group is kNone,
  // allocates nothing. On failure (std::bad_alloc) nothing has changed.
  void Reserve(std::uint32_t group);
  // A new group of a and b; returns its index. Requires: Reserve(kNone).
  std::uint32_t Open(const stGroupEntry& a, const stGroupEntry& b);
  // Requires: Reserve(group).
  void Push(std::uint32_t group, const stGroupEntry& e);
  // The group's first-firing timer.
  const stGroupEntry& First(std::uint32_t group) const { return m_groups[group].front(); }
  // Takes node out of group; returns how many are left. The node is the
  // first but for a firing order broken by due times more than 2^31 apart,
  // which costs a scan of the group.
  std::size_t Remove(std::uint32_t group, std::uint32_t node);
  // Frees a group left with one timer and its memory; returns that node.
  std::uint32_t Close(std::uint32_t group);

 private:
  static bool Before(const stGroupEntry& a, const stGroupEntry& b) {
    return Order::Before(a.due, a.seq, b.due, b.seq);
  }

  std::vector<std::vector<stGroupEntry>> m_groups;
  std::vector<std::uint32_t> m_free;  // capacity kept at m_groups.size(): Close never allocates
};

#endif  // TICKBASE_TIMER_TIMER_GROUPS_H_
