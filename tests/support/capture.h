// Captures what the library writes: std::cout text, and the messages of a
// log channel through a real spdlog sink.
#ifndef TICKBASE_TESTS_SUPPORT_CAPTURE_H_
#define TICKBASE_TESTS_SUPPORT_CAPTURE_H_

#include <spdlog/sinks/ringbuffer_sink.h>
#include <spdlog/spdlog.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// Redirects std::cout (or another stream, such as std::cerr) into a buffer
// for its lifetime.
class CoutCapture {
 public:
  explicit CoutCapture(std::ostream& stream = std::cout) : m_stream(stream), m_old(stream.rdbuf(m_buffer.rdbuf())) {}
  ~CoutCapture() { m_stream.rdbuf(m_old); }
  CoutCapture(const CoutCapture&) = delete;
  CoutCapture& operator=(const CoutCapture&) = delete;

  std::string text() const { return m_buffer.str(); }
  void clear() { m_buffer.str(""); }

 private:
  std::ostringstream m_buffer;
  std::ostream& m_stream;
  std::streambuf* m_old;
};

// Enables a channel at info with a collecting sink for its lifetime, then
// restores the channel's sinks and level.
class ChannelCapture {
 public:
  explicit ChannelCapture(const std::string& name)
      : m_log(spdlog::get(name)),
        m_sink(std::make_shared<spdlog::sinks::ringbuffer_sink_st>(4096)),
        m_oldSinks(m_log->sinks()),
        m_oldLevel(m_log->level()) {
    m_log->sinks() = {m_sink};
    m_log->set_level(spdlog::level::info);
  }
  ~ChannelCapture() {
    m_log->sinks() = m_oldSinks;
    m_log->set_level(m_oldLevel);
  }
  ChannelCapture(const ChannelCapture&) = delete;
  ChannelCapture& operator=(const ChannelCapture&) = delete;

  // Message texts in order, without decoration.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& msg : m_sink->last_raw()) out.emplace_back(msg.payload.data(), msg.payload.size());
    return out;
  }

 private:
  std::shared_ptr<spdlog::logger> m_log;
  std::shared_ptr<spdlog::sinks::ringbuffer_sink_st> m_sink;
  std::vector<spdlog::sink_ptr> m_oldSinks;
  spdlog::level::level_enum m_oldLevel;
};

#endif  // TICKBASE_TESTS_SUPPORT_CAPTURE_H_
