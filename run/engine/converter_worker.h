// One long-lived converter process ("Quorlin --serve") in its own process group, fed one
// request at a time over a pipe. The process group keeps a terminal's Ctrl-C away from the
// converter, so the main program decides when a conversion is ended. On Windows
// (converter_worker_windows.cpp) the converter has no console, for the same reason, and
// runs in a job object that ends it when this program ends, however it ends.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class ConverterWorker {
 public:
  ConverterWorker() = default;
  ConverterWorker(const ConverterWorker&) = delete;
  ConverterWorker& operator=(const ConverterWorker&) = delete;
  ~ConverterWorker() { Kill(); }

  // Starts the converter, keeping its journal in the file `journal` (in the run's private
  // folder; empty for none: the converter then keeps it to itself). Returns false with the
  // system's reason when it cannot start.
  bool Start(const std::string& program, const std::string& journal, std::string& failure);
  bool Running() const { return pid_ > 0; }
  // The pipe that carries the converter's answers; poll it for input.
  int AnswerDescriptor() const { return fromWorker_; }

  // Sends one request. Returns false when the converter no longer takes requests.
  bool Send(const std::string& options, const std::string& input, const std::string& output);

  enum class Read { kNothingYet, kAnswer, kEnded };
  // One complete answer: the result word and its detail, with the notices and the records
  // describing the conversion (word and text, converter/serve_protocol.h) that came before.
  struct Answer {
    std::string word;
    std::string detail;
    std::vector<std::string> notices;
    std::vector<std::pair<std::string, std::string>> records;
  };
  // Takes what the converter has written so far. kAnswer fills `answer` with one complete
  // answer; kEnded means the converter closed its output or broke the exchange, and it
  // should be ended.
  Read TakeAnswer(Answer& answer);

  // Asks the converter to finish (end of its input) and waits up to `graceMs` for it to
  // exit, then ends it. Safe to call on a worker that is not running.
  void Finish(int graceMs);
  // Ends the converter at once and says how it ended ("ended by signal 11 (Segmentation
  // fault)", "stopped with status 3"), or empty when it was not running.
  std::string Kill();
  // Ends the converter at once and, once it is gone, says whether the last request was
  // still wholly unread in its input pipe: the converter never began it.
  bool KillBeforeItRead();

 private:
  std::string Reap(bool killFirst, int graceMs);
  // Reads what the converter has written, without waiting: the bytes read, 0 at the end of
  // its output (or a failed read), -1 when nothing is there yet.
  long ReadSome(char* buffer, std::size_t size);

  pid_t pid_ = -1;
#ifdef _WIN32
  void* process_ = nullptr;      // the converter's process handle
  void* requestReader_ = nullptr;  // this program's own copy of the request pipe's reading end
#endif
  int toWorker_ = -1;
  int fromWorker_ = -1;
  std::size_t lastRequest_ = 0;  // the bytes of the request sent last
  std::string pending_;
  Answer next_;  // the notices and records of the answer not complete yet
};
