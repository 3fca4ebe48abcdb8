// Follows a folder test run through the console text the library writes:
// the game tests that ended, the asserts that failed and the script errors
// reported. It stands between std::cout and the buffer below it and passes
// every byte on unchanged.
#ifndef TICKBASE_HOST_TEST_WATCH_H_
#define TICKBASE_HOST_TEST_WATCH_H_

#include <streambuf>
#include <string>

class cTestWatch : public std::streambuf {
 public:
  // out must outlive the watch.
  explicit cTestWatch(std::streambuf* out) : m_out(out) {}
  cTestWatch(const cTestWatch&) = delete;
  cTestWatch& operator=(const cTestWatch&) = delete;

  int ended() const { return m_ended; }
  int failedAsserts() const { return m_failedAsserts; }
  int errors() const { return m_errors; }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override { return m_out->pubsync(); }

 private:
  void Scan(char c);
  void Classify();

  std::streambuf* m_out;
  std::string m_line;  // the current line, colour sequences left out
  bool m_inEscape = false;
  int m_ended = 0;
  int m_failedAsserts = 0;
  int m_errors = 0;
};

#endif  // TICKBASE_HOST_TEST_WATCH_H_
