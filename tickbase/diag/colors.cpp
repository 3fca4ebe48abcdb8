#include "tickbase/diag/colors.h"

#include <iostream>

#include "tickbase/diag/console.h"

// Table order is not attribute order (red comes before blue); the attribute
// tables translate.
const std::string g_colorNames[17] = {
    "black",  "red",  "green",  "blue",  "cyan",  "magenta",  "yellow",  "white",
    "black2", "red2", "green2", "blue2", "cyan2", "magenta2", "yellow2", "white2", ""};
const WORD g_foreColors[16] = {0, 4, 2, 1, 3, 5, 6, 7, 8, 12, 10, 9, 11, 13, 14, 15};
const WORD g_backColors[16] = {0x00, 0x40, 0x20, 0x10, 0x30, 0x50, 0x60, 0x70,
                               0x80, 0xC0, 0xA0, 0x90, 0xB0, 0xD0, 0xE0, 0xF0};

namespace {

void SetByName(const char* name, const WORD* colors, WORD keepMask) {
  const int i = FindColor(name);
  if (i == -1) {
    PrintColorNames();
    return;
  }
  std::cout.flush();
  GetConsole().SetColor(colors[i], keepMask);
}

}  // namespace

int FindColor(const char* name) {
  if (!name) return -1;  // a script's nil
  for (int i = 0; !g_colorNames[i].empty(); ++i) {
    if (g_colorNames[i] == name) return i;
  }
  return -1;
}

void PrintColorNames() {
  std::cout << "not find color" << std::endl;
  std::cout << "color -- ";
  for (int i = 0; !g_colorNames[i].empty(); ++i) std::cout << g_colorNames[i] << " ";
  std::cout << std::endl;
}

void SetColor(const char* name) { SetByName(name, g_foreColors, 0xF0); }

void SetBkColor(const char* name) { SetByName(name, g_backColors, 0x0F); }
