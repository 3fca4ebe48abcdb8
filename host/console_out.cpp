#include "console_out.h"

#include <spdlog/details/log_msg.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/formatter.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

#include <iostream>

#include "tickbase/platform/console.h"

namespace {

constexpr char kReset[] = "\x1b[0m";

ConsoleStreams* g_current = nullptr;

// Converts each message, which is always whole, before the sink sees it.
class EncodingSink : public spdlog::sinks::sink {
 public:
  EncodingSink(std::shared_ptr<spdlog::sinks::sink> sink, OutputEncoding encoding)
      : m_sink(std::move(sink)), m_encoder(encoding) {}

  void log(const spdlog::details::log_msg& msg) override {
    std::string text;
    m_encoder.Convert(msg.payload.data(), msg.payload.size(), true, &text);
    spdlog::details::log_msg converted = msg;
    converted.payload = spdlog::string_view_t(text.data(), text.size());
    m_sink->log(converted);
  }
  void flush() override { m_sink->flush(); }
  void set_pattern(const std::string& pattern) override { m_sink->set_pattern(pattern); }
  void set_formatter(std::unique_ptr<spdlog::formatter> formatter) override {
    m_sink->set_formatter(std::move(formatter));
  }

 private:
  std::shared_ptr<spdlog::sinks::sink> m_sink;
  TextEncoder m_encoder;
};

// Writes the bare text of each message, whatever pattern the channel has.
class ConsoleLineSink : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    std::cout.write(msg.payload.data(), static_cast<std::streamsize>(msg.payload.size()));
    std::cout << std::endl;
  }
  void flush_() override { std::cout.flush(); }
};

}  // namespace

ConsoleOut::ConsoleOut(std::streambuf* out, OutputEncoding encoding)
    : m_out(out), m_encoder(encoding) {}

ConsoleOut::~ConsoleOut() {
  m_encoder.Convert("", 0, true, &m_held);
  m_overlay = nullptr;
  WriteOut(true);
  m_out->pubsync();
}

void ConsoleOut::Release() {
  const std::string text = m_colour + m_held;
  m_held.clear();
  TrackColour(text);
  m_out->sputn(text.data(), static_cast<std::streamsize>(text.size()));
  m_out->pubsync();
}

ConsoleOut::int_type ConsoleOut::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  const char c = traits_type::to_char_type(ch);
  xsputn(&c, 1);
  return ch;
}

std::streamsize ConsoleOut::xsputn(const char* s, std::streamsize n) {
  m_encoder.Convert(s, static_cast<size_t>(n), false, &m_held);
  WriteOut(false);
  return n;
}

int ConsoleOut::sync() {
  WriteOut(false);
  return m_out->pubsync();
}

void ConsoleOut::WriteOut(bool all) {
  if (!m_overlay) all = true;
  const size_t end = all ? m_held.size() : m_held.rfind('\n') + 1;  // npos + 1 is 0
  if (end == 0) return;
  std::string text = m_held.substr(0, end);
  m_held.erase(0, end);
  if (m_overlay) {
    // The prompt was drawn in the terminal's own colours.
    text.insert(0, m_colour);
    TrackColour(text);
    if (coloured()) text += kReset;
    m_overlay->Hide();
    m_out->sputn(text.data(), static_cast<std::streamsize>(text.size()));
    m_out->pubsync();
    m_overlay->Show();
  } else {
    TrackColour(text);
    m_out->sputn(text.data(), static_cast<std::streamsize>(text.size()));
  }
}

void ConsoleOut::TrackColour(const std::string& text) {
  // A sequence may come in pieces: m_escape holds the one under way.
  for (const char c : text) {
    if (c == '\x1b') {
      m_escape.assign(1, c);
    } else if (m_escape.empty()) {
      continue;
    } else if (m_escape.size() == 1 ? c == '[' : (c >= '0' && c <= '9') || c == ';') {
      m_escape += c;
    } else {
      if (c == 'm' && m_escape.size() > 1) m_colour = m_escape + c;
      m_escape.clear();
    }
  }
}

ConsoleStreams::ConsoleStreams(OutputEncoding encoding)
    : m_encoding(encoding),
      m_coutBuffer(std::cout.rdbuf()),
      m_cerrBuffer(std::cerr.rdbuf()),
      m_out(m_coutBuffer, encoding),
      m_err(m_cerrBuffer, encoding) {
  std::cout.rdbuf(&m_out);
  std::cerr.rdbuf(&m_err);
  platform::SetConsoleBuffer(&m_out);
  g_current = this;
}

ConsoleStreams::~ConsoleStreams() {
  std::cout.flush();
  std::cerr.flush();
  std::cout.rdbuf(m_coutBuffer);
  std::cerr.rdbuf(m_cerrBuffer);
  platform::SetConsoleBuffer(m_coutBuffer);
  g_current = nullptr;
}

ConsoleStreams* ConsoleStreams::Current() { return g_current; }

void ConsoleStreams::SetOverlay(iPromptOverlay* overlay) {
  m_out.SetOverlay(overlay);
  m_err.SetOverlay(overlay);
}

void ConsoleStreams::Release() {
  m_err.Release();
  m_out.Release();
}

std::shared_ptr<spdlog::sinks::sink> EncodedSink(std::shared_ptr<spdlog::sinks::sink> sink) {
  const ConsoleStreams* streams = ConsoleStreams::Current();
  if (!streams || streams->encoding() == OutputEncoding::kRaw) return sink;
  return std::make_shared<EncodingSink>(std::move(sink), streams->encoding());
}

void ShowChannelOnConsole(const char* name) {
  if (auto channel = spdlog::get(name)) {
    channel->sinks().push_back(std::make_shared<ConsoleLineSink>());
    channel->set_level(spdlog::level::info);
  }
}
