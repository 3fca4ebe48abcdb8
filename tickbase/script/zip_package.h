// The zip service: read-only access to the entries of a zip package, used
// to load scripts in pack mode. Packages are opened per use and hold their
// own file handle; the manager lives as long as the process.
#ifndef TICKBASE_SCRIPT_ZIP_PACKAGE_H_
#define TICKBASE_SCRIPT_ZIP_PACKAGE_H_

#include "tickbase/export.h"

// One opened package. Made by iZipManager::OpenPackage; released only by
// Close, never deleted by its user. The slot order of the operations is
// part of the interface.
//
// Entry names are matched exactly first, as the raw bytes stored in the
// package (so GBK names written without the UTF-8 flag match), then as
// libzip decodes them. A name that matches no entry is
// compared again with both sides folded: backslashes become '/', runs of
// '/' become one, and a leading "./" or '/' is dropped. Case always counts.
// Directory entries never match.
class iZipPackage {
 public:
  // Number of entries in the package, directories included.
  virtual int GetFileCount() = 0;
  // Selects the entry of that name; non-zero when there is one. A failed
  // search leaves no entry selected.
  virtual int FindFile(const char* name) = 0;
  // Size in bytes of the selected entry; 0 when none is selected.
  virtual int GetFileSize() = 0;
  // Reads the selected entry's first min(size, GetFileSize()) bytes into
  // buffer and returns their count; -1 when the entry cannot be read (its
  // data is corrupt or nothing is selected).
  virtual int ReadFile(char* buffer, int size) = 0;
  // Releases the package; the object is gone afterwards.
  virtual void Close() = 0;

 protected:
  ~iZipPackage() = default;
};

class iZipManager {
 public:
  // Opens the zip file `name` for reading; null when it is missing or not a
  // readable zip archive. A non-zero checkConsistency also checks every
  // entry's header against the archive directory before accepting the file
  // (slower; the script loader passes 0).
  virtual iZipPackage* OpenPackage(const char* name, int checkConsistency) = 0;

 protected:
  ~iZipManager() = default;
};

// The process-wide zip manager; never null, never released by its users.
TICKBASE_API iZipManager* Unzip_GetZipManager();

#endif  // TICKBASE_SCRIPT_ZIP_PACKAGE_H_
