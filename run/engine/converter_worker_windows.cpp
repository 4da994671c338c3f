// Starting, feeding and ending one long-lived converter process on Windows: CreateProcessW
// with two anonymous pipes, no console (so a console's Ctrl-C reaches only this program,
// which decides when a conversion ends) and a job object shared by every converter this
// program starts, which ends them all when the program ends, however it ends: the job's
// last handle closes with the process.
#include "run/engine/converter_worker.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "converter/serve_protocol.h"

namespace {

HANDLE AsHandle(void* handle) { return static_cast<HANDLE>(handle); }

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// One word of a command line as CommandLineToArgvW reads it back: quoted, with the
// backslashes before a quote (and before the closing quote) doubled.
void AppendWord(std::wstring& line, const std::wstring& word) {
  if (!line.empty()) line += L' ';
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, L'\\');
  line += L'"';
}

std::string SystemWords(DWORD error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  std::string words = length ? std::string(text, length) : "error " + std::to_string(error);
  if (text) ::LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
    words.pop_back();
  return words;
}

// The job every converter runs in; made once, closed only by the process's end.
HANDLE ConverterJob() {
  static const HANDLE job = [] {
    HANDLE made = ::CreateJobObjectW(nullptr, nullptr);
    if (made) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      ::SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    return made;
  }();
  return job;
}

// How a converter ended, from its exit code: an exception's status is named as a crash.
std::string Describe(DWORD code) {
  if (code >= 0xC0000000u) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
    const char* name = code == 0xC0000005u   ? " (access violation)"
                       : code == 0xC00000FDu ? " (stack overflow)"
                       : code == 0xC0000409u ? " (stack buffer overrun)"
                       : code == 0xC000013Au ? " (Ctrl-C)"
                       : code == 0xC0000017u ? " (out of memory)"
                                             : "";
    return std::string("the converter was ended by exception ") + hex + name;
  }
  return "the converter stopped with status " + std::to_string(code);
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::_close(fd);
  fd = -1;
}

}  // namespace

bool ConverterWorker::Start(const std::string& program, const std::string& journal, std::string& failure) {
  Kill();
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE requestRead = nullptr, requestWrite = nullptr, answerRead = nullptr, answerWrite = nullptr;
  if (!::CreatePipe(&requestRead, &requestWrite, &inherited, 1 << 16)) {
    failure = SystemWords(::GetLastError());
    return false;
  }
  if (!::CreatePipe(&answerRead, &answerWrite, &inherited, 1 << 16)) {
    failure = SystemWords(::GetLastError());
    ::CloseHandle(requestRead);
    ::CloseHandle(requestWrite);
    return false;
  }
  // The child inherits only its own ends.
  ::SetHandleInformation(requestWrite, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(answerRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE nothing = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                                 0, nullptr);

  namespace protocol = quorlin::serve_protocol;
  std::wstring line;
  AppendWord(line, Wide(program));
  AppendWord(line, Wide(std::string(protocol::kServeFlag)));
  if (!journal.empty()) {
    AppendWord(line, Wide(std::string(protocol::kJournalFlag)));
    AppendWord(line, Wide(journal));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = requestRead;
  startup.hStdOutput = answerWrite;
  startup.hStdError = nothing;
  PROCESS_INFORMATION process{};
  const std::wstring path = Wide(program);
  // Suspended until it is in the job, so that nothing it might start escapes it.
  const BOOL started = ::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, nullptr,
                                        nullptr, &startup, &process);
  const DWORD error = started ? 0 : ::GetLastError();
  ::CloseHandle(answerWrite);
  if (nothing != INVALID_HANDLE_VALUE) ::CloseHandle(nothing);
  if (!started) {
    failure = SystemWords(error);
    ::CloseHandle(requestRead);
    ::CloseHandle(requestWrite);
    ::CloseHandle(answerRead);
    return false;
  }
  const HANDLE job = ConverterJob();
  if (!job || !::AssignProcessToJobObject(job, process.hProcess)) {
    failure = "the converter could not be put in its job: " + SystemWords(::GetLastError());
    ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(requestRead);
    ::CloseHandle(requestWrite);
    ::CloseHandle(answerRead);
    return false;
  }
  ::ResumeThread(process.hThread);
  ::CloseHandle(process.hThread);
  // This program's copy of the request's reading end stays, not inherited by later
  // converters, to tell after a kill whether the last request was read.
  ::SetHandleInformation(requestRead, HANDLE_FLAG_INHERIT, 0);
  requestReader_ = requestRead;
  process_ = process.hProcess;
  pid_ = static_cast<pid_t>(process.dwProcessId);
  toWorker_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(requestWrite), _O_WRONLY | _O_BINARY);
  fromWorker_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(answerRead), _O_RDONLY | _O_BINARY);
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
  const HANDLE pipe = reinterpret_cast<HANDLE>(::_get_osfhandle(toWorker_));
  std::size_t done = 0;
  while (done < request.size()) {
    DWORD written = 0;
    if (!::WriteFile(pipe, request.data() + done, static_cast<DWORD>(request.size() - done), &written, nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}

long ConverterWorker::ReadSome(char* buffer, std::size_t size) {
  if (fromWorker_ < 0) return -1;
  const HANDLE pipe = reinterpret_cast<HANDLE>(::_get_osfhandle(fromWorker_));
  DWORD available = 0;
  if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return 0;  // its writer is gone
  if (available == 0) return -1;
  DWORD got = 0;
  if (!::ReadFile(pipe, buffer, static_cast<DWORD>(std::min<std::size_t>(size, available)), &got, nullptr)) return 0;
  return static_cast<long>(got);
}

void ConverterWorker::Finish(int graceMs) {
  CloseDescriptor(toWorker_);
  Reap(false, graceMs);
}

std::string ConverterWorker::Kill() { return Reap(true, 0); }

bool ConverterWorker::KillBeforeItRead() {
  bool unread = false;
  if (process_) {
    ::TerminateProcess(AsHandle(process_), 1);
    ::WaitForSingleObject(AsHandle(process_), INFINITE);
    // Only this program holds the pipe now: what is in it stays as the converter left it.
    DWORD left = 0;
    unread = requestReader_ && lastRequest_ > 0 &&
             ::PeekNamedPipe(AsHandle(requestReader_), nullptr, 0, nullptr, &left, nullptr) &&
             static_cast<std::size_t>(left) == lastRequest_;
  }
  Reap(true, 0);
  return unread;
}

std::string ConverterWorker::Reap(bool killFirst, int graceMs) {
  CloseDescriptor(toWorker_);
  CloseDescriptor(fromWorker_);
  if (requestReader_) ::CloseHandle(AsHandle(requestReader_));
  requestReader_ = nullptr;
  pending_.clear();
  next_ = Answer();
  if (!process_) return {};
  const HANDLE process = AsHandle(process_);
  process_ = nullptr;
  pid_ = -1;
  // A converter that has just closed its output has usually exited too: a short look
  // before ending it keeps its own reason (a crash's exception) rather than ours.
  std::string how;
  if (::WaitForSingleObject(process, static_cast<DWORD>(killFirst ? 20 : graceMs)) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (::GetExitCodeProcess(process, &code)) how = Describe(code);
  } else {
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, INFINITE);
  }
  ::CloseHandle(process);
  return how;
}
