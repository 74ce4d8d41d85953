// What a command-line front end needs of its terminal and its signals.
#pragma once

#include <string>

namespace ovk {

// True when standard error is a terminal (progress is shown only there).
bool ErrorOutputIsTerminal();
// Makes Ctrl-C (SIGINT) and SIGTERM set a flag instead of ending the process,
// so that a running operation can stop with everything it leaves whole.
void CatchInterrupts();
bool Interrupted();
// Seconds on a clock that never jumps.
double MonotonicSeconds();
// Columns of the terminal on standard error; 80 when it cannot be told.
int TerminalColumns();
// Asks on the controlling terminal with echo off and reads one line; false
// when there is no terminal (or it cannot be read). Ctrl-C or SIGTERM ends
// the question with echo restored, Interrupted() then true.
bool AskPasswordOnTerminal(const std::string& prompt, std::string& password);
// The first line of standard input, without its line end; false at once at
// its end.
bool ReadFirstInputLine(std::string& line);

}  // namespace ovk
