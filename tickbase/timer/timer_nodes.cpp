#include "tickbase/timer/timer_nodes.h"

#include <cassert>
#include <utility>

#include "tickbase/timer/timer_order.h"

namespace {

constexpr std::size_t kMinNodes = 16;

}  // namespace

template <class Order>
void cTimerNodes<Order>::Reserve() {
  if (m_free != kNone || m_nodes.size() < m_nodes.capacity()) return;
  m_nodes.reserve(m_nodes.empty() ? kMinNodes : m_nodes.size() * 2);
}

template <class Order>
std::uint32_t cTimerNodes<Order>::Alloc(std::uint64_t seq, std::uint32_t due, std::uint32_t key) {
  assert(seq != 0);
  const stTimerNode node{seq, due, key, kNone, kNone, kNone, 0};
  ++m_live;
  if (m_free == kNone) {
    assert(m_nodes.size() < m_nodes.capacity());
    m_nodes.push_back(node);
    return static_cast<std::uint32_t>(m_nodes.size() - 1);
  }
  const std::uint32_t index = m_free;
  m_free = m_nodes[index].next;
  m_nodes[index] = node;
  return index;
}

template <class Order>
std::uint32_t cTimerNodes<Order>::Meld(std::uint32_t a, std::uint32_t b) {
  if (a == kNone) return b;
  if (b == kNone) return a;
  if (Before(b, a)) std::swap(a, b);
  stTimerNode& parent = m_nodes[a];
  stTimerNode& child = m_nodes[b];
  child.next = parent.child;
  if (child.next != kNone) m_nodes[child.next].prev = b;
  child.prev = a;
  parent.child = b;
  return a;
}

template <class Order>
std::uint32_t cTimerNodes<Order>::MergePairs(std::uint32_t first) {
  // Pass one melds neighbours left to right and stacks the pairs; pass two
  // melds the stack, so the last pair comes first. Each node is detached
  // (next and prev cleared) before it is melded.
  std::uint32_t stack = kNone;
  while (first != kNone) {
    std::uint32_t a = first;
    const std::uint32_t b = m_nodes[a].next;
    first = b == kNone ? kNone : m_nodes[b].next;
    m_nodes[a].next = m_nodes[a].prev = kNone;
    if (b != kNone) {
      m_nodes[b].next = m_nodes[b].prev = kNone;
      a = Meld(a, b);
    }
    m_nodes[a].next = stack;
    stack = a;
  }
  std::uint32_t root = kNone;
  while (stack != kNone) {
    const std::uint32_t below = m_nodes[stack].next;
    m_nodes[stack].next = kNone;
    root = Meld(root, stack);
    stack = below;
  }
  return root;
}

template <class Order>
std::uint32_t cTimerNodes<Order>::Push(std::uint32_t root, std::uint32_t node) {
  return Meld(root, node);
}

template <class Order>
std::uint32_t cTimerNodes<Order>::Remove(std::uint32_t root, std::uint32_t node) {
  stTimerNode& n = m_nodes[node];
  const std::uint32_t rest = MergePairs(n.child);
  std::uint32_t result = rest;
  if (node != root) {
    // Cut the node's subtree out of its sibling list, then put its children
    // back. Only a first child's prev holds it as child.
    stTimerNode& before = m_nodes[n.prev];
    if (before.child == node) {
      before.child = n.next;
    } else {
      before.next = n.next;
    }
    if (n.next != kNone) m_nodes[n.next].prev = n.prev;
    result = Meld(root, rest);
  }
  n = stTimerNode{0, 0, 0, kNone, m_free, kNone, 0};
  m_free = node;
  --m_live;
  return result;
}

template <class Order>
void cTimerNodes<Order>::Remap(const std::vector<std::uint32_t>& moved) {
  for (stTimerNode& n : m_nodes)
    if (n.seq != 0) n.key = moved[n.key];
}

template class cTimerNodes<cTimerHeap>;
template class cTimerNodes<cTimerFifo>;
