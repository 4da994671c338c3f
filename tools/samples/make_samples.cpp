// Writes the sample messages that ship in the "Samples" folder beside the program (their
// content is in msgwriter/samples.cpp). With --slow it writes instead one message whose
// HTML body of the given size keeps a converter busy for seconds, for the window checks
// that show a run waiting on a slow message (tools/box_screenshots.sh). With --far-directory
// it writes the plain sample laid out with its directory past the given number of
// kilobytes, as a message saved with large attachments may be (the install check's
// message type must still know it).
// Usage: make_samples <folder> | make_samples --slow <file> <megabytes>
//        | make_samples --far-directory <file> <kilobytes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "msgwriter/message_builder.h"
#include "msgwriter/samples.h"

namespace {

// Writes through a temporary name so a broken run never leaves half a sample behind.
bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::path temporary = path;
  temporary += ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  return !error;
}

// A message whose HTML body is `megabytes` of short paragraphs.
std::vector<std::uint8_t> SlowMessage(int megabytes) {
  const std::string paragraph = "<p>A line of a very long message, one of many.</p>\n";
  std::string html = "<html><body>";
  while (html.size() < static_cast<std::size_t>(megabytes) << 20) html += paragraph;
  html += "</body></html>";
  msgwriter::MessageBuilder builder;
  builder.AddUnicode(0x0037, u"A very long message")
      .AddBinary(0x1013, std::vector<std::uint8_t>(html.begin(), html.end()))
      .AddInt32(0x3FDE, 65001);
  return builder.Build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--slow") {
    const int megabytes = std::atoi(argv[3]);
    if (megabytes < 1 || megabytes > 1024 || !WriteFile(argv[2], SlowMessage(megabytes))) {
      std::fprintf(stderr, "make_samples: cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "--far-directory") {
    const int kilobytes = std::atoi(argv[3]);
    msgwriter::CfbOptions layout;
    layout.min_fat_sectors = static_cast<std::uint32_t>(kilobytes) * 2;  // 512-byte sectors before the directory
    std::vector<std::uint8_t> bytes;
    for (const msgwriter::SampleMessage& sample : msgwriter::SampleMessages(layout))
      if (sample.file_name == "Plain message.msg") bytes = sample.bytes;
    if (kilobytes < 1 || kilobytes > 65536 || bytes.empty() || !WriteFile(argv[2], bytes)) {
      std::fprintf(stderr, "make_samples: cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr,
                 "Usage: make_samples <folder> | make_samples --slow <file> <megabytes> | make_samples "
                 "--far-directory <file> <kilobytes>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "make_samples: cannot make %s\n", folder.string().c_str());
    return 1;
  }
  for (const msgwriter::SampleMessage& sample : msgwriter::SampleMessages()) {
    if (!WriteFile(folder / sample.file_name, sample.bytes)) {
      std::fprintf(stderr, "make_samples: cannot write %s\n", (folder / sample.file_name).string().c_str());
      return 1;
    }
  }
  return 0;
}
