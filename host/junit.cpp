#include "junit.h"

#include <fstream>
#include <sstream>

#include "test_runner.h"

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(const std::string& s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

// Script texts may hold any bytes (GBK labels among them): XML gets the
// markup escaped, and '?' for control characters and bytes that are not UTF-8.
std::string Xml(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    const size_t n = Utf8Length(s, i);
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (n == 0 || (n == 1 && static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')) {
      out += '?';
    } else {
      out.append(s, i, n);
      i += n;
      continue;
    }
    ++i;
  }
  return out;
}

}  // namespace

bool WriteJUnit(const std::string& path, const cTestRunner& runner, std::string* error) {
  const auto& results = runner.results();
  size_t failures = 0, skipped = 0;
  double seconds = 0;
  std::ostringstream cases;
  for (size_t i = 0; i < results.size(); ++i) {
    const stTestResult& test = results[i];
    const size_t slash = test.name.rfind('/');
    seconds += test.seconds;
    cases << "    <testcase classname=\"" << Xml(test.name.substr(0, slash == std::string::npos ? 0 : slash))
          << "\" name=\"" << Xml(test.name.substr(slash + 1)) << "\" time=\"" << test.seconds << "\"";
    switch (runner.OutcomeOf(i)) {
      case cTestRunner::Outcome::kPassed:
        cases << "/>\n";
        break;
      case cTestRunner::Outcome::kFailed:
        ++failures;
        cases << ">\n      <failure message=\"" << Xml(runner.FailureOf(i)) << "\"/>\n    </testcase>\n";
        break;
      case cTestRunner::Outcome::kNotRun:
        ++skipped;
        cases << ">\n      <skipped/>\n    </testcase>\n";
        break;
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<testsuites>\n  <testsuite name=\"" << Xml(runner.folder()) << "\" tests=\"" << results.size()
      << "\" failures=\"" << failures << "\" errors=\"0\" skipped=\"" << skipped << "\" time=\""
      << seconds << "\">\n"
      << cases.str() << "  </testsuite>\n</testsuites>\n";
  out.close();
  if (!out) {
    *error = "cannot write the JUnit file " + path;
    return false;
  }
  return true;
}
