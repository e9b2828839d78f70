// What the terminal program needs of its platform: its arguments as UTF-8, a
// console that shows UTF-8, whether standard error is a terminal, and the
// interrupt keys. Only console_posix.cpp and console_win.cpp include system
// headers.
#pragma once

#include <vector>

#include "webtext/text.h"

namespace quorrin::cli {

// The arguments after the program's name, as UTF-8.
std::vector<Utf8> CommandLineArguments(int argc, char** argv);

// Makes the console show the UTF-8 the program writes.
void PrepareConsole();

bool StandardErrorIsTerminal();
// The width of the terminal standard error shows in; 0 when unknown.
int StandardErrorColumns();

// From here on SIGINT and SIGTERM (on Windows the console's Ctrl+C and
// Ctrl+Break) only raise the flag that Interrupted reads; a second one ends
// the program the system's way.
void CatchInterrupts();
bool Interrupted();

}  // namespace quorrin::cli
