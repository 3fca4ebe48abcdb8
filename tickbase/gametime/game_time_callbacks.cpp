#include "tickbase/gametime/game_time_callbacks.h"

#include <exception>
#include <string>

#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/script/script_runner.h"

namespace {

// The clock calls this from inside Run, so nothing may escape: a failed load
// that throws is reported and the clock goes on with its next callback.
void RunCallbackScript(const char* caller, const std::string& file, const std::string& func) {
  std::string what;
  try {
    RunScriptFileFunc(file.c_str(), func.c_str());
    return;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
    what = "unknown exception";
  }
  Report(script_error(), std::string(caller) + " file " + file + " func " + func + " exception: " + what + "\n");
}

}  // namespace

cGameTimeCallbackScript::cGameTimeCallbackScript(const char* file, const char* func)
    : m_file(file), m_func(func) {}

int cGameTimeCallbackScript::OnChange(unsigned long /*value*/) {
  RunCallbackScript("cGameTimeCallbackScript::OnChange", m_file, m_func);
  return 0;
}

cGameTimeCallbackScriptAt::cGameTimeCallbackScriptAt(const char* file, const char* func)
    : m_file(file), m_func(func) {}

int cGameTimeCallbackScriptAt::OnTime() {
  RunCallbackScript("cGameTimeCallbackScriptAt::OnTime", m_file, m_func);
  return 0;
}
