// The results of a --test run as JUnit XML, for CI systems.
#ifndef TICKBASE_HOST_JUNIT_H_
#define TICKBASE_HOST_JUNIT_H_

#include <string>

class cTestRunner;

// Writes runner's results to path as one test suite named after its folder:
// a failure element for each failed test, a skipped one for tests that did
// not run. Returns false with *error set when the file cannot be written.
bool WriteJUnit(const std::string& path, const cTestRunner& runner, std::string* error);

#endif  // TICKBASE_HOST_JUNIT_H_
