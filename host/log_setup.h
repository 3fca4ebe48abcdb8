// Routes the library's log channels to files.
#ifndef TICKBASE_HOST_LOG_SETUP_H_
#define TICKBASE_HOST_LOG_SETUP_H_

#include <string>

// Gives every channel a file sink DIR/<channel>.log at level info, lines
// "[date time] [channel] [level] text", each message flushed to the file as
// it is written. Returns false with *error set when the folder cannot be
// made or a file opened.
bool LogChannelsToFiles(const std::string& dir, std::string* error);

// Flushes every channel's sinks.
void FlushLogs();

#endif  // TICKBASE_HOST_LOG_SETUP_H_
