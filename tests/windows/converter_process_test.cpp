// The run's converter processes on Windows, under wine here: the real Quorlin.exe converts a
// message with a Unicode name through CreateProcessW, its pipes and the serve exchange; a
// converter that hangs is ended at the time limit and at a stop, leaves no process behind,
// and what it had begun (entered in its journal) is taken back. The hanging converter is
// this test program itself, started with "--serve" (its main below).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "converter/base/output_journal.h"
#include "converter/base/path_text.h"
#include "converter/conversion.h"
#include "msgwriter/message_builder.h"
#include "platform/descriptor_wait.h"
#include "run/engine/batch_run.h"
#include "support/temp_tree.h"

namespace {

namespace fs = std::filesystem;
using quorlin::PathFromUtf8;
using quorlin::serve_protocol::Result;

// "Отчёт 📎": Cyrillic and a character beyond the Basic Multilingual Plane.
const std::string kUnicodeStem = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xF0\x9F\x93\x8E";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> PlainMessage() {
  msgwriter::MessageBuilder builder;
  builder.AddUnicode(0x1000, u"\u041F\u0440\u0438\u0432\u0435\u0442");
  return builder.Build();
}

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

QString Text(const fs::path& path) { return QString::fromStdWString(path.wstring()); }

QString ThisProgram() {
  wchar_t name[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, name, MAX_PATH * 4);
  return QString::fromWCharArray(name, static_cast<int>(length));
}

// Whether the process that wrote its id into `marker` has ended.
bool Ended(const fs::path& marker) {
  const DWORD id = static_cast<DWORD>(std::stoul(Read(marker)));
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
  if (!process) return true;
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

class WindowsConverterProcessTest : public ::testing::Test {
 protected:
  TempTree tree_;
  fs::path dir_ = PathFromUtf8(tree_.Root());
};

TEST_F(WindowsConverterProcessTest, TwoConvertersConvertUnicodeNamedMessagesAsTheConverterItselfDoes) {
  const std::vector<std::uint8_t> message = PlainMessage();
  std::vector<BatchJob> jobs;
  for (const std::string& stem : {kUnicodeStem, kUnicodeStem + " 2", std::string("plain")}) {
    Write(dir_ / PathFromUtf8(stem + ".msg"), message);
    jobs.push_back({Text(dir_ / PathFromUtf8(stem + ".msg")), Text(dir_ / PathFromUtf8(stem + ".doc"))});
  }
  BatchSettings settings;
  settings.converterPath = Text(fs::absolute(PathFromUtf8(QUORLIN_EXE)));
  settings.workers = 2;
  std::vector<BatchOutcome> outcomes(jobs.size());
  const BatchSummary summary =
      RunBatch(jobs, settings, [&](std::size_t index, const BatchOutcome& outcome) { outcomes[index] = outcome; });
  EXPECT_EQ(summary.finished, jobs.size());
  EXPECT_TRUE(summary.startFailure.isEmpty()) << summary.startFailure.toStdString();
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_TRUE(outcomes[i].converted) << i << ": " << outcomes[i].reason.toStdString();
    // The converter states the user's paper, which the system's locale gives.
    const std::string document = Read(fs::path(jobs[i].output.toStdWString()));
    EXPECT_EQ(document.rfind("{\\rtf1", 0), 0u) << i;
    EXPECT_NE(document.find("\\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?"), std::string::npos) << document;
  }
}

TEST_F(WindowsConverterProcessTest, AConverterThatHangsIsEndedAtTheTimeLimitAndAtAStopAndTakesBackWhatItBegan) {
  Write(dir_ / "hang.msg", PlainMessage());
  Write(dir_ / "other.doc", {'k', 'e', 'p', 't'});
  const std::vector<BatchJob> jobs{{Text(dir_ / "hang.msg"), Text(dir_ / "hang.doc")}};
  BatchSettings settings;
  settings.converterPath = ThisProgram();
  settings.workers = 1;
  // Long enough for wine to start the stand-in on a loaded machine.
  settings.timeoutMs = 20000;
  BatchOutcome outcome;
  RunBatch(jobs, settings, [&](std::size_t, const BatchOutcome& given) { outcome = given; });
  EXPECT_EQ(outcome.result, Result::kTimedOut);
  EXPECT_EQ(outcome.reason, TimeLimitReason(20));
  ASSERT_TRUE(fs::exists(dir_ / "hang.msg.started"));
  EXPECT_TRUE(Ended(dir_ / "hang.msg.started"));
  // Its half-written document went, as its journal listed it; nothing else did.
  EXPECT_FALSE(fs::exists(dir_ / ".hang.doc.00c0ffee12345678.tmp"));
  EXPECT_FALSE(fs::exists(dir_ / "hang.doc"));
  EXPECT_EQ(Read(dir_ / "other.doc"), "kept");

  // A stop: the run waits its grace period, then ends the converter.
  fs::remove(dir_ / "hang.msg.started");
  int stop[2];
  ASSERT_TRUE(MakeWakePipe(stop));
  settings.timeoutMs = 600000;
  settings.stopDescriptor = stop[0];
  settings.stopGraceMs = 100;
  std::thread stopper([&] {
    while (!fs::exists(dir_ / "hang.msg.started")) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WakeWith(stop[1], 1);
  });
  const BatchSummary summary = RunBatch(jobs, settings, [&](std::size_t, const BatchOutcome& given) { outcome = given; });
  stopper.join();
  CloseWakePipe(stop);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(outcome.result, Result::kStopped);
  EXPECT_TRUE(Ended(dir_ / "hang.msg.started"));
  EXPECT_FALSE(fs::exists(dir_ / ".hang.doc.00c0ffee12345678.tmp"));
}

// Serves as a converter that never finishes: it begins the document as the converter does
// (a temporary file beside it, entered in the journal it was given), says it has started
// and waits to be ended.
int HangingConverter(int argc, wchar_t** argv) {
  if (argc >= 4) quorlin::KeepOutputJournalAt(fs::path(argv[3]));
  int fd = ::_fileno(stdin);
  ::_setmode(fd, _O_BINARY);
  std::string request;
  char c;
  int fields = 0;
  while (fields < 3 && ::_read(fd, &c, 1) == 1) {
    request.push_back(c);
    if (c == '\0') ++fields;
  }
  const std::size_t first = request.find('\0');
  const std::size_t second = request.find('\0', first + 1);
  const fs::path input = PathFromUtf8(request.substr(first + 1, second - first - 1));
  const fs::path output = PathFromUtf8(request.substr(second + 1, request.size() - second - 2));
  const fs::path temporary = output.parent_path() / ("." + quorlin::Utf8Of(output.filename()) + ".00c0ffee12345678.tmp");
  quorlin::BeginOutputJournal();
  const int made = ::_wopen(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, 0600);
  if (made >= 0) {
    quorlin::JournalTemporary(temporary, quorlin::IdentityOfOpenFile(made));
    ::_write(made, "half a document", 15);
    ::_close(made);
  }
  {
    std::ofstream marker(fs::path(input.wstring() + L".started.part"));
    marker << ::GetCurrentProcessId();
  }
  fs::rename(fs::path(input.wstring() + L".started.part"), fs::path(input.wstring() + L".started"));
  ::Sleep(INFINITE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (count >= 2 && std::wcscmp(words[1], L"--serve") == 0) return HangingConverter(count, words);
  ::LocalFree(words);
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
