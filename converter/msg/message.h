// A saved message: its storage plus the recipients, attachments and embedded messages
// loaded when it is opened, and its compressed rich-text body.
// The file layout it reads, field by field: docs/msg-file.md.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "converter/msg/outlook_storage.h"

namespace quorlin {

class Message : public OutlookStorage {
 public:
  // How deep embedded messages may nest before the file is refused as damaged.
  static constexpr int kMaxNesting = 32;

  // Opens the top-level message of a .msg file. `bytes` must outlive the message. Throws
  // FormatError when the bytes are not a compound file or hold no message (no top-level
  // "__properties_version1.0" stream), and any error that loading raises.
  static std::unique_ptr<Message> Open(std::span<const std::uint8_t> bytes);

  // Loads the message in `storage`: `prop_header_size` is 32 at the top level and 24 for
  // an embedded message; `depth` counts the messages around it.
  Message(Storage storage, std::uint32_t prop_header_size, const Message* parent, int depth);

  Message(const Message&) = delete;
  Message& operator=(const Message&) = delete;

  const std::vector<Recipient>& recipients() const { return recipients_; }
  const std::vector<Attachment>& attachments() const { return attachments_; }
  const std::vector<std::unique_ptr<Message>>& messages() const { return messages_; }

  // The compressed-RTF body ("1009") as it lies in the file (a view of the input where it
  // lies there in one piece, else a copy), checked when it is decoded. Nothing when the
  // property is absent or empty, its entry is not a stream, or it states no text at all;
  // throws DecodeError for a body stating size 0 whose data goes on, or one too short for
  // a header.
  std::optional<StreamBytes> CompressedBodyRTF() const;

 private:
  void LoadAttachment(Storage storage, int depth);

  std::vector<Recipient> recipients_;
  std::vector<Attachment> attachments_;
  std::vector<std::unique_ptr<Message>> messages_;
};

}  // namespace quorlin
