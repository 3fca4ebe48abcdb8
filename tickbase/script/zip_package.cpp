#include "tickbase/script/zip_package.h"

#include <zip.h>

#include <climits>
#include <string>
#include <vector>

#include "tickbase/script/script_helpers.h"

namespace {

// Folds an entry name for the second, lenient comparison (see the header).
std::string FoldEntryName(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) {
    const char c = (*p == '\\') ? '/' : *p;
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  size_t start = 0;
  while (true) {
    if (out.compare(start, 2, "./") == 0) {
      start += 2;
    } else if (out.compare(start, 1, "/") == 0) {
      start += 1;
    } else {
      break;
    }
  }
  return out.substr(start);
}

bool IsDirectoryName(const char* name) {
  const std::string s(name);
  return !s.empty() && (s.back() == '/' || s.back() == '\\');
}

class cZipPackage final : public iZipPackage {
 public:
  explicit cZipPackage(zip_t* archive) : m_archive(archive) {}

  int GetFileCount() override {
    const zip_int64_t n = zip_get_num_entries(m_archive, 0);
    return n < 0 ? 0 : (n > INT_MAX ? INT_MAX : static_cast<int>(n));
  }

  int FindFile(const char* name) override {
    m_selected = -1;
    m_size = 0;
    if (!name || !*name) return 0;
    // Raw bytes first: Windows tools store GBK names without the UTF-8 flag,
    // and libzip would read those as CP437 and convert them.
    zip_int64_t index = zip_name_locate(m_archive, name, ZIP_FL_ENC_RAW);
    if (index < 0) index = zip_name_locate(m_archive, name, 0);
    if (index < 0) index = FindFolded(name);
    if (index < 0) return 0;
    zip_stat_t st;
    zip_stat_init(&st);
    // Entries too big for the int-sized interface are treated as absent.
    if (zip_stat_index(m_archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE) || st.size > static_cast<zip_uint64_t>(INT_MAX) ||
        IsDirectoryName(st.name ? st.name : "")) {
      return 0;
    }
    m_selected = index;
    m_size = static_cast<int>(st.size);
    return 1;
  }

  int GetFileSize() override { return m_size; }

  int ReadFile(char* buffer, int size) override {
    if (m_selected < 0 || !buffer || size < 0) return -1;
    const int wanted = size < m_size ? size : m_size;
    zip_file_t* file = zip_fopen_index(m_archive, static_cast<zip_uint64_t>(m_selected), 0);
    if (!file) return -1;
    int done = 0;
    while (done < wanted) {
      const zip_int64_t n =
          zip_fread(file, buffer + done, static_cast<zip_uint64_t>(wanted - done));
      if (n <= 0) break;
      done += static_cast<int>(n);
    }
    bool failed = done < wanted;
    if (!failed && wanted == m_size) {
      // The checksum is verified only when a read reaches the entry's end.
      char extra;
      failed = zip_fread(file, &extra, 1) != 0;
    }
    failed = (zip_fclose(file) != 0) || failed;
    return failed ? -1 : done;
  }

  void Close() override {
    zip_discard(m_archive);
    delete this;
  }

 private:
  ~cZipPackage() = default;

  zip_int64_t FindFolded(const char* name) {
    const std::string wanted = FoldEntryName(name);
    const zip_int64_t n = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
      const char* entry = zip_get_name(m_archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
      if (entry && !IsDirectoryName(entry) && FoldEntryName(entry) == wanted) return i;
    }
    return -1;
  }

  zip_t* m_archive;
  zip_int64_t m_selected = -1;
  int m_size = 0;
};

class cZipManager final : public iZipManager {
 public:
  iZipPackage* OpenPackage(const char* name, int checkConsistency) override {
    if (!name || !*name) return nullptr;
    int error = 0;
    zip_t* archive = zip_open(name, ZIP_RDONLY | (checkConsistency ? ZIP_CHECKCONS : 0), &error);
    return archive ? new cZipPackage(archive) : nullptr;
  }
};

}  // namespace

std::vector<std::string> ListPackageFolder(const char* package, const std::string& dir,
                                           const char* suffix) {
  std::vector<std::string> names;
  int error = 0;
  zip_t* archive = package && *package ? zip_open(package, ZIP_RDONLY, &error) : nullptr;
  if (!archive) return names;
  std::string prefix = FoldEntryName(dir.c_str());
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  const zip_int64_t n = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    const char* entry = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
    if (!entry || IsDirectoryName(entry)) continue;
    std::string name = FoldEntryName(entry);
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    name.erase(0, prefix.size());
    if (name.find('/') == std::string::npos && EndsWith(name, suffix)) names.push_back(std::move(name));
  }
  zip_discard(archive);
  return names;
}

iZipManager* Unzip_GetZipManager() {
  static cZipManager manager;
  return &manager;
}
