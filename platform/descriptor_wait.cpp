// The POSIX side of the descriptor wait: pipe2 and poll.
#include "platform/descriptor_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

bool MakeWakePipe(int (&ends)[2]) {
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) return true;
  ends[0] = ends[1] = -1;
  return false;
}

void WakeWith(int writeEnd, char value) {
  const int saved = errno;
  if (writeEnd >= 0) static_cast<void>(::write(writeEnd, &value, 1));
  errno = saved;
}

void CloseWakePipe(int (&ends)[2]) {
  for (int& fd : ends) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

int WaitForInput(const std::vector<int>& descriptors, std::vector<bool>& ready, int timeoutMs) {
  std::vector<pollfd> watched;
  watched.reserve(descriptors.size());
  for (const int fd : descriptors) watched.push_back({fd, POLLIN, 0});
  const int count = ::poll(watched.data(), watched.size(), timeoutMs);
  ready.assign(descriptors.size(), false);
  if (count <= 0) return count < 0 && errno != EINTR ? -1 : 0;
  for (std::size_t i = 0; i < watched.size(); ++i) ready[i] = watched[i].fd >= 0 && watched[i].revents != 0;
  return count;
}
