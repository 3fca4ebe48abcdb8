// Colour names and OutputColor against their rules: a name is found only by
// exact match in the table of sixteen; an unknown one prints the listing
// and changes nothing else; OutputColor takes a slash and one of b c g r w y
// as a colour prefix only in a text longer than two characters, and prints
// the rest and a line end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "fuzz_support.h"
#include "tickbase/diag/colors.h"
#include "tickbase/diag/console.h"

namespace {

const char* const kNames[] = {"black",  "red",   "green",  "blue",   "cyan",     "magenta", "yellow",  "white",
                              "black2", "red2",  "green2", "blue2",  "cyan2",    "magenta2", "yellow2", "white2"};
const char kListing[] =
    "not find color\ncolor -- black red green blue cyan magenta yellow white "
    "black2 red2 green2 blue2 cyan2 magenta2 yellow2 white2 \n";

// The text without terminal escape sequences (ESC [ ... m).
std::string Plain(const std::string& s) {
  static const std::regex escape("\x1b\\[[^m]*m");
  return std::regex_replace(s, escape, "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  int index = -1;
  for (int i = 0; i < 16 && index < 0; ++i)
    if (text == kNames[i]) index = i;
  fuzz::Check(FindColor(text.c_str()) == index);

  CoutCapture out;
  SetColor(text.c_str());
  SetBkColor(text.c_str());
  const std::string listing = index < 0 ? std::string(kListing) + kListing : "";
  const bool prefixed = text.size() > 2 && text[0] == '/' && std::strchr("bcgrwy", text[1]) && text[1] != '\0';
  OutputColor(text.c_str());
  fuzz::Check(Plain(out.text()) == Plain(listing + (prefixed ? text.substr(2) : text) + "\n"));
  return 0;
}
