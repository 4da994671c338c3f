// libFuzzer target over the converter's long-lived mode: raw bytes are its standard input,
// read in place through a memory stream, and every request it can make out of them is
// answered as `Quorlin --serve` answers it (options, fields, notices, responses). Paths
// from the input never reach the disk as they are: each request converts one of a few files
// in a private folder (a good message, one whose code page is unknown, a damaged one, none)
// into one document there, so the fuzzer can neither read nor write anything else.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter/serve.h"
#include "msgwriter/message_builder.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// The private folder with its inputs, made once per process.
const fs::path& Sandbox() {
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "serve-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    const fs::path made(pattern);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(Sandbox(), ignored);
    });
    msgwriter::MessageBuilder good;
    good.AddRtfBody("{\\rtf1\\ansi Hello}");
    WriteFile(made / "in0", good.Build());
    msgwriter::MessageBuilder unknown;
    unknown.AddString8(0x1000, "caf\xe9").AddInt32(0x3FFD, 9999);
    WriteFile(made / "in1", unknown.Build());
    std::vector<std::uint8_t> damaged = good.Build();
    damaged.resize(damaged.size() / 2);
    WriteFile(made / "in2", damaged);
    return made;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& sandbox = Sandbox();
  std::FILE* in = ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (in == nullptr) return 0;  // fmemopen refuses an empty buffer on some systems
  std::FILE* out = std::fopen("/dev/null", "wb");
  quorlin::Serve(in, out, [&](const std::string& input, const std::string& output,
                              const quorlin::ConversionOptions& options) {
    const fs::path source = sandbox / ("in" + std::to_string(input.size() % 4));
    const fs::path document = sandbox / (output.size() % 2 ? "out.doc" : "nested/out.doc");
    return quorlin::ConvertFile(source, document, options);
  }, [&](const std::string& input, const std::string& pattern, std::string& stem) {
    return quorlin::NameFile(sandbox / ("in" + std::to_string(input.size() % 4)), pattern, stem);
  });
  std::fclose(in);
  std::fclose(out);
  return 0;
}
