// TICKBASE_API marks what the shared library exports; everything else is
// hidden. TICKBASE_BUILDING is defined only while the library itself builds.
#ifndef TICKBASE_EXPORT_H_
#define TICKBASE_EXPORT_H_

#if defined(_WIN32)
#  if defined(TICKBASE_BUILDING)
#    define TICKBASE_API __declspec(dllexport)
#  else
#    define TICKBASE_API __declspec(dllimport)
#  endif
#else
#  define TICKBASE_API __attribute__((visibility("default")))
#endif

#endif  // TICKBASE_EXPORT_H_
