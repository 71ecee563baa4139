// The game's trace: one line per notable step in "..//log//log.txt".
#pragma once

#include <string>

// Appends the message and a line feed to the log file, opening and closing
// the file for every line so the trace is complete up to the last step. The
// first successful line of a run truncates the file. Returns false when the
// file cannot be opened (for example a missing log directory); the line is
// then lost and the caller goes on. The text is written unchanged.
bool Log(std::string message);

// Where the log goes; tests point it elsewhere. Resets the "first line"
// state, so the next line truncates the new file.
void SetLogPath(const std::string& path);
