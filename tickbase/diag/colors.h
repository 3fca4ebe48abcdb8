// Colour names, their console attributes and the by-name colour functions
// that scripts call. A name's index in g_colorNames is its colour number.
#ifndef TICKBASE_DIAG_COLORS_H_
#define TICKBASE_DIAG_COLORS_H_

#include <string>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

// "black", "red", ..., "white2", then "" ending the table.
TICKBASE_API extern const std::string g_colorNames[17];
// Foreground and background attribute of each named colour.
TICKBASE_API extern const WORD g_foreColors[16];
TICKBASE_API extern const WORD g_backColors[16];

// Index of name (exact, case-sensitive) in g_colorNames, or -1 (also for
// null).
TICKBASE_API int FindColor(const char* name);

// Prints "not find color" and the line of all colour names.
TICKBASE_API void PrintColorNames();

// Set the console foreground (keeping the background) or the background
// (keeping the foreground) by colour name. An unknown name changes nothing
// and prints the listing of PrintColorNames(); so does null.
TICKBASE_API void SetColor(const char* name);
TICKBASE_API void SetBkColor(const char* name);

#endif  // TICKBASE_DIAG_COLORS_H_
