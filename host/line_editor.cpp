#include "line_editor.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

// How long the rest of a key sequence or character may take to arrive.
constexpr int kKeyRestMs = 50;
constexpr int kHistorySize = 1000;
// What libedit leaves in the line for Ctrl-D on an empty line.
constexpr char kEndOfInput = '\x04';

// The terminal's mode before editing, for a process that dies while editing.
termios g_savedMode;
volatile sig_atomic_t g_editing = 0;

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == ':';
}

std::string CommonPrefix(const std::vector<std::string>& words) {
  std::string prefix = words.front();
  for (const std::string& word : words) {
    size_t n = 0;
    while (n < prefix.size() && n < word.size() && prefix[n] == word[n]) ++n;
    prefix.resize(n);
  }
  return prefix;
}

}  // namespace

LineEditor::LineEditor(const std::string& historyFile, Completer completer)
    : m_el(el_init("tickbase-host", stdin, stdout, stderr)),
      m_history(history_init()),
      m_historyFile(historyFile),
      m_completer(std::move(completer)) {
  HistEvent event;
  history(m_history, &event, H_SETSIZE, kHistorySize);
  history(m_history, &event, H_SETUNIQUE, 1);
  if (!m_historyFile.empty()) history(m_history, &event, H_LOAD, m_historyFile.c_str());
  el_set(m_el, EL_CLIENTDATA, this);
  el_set(m_el, EL_EDITOR, "emacs");
  el_set(m_el, EL_HIST, history, m_history);
  el_set(m_el, EL_PROMPT, &LineEditor::PromptText);
  el_set(m_el, EL_GETCFN, &LineEditor::ReadChar);
  // The wide form: the narrow one leaks its copies of the two names.
  el_wset(m_el, EL_ADDFN, L"tickbase-complete", L"Complete a global name", &LineEditor::Complete);
  el_set(m_el, EL_BIND, "^I", "tickbase-complete", nullptr);
  el_source(m_el, nullptr);  // the user's own bindings (~/.editrc)
  // A script may end the process (os.exit) while a line is being edited.
  static const int atExit = std::atexit(RestoreTerminalNow);
  (void)atExit;
}

LineEditor::~LineEditor() {
  if (m_editing) {
    Stop();
    std::fputs("\n", stdout);  // output after an interrupted line starts afresh
  }
  el_end(m_el);
  history_end(m_history);
}

void LineEditor::Start(const std::string& prompt, const std::string& reset) {
  m_prompt = prompt;
  m_editing = true;
  if (tcgetattr(STDIN_FILENO, &g_savedMode) == 0) g_editing = 1;
  std::fputs(reset.c_str(), stdout);
  el_set(m_el, EL_UNBUFFERED, 1);  // raw terminal, draws the prompt
}

LineEditor::Input LineEditor::Wait(int timeoutMs, std::string* line) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (!m_editing || poll(&input, 1, timeoutMs) <= 0) return Input::kNothing;
  do {
    int count = 0;
    // One key per call: its command is done, or the line finished.
    const char* text = el_gets(m_el, &count);
    const bool finished = text != nullptr && count > 0 && text[count - 1] == '\n';
    const bool endKey = text != nullptr && count == 1 && text[0] == kEndOfInput;
    if (finished) {
      line->assign(text, static_cast<size_t>(count - 1));
      Stop();
      if (!line->empty()) {
        HistEvent event;
        history(m_history, &event, H_ENTER, line->c_str());
        if (!m_historyFile.empty()) history(m_history, &event, H_SAVE, m_historyFile.c_str());
      }
      return Input::kLine;
    }
    if (m_ended || endKey) {
      Stop();
      std::fputs("\n", stdout);
      return Input::kEnd;
    }
  } while (poll(&input, 1, 0) > 0);
  return Input::kNothing;
}

void LineEditor::Hide() {
  if (!m_editing) return;
  const LineInfoW* info = el_wline(m_el);
  const int typed = static_cast<int>(info->cursor - info->buffer);
  int width = wcswidth(info->buffer, static_cast<size_t>(typed));
  if (width < 0) width = typed;
  int columns = 0;
  el_get(m_el, EL_GETTC, "co", &columns, nullptr);
  const int rows = columns > 0 ? (static_cast<int>(m_prompt.size()) + width) / columns : 0;
  std::string clear = "\r";
  if (rows > 0) clear += "\x1b[" + std::to_string(rows) + "A";
  clear += "\x1b[J";
  std::fputs(clear.c_str(), stdout);
  std::fflush(stdout);
}

void LineEditor::Show() {
  if (m_editing) el_set(m_el, EL_REFRESH);
}

void LineEditor::Stop() {
  el_set(m_el, EL_UNBUFFERED, 0);  // the terminal as it was
  m_editing = false;
  g_editing = 0;
}

LineEditor& LineEditor::Of(EditLine* el) {
  void* self = nullptr;
  el_get(el, EL_CLIENTDATA, &self);
  return *static_cast<LineEditor*>(self);
}

int LineEditor::ReadChar(EditLine* el, wchar_t* out) {
  char bytes[MB_LEN_MAX];
  size_t n = 0;
  for (;;) {
    // Wait saw the first byte arrive; a key's other bytes follow at once,
    // and a lone Escape must not hold the tick up.
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, kKeyRestMs) <= 0) {
      if (errno != EINTR) errno = EAGAIN;
      return -1;
    }
    const ssize_t got = read(STDIN_FILENO, bytes + n, 1);
    if (got < 0 && errno == EINTR) return -1;
    if (got <= 0) {
      Of(el).m_ended = true;
      *out = L'\0';
      return 0;
    }
    ++n;
    std::mbstate_t state{};
    const size_t rc = std::mbrtowc(out, bytes, n, &state);
    if (rc != static_cast<size_t>(-1) && rc != static_cast<size_t>(-2)) return 1;
    if (rc == static_cast<size_t>(-1) || n == sizeof bytes) n = 0;  // not a character: dropped
  }
}

char* LineEditor::PromptText(EditLine* el) { return const_cast<char*>(Of(el).m_prompt.c_str()); }

unsigned char LineEditor::Complete(EditLine* el, int) {
  LineEditor& self = Of(el);
  const LineInfo* info = el_line(el);
  const char* start = info->cursor;
  while (start > info->buffer && IsNameChar(start[-1])) --start;
  const std::string word(start, info->cursor);
  const std::vector<std::string> names = self.m_completer(word);
  if (names.empty()) return CC_REFRESH_BEEP;
  const std::string common = CommonPrefix(names);
  if (common.size() > word.size()) {
    el_insertstr(el, common.c_str() + word.size());
    return CC_REFRESH;
  }
  if (names.size() == 1) return CC_NORM;
  std::string list = "\n";
  for (const std::string& name : names) list += name + "  ";
  list += "\n";
  std::fputs(list.c_str(), stdout);
  return CC_REDISPLAY;
}

void RestoreTerminalNow() {
  if (!g_editing) return;
  tcsetattr(STDIN_FILENO, TCSANOW, &g_savedMode);
  (void)!write(STDOUT_FILENO, "\n", 1);  // off the prompt's line
  g_editing = 0;
}
