// Reading the "ok" answer's reason: the numbers must be whole decimal numbers, and the
// document's path is the field's bytes after "document " as they are, in the file
// system's encoding.
#include "run/engine/converter_answer.h"

#include "converter/serve_protocol.h"

#include <QFile>

namespace {

// A decimal number of at most nine digits at the start of `text`; its length in `used`.
std::optional<int> Number(QByteArrayView text, qsizetype& used) {
  used = 0;
  int value = 0;
  while (used < text.size() && used < 9 && text[used] >= '0' && text[used] <= '9')
    value = value * 10 + (text[used++] - '0');
  if (used == 0 || (used < text.size() && text[used] >= '0' && text[used] <= '9')) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ConverterOkAnswer> ReadConverterOkAnswer(const QByteArray& reason) {
  ConverterOkAnswer answer;
  QByteArrayView rest(reason);
  namespace protocol = quorlin::serve_protocol;
  static constexpr QByteArrayView kAttachments(protocol::kAttachmentsItem.data(),
                                               static_cast<qsizetype>(protocol::kAttachmentsItem.size()));
  static constexpr QByteArrayView kMessages(protocol::kMessagesItem.data(),
                                            static_cast<qsizetype>(protocol::kMessagesItem.size()));
  static constexpr QByteArrayView kDocument(protocol::kDocumentItem.data(),
                                            static_cast<qsizetype>(protocol::kDocumentItem.size()));
  if (rest.startsWith(kAttachments)) {
    qsizetype used = 0;
    const std::optional<int> files = Number(rest.sliced(kAttachments.size()), used);
    if (!files) return std::nullopt;
    rest = rest.sliced(kAttachments.size() + used);
    if (!rest.startsWith(kMessages)) return std::nullopt;
    const std::optional<int> messages = Number(rest.sliced(kMessages.size()), used);
    if (!messages) return std::nullopt;
    rest = rest.sliced(kMessages.size() + used);
    answer.attachments = *files;
    answer.messages = *messages;
    if (rest.isEmpty()) return answer;
    if (!rest.startsWith(' ')) return std::nullopt;
    rest = rest.sliced(1);
  }
  if (rest.isEmpty() && answer.attachments < 0) return answer;
  if (!rest.startsWith(kDocument) || rest.size() == kDocument.size()) return std::nullopt;
  answer.documentPath = QFile::decodeName(rest.sliced(kDocument.size()).toByteArray());
  return answer;
}
