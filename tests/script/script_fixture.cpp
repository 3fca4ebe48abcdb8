#include "script/script_fixture.h"

#include <unistd.h>
#include <zip.h>

#include <fstream>
#include <luabind/luabind.hpp>
#include <stdexcept>

#include "tickbase/diag/colors.h"
#include "tickbase/script/script_context.h"

namespace fs = std::filesystem;

namespace {

void Record(const std::string& text) { Records().push_back(text); }

void RecordContext() { Records().push_back(GetCurScriptFile() + "|" + GetCurScriptFunc()); }

void Throw(const std::string& text) { throw std::runtime_error(text); }

}  // namespace

std::vector<std::string>& Records() {
  static std::vector<std::string> records;
  return records;
}

void TestBind(lua_State* L) {
  using namespace luabind;
  module(L)[def("Record", &Record), def("RecordContext", &RecordContext), def("Throw", &Throw),
            def("SetColor", &::SetColor)];
}

WORD ConsoleAttributes() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
  return info.wAttributes;
}

void WriteZip(const std::string& path, const ZipEntries& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << "zip_open error " << error;
  for (const auto& [name, data] : entries) {
    // The archive reads the data when it is closed; the entries outlive it.
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    ASSERT_GE(index, 0) << zip_strerror(archive);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  ASSERT_EQ(zip_close(archive), 0);
}

void ScriptTest::SetUp() {
  static int serial = 0;
  m_oldDir = fs::current_path();
  m_dir = fs::temp_directory_path() /
          ("tickbase_script_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
  fs::remove_all(m_dir);
  fs::create_directories(m_dir);
  fs::current_path(m_dir);
  Records().clear();
  Manager().BindScript(&TestBind);
  Manager().CreateScript("");
}

void ScriptTest::TearDown() {
  Manager().Destroy();
  Manager().SetZip("");
  Manager().GetPath().clear();
  Manager().BindScript(nullptr);
  Records().clear();
  SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 7);
  fs::current_path(m_oldDir);
  fs::remove_all(m_dir);
}

void ScriptTest::Write(const std::string& path, const std::string& text) {
  const fs::path file(path);
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string ScriptTest::Take() {
  std::string text = m_out.text();
  m_out.clear();
  return text;
}

void ScriptTest::UsePack(const std::string& zip) {
  Manager().SetZip(zip.c_str());
  m_out.clear();
}
