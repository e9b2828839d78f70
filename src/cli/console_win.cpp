#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <atomic>
#include <cstdio>

#include "cli/console.h"

namespace quorrin::cli {
namespace {

std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The first event asks for a clean stop; a second one ends the program.
  if (interrupted.exchange(true)) return FALSE;
  return TRUE;
}

Utf8 FromWide(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return Utf8();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return Utf8(std::move(out));
}

}  // namespace

std::vector<Utf8> CommandLineArguments(int, char**) {
  // The narrow arguments are in the ANSI code page and lose what it cannot
  // hold (a folder name in another script); the wide ones keep everything.
  std::vector<Utf8> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  // Rows end in "\n" on every system, as the tools that read them expect;
  // a console starts a new line for it as well.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

int StandardErrorColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void CatchInterrupts() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool Interrupted() {
  return interrupted.load();
}

}  // namespace quorrin::cli
