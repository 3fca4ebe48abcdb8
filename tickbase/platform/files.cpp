#include "tickbase/platform/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "tickbase/platform/list_files.h"

namespace fs = std::filesystem;

namespace platform {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool ReadWholeFile(const std::string& path, std::string* text) {
  text->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    text->clear();
    return false;
  }
  return true;
}

std::vector<std::string> FindFiles(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names = ListFiles(dir, suffix);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [&](const std::string& name) {
                               return name.size() < suffix.size() ||
                                      name.compare(name.size() - suffix.size(), suffix.size(),
                                                   suffix) != 0;
                             }),
              names.end());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
