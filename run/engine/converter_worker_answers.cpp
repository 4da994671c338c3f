// Reading a converter's answers: the records and notices that come before an answer, the
// answer itself, and the limits that tell a broken converter (the same on every system;
// ReadSome is each system's).
#include "run/engine/converter_worker.h"

#include "converter/serve_protocol.h"

ConverterWorker::Read ConverterWorker::TakeAnswer(Answer& answer) {
  namespace protocol = quorlin::serve_protocol;
  char buffer[4096];
  for (;;) {
    // An answer already complete in what was read before comes first; notice and
    // description records before it are collected for it.
    const std::size_t first = pending_.find('\0');
    const std::size_t second = first == std::string::npos ? first : pending_.find('\0', first + 1);
    if (second != std::string::npos) {
      std::string word = pending_.substr(0, first);
      std::string text = pending_.substr(first + 1, second - first - 1);
      pending_.erase(0, second + 1);
      if (word == protocol::kNoticeWord) {
        // A converter that sends records without end is broken.
        if (next_.notices.size() >= protocol::kMostNotices) return Read::kEnded;
        next_.notices.push_back(std::move(text));
        continue;
      }
      if (protocol::IsDescribeRecord(word)) {
        if (next_.records.size() >= protocol::kMostDescribeRecords) return Read::kEnded;
        next_.records.emplace_back(std::move(word), std::move(text));
        continue;
      }
      answer = std::move(next_);
      next_ = Answer();
      answer.word = std::move(word);
      answer.detail = std::move(text);
      return Read::kAnswer;
    }
    if (pending_.size() > quorlin::serve_protocol::kMostUnreadBytes) return Read::kEnded;
    const long n = ReadSome(buffer, sizeof buffer);
    if (n < 0) return Read::kNothingYet;
    if (n == 0) return Read::kEnded;
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}
