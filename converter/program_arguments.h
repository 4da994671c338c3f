// What the converter's main needs from the system before it reads its command line: the
// words of the command line as UTF-8 (file names in full Unicode on every system) and
// standard streams that pass the serve exchange's bytes as they are.
#pragma once

#include <string>
#include <vector>

namespace quorlin {

// The command line's words, the program's name first, each as UTF-8: argv itself on POSIX,
// the wide command line on Windows (whose argv holds only what the ANSI code page can).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes standard input and output binary (Windows would turn "\n" into "\r\n").
void UseBinaryStandardStreams();

}  // namespace quorlin
