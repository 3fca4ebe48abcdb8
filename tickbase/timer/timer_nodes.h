// The stored timers of a map or list service, one node each, and for every
// key (handle, param) a pairing heap of that key's nodes in firing order.
// The root of a key's heap is its first-firing timer, so however many
// timers share a key, a kill finds its victim at once and adding one more
// costs one link. Node indices stay valid until the node is freed; freed
// nodes are reused, so the array holds the peak population. Internal.
#ifndef TICKBASE_TIMER_TIMER_NODES_H_
#define TICKBASE_TIMER_TIMER_NODES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tickbase/timer/large_allocator.h"

struct stTimerNode {
  std::uint64_t seq;  // insertion sequence: unique per timer; 0 while free
  std::uint32_t due;
  std::uint32_t key;    // slot of the key in the service's cTimerTable
  std::uint32_t child;  // first child in the key's heap
  std::uint32_t next;   // next sibling; next free node while free
  std::uint32_t prev;   // previous sibling, or the parent for a first child
  std::uint32_t spare;
};

// Order gives Before(dueA, seqA, dueB, seqB), the firing order.
template <class Order>
class cTimerNodes {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  cTimerNodes() = default;
  cTimerNodes(const cTimerNodes&) = delete;
  cTimerNodes& operator=(const cTimerNodes&) = delete;

  // Makes room so that the next Alloc allocates nothing. On failure
  // (std::bad_alloc) nothing has changed.
  void Reserve();
  // A node for one timer of key, in no heap yet. Requires: Reserve() since
  // the last Alloc.
  std::uint32_t Alloc(std::uint64_t seq, std::uint32_t due, std::uint32_t key);
  void SetKey(std::uint32_t node, std::uint32_t key) { m_nodes[node].key = key; }
  // Adds node to the heap rooted at root (kNone: an empty heap); returns the
  // new root.
  std::uint32_t Push(std::uint32_t root, std::uint32_t node);
  // Takes node out of the heap rooted at root and frees it; returns the new
  // root, kNone when the heap is left empty.
  std::uint32_t Remove(std::uint32_t root, std::uint32_t node);
  // Follows a rehash of the table: moved maps old key slots to new ones.
  void Remap(const std::vector<std::uint32_t>& moved);

  // True while node holds the timer inserted with seq.
  bool IsLive(std::uint32_t node, std::uint64_t seq) const {
    return node < m_nodes.size() && m_nodes[node].seq == seq;
  }
  const stTimerNode& At(std::uint32_t node) const { return m_nodes[node]; }
  // Live nodes.
  std::size_t size() const { return m_live; }
  // Calls f(node) for every live node.
  template <class F>
  void ForEachLive(F f) const {
    for (const stTimerNode& n : m_nodes)
      if (n.seq != 0) f(n);
  }

 private:
  bool Before(std::uint32_t a, std::uint32_t b) const {
    return Order::Before(m_nodes[a].due, m_nodes[a].seq, m_nodes[b].due, m_nodes[b].seq);
  }
  // Links two roots; returns the one that fires first.
  std::uint32_t Meld(std::uint32_t a, std::uint32_t b);
  // The standard two-pass merge of a sibling list into one heap.
  std::uint32_t MergePairs(std::uint32_t first);

  std::vector<stTimerNode, cLargeAllocator<stTimerNode>> m_nodes;
  std::uint32_t m_free = kNone;
  std::size_t m_live = 0;
};

#endif  // TICKBASE_TIMER_TIMER_NODES_H_
