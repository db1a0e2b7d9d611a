#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "document/autosave.h"
#include "document/error.h"
#include "document/file_io.h"
#include "document/recovery_file.h"
#include "document/recovery_store.h"
#include "document/subtitle_list.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::SaveTemporariesIn;
using test::TempDir;
using test::WriteBytes;

std::string Encode(const RecoverySession& s, LineSpan lines) {
  std::string out;
  EncodeRecovery(s, lines, [&](std::string_view b) { out.append(b); });
  return out;
}

RecoverySession SampleSession() {
  RecoverySession s;
  s.instance = {4242, 987654321, "0123abcd"};
  s.savedAt = 1765267200;
  s.utf8 = true;
  s.cursorRow = 1;
  s.source = "/home/jana/Filmy/Pelíšky.sub";
  s.target = "/home/jana/Filmy/Pelíšky2.sub";
  s.sync = "/tmp/správně.sub";
  s.frames = {"10", "9000", "12", "9370", "2", "1,04"};
  s.frameRate = "23,976";
  return s;
}

// Whatever a document holds comes back byte for byte, and the copy is never
// larger than the saved file would be (two bytes of CR LF a row).
TEST(RecoveryFile, RoundTripsEveryDocumentAndCostsNoMoreThanItsFile) {
  const std::string longLine = "{1}{2}" + std::string(300, 'x');
  const std::vector<std::vector<std::string>> documents = {
      {},
      {""},
      {"{1}{25}Ahoj", "", "{30}{0}Jak se máš?|Dobře"},
      {"{1}{2}\r\nstray line ends\n", std::string("\0\xff\x80", 3)},
      {longLine, "{5}{6}\x9a\xe8\xf8", longLine + longLine},
  };
  for (const auto& lines : documents) {
    for (int64_t cursor : {int64_t{-1}, int64_t{0}}) {
      RecoverySession s = SampleSession();
      s.cursorRow = lines.empty() ? -1 : cursor;
      s.utf8 = cursor == 0;
      const std::string bytes = Encode(s, LineStore(lines));
      const RecoveryReadResult read = DecodeRecovery(bytes);
      ASSERT_EQ(read.status, RecoveryRead::Ok) << lines.size();
      EXPECT_EQ(read.copy.session, s);
      EXPECT_EQ(read.copy.lines, lines);
      size_t saved = 0;
      for (const auto& l : lines) saved += l.size() + 2;
      const size_t header = Encode(s, LineStore()).size();
      EXPECT_LE(bytes.size() - header, saved);
    }
  }
}

// A copy cut short anywhere, changed in any byte, or not a copy at all is
// damaged; one in another layout says so.
TEST(RecoveryFile, DamageAndOtherVersionsAreRecognised) {
  const std::string good = Encode(SampleSession(), LineStore({"{1}{2}a", "{3}{4}bb"}));
  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_EQ(DecodeRecovery(good.substr(0, cut)).status, RecoveryRead::Damaged) << cut;
  for (size_t at = 0; at < good.size(); ++at) {
    std::string changed = good;
    changed[at] = static_cast<char>(changed[at] ^ 0x10);
    const RecoveryRead status = DecodeRecovery(changed).status;
    // Only the version's own bytes make it another version.
    const bool inVersion = at >= 17 && at < 21;
    EXPECT_EQ(status, inVersion ? RecoveryRead::OtherVersion : RecoveryRead::Damaged) << at;
  }
  EXPECT_EQ(DecodeRecovery("{1}{2}Ahoj\r\n").status, RecoveryRead::Damaged);
  EXPECT_EQ(ReadRecoveryFile("/nonexistent/copy.recovery").status, RecoveryRead::Damaged);
}

TEST(RecoveryFile, WritesThroughTheSafeSaveAndStopsWhenCancelled) {
  TempDir dir;
  const std::string path = dir.File("copy.recovery");
  const LineStore lines({"{1}{2}a", "{3}{4}b"});
  WriteRecoveryFile(path, SampleSession(), lines);
  const RecoveryReadResult read = ReadRecoveryFile(path);
  ASSERT_EQ(read.status, RecoveryRead::Ok);
  EXPECT_EQ(read.copy.lines, lines);

  std::atomic<bool> cancel{true};
  EXPECT_THROW(WriteRecoveryFile(path, SampleSession(), LineStore({"new"}), &cancel), Error);
  EXPECT_EQ(ReadRecoveryFile(path).copy.lines, lines);  // the old copy stays
  EXPECT_TRUE(SaveTemporariesIn(dir.Path()).empty());
}

// The recovery copy is written on a worker while the window may save: the
// two saves must not disturb each other's temporary files.
TEST(RecoveryFile, SavesOnTwoThreadsAtOnceBothArrive) {
  TempDir dir;
  std::vector<std::string> lines(20000, "{100}{200}Dva řádky|titulku");
  const LineStore store(lines);
  std::thread worker([&] {
    for (int i = 0; i < 20; ++i) WriteRecoveryFile(dir.File("copy.recovery"), SampleSession(), store);
  });
  for (int i = 0; i < 20; ++i) WriteFileAtomically(dir.File("film.sub"), "{1}{2}x\r\n" + std::to_string(i));
  worker.join();
  EXPECT_EQ(ReadBytes(dir.File("film.sub")), "{1}{2}x\r\n19");
  EXPECT_EQ(ReadRecoveryFile(dir.File("copy.recovery")).copy.lines, store);
  EXPECT_TRUE(SaveTemporariesIn(dir.Path()).empty());
}

TEST(RecoveryFileName, NamesCarryTheInstance) {
  const InstanceId id{31337, 4000000000123, "9f0e"};
  struct Case {
    std::string name;
    bool valid;
    bool kept;
  };
  const Case cases[] = {
      {RecoveryFileName(id, false), true, false},
      {RecoveryFileName(id, true), true, true},
      {"copy-9f0e-31337-4000000000123.recovery.velorin-abc123", false, false},
      {".copy-9f0e-31337-1.recovery.velorin-abc123", false, false},
      {"copy-9F0E-1-1.recovery", false, false},
      {"copy-9f0e-1.recovery", false, false},
      {"copy--1-1.recovery", false, false},
      {"copy-ab-1-1-1.recovery", false, false},
      {"copy-ab-99999999999999999999-1.recovery", false, false},
      {"notes.txt", false, false},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseRecoveryFileName(c.name);
    ASSERT_EQ(parsed.has_value(), c.valid) << c.name;
    if (!parsed) continue;
    EXPECT_EQ(parsed->kept, c.kept) << c.name;
    EXPECT_EQ(parsed->instance, id) << c.name;
  }
}

TEST(LinuxProcessTable, KnowsItselfAndNotTheEnded) {
  LinuxProcessTable table;
  const InstanceId self = table.Self();
  EXPECT_EQ(self.pid, static_cast<uint64_t>(::getpid()));
  EXPECT_NE(self.started, 0u);
  EXPECT_TRUE(table.Running(self));
  // Our parent runs, under its own start time only.
  InstanceId parent = self;
  parent.pid = static_cast<uint64_t>(::getppid());
  parent.started = 0;
  EXPECT_FALSE(table.Running(parent));
  InstanceId rebooted = self;
  rebooted.boot += "1";
  EXPECT_FALSE(table.Running(rebooted));
  // A process that has ended.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  InstanceId ended = self;
  ended.pid = static_cast<uint64_t>(child);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(table.Running(ended));
}

TEST(DefaultRecoveryFolder, FollowsTheStateHome) {
  const std::string oldState = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
  const bool hadState = std::getenv("XDG_STATE_HOME") != nullptr;
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_STATE_HOME", "/srv/state", 1);
  EXPECT_EQ(DefaultRecoveryFolder(), "/srv/state/velorin");
  ::setenv("XDG_STATE_HOME", "relative/state", 1);  // ignored, as the base directories say
  EXPECT_EQ(DefaultRecoveryFolder(), home + "/.local/state/velorin");
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(DefaultRecoveryFolder(), home + "/.local/state/velorin");
  if (hadState) ::setenv("XDG_STATE_HOME", oldState.c_str(), 1);
}

class FakeProcesses : public ProcessTable {
 public:
  InstanceId self{1, 1, "b00"};
  std::set<uint64_t> running;  // pids of other running instances
  InstanceId Self() const override { return self; }
  bool Running(const InstanceId& i) const override {
    return i == self || running.count(i.pid) > 0;
  }
};

// The folder at start: which copies are offered in which order, and what is
// left after the answers. Files are named by pid: "c7" the copy of instance 7,
// "k7" one kept aside; the number after the colon is its age in days.
TEST(RecoveryFolder, StartupOffersEndedCopiesAndKeepsOneAside) {
  struct Case {
    const char* what;
    std::vector<std::string> files;  // "c7:2" …
    std::set<uint64_t> running;
    std::string answers;                 // y, n, or d (damaged) for each offer in turn
    std::vector<std::string> offered;    // in order
    std::vector<std::string> left;       // sorted
  };
  const Case cases[] = {
      {"nothing there", {}, {}, "", {}, {}},
      {"a running program's copy is left alone", {"c7:0"}, {7}, "", {}, {"c7"}},
      {"restored: it becomes ours", {"c7:0"}, {}, "y", {"c7"}, {"c1"}},
      {"declined: set aside", {"c7:0"}, {}, "n", {"c7"}, {"k7"}},
      {"declined again at the next start: gone", {"k7:0"}, {}, "n", {"k7"}, {}},
      {"kept aside and restored later", {"k7:0"}, {}, "y", {"k7"}, {"c1"}},
      {"newest first; restoring stops the questions, the unasked stays",
       {"c7:3", "c8:1"}, {}, "y", {"c8"}, {"c1", "c7"}},
      {"two declined: only the newer kept", {"c7:3", "c8:1"}, {}, "nn", {"c8", "c7"}, {"k8"}},
      {"the old kept copy is asked last and goes",
       {"k5:2", "c7:1"}, {}, "nn", {"c7", "k5"}, {"k7"}},
      {"restoring another copy ends the kept one's extra start",
       {"k5:2", "c7:1"}, {}, "y", {"c7"}, {"c1"}},
      {"stale copies go unasked, running or not",
       {"c7:31", "k8:40", "c9:31"}, {9}, "", {}, {}},
      {"a damaged copy goes, the next is asked", {"c7:0", "c8:1"}, {}, "dy", {"c7", "c8"}, {"c1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    FakeProcesses processes;
    processes.running = c.running;
    const time_t now = ::time(nullptr);
    auto fileName = [](char kind, uint64_t pid) {
      return RecoveryFileName({pid, pid, "b00"}, kind == 'k');
    };
    for (const std::string& f : c.files) {
      const uint64_t pid = std::stoull(f.substr(1, f.find(':') - 1));
      const int days = std::stoi(f.substr(f.find(':') + 1));
      const std::string path = dir.File(fileName(f[0], pid));
      WriteBytes(path, f);
      const time_t when = now - days * 86400 - 60;
      struct utimbuf times {when, when};
      ::utime(path.c_str(), &times);
    }
    auto shortName = [&](const std::string& path) {
      const auto parsed = ParseRecoveryFileName(path.substr(path.rfind('/') + 1));
      return std::string(parsed->kept ? "k" : "c") + std::to_string(parsed->instance.pid);
    };
    RecoveryFolder folder(dir.Path(), processes);
    std::vector<std::string> offered;
    size_t answer = 0;
    for (const RecoveryOffer& offer : folder.BeginStartup(now)) {
      offered.push_back(shortName(offer.path));
      ASSERT_LT(answer, c.answers.size());
      const char a = c.answers[answer++];
      if (a == 'y') {
        folder.Adopt(offer);
        break;
      }
      if (a == 'n') folder.Decline(offer);
      if (a == 'd') folder.Discard(offer);
    }
    folder.FinishStartup();
    EXPECT_EQ(offered, c.offered);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
      left.push_back(shortName(e.path().string()));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.left);
  }
}

TEST(RecoveryFolder, PreparesAPrivateFolder) {
  TempDir dir;
  FakeProcesses processes;
  RecoveryFolder folder(dir.File("state/velorin"), processes);
  folder.Prepare();
  struct stat st {};
  ASSERT_EQ(::stat(folder.Dir().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(folder.OwnPath(), folder.Dir() + "/" + RecoveryFileName(processes.self, false));
  folder.RemoveOwn();  // none there: nothing happens
}

// Each row: a tick at a time (ms) seeing a revision, whether a copy is
// needed and whether a write runs; or a checkpoint ('c') or a failed write
// ('f'). The action expected.
TEST(AutosaveSchedule, WritesAtMostTheIntervalAfterAChange) {
  using A = AutosaveSchedule::Action;
  struct Step {
    char kind;  // t tick, c checkpoint, f failed
    int64_t now;
    uint64_t revision;
    bool needed;
    bool busy;
    A expected;
  };
  const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
      {"nothing to keep",
       {{'t', 0, 1, false, false, A::None}, {'t', 40000, 2, false, false, A::None}}},
      {"a change waits the interval, then once",
       {{'t', 0, 1, true, false, A::None},
        {'t', 29999, 1, true, false, A::None},
        {'t', 30000, 1, true, false, A::Write},
        {'t', 90000, 1, true, false, A::None}}},
      {"later changes do not push the write back",
       {{'t', 0, 1, true, false, A::None},
        {'t', 20000, 2, true, false, A::None},
        {'t', 30000, 3, true, false, A::Write},
        {'t', 31000, 4, true, false, A::None},
        {'t', 61000, 4, true, false, A::Write}}},
      {"a write under way delays the next",
       {{'t', 0, 1, true, false, A::None}, {'t', 30000, 1, true, true, A::None},
        {'t', 30010, 1, true, false, A::Write}}},
      {"a checkpoint writes at once, and only what is behind",
       {{'c', 5, 1, true, false, A::Write}, {'c', 6, 1, true, false, A::None},
        {'t', 40000, 1, true, false, A::None}, {'c', 40001, 1, false, false, A::None}}},
      {"settled: the copy goes once",
       {{'c', 0, 1, true, false, A::Write},
        {'t', 10, 2, false, true, A::None},
        {'t', 20, 2, false, false, A::Remove},
        {'t', 30, 2, false, false, A::None}}},
      {"a failed write is tried again after the interval",
       {{'c', 0, 1, true, false, A::Write},
        {'f', 100, 1, true, false, A::None},
        {'t', 200, 1, true, false, A::None},
        {'t', 30100, 1, true, false, A::Write}}},
  };
  for (const auto& [what, steps] : cases) {
    SCOPED_TRACE(what);
    AutosaveSchedule s(30000);
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& st = steps[i];
      A got = A::None;
      if (st.kind == 't') got = s.Tick(st.revision, st.needed, st.now, st.busy);
      if (st.kind == 'c') got = s.Checkpoint(st.revision, st.needed, st.busy);
      if (st.kind == 'f') s.WriteFailed(st.now);
      EXPECT_EQ(got, st.expected) << "step " << i;
    }
  }
}

TEST(BackgroundWriter, RunsJobsOneAtATimeAndReportsFailures) {
  BackgroundWriter writer;
  std::atomic<int> done{0};
  writer.Start([&](const std::atomic<bool>&) { ++done; });
  writer.Start([&](const std::atomic<bool>&) { throw Error("Disk full"); });
  writer.Wait();
  EXPECT_FALSE(writer.Busy());
  EXPECT_EQ(done, 1);
  EXPECT_EQ(writer.TakeError(), "Disk full");
  EXPECT_EQ(writer.TakeError(), std::nullopt);
  // Cancelling reaches the running job.
  std::atomic<bool> started{false};
  writer.Start([&](const std::atomic<bool>& cancel) {
    started = true;
    while (!cancel.load()) std::this_thread::yield();
    throw Error("cancelled");
  });
  while (!started) std::this_thread::yield();
  writer.Cancel();
  writer.Wait();
  EXPECT_EQ(writer.TakeError(), "cancelled");
}

}  // namespace
}  // namespace velorin

namespace velorin {
namespace {

// The snapshot is taken in pieces; a change between pieces starts it over,
// so the copy is always one state of the list, never a mix of two.
TEST(IncrementalCopy, CopiesInPiecesAndStartsOverOnAChange) {
  SubtitleList doc;
  for (int i = 0; i < 10; ++i) doc.Add("{" + std::to_string(i) + "}{0}row");
  IncrementalCopy copy;
  copy.Start(doc.Lines(), doc.Revision());
  EXPECT_FALSE(copy.Step(doc.Lines(), doc.Revision(), 4));
  doc.Replace(0, "{0}{0}changed");  // behind the copy's position
  EXPECT_FALSE(copy.Step(doc.Lines(), doc.Revision(), 4));
  EXPECT_FALSE(copy.Step(doc.Lines(), doc.Revision(), 4));
  EXPECT_TRUE(copy.Active());
  EXPECT_TRUE(copy.Step(doc.Lines(), doc.Revision(), 4));
  EXPECT_EQ(copy.Take(), doc.Lines());
  EXPECT_FALSE(copy.Active());
  SubtitleList empty;
  copy.Start(empty.Lines(), empty.Revision());
  EXPECT_TRUE(copy.Step(empty.Lines(), empty.Revision(), 4));
  EXPECT_TRUE(copy.Take().empty());
}

}  // namespace
}  // namespace velorin
