// The system's directory listing behind FindFiles; internal, not installed.
#ifndef TICKBASE_PLATFORM_LIST_FILES_H_
#define TICKBASE_PLATFORM_LIST_FILES_H_

#include <string>
#include <vector>

namespace platform {

// Names (without directory) of regular files in dir, in the system's order.
// When suffix is given the system may leave out names that do not end in it,
// but need not (Windows also matches short 8.3 names). Empty when dir cannot
// be read.
std::vector<std::string> ListFiles(const std::string& dir, const std::string& suffix);

}  // namespace platform

#endif  // TICKBASE_PLATFORM_LIST_FILES_H_
