// What the system refuses in a file name, made acceptable, for the names the converter
// makes from texts a sender chose (file_names.h applies it last).
#pragma once

#include <string>

namespace quorlin {

// POSIX: `name` as it is. Windows: the characters < > : " | ? * become "_", and a name
// Windows would take for a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, whatever
// extension or spaces follow) gets "_" after that word ("nul.txt" -> "nul_.txt").
std::string SystemSafeName(std::string name);

}  // namespace quorlin
