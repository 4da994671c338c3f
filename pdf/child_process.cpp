// fork and exec with the process group, the address-space cap and the standard streams
// set up in between; everything the child needs is prepared before the fork, so the child
// calls only what is safe there.
#include "pdf/child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace lorvane_pdf {
namespace {

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// True while a process of the group is alive (not a zombie), from /proc.
bool GroupRuns(pid_t group) {
  if (::kill(-group, 0) != 0) return false;
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  bool runs = false;
  while (dirent* entry = ::readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) continue;
    char line[512];
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    // "pid (name) state ppid pgrp ...": the name may hold spaces, so read after its ')'.
    const char* close = read ? std::strrchr(line, ')') : nullptr;
    char state = 0;
    int parent = 0;
    int member = 0;
    if (close && std::sscanf(close + 1, " %c %d %d", &state, &parent, &member) == 3 && member == group &&
        state != 'Z' && state != 'X') {
      runs = true;
      break;
    }
  }
  ::closedir(proc);
  return runs;
}

// This program's environment with `own` ("NAME=value") replacing or adding to it.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& own) {
  std::vector<std::string> variables = own;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string text = *entry;
    bool replaced = false;
    for (const std::string& mine : own) replaced = replaced || NameOf(mine) == NameOf(text);
    if (!replaced) variables.push_back(text);
  }
  return variables;
}

// Pointers to `texts`, ended by a null pointer, as execve takes them.
std::vector<char*> PointerArray(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// The pipes of one start: standard input and output (with `pipes`), and the one through
// which the child reports a failed exec (closed by a successful one).
struct StartPipes {
  int request[2] = {-1, -1};
  int answer[2] = {-1, -1};
  int report[2] = {-1, -1};

  // Throws std::runtime_error with the system's reason, every pipe closed, when one cannot
  // be made.
  void Open(bool pipes) {
    if ((!pipes || (::pipe2(request, O_CLOEXEC) == 0 && ::pipe2(answer, O_CLOEXEC) == 0)) &&
        ::pipe2(report, O_CLOEXEC) == 0) {
      return;
    }
    const int error = errno;
    for (int fd : {request[0], request[1], answer[0], answer[1]}) {
      if (fd >= 0) ::close(fd);
    }
    throw std::runtime_error(std::strerror(error));
  }

  // After the fork, in this program: the ends that are the child's.
  void CloseChildEnds(bool pipes) const {
    ::close(report[1]);
    if (pipes) {
      ::close(request[0]);
      ::close(answer[1]);
    }
  }

  // When there is no child: the ends that were this program's.
  void CloseOwnEnds(bool pipes) const {
    ::close(report[0]);
    if (pipes) {
      ::close(request[1]);
      ::close(answer[0]);
    }
  }
};

// The child's side of the fork, up to the exec: its own process group, the address-space
// cap (`cap`: none when null), the default signal handling and the standard streams. Only
// async-signal-safe calls, nothing that allocates: everything was prepared before the fork.
[[noreturn]] void RunChild(const StartPipes& fds, bool pipes, const rlimit* cap, char* const* argv,
                           char* const* envp) {
  ::setpgid(0, 0);
  if (cap) ::setrlimit(RLIMIT_AS, cap);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) ::sigaction(signal, &standard, nullptr);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(pipes ? fds.request[0] : null, STDIN_FILENO);
  ::dup2(pipes ? fds.answer[1] : null, STDOUT_FILENO);
  ::dup2(null, STDERR_FILENO);
  ::execve(argv[0], argv, envp);
  const int error = errno;
  [[maybe_unused]] ssize_t written = ::write(fds.report[1], &error, sizeof error);
  ::_exit(127);
}

// Waits for the child's exec: true with its errno in `error` when the exec failed. Closes
// `report`.
bool ExecFailed(int report, int& error) {
  error = 0;
  ssize_t got;
  while ((got = ::read(report, &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report);
  return got > 0;
}

}  // namespace

void ChildProcess::Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                         std::uint64_t memoryLimit, bool pipes) {
  KillGroup();
  if (arguments.empty()) throw std::runtime_error("no program to start");
  const std::vector<std::string> variables = MergedEnvironment(environment);
  const std::vector<char*> argv = PointerArray(arguments);
  const std::vector<char*> envp = PointerArray(variables);
  StartPipes fds;
  fds.Open(pipes);
  const rlimit cap{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
  const pid_t pid = ::fork();
  if (pid == 0) RunChild(fds, pipes, memoryLimit > 0 ? &cap : nullptr, argv.data(), envp.data());
  const int forkError = errno;
  fds.CloseChildEnds(pipes);
  if (pid < 0) {
    fds.CloseOwnEnds(pipes);
    throw std::runtime_error(std::strerror(forkError));
  }
  // Set from this side too, so the group exists before anyone signals it.
  ::setpgid(pid, pid);
  int error = 0;
  const bool failed = ExecFailed(fds.report[0], error);
  pid_ = pid;
  if (pipes) {
    input_ = fds.request[1];
    output_ = fds.answer[0];
  }
  if (failed) {
    KillGroup();
    throw std::runtime_error(std::strerror(error));
  }
}

void ChildProcess::CloseInput() { CloseDescriptor(input_); }

int ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_ || (done < 0 && errno != EINTR)) {
      const bool ended = done == pid_;
      ::kill(-pid_, SIGKILL);  // whatever it left running in its group
      pid_ = -1;
      CloseDescriptor(input_);
      CloseDescriptor(output_);
      return ended ? status : -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void ChildProcess::SignalGroup() const {
  if (pid_ > 0) ::kill(-pid_, SIGKILL);
}

std::string ChildProcess::KillGroup() {
  CloseDescriptor(input_);
  CloseDescriptor(output_);
  if (pid_ <= 0) return {};
  const pid_t group = pid_;
  int status = 0;
  std::string how;
  // A program whose output has just ended has usually exited too: a short look before
  // ending it keeps its own reason (a crash's signal) rather than ours.
  const auto look = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
  pid_t done = 0;
  while ((done = ::waitpid(group, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < look) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (done == group) {
    how = Describe(status);
  } else {
    ::kill(-group, SIGKILL);
    while (::waitpid(group, &status, 0) < 0 && errno == EINTR) {
    }
  }
  ::kill(-group, SIGKILL);
  pid_ = -1;
  // The office process is the launcher's child: once its parent is gone it belongs to the
  // system's reaper. Wait until none of the group runs, so nothing writes into the folders
  // about to be removed; zombies do not count, as not every system reaps them at once.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (GroupRuns(group) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return how;
}

std::string ChildProcess::Describe(int status) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    return "ended by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
  }
  if (WIFEXITED(status)) return "stopped with status " + std::to_string(WEXITSTATUS(status));
  return "stopped";
}

}  // namespace lorvane_pdf
