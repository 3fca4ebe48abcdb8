#include "tickbase/script/pack_file.h"

#include <cstring>

#include "tickbase/platform/files.h"
#include "tickbase/script/zip_package.h"

cPackFile::cPackFile(const char* packageName)
    : m_package(Unzip_GetZipManager()->OpenPackage(packageName, 0)) {}

cPackFile::~cPackFile() {
  if (m_package) m_package->Close();
}

int cPackFile::Open(const char* name) {
  m_disk.clear();
  m_onDisk = false;
  m_inPackage = false;
  if (!name) return 0;
  if (platform::FileExists(name) && platform::ReadWholeFile(name, &m_disk)) {
    m_onDisk = true;
  } else if (m_package && m_package->FindFile(name)) {
    m_inPackage = true;
  }
  return (m_onDisk || m_inPackage) ? 1 : 0;
}

size_t cPackFile::GetLength() const {
  if (m_onDisk) return m_disk.size();
  if (m_inPackage) return static_cast<size_t>(m_package->GetFileSize());
  return 0;
}

bool cPackFile::Read(char* buffer, size_t size) {
  if (size > GetLength()) return false;
  if (m_onDisk) {
    std::memcpy(buffer, m_disk.data(), size);
    return true;
  }
  return m_inPackage &&
         m_package->ReadFile(buffer, static_cast<int>(size)) == static_cast<int>(size);
}
