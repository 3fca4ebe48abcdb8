#include "script_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "tickbase/tickbase.h"

#include <lua.hpp>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;

bool IsScript(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".lua") == 0;
}

// Empty when path compiles, else Lua's message.
std::string CompileError(const std::string& path) {
  lua_State* L = luaL_newstate();
  if (!L) return "no memory for a Lua state";
  std::string error;
  if (luaL_loadfile(L, path.c_str()) != 0) {
    const char* text = lua_tostring(L, -1);
    error = text ? text : "unknown error";
  }
  lua_close(L);
  return error;
}

}  // namespace

cScriptWatch::~cScriptWatch() {
  if (m_fd >= 0) close(m_fd);
}

bool cScriptWatch::Open(const std::string& dir, std::string* error) {
  m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (m_fd < 0) {
    *error = std::string("cannot watch the scripts: ") + std::strerror(errno);
    return false;
  }
  AddTree(dir);
  if (m_dirs.empty()) {
    *error = "cannot watch the script folder " + dir;
    return false;
  }
  return true;
}

void cScriptWatch::AddTree(const std::string& dir) {
  const int wd = inotify_add_watch(m_fd, dir.c_str(), kFileEvents | IN_ONLYDIR);
  if (wd < 0) return;
  m_dirs[wd] = dir;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) AddTree(it->path().string());
  }
}

std::vector<std::string> cScriptWatch::TakeChanges() {
  std::vector<std::string> changed;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = read(m_fd, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      const auto dir = m_dirs.find(event->wd);
      if (dir == m_dirs.end() || event->len == 0) continue;
      const std::string path = dir->second + "/" + event->name;
      if (event->mask & IN_ISDIR) {
        if (event->mask & (IN_CREATE | IN_MOVED_TO)) AddTree(path);
      } else if ((event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) && IsScript(event->name) &&
                 std::find(changed.begin(), changed.end(), path) == changed.end()) {
        changed.push_back(path);
      }
    }
  }
  return changed;
}

void cScriptWatch::Poll() {
  const std::vector<std::string> changed = TakeChanges();
  if (changed.empty()) return;
  bool compiles = true;
  for (const std::string& path : changed) {
    const std::string error = CompileError(path);
    if (error.empty()) continue;
    compiles = false;
    std::cout << "tickbase-host: " << path << " does not compile, the running scripts are kept: "
              << error << std::endl;
  }
  if (!compiles) return;
  for (const std::string& path : changed) {
    std::cout << "tickbase-host: " << path << " changed, reloading the scripts" << std::endl;
  }
  ReloadAll();
}
