// The folder test runner's queue and its timer owner; internal. The public
// entry is RunScriptTestFolder (script_common.h).
#ifndef TICKBASE_SCRIPT_SCRIPT_TEST_RUNNER_H_
#define TICKBASE_SCRIPT_SCRIPT_TEST_RUNNER_H_

#include <list>
#include <string>
#include <vector>

#include "tickbase/script/owned_params.h"
#include "tickbase/timer/timer_obj.h"

// Script names waiting to be run, first to run at the front.
extern std::list<std::string> g_testQueue;

// The library's one owner of queued test runs (g_runScriptTimer).
class cRunScriptTimer : public iTimerObjEx {
 public:
  // Runs script name's main in a fresh state at the next pass of the
  // one-second list timer.
  void AddRun(const char* name);
  // Retires the script, runs its main and frees the name; an exception
  // passes on to the timer manager's Run. Returns 0: the timer ends.
  unsigned long OnTimer(unsigned long param) override;

 private:
  cOwnedParams<std::string> m_names;  // scheduled, not yet run
};

extern cRunScriptTimer g_runScriptTimer;

// Names (without folder) of the entries of the zip file package that lie
// directly in folder dir and end in suffix, in package order; names and dir
// are compared folded as by the lenient entry lookup. Empty when the
// package cannot be opened. Lives with the zip service.
std::vector<std::string> ListPackageFolder(const char* package, const std::string& dir,
                                           const char* suffix);

#endif  // TICKBASE_SCRIPT_SCRIPT_TEST_RUNNER_H_
