// Windows: the command line as UTF-16, split by the shell's own rules and made UTF-8; the
// standard streams switched to binary mode.
#include "converter/program_arguments.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

namespace quorlin {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
    std::string word(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, words[i], -1, word.data(), size, nullptr, nullptr);
    word.resize(word.size() - 1);  // the NUL
    arguments.push_back(std::move(word));
  }
  ::LocalFree(words);
  return arguments;
}

void UseBinaryStandardStreams() {
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

}  // namespace quorlin
