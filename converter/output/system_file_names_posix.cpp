// POSIX takes every name but "/" and NUL, which file_names.cpp already keeps out.
#include "converter/output/system_file_names.h"

namespace quorlin {

std::string SystemSafeName(std::string name) { return name; }

}  // namespace quorlin
