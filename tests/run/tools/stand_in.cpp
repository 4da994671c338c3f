// A stand-in for the converter in the runner's tests: waits a while, optionally writes its
// remaining arguments (one a line) into a file, and ends with a chosen status, or "abort"
// to be ended by a signal.
// Usage: stand_in <milliseconds> <exit status | abort> [<file for the arguments> <arguments>...]
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(argv[1])));
  if (argc >= 4) {
    std::ofstream out(argv[3], std::ios::binary);
    for (int i = 4; i < argc; ++i) out << argv[i] << '\n';
  }
  if (std::strcmp(argv[2], "abort") == 0) std::abort();
  return std::atoi(argv[2]);
}
