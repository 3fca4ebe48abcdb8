// Shared set-up of the script host tests: a private working folder, a bind
// function with a few probes, package writing, and a reset of the registry
// singleton after every test.
#ifndef TICKBASE_TESTS_SCRIPT_SCRIPT_FIXTURE_H_
#define TICKBASE_TESTS_SCRIPT_SCRIPT_FIXTURE_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <lua.hpp>
#include <string>
#include <utility>
#include <vector>

#include "support/capture.h"
#include "tickbase/platform/console.h"
#include "tickbase/script/lua_script.h"
#include "tickbase/script/script_manager.h"

// Texts the probes recorded, in order.
std::vector<std::string>& Records();

// The tests' bind function. Registers through luabind: Record(text),
// RecordContext() (records "<FileName()>|<FuncName()>"), Throw(text) (a
// native function that throws std::runtime_error) and SetColor(name).
void TestBind(lua_State* L);

// The console's current text attribute.
WORD ConsoleAttributes();

using ZipEntries = std::vector<std::pair<std::string, std::string>>;

// Writes a zip package of stored (uncompressed) entries.
void WriteZip(const std::string& path, const ZipEntries& entries);

class ScriptTest : public ::testing::Test {
 protected:
  // Works in a fresh temporary folder with TestBind bound, the script
  // directory "script/" and directory mode.
  void SetUp() override;
  // Destroys every script and restores the settings, the folder and the
  // console colour.
  void TearDown() override;

  // Writes text to path (relative to the working folder), making folders.
  void Write(const std::string& path, const std::string& text);
  // Console text so far; Take() also clears it.
  std::string Out() const { return m_out.text(); }
  std::string Take();
  // Switches to pack mode with the package name zip (output discarded).
  void UsePack(const std::string& zip);

  cScriptManager& Manager() { return cScriptManager::Instance(); }

  CoutCapture m_out;

 private:
  std::filesystem::path m_oldDir;
  std::filesystem::path m_dir;
};

#endif  // TICKBASE_TESTS_SCRIPT_SCRIPT_FIXTURE_H_
