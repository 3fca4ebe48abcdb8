#include "tickbase/script/script_test_runner.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <vector>

#include "tickbase/diag/console.h"
#include "tickbase/platform/files.h"
#include "tickbase/script/script_common.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_runner.h"
#include "tickbase/timer/timer_types.h"

std::list<std::string> g_testQueue;
cRunScriptTimer g_runScriptTimer;

void cRunScriptTimer::AddRun(const char* name) {
  AddTimer(TimeRange_Sec, Timer_List, 1, m_names.Add(std::make_unique<std::string>(TextOf(name))));
}

unsigned long cRunScriptTimer::OnTimer(unsigned long param) {
  const std::unique_ptr<std::string> name = m_names.Take(param);
  if (!name) return 0;
  // An exception (a Clear that raised) passes on to the timer manager's Run
  // and the test does not start; name is freed.
  cScriptManager::Instance().ClearAScript(name->c_str());
  RunScriptFileFunc(name->c_str(), "main");
  return 0;
}

bool RunNextTest() {
  if (g_testQueue.empty()) return false;
  const std::string name = std::move(g_testQueue.front());
  g_testQueue.pop_front();
  g_runScriptTimer.AddRun(name.c_str());
  return true;
}

std::vector<std::string> FindTestScripts(const char* folder) {
  folder = TextOf(folder);
  cScriptManager& manager = cScriptManager::Instance();
  const std::string dir = manager.GetPath() + NormalizeScriptName(folder);
  std::vector<std::string> files = platform::FindFiles(dir, ".lua");
  if (manager.IsPack()) {
    const std::vector<std::string> packed = ListPackageFolder(manager.GetZip().c_str(), dir, ".lua");
    files.insert(files.end(), packed.begin(), packed.end());
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
  }
  std::vector<std::string> names;
  for (const std::string& file : files) {
    // One backslash: the registry turns it into '/' when the name is used.
    names.push_back(std::string(folder) + "\\" + file.substr(0, file.size() - 4));
  }
  return names;
}

void RunScriptTestFolder(const char* folder) {
  g_testQueue.clear();
  const std::vector<std::string> names = FindTestScripts(folder);
  if (names.empty()) {
    std::cout << "not find any file..." << std::endl;
    return;
  }
  for (const std::string& name : names) {
    if (RoutineTracesShown()) std::cout << "find file " << name << std::endl;
    g_testQueue.push_back(name);
  }
  RunNextTest();
}
