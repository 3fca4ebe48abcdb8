#include "tickbase/diag/console.h"

#include <iostream>
#include <string>

namespace {

constexpr WORD kKeepBackground = 0xF0;

bool g_routineTraces = true;

std::ostream& SetForeground(std::ostream& os, WORD color) {
  os.flush();
  GetConsole().SetColor(color, kKeepBackground);
  return os;
}

}  // namespace

cConsole::cConsole(HANDLE out) : m_hOut(out), m_info{} {}

void cConsole::SetColor(WORD color, WORD keepMask) {
  GetConsoleScreenBufferInfo(m_hOut, &m_info);  // on failure the last reading stands
  m_info.wAttributes = static_cast<WORD>((m_info.wAttributes & keepMask) | color);
  if (SetConsoleTextAttribute(m_hOut, m_info.wAttributes)) return;
  const DWORD err = GetLastError();
  std::cout << "SetColor Error : " << err << std::endl;
  if (err == ERROR_INVALID_HANDLE) m_hOut = GetStdHandle(STD_OUTPUT_HANDLE);
}

cConsole& GetConsole() {
  static cConsole console(GetStdHandle(STD_OUTPUT_HANDLE));
  return console;
}

std::ostream& ColorBlue(std::ostream& os) { return SetForeground(os, 9); }
std::ostream& ColorGreen(std::ostream& os) { return SetForeground(os, 10); }
std::ostream& ColorCyan(std::ostream& os) { return SetForeground(os, 11); }
std::ostream& ColorRed(std::ostream& os) { return SetForeground(os, 12); }
std::ostream& ColorYellow(std::ostream& os) { return SetForeground(os, 14); }
std::ostream& ColorWhite(std::ostream& os) { return SetForeground(os, 15); }

cColorScope::cColorScope(WORD color, WORD restore, std::ostream& os)
    : m_restore(restore), m_stream(os) {
  SetForeground(m_stream, color);
}

cColorScope::~cColorScope() { SetForeground(m_stream, m_restore); }

void OutputColor(const char* text) {
  std::string s(text ? text : "");
  if (s.size() > 2 && s[0] == '/') {
    std::ostream& (*color)(std::ostream&) = nullptr;
    switch (s[1]) {
      case 'b': color = ColorBlue; break;
      case 'c': color = ColorCyan; break;
      case 'g': color = ColorGreen; break;
      case 'r': color = ColorRed; break;
      case 'w': color = ColorWhite; break;
      case 'y': color = ColorYellow; break;
    }
    if (color) {
      std::cout << color;
      s.erase(0, 2);
    }
  }
  std::cout << s << std::endl;
}

void ShowRoutineTraces(bool show) { g_routineTraces = show; }

bool RoutineTracesShown() { return g_routineTraces; }
