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

}  // namespace

void ChildProcess::Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                         std::uint64_t memoryLimit, bool pipes) {
  KillGroup();
  if (arguments.empty()) throw std::runtime_error("no program to start");
  std::vector<std::string> variables = environment;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string text = *entry;
    bool replaced = false;
    for (const std::string& own : environment) replaced = replaced || NameOf(own) == NameOf(text);
    if (!replaced) variables.push_back(text);
  }
  std::vector<char*> argv;
  std::vector<char*> envp;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  for (const std::string& variable : variables) envp.push_back(const_cast<char*>(variable.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  int request[2] = {-1, -1};
  int answer[2] = {-1, -1};
  if (pipes && (::pipe2(request, O_CLOEXEC) != 0 || ::pipe2(answer, O_CLOEXEC) != 0)) {
    const int error = errno;
    for (int fd : {request[0], request[1], answer[0], answer[1]}) {
      if (fd >= 0) ::close(fd);
    }
    throw std::runtime_error(std::strerror(error));
  }
  // The child reports a failed exec through this pipe, closed by a successful one.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    const int error = errno;
    for (int fd : {request[0], request[1], answer[0], answer[1]}) {
      if (fd >= 0) ::close(fd);
    }
    throw std::runtime_error(std::strerror(error));
  }
  const rlimit cap{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    if (memoryLimit > 0) ::setrlimit(RLIMIT_AS, &cap);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) ::sigaction(signal, &standard, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(pipes ? request[0] : null, STDIN_FILENO);
    ::dup2(pipes ? answer[1] : null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execve(argv[0], argv.data(), envp.data());
    const int error = errno;
    [[maybe_unused]] ssize_t written = ::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  if (pipes) {
    ::close(request[0]);
    ::close(answer[1]);
  }
  if (pid < 0) {
    const int error = errno;
    ::close(report[0]);
    if (pipes) {
      ::close(request[1]);
      ::close(answer[0]);
    }
    throw std::runtime_error(std::strerror(error));
  }
  // Set from this side too, so the group exists before anyone signals it.
  ::setpgid(pid, pid);
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  pid_ = pid;
  if (pipes) {
    input_ = request[1];
    output_ = answer[0];
  }
  if (got > 0) {
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
