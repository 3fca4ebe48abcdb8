// The console's line editor on a terminal (libedit): a prompt, line editing
// with the arrow keys, history kept in a file, and completion on Tab. It
// reads only the keys the terminal has already sent, so the main loop's
// tick never waits for a line.
#ifndef TICKBASE_HOST_LINE_EDITOR_H_
#define TICKBASE_HOST_LINE_EDITOR_H_

#include <histedit.h>

#include <functional>
#include <string>
#include <vector>

#include "console_out.h"

class LineEditor : public iPromptOverlay {
 public:
  // The names that may complete word (a name or a dotted path).
  using Completer = std::function<std::vector<std::string>(const std::string& word)>;
  enum class Input { kNothing, kLine, kEnd };

  // Edits standard input on standard output. historyFile is read now and
  // written after every line; empty keeps no history between runs.
  LineEditor(const std::string& historyFile, Completer completer);
  // Leaves the terminal as it found it.
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // Writes reset (the sequence of the terminal's own colours, or nothing),
  // draws prompt and starts a new line.
  void Start(const std::string& prompt, const std::string& reset);
  // Handles the keys that arrive within timeoutMs (a signal ends the wait).
  // kLine sets *line to a finished line; kEnd is Ctrl-D on an empty line or
  // the end of input. Either ends the line: Start begins the next.
  Input Wait(int timeoutMs, std::string* line);

  void Hide() override;
  void Show() override;

 private:
  static int ReadChar(EditLine* el, wchar_t* out);
  static char* PromptText(EditLine* el);
  static unsigned char Complete(EditLine* el, int key);
  static LineEditor& Of(EditLine* el);
  // Leaves the editing mode after a line or the end.
  void Stop();

  EditLine* m_el;
  History* m_history;
  std::string m_historyFile;
  Completer m_completer;
  std::string m_prompt;
  bool m_editing = false;
  bool m_ended = false;  // standard input reached its end
};

// Puts the terminal back in the mode it had before a line editor changed it
// and leaves the prompt's line; async-signal-safe, for fatal-signal handlers.
void RestoreTerminalNow();

#endif  // TICKBASE_HOST_LINE_EDITOR_H_
