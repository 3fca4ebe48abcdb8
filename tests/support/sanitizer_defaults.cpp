// Built into every program of the sanitizer build, so a test, or a host that
// a test starts, runs under the same rules wherever it is started from.
extern "C" const char* __ubsan_default_options() {
  return "suppressions=" TICKBASE_UBSAN_SUPPRESSIONS ":halt_on_error=1:print_stacktrace=1";
}

extern "C" const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=1"; }
