// The Windows side of the descriptor wait: pipes of the C runtime (_pipe, inheritable by no
// child) looked into with PeekNamedPipe, which also tells a pipe whose writer is gone.
#include "platform/descriptor_wait.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <chrono>

namespace {

bool HasInput(int fd) {
  const HANDLE pipe = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (pipe == INVALID_HANDLE_VALUE) return false;
  DWORD available = 0;
  // A failed look is a pipe whose writer is gone: reading it says so.
  if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return true;
  return available > 0;
}

}  // namespace

bool MakeWakePipe(int (&ends)[2]) {
  // _O_NOINHERIT: no converter started later holds either end.
  if (::_pipe(ends, 256, _O_BINARY | _O_NOINHERIT) == 0) {
    // The write end never blocks: a full pipe has woken its reader already.
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    ::SetNamedPipeHandleState(reinterpret_cast<HANDLE>(::_get_osfhandle(ends[1])), &mode, nullptr, nullptr);
    return true;
  }
  ends[0] = ends[1] = -1;
  return false;
}

void WakeWith(int writeEnd, char value) {
  if (writeEnd < 0) return;
  DWORD written = 0;
  ::WriteFile(reinterpret_cast<HANDLE>(::_get_osfhandle(writeEnd)), &value, 1, &written, nullptr);
}

void CloseWakePipe(int (&ends)[2]) {
  for (int& fd : ends) {
    if (fd >= 0) ::_close(fd);
    fd = -1;
  }
}

int WaitForInput(const std::vector<int>& descriptors, std::vector<bool>& ready, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  DWORD pause = 1;
  for (;;) {
    ready.assign(descriptors.size(), false);
    int count = 0;
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
      if (descriptors[i] >= 0 && HasInput(descriptors[i])) {
        ready[i] = true;
        ++count;
      }
    }
    if (count > 0) return count;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    ::Sleep(static_cast<DWORD>(std::min<long long>(left, pause)));
    pause = std::min<DWORD>(pause * 2, 10);
  }
}
