// Starting, feeding and ending one long-lived converter process over a pair of pipes.
#include "run/engine/converter_worker.h"

#include "converter/serve_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Describe(int status) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    return "the converter was ended by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
  }
  if (WIFEXITED(status)) return "the converter stopped with status " + std::to_string(WEXITSTATUS(status));
  return "the converter stopped";
}

}  // namespace

bool ConverterWorker::Start(const std::string& program, const std::string& journal, std::string& failure) {
  Kill();
  int request[2];
  int answer[2];
  if (::pipe2(request, O_CLOEXEC) != 0) {
    failure = std::strerror(errno);
    return false;
  }
  if (::pipe2(answer, O_CLOEXEC) != 0) {
    failure = std::strerror(errno);
    ::close(request[0]);
    ::close(request[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, request[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, answer[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  namespace protocol = quorlin::serve_protocol;
  std::string path = program;
  std::string serve(protocol::kServeFlag);
  std::string journalFlag(protocol::kJournalFlag);
  std::string journalPath = journal;
  std::vector<char*> arguments{path.data(), serve.data()};
  if (!journal.empty()) {
    arguments.push_back(journalFlag.data());
    arguments.push_back(journalPath.data());
  }
  arguments.push_back(nullptr);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(request[0]);
  ::close(answer[1]);
  if (error != 0) {
    failure = std::strerror(error);
    ::close(request[1]);
    ::close(answer[0]);
    return false;
  }
  pid_ = pid;
  toWorker_ = request[1];
  fromWorker_ = answer[0];
  pending_.clear();
  next_ = Answer();
  return true;
}

bool ConverterWorker::Send(const std::string& options, const std::string& input, const std::string& output) {
  if (toWorker_ < 0) return false;
  std::string request;
  request.reserve(options.size() + input.size() + output.size() + 3);
  for (const std::string* field : {&options, &input, &output}) {
    request += *field;
    request.push_back('\0');
  }
  lastRequest_ = request.size();
  return WriteAll(toWorker_, request);
}

long ConverterWorker::ReadSome(char* buffer, std::size_t size) {
  pollfd ready{fromWorker_, POLLIN, 0};
  if (fromWorker_ < 0 || ::poll(&ready, 1, 0) <= 0) return -1;
  const ssize_t n = ::read(fromWorker_, buffer, size);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return -1;
  return n < 0 ? 0 : static_cast<long>(n);
}

void ConverterWorker::Finish(int graceMs) {
  CloseDescriptor(toWorker_);
  Reap(false, graceMs);
}

std::string ConverterWorker::Kill() { return Reap(true, 0); }

bool ConverterWorker::KillBeforeItRead() {
  bool unread = false;
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    // Only this program holds the pipe now: what is in it stays as the converter left it.
    int left = 0;
    unread = toWorker_ >= 0 && lastRequest_ > 0 && ::ioctl(toWorker_, FIONREAD, &left) == 0 &&
             static_cast<std::size_t>(left) == lastRequest_;
  }
  Reap(true, 0);
  return unread;
}

std::string ConverterWorker::Reap(bool killFirst, int graceMs) {
  CloseDescriptor(toWorker_);
  CloseDescriptor(fromWorker_);
  pending_.clear();
  next_ = Answer();
  if (pid_ <= 0) return {};
  int status = 0;
  // A converter that has just closed its output has usually exited too: a short look
  // before ending it keeps its own reason (a crash's signal) rather than ours.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(killFirst ? 20 : graceMs);
  pid_t done = 0;
  while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (done == 0) {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return {};
  }
  pid_ = -1;
  return done > 0 ? Describe(status) : std::string();
}
