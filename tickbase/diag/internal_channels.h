// The log channels the library writes but does not export.
#ifndef TICKBASE_DIAG_INTERNAL_CHANNELS_H_
#define TICKBASE_DIAG_INTERNAL_CHANNELS_H_

#include <spdlog/logger.h>

spdlog::logger& script_yield();    // "script.yield": coroutine sleep and wake-up traces
spdlog::logger& quenlet_script();  // "quenlet.script": the script function log

#endif  // TICKBASE_DIAG_INTERNAL_CHANNELS_H_
