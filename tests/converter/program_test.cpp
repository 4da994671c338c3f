// The real Quorlin program: its usage line, exit statuses, one-line reasons on standard
// error, and the output rules seen from outside (nothing written on failure, an existing
// output kept, the input never overwritten, paths with spaces).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter/options/conversion_options.h"
#include "converter/options/paper_size.h"
#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"
#include "support/temp_tree.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class ProgramTest : public ::testing::Test {
 protected:
  struct Outcome {
    int status;
    std::string out, err;
  };


  // Runs Quorlin in the test's folder when `here` is set.
  Outcome Run(const std::vector<std::string>& args, bool here = false) {
    std::string command = (here ? "cd " + Quote(dir_.string()) + " && " : std::string()) + Quote(QUORLIN_EXE);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote((dir_ / "stdout.txt").string()) + " 2>" + Quote((dir_ / "stderr.txt").string());
    int raw = std::system(command.c_str());
    Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read(dir_ / "stdout.txt"), Read(dir_ / "stderr.txt")};
    fs::remove(dir_ / "stdout.txt");
    fs::remove(dir_ / "stderr.txt");
    return outcome;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static std::vector<std::uint8_t> Message(const std::string& rtf) {
    msgwriter::MessageBuilder builder;
    builder.AddRtfBody(rtf);
    return builder.Build();
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(dir_), {}));
  }

  TempTree tree_;
  const fs::path dir_ = tree_.Path("quorlin program");  // a space in every path

  void SetUp() override { tree_.Folder("quorlin program"); }
};

TEST_F(ProgramTest, TooFewArgumentsPrintTheUsageLineAndConvertNothing) {
  const std::string usage = "Usage: Quorlin.exe <msg_file> <output_file>\n";
  Outcome none = Run({});
  EXPECT_EQ(none.out, usage);
  EXPECT_NE(none.status, 0) << "nothing was converted";
  fs::path input = Write("in.msg", Message("{\\rtf1 x}"));
  Outcome one = Run({input.string()});
  EXPECT_EQ(one.out, usage);
  EXPECT_EQ(one.err, "");
  EXPECT_NE(one.status, 0);
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ProgramTest, ConvertsPathsWithSpacesAndIgnoresFurtherArguments) {
  fs::path input = Write("mail folder/my message.msg", Message("{\\rtf1\\ansi caf\xe9}"));
  fs::path output = dir_ / "out folder" / "my message.doc";
  fs::create_directories(output.parent_path());
  Outcome outcome = Run({input.string(), output.string(), "extra", "more"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(Read(output), "{\\rtf1\\ansi caf\xe9}\r\n");
}

TEST_F(ProgramTest, HeaderFlagBeforeThePathsAddsTheHeaderBlock) {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 body}").AddUnicode(0x0037, u"Subject line");
  fs::path input = Write("in.msg", builder.Build());
  fs::path output = dir_ / "out.doc";
  ASSERT_EQ(Run({input.string(), output.string()}).status, 0);
  EXPECT_EQ(Read(output), "{\\rtf1 body}\r\n") << "without the flag the body as stored";
  Outcome outcome = Run({"--header", "--replace", input.string(), output.string()});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  const std::string document = Read(output);
  EXPECT_EQ(document.rfind("{\\rtf1 \\paperw", 0), 0u) << document;
  EXPECT_NE(document.find("\\margb1440{\\pard"), std::string::npos) << "the page, then the block";
  EXPECT_LT(document.find("Subject line"), document.find("body}"));
  EXPECT_EQ(Run({"--header", input.string()}).out, "Usage: Quorlin.exe <msg_file> <output_file>\n");

  // An option after the paths counts as one before them; an unknown one is refused there too.
  Outcome after = Run({input.string(), (dir_ / "after.doc").string(), "--header"});
  EXPECT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(Read(dir_ / "after.doc"), document);
  Outcome unknown = Run({input.string(), (dir_ / "unknown.doc").string(), "extra", "--headr"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')), "unknown option: --headr");
  EXPECT_FALSE(fs::exists(dir_ / "unknown.doc"));
}

// The page is the user's paper: A4 under a European locale, Letter under an American
// one, for documents built from text and for a kept body the header block opens; a body
// kept without options states no page of its own.
TEST_F(ProgramTest, DocumentsAreLaidOutOnTheUsersPaper) {
  msgwriter::MessageBuilder plain, rtf;
  plain.AddUnicode(0x1000, u"text").AddUnicode(0x0037, u"S");
  rtf.AddRtfBody("{\\rtf1 body}").AddUnicode(0x0037, u"S");
  const fs::path plain_in = Write("plain.msg", plain.Build()), rtf_in = Write("rtf.msg", rtf.Build());
  const char* saved_all = std::getenv("LC_ALL");
  const std::string kept_all = saved_all ? saved_all : "";
  unsetenv("LC_ALL");
  struct Case {
    const char* locale;
    const char* page;
  };
  for (const Case& c : {Case{"de_DE.UTF-8", "\\paperw11906\\paperh16838"}, Case{"en_US.UTF-8", "\\paperw12240\\paperh15840"},
                        Case{"fr_CA.UTF-8", "\\paperw12240\\paperh15840"}, Case{"en_GB", "\\paperw11906\\paperh16838"}}) {
    setenv("LC_PAPER", c.locale, 1);
    const fs::path out = dir_ / "out.doc";
    ASSERT_EQ(Run({"--replace", plain_in.string(), out.string()}).status, 0);
    EXPECT_NE(Read(out).find(std::string(c.page) + "\\margl1440\\margr1440\\margt1440\\margb1440\r\n"),
              std::string::npos) << c.locale << Read(out);
    ASSERT_EQ(Run({"--replace", "--header", rtf_in.string(), out.string()}).status, 0);
    EXPECT_EQ(Read(out).rfind(std::string("{\\rtf1 ") + c.page, 0), 0u) << c.locale << Read(out);
    ASSERT_EQ(Run({"--replace", rtf_in.string(), out.string()}).status, 0);
    EXPECT_EQ(Read(out), "{\\rtf1 body}\r\n");
  }
  unsetenv("LC_PAPER");
  if (saved_all) setenv("LC_ALL", kept_all.c_str(), 1);
}

// Where the paper comes from: the locale category in force, its territory; without one
// the system's paper file; else A4.
TEST(PaperSizeTest, FromTheLocaleElseThePaperFile) {
  using Vars = std::vector<std::pair<std::string, std::string>>;
  const auto find = [](const Vars& vars, std::optional<std::string> file) {
    return FindPaperSize(
        [&vars](const char* name) -> std::optional<std::string> {
          for (const auto& [key, value] : vars)
            if (key == name) return value;
          return std::nullopt;
        },
        file);
  };
  EXPECT_EQ(find({{"LC_PAPER", "de_DE.UTF-8"}}, "letter"), kA4Paper) << "the locale before the file";
  EXPECT_EQ(find({{"LC_PAPER", "en_US.UTF-8"}}, "a4"), kLetterPaper);
  EXPECT_EQ(find({{"LANG", "en_CA"}}, std::nullopt), kLetterPaper);
  EXPECT_EQ(find({{"LC_ALL", "de_AT@euro"}, {"LC_PAPER", "en_US"}}, std::nullopt), kA4Paper) << "LC_ALL rules";
  EXPECT_EQ(find({{"LC_ALL", ""}, {"LC_PAPER", "es_US.UTF-8"}}, std::nullopt), kLetterPaper) << "empty is unset";
  EXPECT_EQ(find({{"LC_PAPER", "en_US"}, {"LANG", "de_DE"}}, std::nullopt), kLetterPaper);
  EXPECT_EQ(find({{"LANG", "C.UTF-8"}}, " Letter\n"), kLetterPaper) << "no territory: the file";
  EXPECT_EQ(find({{"LC_PAPER", "POSIX"}, {"LANG", "en_US"}}, "a4"), kA4Paper) << "the category in force has none";
  EXPECT_EQ(find({}, std::nullopt), kA4Paper);
  EXPECT_EQ(find({}, "tabloid-ish"), kA4Paper) << "a name not known";
  EXPECT_EQ(find({{"LANG", "en_U1"}, {"LC_PAPER", "xx_"}}, "legal"), (PaperSize{12240, 20160}));
  // The describe record's text, both ways; nonsense is refused.
  EXPECT_EQ(PaperSizeText(kA4Paper), "11906 16838");
  EXPECT_EQ(ParsePaperSizeText("11906 16838"), kA4Paper);
  for (const char* bad : {"", "11906", "11906  16838", "-1 16838", "99999999 1", "100 16838", "a4"})
    EXPECT_FALSE(ParsePaperSizeText(bad)) << bad;
}

TEST_F(ProgramTest, PicturesFlagShowsThePlacedAttachments) {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 see \\objattph  here}").AddUnicode(0x0037, u"Subject line");
  builder.AddAttachment(1).AddUnicode(0x3707, u"notes.txt").AddInt32(0x370B, 0).AddBinary(0x3701, {'x'});
  fs::path input = Write("in.msg", builder.Build());
  fs::path output = dir_ / "out.doc";
  ASSERT_EQ(Run({input.string(), output.string()}).status, 0);
  EXPECT_EQ(Read(output), "{\\rtf1 see \\objattph  here}\r\n");
  for (const std::vector<std::string>& flags : {std::vector<std::string>{"--pictures"}, {"--header", "--pictures"},
                                                {"--pictures", "--header"}}) {
    std::vector<std::string> args = flags;
    args.insert(args.end(), {"--replace", input.string(), output.string()});
    ASSERT_EQ(Run(args).status, 0);
    EXPECT_NE(Read(output).find("see \\objattph {\\uc1 [notes.txt]} here}"), std::string::npos) << Read(output);
    EXPECT_EQ(Read(output).find("Subject line") != std::string::npos, flags.size() == 2);
  }
}

// "--attachments" in either order with "--header", and the serve word: the files go into
// the folder beside the document; nothing more is printed.
TEST_F(ProgramTest, AttachmentsFlagSavesTheAttachmentsBesideTheDocument) {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 body}");
  builder.AddAttachment(1).AddUnicode(0x3707, u"note.txt").AddBinary(0x3701, {'h', 'i'});
  fs::path input = Write("in.msg", builder.Build());
  for (const std::vector<std::string>& flags :
       {std::vector<std::string>{"--attachments"}, {"--header", "--attachments"}, {"--attachments", "--header"}}) {
    std::vector<std::string> args = flags;
    args.insert(args.end(), {"--replace", input.string(), (dir_ / "out.doc").string()});
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out + outcome.err, "");
    EXPECT_EQ(Read(dir_ / "out attachments" / "note.txt"), "hi");
    const bool header = flags.size() == 2;
    EXPECT_EQ(Read(dir_ / "out.doc").find("HYPERLINK \"out%20attachments/note.txt\"") != std::string::npos, header);
    fs::remove_all(dir_ / "out attachments");
  }
  const std::string requests = std::string("header attachments") + '\0' + input.string() + '\0' +
                               (dir_ / "served.doc").string() + '\0';
  Write("requests.bin", std::vector<std::uint8_t>(requests.begin(), requests.end()));
  const std::string command = Quote(QUORLIN_EXE) + " --serve <" + Quote((dir_ / "requests.bin").string()) +
                              " >" + Quote((dir_ / "answers.bin").string());
  ASSERT_EQ(std::system(command.c_str()), 0);
  // With attachments asked for, the answer says what was kept.
  EXPECT_EQ(Read(dir_ / "answers.bin"), std::string("ok\0attachments 1 messages 0\0", 28));
  EXPECT_EQ(Read(dir_ / "served attachments" / "note.txt"), "hi");
}

TEST_F(ProgramTest, FailuresExitNonZeroWithOneLineAndNoOutput) {
  msgwriter::MessageBuilder bad_body;
  std::vector<std::uint8_t> body = {0x20, 0, 0, 0, 0x10, 0, 0, 0, 'X', 'X', 'X', 'X', 0, 0, 0, 0};
  body.resize(0x24, 0);
  bad_body.AddBinary(0x1009, body);  // unknown compression type
  std::vector<std::uint8_t> cut = msgwriter::CompressRtf("{\\rtf1 the whole letter}");
  cut[4] = 8;  // stated size shorter than the data
  msgwriter::MessageBuilder cut_body;
  cut_body.AddBinary(0x1009, cut);
  std::vector<std::uint8_t> bad_header = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  bad_header.resize(4096, 0);  // signature, then a header of version 0
  const std::vector<std::vector<std::uint8_t>> inputs = {
      {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't'}, bad_body.Build(), cut_body.Build(), bad_header, {}};
  for (const auto& bytes : inputs) {
    fs::path input = Write("bad input.msg", bytes);
    fs::path output = dir_ / "bad output.doc";
    Outcome outcome = Run({input.string(), output.string()});
    EXPECT_NE(outcome.status, 0);
    EXPECT_EQ(outcome.out, "");
    ASSERT_FALSE(outcome.err.empty());
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line: " << outcome.err;
    EXPECT_FALSE(fs::exists(output));

    fs::path existing = Write("earlier.doc", {'o', 'l', 'd'});
    EXPECT_NE(Run({input.string(), existing.string()}).status, 0);
    EXPECT_EQ(Read(existing), "old");
    EXPECT_EQ(FileCount(), 2u) << "no temporary file left behind";
    fs::remove(existing);
  }
  EXPECT_NE(Run({(dir_ / "missing.msg").string(), (dir_ / "x.doc").string()}).status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "x.doc"));
}

// Text in a code page the platform decodes converts as any other; a code page nobody
// knows is read as 1252 with one line on standard error, and still converts.
TEST_F(ProgramTest, CodePagesThroughThePlatformDecoderAndUnknownOnesWithANotice) {
  msgwriter::MessageBuilder japanese;
  japanese.AddString8(0x1000, "\x93\xfa\x96\x7b").AddInt32(0x3FFD, 932);  // cp932, Python codecs
  fs::path output = dir_ / "out.doc";
  Outcome outcome = Run({Write("jp.msg", japanese.Build()).string(), output.string()});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  EXPECT_NE(Read(output).find("\\u26085?\\u26412?"), std::string::npos) << Read(output);

  msgwriter::MessageBuilder unknown;
  unknown.AddString8(0x1000, "caf\xe9").AddInt32(0x3FFD, 12345);
  outcome = Run({"--replace", Write("unknown.msg", unknown.Build()).string(), output.string()});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "code page 12345 is not known here: its text is read as code page 1252\n");
  EXPECT_NE(Read(output).find("caf\\u233?"), std::string::npos);
}

// Options come before the two paths, in any order; "--" ends them so a path may begin with
// "--"; an option the converter does not know is named and nothing is converted.
TEST_F(ProgramTest, OptionsBeforeThePathsAndAnUnknownOneIsNamed) {
  const std::string usage = "Usage: Quorlin.exe <msg_file> <output_file>\n";
  fs::path input = Write("in.msg", Message("{\\rtf1 x}"));
  Outcome unknown = Run({"--header", "--pictur", input.string(), (dir_ / "out.doc").string()});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.out, usage);
  EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')), "unknown option: --pictur");
  EXPECT_NE(unknown.err.find("--header"), std::string::npos) << "the options are listed";
  EXPECT_FALSE(fs::exists(dir_ / "out.doc"));
  EXPECT_EQ(Run({"--Header", input.string(), (dir_ / "out.doc").string()}).status, 1) << "names are exact";

  Outcome twice = Run({"--header", "--header", input.string(), (dir_ / "twice.doc").string()});
  EXPECT_EQ(twice.status, 0) << twice.err;
  Outcome once = Run({"--header", input.string(), (dir_ / "once.doc").string()});
  EXPECT_EQ(Read(dir_ / "twice.doc"), Read(dir_ / "once.doc"));

  Write("--odd.msg", Message("{\\rtf1 odd}"));
  Outcome ended = Run({"--header", "--", "--odd.msg", "--odd.doc"}, true);
  EXPECT_EQ(ended.status, 0) << ended.err;
  EXPECT_NE(Read(dir_ / "--odd.doc").find("odd"), std::string::npos);
  EXPECT_EQ(Run({"--", "--odd.msg"}, true).out, usage);
}

// The table names each option once for the command line and once for a request; the main
// program spells the flag as "--" and the request word.
TEST(ConversionOptionTable, EachOptionHasAFlagAWordAndHelp) {
  for (const ConversionOptionRow& row : ConversionOptionTable()) {
    EXPECT_EQ(row.flag, "--" + std::string(row.word));
    EXPECT_FALSE(row.help.empty()) << row.word;
    ConversionOptions options;
    const std::string_view word[] = {row.word};
    EXPECT_EQ(ReadConversionOptions(word, OptionSpelling::kWord, options), "");
    EXPECT_TRUE(options.*(row.field)) << row.word;
    EXPECT_EQ(ReadConversionOptions(word, OptionSpelling::kFlag, options), "unknown option: " + std::string(row.word));
  }
}

// What the main program sends is what the converter reads: the words of the options that
// are on, in the table's order, and nothing for none.
TEST(ConversionOptionTable, TheWordsOfTheOptionsOnReadBackAsThoseOptions) {
  EXPECT_EQ(ConversionOptionWords(ConversionOptions()), "");
  ConversionOptions some;
  some.file_dates = true;
  some.header_block = true;
  some.replace = true;
  EXPECT_EQ(ConversionOptionWords(some), "header dates replace");
  for (const ConversionOptionRow& row : ConversionOptionTable()) {
    ConversionOptions one;
    one.*(row.field) = true;
    const std::string words = ConversionOptionWords(one);
    EXPECT_EQ(words, row.word);
    ConversionOptions read;
    const std::string_view names[] = {words};
    EXPECT_EQ(ReadConversionOptions(names, OptionSpelling::kWord, read), "");
    EXPECT_EQ(ConversionOptionWords(read), words);
  }
}

// The rows the user chooses carry a caption and a settings key; the replace row, which the
// run decides, has neither. The window starts with the whole message (header, pictures,
// attachments) ticked; the dates stay the user's choice.
TEST(ConversionOptionTable, OnlyTheUsersChoicesHaveACaptionAndAKey) {
  for (const ConversionOptionRow& row : ConversionOptionTable()) {
    EXPECT_EQ(ChosenByTheUser(row), row.field != &ConversionOptions::replace) << row.word;
    EXPECT_EQ(row.caption.empty(), row.setting_key.empty()) << row.word;
    const bool whole = row.field == &ConversionOptions::header_block || row.field == &ConversionOptions::pictures ||
                       row.field == &ConversionOptions::attachments;
    EXPECT_EQ(row.setting_default, whole) << row.word;
  }
}

// Help is wrapped at spaces to the width asked, later lines indented; a word longer than a
// line stands alone rather than being cut.
TEST(ConversionOptionTable, HelpIsWrappedAtSpaces) {
  EXPECT_EQ(WrapHelp("one two three four", 13, 4), "one two\n    three\n    four");
  EXPECT_EQ(WrapHelp("a  b", 80, 2), "a b");
  EXPECT_EQ(WrapHelp("short unbreakableword", 10, 2), "short\n  unbreakableword");
  EXPECT_EQ(WrapHelp("", 10, 2), "");
  const std::string help = ConversionOptionsHelp();
  for (std::size_t start = 0, end = 0; start < help.size(); start = end + 1) {
    end = help.find('\n', start);
    EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
  }
}

TEST_F(ProgramTest, RefusesToOverwriteTheInput) {
  std::vector<std::uint8_t> bytes = Message("{\\rtf1 keep me}");
  fs::path input = Write("same.msg", bytes);
  for (const fs::path& output : {input, dir_ / "." / "same.msg"}) {
    Outcome outcome = Run({input.string(), output.string()});
    EXPECT_NE(outcome.status, 0);
    EXPECT_NE(outcome.err.find("input file"), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(Read(input), std::string(bytes.begin(), bytes.end()));
}

// The long-lived mode: NUL-separated requests, any byte but NUL in a path, one answer each,
// and the same document as the two-argument form.
TEST_F(ProgramTest, ServeModeAnswersEachRequestInTurn) {
  const std::string rtf = "{\\rtf1 served}";
  fs::path good = Write("odd\tname\nwith 'quotes'.msg", Message(rtf));
  fs::path bad = Write("bad.msg", {'n', 'o', 't'});
  fs::path out = dir_ / "out\tput.doc";
  std::string requests;
  auto request = [&](const std::string& options, const fs::path& in, const fs::path& output) {
    requests += options + '\0' + in.string() + '\0' + output.string() + '\0';
  };
  request("", good, out);
  request("", bad, dir_ / "bad.doc");
  request("header-of-the-future", good, dir_ / "other.doc");
  request("", good, dir_ / "again.doc");
  request("header", good, dir_ / "headed.doc");
  request("pictures header", good, dir_ / "pictured.doc");
  // Each kind of failure answers with its own code.
  std::vector<std::uint8_t> shortened = Message(rtf);
  shortened.resize(1024);
  request("", Write("cut.msg", shortened), dir_ / "cut.doc");
  request("", dir_, dir_ / "folder.doc");
  request("", good, dir_ / "no such folder" / "x.doc");
  Write("requests.bin", std::vector<std::uint8_t>(requests.begin(), requests.end()));
  const std::string command = Quote(QUORLIN_EXE) + " --serve <" + Quote((dir_ / "requests.bin").string()) + " >" +
                              Quote((dir_ / "answers.bin").string());
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string answers = Read(dir_ / "answers.bin");
  const std::string expected = std::string("ok\0\0", 4) + std::string("not-a-message\0", 14);
  ASSERT_EQ(answers.substr(0, expected.size()), expected);
  EXPECT_NE(answers.find(std::string("usage") + '\0' + "unknown option: header-of-the-future" + '\0'), std::string::npos);
  EXPECT_NE(answers.find(std::string("ok") + '\0' + '\0' + "damaged" + '\0'), std::string::npos) << answers;
  EXPECT_NE(answers.find('\0' + std::string("unreadable") + '\0' + "cannot read input file"), std::string::npos) << answers;
  EXPECT_NE(answers.find('\0' + std::string("unwritable") + '\0'), std::string::npos) << answers;
  EXPECT_EQ(Read(out), rtf + "\r\n");
  EXPECT_EQ(Read(dir_ / "again.doc"), rtf + "\r\n");
  EXPECT_TRUE(fs::exists(dir_ / "headed.doc"));
  EXPECT_EQ(Read(dir_ / "pictured.doc"), Read(dir_ / "headed.doc"));
  EXPECT_FALSE(fs::exists(dir_ / "bad.doc"));
  EXPECT_FALSE(fs::exists(dir_ / "other.doc"));

  // A named pipe as input is refused at once, and the request behind it is answered.
  // ("timeout" ends a converter that would wait on the pipe.)
  const fs::path pipe = dir_ / "pipe.msg";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  requests.clear();
  request("", pipe, dir_ / "pipe.doc");
  request("", good, dir_ / "after-pipe.doc");
  Write("requests.bin", std::vector<std::uint8_t>(requests.begin(), requests.end()));
  const std::string guarded = "timeout 20 " + command;
  ASSERT_EQ(std::system(guarded.c_str()), 0);
  const std::string pipe_answers = Read(dir_ / "answers.bin");
  EXPECT_EQ(pipe_answers.rfind(std::string("unreadable") + '\0', 0), 0u) << pipe_answers;
  EXPECT_NE(pipe_answers.find("not a regular file"), std::string::npos) << pipe_answers;
  EXPECT_EQ(pipe_answers.substr(pipe_answers.size() - 4), std::string("ok\0\0", 4));
  EXPECT_EQ(Read(dir_ / "after-pipe.doc"), rtf + "\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "pipe.doc"));

  // A name request converts nothing: it answers the name a pattern makes of the message,
  // the pattern in the output's place; a pattern with an unknown field is refused.
  requests.clear();
  request("name", good, "{subject} - {file}");
  request("name", bad, "{subject}");
  request("name", good, "{size}");
  request("name", good, "Report");
  Write("requests.bin", std::vector<std::uint8_t>(requests.begin(), requests.end()));
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string named = Read(dir_ / "answers.bin");
  EXPECT_EQ(named.rfind(std::string("ok\0odd name with 'quotes'\0", 26), 0), 0u) << named;
  EXPECT_NE(named.find(std::string("\0format\0")), std::string::npos) << named;
  EXPECT_NE(named.find(std::string("usage\0the name pattern may hold only")), std::string::npos) << named;
  EXPECT_EQ(named.substr(named.size() - 10), std::string("ok\0Report\0", 10)) << "text without fields, once";

  // A request cut off in the middle ends the exchange with a failure status.
  Write("cut.bin", {'\0', 'x'});
  const std::string cut = Quote(QUORLIN_EXE) + " --serve <" + Quote((dir_ / "cut.bin").string()) + " >/dev/null";
  const int raw = std::system(cut.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1);
}

// The converter's notices travel in the exchange: each request's own, before its answer,
// as "notice" records, so that the caller can tell the user; stderr stays quiet.
TEST_F(ProgramTest, ServeModeSendsEachRequestsNoticesBeforeItsAnswer) {
  msgwriter::MessageBuilder unknown;
  unknown.AddString8(0x1000, "caf\xe9").AddInt32(0x3FFD, 9999);
  const fs::path in = Write("unknown.msg", unknown.Build());
  std::string requests;
  for (const char* out : {"one.doc", "two.doc"}) requests += std::string("\0", 1) + in.string() + '\0' + (dir_ / out).string() + '\0';
  Write("requests.bin", std::vector<std::uint8_t>(requests.begin(), requests.end()));
  const std::string command = Quote(QUORLIN_EXE) + " --serve <" + Quote((dir_ / "requests.bin").string()) + " >" +
                              Quote((dir_ / "answers.bin").string()) + " 2>" + Quote((dir_ / "errors.txt").string());
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string notice =
      std::string("notice\0code page 9999 is not known here: its text is read as code page 1252\0", 76) + std::string("ok\0\0", 4);
  EXPECT_EQ(Read(dir_ / "answers.bin"), notice + notice);
  EXPECT_EQ(Read(dir_ / "errors.txt"), "");
}

// A description's subject and sender are cut at a character boundary far below what the
// reading side takes of one answer, so a subject of any length still converts.
TEST_F(ProgramTest, ServeModeCutsALongSubjectInItsDescriptionAtACharacter) {
  msgwriter::MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 body}").AddUnicode(0x0037, std::u16string(70'000, u'\u20AC'));
  const fs::path in = Write("long.msg", builder.Build());
  const std::string requests = std::string("describe") + '\0' + in.string() + '\0' + (dir_ / "long.doc").string() + '\0';
  Write("requests.bin", std::vector<std::uint8_t>(requests.begin(), requests.end()));
  const std::string command = Quote(QUORLIN_EXE) + " --serve <" + Quote((dir_ / "requests.bin").string()) + " >" +
                              Quote((dir_ / "answers.bin").string());
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string answers = Read(dir_ / "answers.bin");
  const std::string head = std::string("subject") + '\0';
  ASSERT_EQ(answers.rfind(head, 0), 0u);
  const std::string subject = answers.substr(head.size(), answers.find('\0', head.size()) - head.size());
  std::string euros;
  for (int i = 0; i < 5461; ++i) euros += "\xE2\x82\xAC";  // 16,383 bytes: whole characters only
  EXPECT_EQ(subject, euros);
  EXPECT_EQ(answers.substr(answers.size() - 4), std::string("ok\0\0", 4));
}

// A described document names the paper it was laid out on, for the PDF's pages.
TEST_F(ProgramTest, ServeModeDescribesThePaper) {
  msgwriter::MessageBuilder builder;
  builder.AddUnicode(0x1000, u"text").AddUnicode(0x0037, u"S");
  const fs::path in = Write("in.msg", builder.Build());
  const std::string request = std::string("describe replace\0", 17) + in.string() + '\0' + (dir_ / "out.doc").string() + '\0';
  Write("requests.bin", std::vector<std::uint8_t>(request.begin(), request.end()));
  for (const auto& [locale, paper] : {std::pair{"de_DE.UTF-8", "11906 16838"}, std::pair{"en_US.UTF-8", "12240 15840"}}) {
    const std::string command = "LC_ALL= LC_PAPER=" + std::string(locale) + " " + Quote(QUORLIN_EXE) + " --serve <" +
                                Quote((dir_ / "requests.bin").string()) + " >" + Quote((dir_ / "answers.bin").string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string answers = Read(dir_ / "answers.bin");
    EXPECT_NE(answers.find(std::string("\0paper\0", 7) + paper + std::string("\0ok\0", 4)), std::string::npos) << answers;
  }
}

}  // namespace
}  // namespace quorlin
