// What stands between std::cout (and std::cerr) and the terminal: converts
// the text to the output encoding and, while a line editor shows a prompt,
// keeps the output from garbling the line being edited.
#ifndef TICKBASE_HOST_CONSOLE_OUT_H_
#define TICKBASE_HOST_CONSOLE_OUT_H_

#include <spdlog/sinks/sink.h>

#include <memory>
#include <streambuf>
#include <string>

#include "text_encoding.h"

// A prompt drawn on the terminal, with the line being edited.
class iPromptOverlay {
 public:
  // Clears the prompt and the edited line; the cursor ends where the
  // prompt began.
  virtual void Hide() = 0;
  // Draws them again at the cursor.
  virtual void Show() = 0;

 protected:
  ~iPromptOverlay() = default;
};

// A stream buffer that writes the converted text to out (not owned; must
// outlive it). While an overlay is shown, output waits for whole lines and
// each batch is written between Hide and Show, in the colour that the text
// before it left set; the prompt itself is drawn in the terminal's own
// colours.
class ConsoleOut : public std::streambuf {
 public:
  ConsoleOut(std::streambuf* out, OutputEncoding encoding);
  ~ConsoleOut() override;
  ConsoleOut(const ConsoleOut&) = delete;
  ConsoleOut& operator=(const ConsoleOut&) = delete;

  // Null: text passes at once.
  void SetOverlay(iPromptOverlay* overlay) { m_overlay = overlay; }
  // Writes what waits, unfinished line included, and sets the colour the
  // text left set again; for when the prompt has gone.
  void Release();
  // True once the text has carried a colour sequence.
  bool coloured() const { return !m_colour.empty(); }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  // Writes m_held up to its end or, under a shown overlay, its last line end.
  void WriteOut(bool all);
  // Notes the last colour sequence in text.
  void TrackColour(const std::string& text);

  std::streambuf* m_out;
  TextEncoder m_encoder;
  iPromptOverlay* m_overlay = nullptr;
  std::string m_held;    // converted text not yet written
  std::string m_colour;  // the last colour sequence written
  std::string m_escape;  // the start of a sequence cut off by the last write
};

// Installs a ConsoleOut under std::cout and std::cerr for its lifetime and
// tells the library's console that colour goes through the one of std::cout.
// One at a time.
class ConsoleStreams {
 public:
  explicit ConsoleStreams(OutputEncoding encoding);
  ~ConsoleStreams();
  ConsoleStreams(const ConsoleStreams&) = delete;
  ConsoleStreams& operator=(const ConsoleStreams&) = delete;

  // The installed one, or null.
  static ConsoleStreams* Current();

  OutputEncoding encoding() const { return m_encoding; }
  // Sets the overlay of both streams.
  void SetOverlay(iPromptOverlay* overlay);
  // Release of both streams.
  void Release();
  bool coloured() const { return m_out.coloured(); }

 private:
  OutputEncoding m_encoding;
  std::streambuf* m_coutBuffer;
  std::streambuf* m_cerrBuffer;
  ConsoleOut m_out;
  ConsoleOut m_err;
};

// Adds a sink to the log channel name that writes each message's text as a
// line to std::cout, and enables the channel.
void ShowChannelOnConsole(const char* name);

// A log sink that converts each message for the installed ConsoleStreams'
// encoding (unchanged without one) and passes it to sink.
std::shared_ptr<spdlog::sinks::sink> EncodedSink(std::shared_ptr<spdlog::sinks::sink> sink);

#endif  // TICKBASE_HOST_CONSOLE_OUT_H_
