// libFuzzer target over the path users run: raw bytes are opened as a compound file, loaded
// as a message, and turned into the output document by the same streaming steps as a
// conversion to a file (ConvertMessage only writes into memory instead). Converter errors
// are the expected outcome for damaged input; anything else is a finding. The same bytes
// are then converted as a file with the attachments saved, into a private temporary folder
// that is emptied after each input and removed at the end; anything written outside the document and its
// attachments folder is a finding too.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>

#include "converter/conversion.h"
#include "converter/base/errors.h"
#include "converter/msg/message.h"
#include "converter/document/picture_attachments.h"

namespace {

namespace fs = std::filesystem;

// The private folder, removed when the fuzzer ends (it ends through exit).
class ScratchFolder {
 public:
  ScratchFolder() : path_(fs::temp_directory_path() / ("quorlin-fuzz-" + std::to_string(getpid()))) {
    fs::create_directories(path_ / "out");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& Scratch() {
  static const ScratchFolder folder;
  return folder.path();
}

void ConvertWithAttachments(const std::uint8_t* data, std::size_t size) {
  const fs::path input = Scratch() / "in.msg";
  std::ofstream(input, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  quorlin::ConversionOptions options;
  options.header_block = true;
  options.pictures = true;
  options.attachments = true;
  const fs::path out = Scratch() / "out";
  quorlin::ConvertFile(input, out / "doc.doc", options);
  for (const auto& entry : fs::directory_iterator(out)) {
    const std::string name = entry.path().filename().string();
    if (name != "doc.doc" && name != "doc attachments") std::abort();
  }
  for (const auto& entry : fs::directory_iterator(Scratch()))
    if (entry.path().filename() != "in.msg" && entry.path().filename() != "out") std::abort();
  fs::remove_all(out);
  fs::create_directory(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  // Plain, with the header block (which reads more of the message and walks the
  // document's RTF to find where the block goes), and with pictures (which read the
  // attachments and every picture the body places).
  for (const quorlin::ConversionOptions options : {quorlin::ConversionOptions{false, false},
                                                   quorlin::ConversionOptions{true, false},
                                                   quorlin::ConversionOptions{false, true}}) {
    try {
      quorlin::ConvertMessage(bytes, options);
    } catch (const quorlin::ConvertError&) {
    }
  }
  try {
    quorlin::PicturesTheBodyShows(*quorlin::Message::Open(bytes));
  } catch (const quorlin::ConvertError&) {
  }
  ConvertWithAttachments(data, size);
  return 0;
}
