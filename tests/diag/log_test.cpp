#include "tickbase/diag/log.h"

#include <gtest/gtest.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

#include <mutex>

#include "support/capture.h"

namespace {

class ThrowingSink : public spdlog::sinks::base_sink<std::mutex> {
 protected:
  void sink_it_(const spdlog::details::log_msg&) override { throw std::runtime_error("disk full"); }
  void flush_() override {}
};

}  // namespace

// Every channel is one logger under its name, off until the host
// configures it: a message to it builds no stream.
TEST(LogChannels, AreRegisteredUnderTheirNamesAndOffUntilConfigured) {
  const std::pair<spdlog::logger& (*)(), const char*> exported[] = {
      {script_error, "script.error"},
      {script_timererror, "script.timererror"},
      {quenlet_timererror, "quenlet.timererror"},
      {quenlet_fetalerror, "quenlet.fetalerror"}};
  for (auto [accessor, name] : exported) {
    spdlog::logger& first = accessor();
    EXPECT_EQ(&first, &accessor());
    EXPECT_EQ(first.name(), name);
    EXPECT_EQ(spdlog::get(name).get(), &first);
    EXPECT_EQ(cLogMessage(first, kLogLevel).stream(), nullptr) << name;
  }
  // The internal channels are reachable by name only.
  for (const char* name : {"script.yield", "quenlet.script"}) {
    ASSERT_NE(spdlog::get(name), nullptr) << name;
    EXPECT_EQ(cLogMessage(*spdlog::get(name), kLogLevel).stream(), nullptr) << name;
  }
}

TEST(LogMessage, EachObjectWritesOneMessageWithItsLineEnds) {
  ChannelCapture capture("script.error");
  {
    cLogMessage message(script_error(), kLogLevel);
    ASSERT_NE(message.stream(), nullptr);
    *message.stream() << "file: " << 3 << "\nsecond line" << std::endl;
  }
  {
    cLogMessage message(script_error(), kLogLevel);
    *message.stream() << "{} braces stay";
  }
  { cLogMessage empty(script_error(), kLogLevel); }
  script_error().set_level(spdlog::level::warn);  // above the messages' level
  EXPECT_EQ(cLogMessage(script_error(), kLogLevel).stream(), nullptr);
  script_error().set_level(spdlog::level::info);
  // A failing sink (and an error handler that throws) does not reach the caller.
  script_error().sinks().push_back(std::make_shared<ThrowingSink>());
  script_error().set_error_handler([](const std::string&) { throw std::logic_error("rethrown"); });
  EXPECT_NO_THROW({
    cLogMessage message(script_error(), kLogLevel);
    *message.stream() << "lost";
  });
  script_error().set_error_handler(nullptr);
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{"file: 3\nsecond line\n", "{} braces stay", "", "lost"}));
}
