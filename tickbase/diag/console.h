// Coloured console output: the console object, the colour manipulators, a
// scoped colour and the exported line printer. Colours are Win32 text
// attributes (1 blue, 2 green, 4 red, 8 intensity; background the same x16).
#ifndef TICKBASE_DIAG_CONSOLE_H_
#define TICKBASE_DIAG_CONSOLE_H_

#include <ostream>

#include "tickbase/export.h"
#include "tickbase/platform/console.h"

// The process console. One instance, from GetConsole().
class TICKBASE_API cConsole {
 public:
  explicit cConsole(HANDLE out);
  cConsole(const cConsole&) = delete;
  cConsole& operator=(const cConsole&) = delete;

  // The new attribute is (current & keepMask) | color: keepMask 0xF0 changes
  // the foreground only, 0x0F the background only. A failure prints
  // "SetColor Error : <code>"; an invalid handle is taken anew for next time.
  void SetColor(WORD color, WORD keepMask);

 private:
  HANDLE m_hOut;
  CONSOLE_SCREEN_BUFFER_INFO m_info;
};

TICKBASE_API cConsole& GetConsole();

// Stream manipulators: flush the stream, then set the foreground and keep
// the background. Used as std::cout << ColorRed.
TICKBASE_API std::ostream& ColorBlue(std::ostream& os);    // 9
TICKBASE_API std::ostream& ColorGreen(std::ostream& os);   // 10
TICKBASE_API std::ostream& ColorCyan(std::ostream& os);    // 11
TICKBASE_API std::ostream& ColorRed(std::ostream& os);     // 12
TICKBASE_API std::ostream& ColorYellow(std::ostream& os);  // 14
TICKBASE_API std::ostream& ColorWhite(std::ostream& os);   // 15

// Sets a foreground colour for its lifetime and sets `restore` when it ends;
// os is flushed before each change. os must outlive the scope.
class TICKBASE_API cColorScope {
 public:
  cColorScope(WORD color, WORD restore, std::ostream& os);
  ~cColorScope();
  cColorScope(const cColorScope&) = delete;
  cColorScope& operator=(const cColorScope&) = delete;

 private:
  WORD m_restore;
  std::ostream& m_stream;
};

// Prints text and a line end to std::cout. A text longer than two characters
// that starts with '/' and one of b c g r w y first sets that colour (left
// set afterwards) and loses those two characters; any other text is printed
// as it is. Null prints an empty line.
TICKBASE_API void OutputColor(const char* text);

// Routine traces are the console lines that follow ordinary work rather
// than report on it: the begin and end lines of RunScriptFileFunc, the
// script-load line, the mode line of SetZip, "func_MySleep", "func_ReloadAll"
// and the "find file" lines of the folder test runner. Shown by default;
// hidden, every error, report, test banner and script output still shows,
// the colour changes around the hidden lines happen all the same, and log
// channels are not affected.
TICKBASE_API void ShowRoutineTraces(bool show);
TICKBASE_API bool RoutineTracesShown();

#endif  // TICKBASE_DIAG_CONSOLE_H_
