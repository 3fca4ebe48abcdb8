// The record of the current script file and function behind the public
// guards cBindScriptFile and cBindScriptFunc; internal. KLuaScript's calls
// use it directly so that calling a script function by name, the host's hot
// path, stays inside the library and inlines.
#ifndef TICKBASE_SCRIPT_CURRENT_SCRIPT_H_
#define TICKBASE_SCRIPT_CURRENT_SCRIPT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// One level per guard; level 0 holds the empty values outside every guard.
// A level names the current file and function: what its guard set, and
// what the level below names for the other. A value is either borrowed from
// the guard's caller or copied into storage that the level keeps after its
// guard ends, so a guard costs no allocation, and naming the same function
// again only a comparison.
class cScriptNames {
 public:
  cScriptNames() { Grow(); }
  cScriptNames(const cScriptNames&) = delete;
  cScriptNames& operator=(const cScriptNames&) = delete;

  // A call of func (a copy; NUL-terminated) in file; returns the length of
  // func. file is borrowed: it must outlive the matching Pop and not change
  // before it.
  size_t PushCall(const std::string& file, const char* func) {
    stLevel& level = Next();
    const size_t length = CopyText(*level.funcCopy, func);
    level.func = level.funcCopy.get();
    level.file = &file;
    m_top = &level;  // only now: a failed copy leaves the record as it was
    return length;
  }
  // A file (borrowed, as above, or a copy) or a function (a copy).
  void PushFile(const std::string& file) {
    stLevel& level = Next();
    level.file = &file;
    level.func = m_top->func;
    m_top = &level;
  }
  void PushFile(const char* file, size_t length) {
    stLevel& level = Next();
    level.file = Copy(*level.fileCopy, file, length);
    level.func = m_top->func;
    m_top = &level;
  }
  void PushFunc(const char* func, size_t length) {
    stLevel& level = Next();
    level.func = Copy(*level.funcCopy, func, length);
    level.file = m_top->file;
    m_top = &level;
  }
  void Pop() {
    if (m_top != m_levels.data()) --m_top;
  }

  const std::string& File() const { return *m_top->file; }
  const std::string& Func() const { return *m_top->func; }

 private:
  struct stLevel {
    const std::string* file;
    const std::string* func;
    // Each lives on its own: a reference handed out for an outer level
    // stays valid while deeper guards come and go.
    std::unique_ptr<std::string> fileCopy;
    std::unique_ptr<std::string> funcCopy;
  };

  stLevel& Next() {
    if (m_top + 1 == m_end) Grow();
    return m_top[1];
  }
  static const std::string* Copy(std::string& copy, const char* value, size_t length) {
    if (!Holds(copy, value, length)) copy.assign(value, length);
    return &copy;
  }
  // Copies the C string value unless copy holds it already; returns its
  // length. One pass: the comparison finds the length of a held value.
  static size_t CopyText(std::string& copy, const char* value) {
    const char* held = copy.c_str();
    size_t i = 0;
    while (value[i] != '\0' && held[i] == value[i]) ++i;
    if (held[i] == '\0' && i == copy.size() && value[i] == '\0') return i;
    const size_t length = i + std::char_traits<char>::length(value + i);
    copy.assign(value, length);
    return length;
  }
  // Names are short: a plain loop beats a call to memcmp.
  static bool Holds(const std::string& copy, const char* value, size_t length) {
    if (copy.size() != length) return false;
    const char* held = copy.data();
    for (size_t i = 0; i < length; ++i) {
      if (held[i] != value[i]) return false;
    }
    return true;
  }
  // Adds a level with empty copies, naming them.
  void Grow();

  std::vector<stLevel> m_levels;
  stLevel* m_top = nullptr;  // the current level
  stLevel* m_end = nullptr;  // one past the last level
};

// The library-wide record. A plain global rather than a function-local
// static: no guard check on the hot path. Nothing uses it before the
// library's own initialisers have run.
extern cScriptNames g_scriptNames;

// A call of func in file (see PushCall) for the scope's lifetime.
class cCallNames {
 public:
  cCallNames(const std::string& file, const char* func)
      : m_length(g_scriptNames.PushCall(file, func)) {}
  ~cCallNames() { g_scriptNames.Pop(); }
  cCallNames(const cCallNames&) = delete;
  cCallNames& operator=(const cCallNames&) = delete;

  // The length of func.
  size_t length() const { return m_length; }

 private:
  size_t m_length;
};

// file (borrowed) as the current file for the scope's lifetime.
class cFileName {
 public:
  explicit cFileName(const std::string& file) { g_scriptNames.PushFile(file); }
  ~cFileName() { g_scriptNames.Pop(); }
  cFileName(const cFileName&) = delete;
  cFileName& operator=(const cFileName&) = delete;
};

#endif  // TICKBASE_SCRIPT_CURRENT_SCRIPT_H_
