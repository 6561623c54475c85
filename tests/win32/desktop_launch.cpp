// Starts a program, waits for it and writes its exit code to a file:
//
//   deskball_desktop_launch RESULT-FILE PROGRAM [ARGS...]
//
// A wine virtual desktop (explorer /desktop=...) runs the program it is given
// but does not hand that program's exit code on; run-in-wine-desktop.sh puts
// this launcher in between and reads the file. The program inherits the
// standard handles, so its output reaches the terminal as usual.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One argument as CreateProcess's parser reads it back: quoted when it holds
// blanks or quotes, with the backslashes before a quote doubled.
std::string quoted(const std::string& a) {
  if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : a) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, '\\');
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: deskball_desktop_launch RESULT-FILE PROGRAM [ARGS...]\n");
    return 2;
  }
  std::string cmd;
  for (int i = 2; i < argc; ++i) cmd += (i > 2 ? " " : "") + quoted(argv[i]);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  DWORD code = 127;
  if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  } else {
    std::fprintf(stderr, "deskball_desktop_launch: cannot start %s (error %lu)\n", cmd.c_str(), GetLastError());
  }
  if (FILE* f = std::fopen(argv[1], "w")) {
    std::fprintf(f, "%lu\n", code);
    std::fclose(f);
  }
  return static_cast<int>(code);
}
