#include <windows.h>

#include "support/child_process.h"

namespace quorrin::test {
namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

// The build names its programs by their POSIX path when it runs under Wine,
// whose drive Z: is the root.
std::wstring ProgramPath(const std::string& program) {
  std::wstring path = Wide(program);
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

// One argument as CommandLineToArgvW and the C runtime read it back:
// quoted when it holds a blank or a quote or is empty, a quote escaped, and
// the backslashes before a quote (or before the closing one) doubled.
void AppendArgument(std::wstring& line, const std::wstring& arg) {
  if (!line.empty()) line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// Reads `pipe` until the child's end is closed, and closes it.
std::thread Drain(HANDLE pipe, std::string& into) {
  return std::thread([pipe, &into] {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) into.append(buffer, n);
    CloseHandle(pipe);
  });
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           ChildOptions) {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inherited, 0)) return;
  if (!CreatePipe(&errRead, &errWrite, &inherited, 0)) {
    CloseHandle(outRead);
    CloseHandle(outWrite);
    return;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  const HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherited, OPEN_EXISTING, 0, nullptr);

  const std::wstring path = ProgramPath(program);
  std::wstring line;
  AppendArgument(line, path);
  for (const auto& a : args) AppendArgument(line, Wide(a));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION info = {};
  // A process group of its own, so that Ctrl+Break reaches the child alone.
  if (CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE,
                     CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
  }
  // Only the child keeps the write ends, so the readers see the end when it exits.
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  outReader_ = Drain(outRead, out_);
  errReader_ = Drain(errRead, err_);
}

ChildProcess::~ChildProcess() {
  Wait(std::chrono::milliseconds(0));
}

void ChildProcess::Finish() {
  if (outReader_.joinable()) outReader_.join();
  if (errReader_.joinable()) errReader_.join();
}

void ChildProcess::Interrupt() {
  if (process_) GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id_);
}

void ChildProcess::Terminate() {
  Interrupt();
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (!process_) {
    Finish();
    return status_;
  }
  const auto ms = timeout.count() < 0 ? 0 : timeout.count();
  const DWORD limit = ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
  DWORD code = 0;
  if (WaitForSingleObject(process_, limit) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process_, &code)) {
    status_ = static_cast<int>(code);
  } else {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
    status_ = -1;
  }
  CloseHandle(process_);
  process_ = nullptr;
  Finish();
  return status_;
}

}  // namespace quorrin::test
