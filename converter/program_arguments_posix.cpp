// POSIX: the arguments are already bytes, and the streams never translate line ends.
#include "converter/program_arguments.h"

namespace quorlin {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

void UseBinaryStandardStreams() {}

}  // namespace quorlin
