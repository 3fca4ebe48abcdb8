#include "tickbase/platform/list_files.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

std::vector<std::string> ListFiles(const std::string& dir, const std::string&) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
  }
  return names;
}

}  // namespace platform
