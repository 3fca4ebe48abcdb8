#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "script_changes.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;

}  // namespace

struct cScriptChanges::cSystem {
  ~cSystem() {
    if (fd >= 0) close(fd);
  }
  void AddTree(const std::string& dir) {
    const int wd = inotify_add_watch(fd, dir.c_str(), kFileEvents | IN_ONLYDIR);
    if (wd < 0) return;
    dirs[wd] = dir;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (it->is_directory(typeError)) AddTree(it->path().string());
    }
  }

  int fd = -1;
  std::unordered_map<int, std::string> dirs;  // watch descriptor -> folder
};

cScriptChanges::cScriptChanges() : m_system(std::make_unique<cSystem>()) {}

cScriptChanges::~cScriptChanges() = default;

bool cScriptChanges::Open(const std::string& dir, std::string* error) {
  m_system->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (m_system->fd < 0) {
    *error = std::string("cannot watch the scripts: ") + std::strerror(errno);
    return false;
  }
  m_system->AddTree(dir);
  if (m_system->dirs.empty()) {
    *error = "cannot watch the script folder " + dir;
    return false;
  }
  return true;
}

std::vector<std::string> cScriptChanges::Take() {
  std::vector<std::string> changed;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = read(m_system->fd, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      const auto dir = m_system->dirs.find(event->wd);
      if (dir == m_system->dirs.end() || event->len == 0) continue;
      const std::string path = dir->second + "/" + event->name;
      if (event->mask & IN_ISDIR) {
        if (event->mask & (IN_CREATE | IN_MOVED_TO)) m_system->AddTree(path);
      } else if ((event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) &&
                 std::find(changed.begin(), changed.end(), path) == changed.end()) {
        changed.push_back(path);
      }
    }
  }
  return changed;
}
