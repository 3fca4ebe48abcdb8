// The files of a folder tree that were written or moved in, as the system
// reports them: inotify on each folder, or on Windows
// ReadDirectoryChangesW on the whole tree. Host thread only.
#ifndef TICKBASE_HOST_SCRIPT_CHANGES_H_
#define TICKBASE_HOST_SCRIPT_CHANGES_H_

#include <memory>
#include <string>
#include <vector>

class cScriptChanges {
 public:
  cScriptChanges();
  ~cScriptChanges();
  cScriptChanges(const cScriptChanges&) = delete;
  cScriptChanges& operator=(const cScriptChanges&) = delete;

  // Starts watching dir and the folders below it, new ones included. False
  // with *error set when the watch cannot be set up.
  bool Open(const std::string& dir, std::string* error);
  // The paths of the files written since the last call, each once;
  // never blocks. Where the system reports a write while it goes on
  // (Windows), a file is named once a call has seen no more of it.
  std::vector<std::string> Take();

 private:
  struct cSystem;
  std::unique_ptr<cSystem> m_system;
};

#endif  // TICKBASE_HOST_SCRIPT_CHANGES_H_
