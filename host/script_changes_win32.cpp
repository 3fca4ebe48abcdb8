#include <windows.h>

#include <algorithm>

#include "script_changes.h"

namespace {

constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

std::string Narrow(const wchar_t* text, DWORD bytes) {
  const int wide = static_cast<int>(bytes / sizeof(wchar_t));
  const int n = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, wide, &narrow[0], n, nullptr, nullptr);
  return narrow;
}

void AddOnce(std::vector<std::string>* paths, std::string path) {
  if (std::find(paths->begin(), paths->end(), path) == paths->end()) {
    paths->push_back(std::move(path));
  }
}

}  // namespace

// One read of the changes is always under way; Take collects what it found
// and starts the next.
struct cScriptChanges::cSystem {
  ~cSystem() {
    if (dir != INVALID_HANDLE_VALUE) {
      DWORD n = 0;
      if (reading && CancelIoEx(dir, &overlapped)) {
        GetOverlappedResult(dir, &overlapped, &n, TRUE);  // the read lets go of buffer
      }
      CloseHandle(dir);
    }
    if (overlapped.hEvent != nullptr) CloseHandle(overlapped.hEvent);
  }
  bool Read() {
    reading = ReadDirectoryChangesW(dir, buffer, sizeof buffer, TRUE, kFilter, nullptr,
                                    &overlapped, nullptr) != 0;
    return reading;
  }

  std::string root;
  HANDLE dir = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped{};
  bool reading = false;  // false once the folder can no longer be read (it was removed)
  alignas(DWORD) char buffer[64 * 1024];
  std::vector<std::string> writing;  // reported by the last Take: maybe still being written
};

cScriptChanges::cScriptChanges() : m_system(std::make_unique<cSystem>()) {}

cScriptChanges::~cScriptChanges() = default;

bool cScriptChanges::Open(const std::string& dir, std::string* error) {
  cSystem& s = *m_system;
  s.root = dir;
  s.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  s.dir = CreateFileA(dir.c_str(), FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (s.overlapped.hEvent == nullptr || s.dir == INVALID_HANDLE_VALUE || !s.Read()) {
    *error = "cannot watch the script folder " + dir + " (error " +
             std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

std::vector<std::string> cScriptChanges::Take() {
  cSystem& s = *m_system;
  std::vector<std::string> seen;
  DWORD n = 0;
  while (s.reading && GetOverlappedResult(s.dir, &s.overlapped, &n, FALSE)) {
    // n == 0: more changes than the buffer holds; they are lost.
    for (DWORD at = 0; n > 0;) {
      const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(s.buffer + at);
      if (info->Action == FILE_ACTION_ADDED || info->Action == FILE_ACTION_MODIFIED ||
          info->Action == FILE_ACTION_RENAMED_NEW_NAME) {
        AddOnce(&seen, s.root + "\\" + Narrow(info->FileName, info->FileNameLength));
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
    ResetEvent(s.overlapped.hEvent);
    s.Read();
  }
  // A write is reported as it goes on: a file counts as written once a
  // call has seen nothing more of it.
  std::vector<std::string> written;
  for (std::string& path : s.writing) {
    if (std::find(seen.begin(), seen.end(), path) == seen.end()) written.push_back(std::move(path));
  }
  s.writing = std::move(seen);
  return written;
}
