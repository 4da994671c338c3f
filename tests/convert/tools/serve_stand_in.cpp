// A stand-in for the long-lived converter in the run's and the command's tests: answers
// requests like `Quorlin --serve`, but hangs on a message whose name holds "hang" (after
// creating "<message>.started" holding its process id, so that a test knows it is under way
// and can look for the process afterwards) and crashes on one whose name holds "crash".
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "converter/conversion.h"
#include "converter/serve.h"

int main() {
  quorlin::ServeRequest request;
  while (quorlin::ReadServeRequest(stdin, request)) {
    if (request.input.find("hang") != std::string::npos) {
      std::ofstream(request.input + ".started") << ::getpid();
      std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (request.input.find("crash") != std::string::npos) std::abort();
    const quorlin::ConversionResult result = quorlin::ConvertFile(request.input, request.output);
    quorlin::WriteServeResponse(stdout, quorlin::ServeResultWord(result.status), result.message);
  }
  return 0;
}
