// The record of the current script file and function behind the public
// guards cBindScriptFile and cBindScriptFunc; internal. KLuaScript's calls
// use cNameScope directly so that calling a script function by name, the
// host's hot path, stays inside the library and inlines.
#ifndef TICKBASE_SCRIPT_CURRENT_SCRIPT_H_
#define TICKBASE_SCRIPT_CURRENT_SCRIPT_H_

#include <cstddef>
#include <deque>
#include <string>

// The values of nested guards, one slot per nesting level; slot 0 is the
// value outside every guard. Slots are kept after their guard ends so their
// capacity serves the next guard at that level: a call then costs no
// allocation, and calling the same function again only a comparison.
class cNameStack {
 public:
  cNameStack() : m_slots(1), m_depth(0) {}
  cNameStack(const cNameStack&) = delete;
  cNameStack& operator=(const cNameStack&) = delete;

  void Push(const char* value, size_t length) {
    if (m_depth + 1 == m_slots.size()) {
      m_slots.emplace_back(value, length);
    } else {
      std::string& slot = m_slots[m_depth + 1];
      if (!Holds(slot, value, length)) slot.assign(value, length);
    }
    ++m_depth;
  }
  void Pop() {
    if (m_depth > 0) --m_depth;
  }
  const std::string& Current() const { return m_slots[m_depth]; }

 private:
  // Names are short: a plain loop beats a call to memcmp.
  static bool Holds(const std::string& slot, const char* value, size_t length) {
    if (slot.size() != length) return false;
    const char* held = slot.data();
    for (size_t i = 0; i < length; ++i) {
      if (held[i] != value[i]) return false;
    }
    return true;
  }

  // A deque never moves its elements when it grows: references and C text
  // handed out for an outer level stay valid while deeper guards come and go.
  std::deque<std::string> m_slots;
  size_t m_depth;
};

// The library-wide current script file and function. Plain globals rather
// than function-local statics: no guard check on the hot path. Nothing uses
// them before the library's own initialisers have run.
extern cNameStack g_currentFiles;
extern cNameStack g_currentFuncs;

// Makes value current in stack for its lifetime.
class cNameScope {
 public:
  cNameScope(cNameStack& stack, const char* value, size_t length) : m_stack(stack) {
    m_stack.Push(value, length);
  }
  ~cNameScope() { m_stack.Pop(); }
  cNameScope(const cNameScope&) = delete;
  cNameScope& operator=(const cNameScope&) = delete;

 private:
  cNameStack& m_stack;
};

#endif  // TICKBASE_SCRIPT_CURRENT_SCRIPT_H_
