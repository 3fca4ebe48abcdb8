// File-system access for script loading and the folder test runner.
#ifndef TICKBASE_PLATFORM_FILES_H_
#define TICKBASE_PLATFORM_FILES_H_

#include <string>
#include <vector>

#include "tickbase/export.h"

namespace platform {

// True when path names an existing regular file.
TICKBASE_API bool FileExists(const std::string& path);

// Reads the whole file into *text. Returns false (leaving *text empty) when
// it cannot be opened or read.
TICKBASE_API bool ReadWholeFile(const std::string& path, std::string* text);

// Names (without directory) of the regular files in dir whose names end in
// suffix, sorted by byte order so runs are repeatable. Empty when dir cannot
// be read.
TICKBASE_API std::vector<std::string> FindFiles(const std::string& dir, const std::string& suffix);

}  // namespace platform

#endif  // TICKBASE_PLATFORM_FILES_H_
