// Reads one script file for a pack-mode load: a loose file on disk wins over
// the package entry of the same name. A local object of one load; internal.
#ifndef TICKBASE_SCRIPT_PACK_FILE_H_
#define TICKBASE_SCRIPT_PACK_FILE_H_

#include <cstddef>
#include <string>

class iZipPackage;

class cPackFile {
 public:
  // Opens the package `packageName` through the zip manager; a package that
  // cannot be opened leaves only the disk as a source.
  explicit cPackFile(const char* packageName);
  // Releases the package.
  ~cPackFile();
  cPackFile(const cPackFile&) = delete;
  cPackFile& operator=(const cPackFile&) = delete;

  // Finds name on disk (unchanged, relative to the working directory), else
  // in the package. Returns 1 if found, else 0; drops any earlier file.
  int Open(const char* name);

  // True when the open file is a package entry.
  bool FromPackage() const { return m_inPackage; }

  // Size in bytes of the open file; 0 when nothing is open.
  size_t GetLength() const;

  // Reads the open file's first size bytes (size <= GetLength()) into
  // buffer; false when they cannot all be read.
  bool Read(char* buffer, size_t size);

 private:
  iZipPackage* m_package;  // owned; released by the destructor
  std::string m_disk;      // content of the file found on disk
  bool m_onDisk = false;
  bool m_inPackage = false;
};

#endif  // TICKBASE_SCRIPT_PACK_FILE_H_
