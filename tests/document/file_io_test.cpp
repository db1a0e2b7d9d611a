#include "document/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

#include "document/error.h"
#include "document/subtitle_file.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::Immutable;
using test::ReadBytes;
using test::SaveTemporariesIn;
using test::TempDir;
using test::WriteBytes;

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A save changes the content and nothing else its user knows of the file.
struct KeepSetup {
  KeepSetup(std::string p, std::string r, std::string o = "", bool same = false)
      : path(std::move(p)), real(std::move(r)), other(std::move(o)), sameFile(same) {}
  std::string path;       // what the save is given
  std::string real;       // the file that must receive the bytes
  std::string other;      // another name that must show them too, if any
  bool sameFile = false;  // written in place: the inode stays
  std::string skip;       // why this case cannot run here
  std::unique_ptr<Immutable> guard;
};
struct KeepCase {
  const char* name;
  std::function<KeepSetup(const TempDir&)> setup;
};
const KeepCase kKeepCases[] = {
    {"mode 0640",
     [](const TempDir& d) {
       WriteBytes(d.File("t.sub"), "old\r\n");
       ::chmod(d.File("t.sub").c_str(), 0640);
       return KeepSetup{d.File("t.sub"), d.File("t.sub")};
     }},
    {"another user's file saved by root",
     [](const TempDir& d) {
       WriteBytes(d.File("t.sub"), "old\r\n");
       KeepSetup s{d.File("t.sub"), d.File("t.sub")};
       if (!test::IsRoot() || ::chown(s.path.c_str(), 4321, 4322) != 0)
         s.skip = "giving a file another owner needs root";
       return s;
     }},
    {"a second hard link",
     [](const TempDir& d) {
       WriteBytes(d.File("t.sub"), "old\r\n");
       ::link(d.File("t.sub").c_str(), d.File("copy.sub").c_str());
       return KeepSetup{d.File("t.sub"), d.File("t.sub"), d.File("copy.sub"), true};
     }},
    {"a link to a file not yet there",
     [](const TempDir& d) {
       ::symlink("missing.sub", d.File("link.sub").c_str());
       return KeepSetup{d.File("link.sub"), d.File("missing.sub")};
     }},
    {"a chain of relative links into another folder",
     [](const TempDir& d) {
       std::filesystem::create_directory(d.File("a"));
       std::filesystem::create_directory(d.File("b"));
       WriteBytes(d.File("b/real.sub"), "old\r\n");
       ::symlink("../b/mid.sub", d.File("a/link.sub").c_str());
       ::symlink("real.sub", d.File("b/mid.sub").c_str());
       return KeepSetup{d.File("a/link.sub"), d.File("b/real.sub")};
     }},
    {"a writable file in a folder that takes no new file",
     [](const TempDir& d) {
       std::filesystem::create_directory(d.File("ro"));
       WriteBytes(d.File("ro/t.sub"), "a longer old content\r\n");
       KeepSetup s{d.File("ro/t.sub"), d.File("ro/t.sub"), "", true};
       if (test::IsRoot()) {
         s.guard = std::make_unique<Immutable>(d.File("ro"));
         if (!s.guard->Active()) s.skip = s.guard->Reason();
       } else {
         ::chmod(d.File("ro").c_str(), 0555);
       }
       return s;
     }},
};

class WriteFileAtomicallyKeeps : public ::testing::TestWithParam<KeepCase> {};

TEST_P(WriteFileAtomicallyKeeps, ModeOwnerLinksAndLinkTargets) {
  const std::string bytes = "{1}{2}new\r\n";
  TempDir dir;
  KeepSetup s = GetParam().setup(dir);
  if (!s.skip.empty()) GTEST_SKIP() << s.skip;
  struct stat before {};
  const bool existed = ::stat(s.real.c_str(), &before) == 0;
  const bool wasLink = IsLink(s.path);
  WriteFileAtomically(s.path, bytes);
  EXPECT_EQ(ReadBytes(s.real), bytes);
  if (!s.other.empty()) {
    EXPECT_EQ(ReadBytes(s.other), bytes);
  }
  EXPECT_EQ(IsLink(s.path), wasLink);
  struct stat after = StatOf(s.real);
  if (existed) {
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_nlink, before.st_nlink);
    if (s.sameFile) {
      EXPECT_EQ(after.st_ino, before.st_ino);
    }
  }
  s.guard.reset();
  ::chmod(dir.File("ro").c_str(), 0755);
  for (const char* sub : {"", "/a", "/b", "/ro"}) {
    if (std::filesystem::exists(dir.Path() + sub)) {
      EXPECT_TRUE(SaveTemporariesIn(dir.Path() + sub).empty()) << sub;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteFileAtomicallyKeeps, ::testing::ValuesIn(kKeepCases),
                         [](const auto& c) { return test::CaseName(c.param.name); });

// A signal that ends the program during a save takes the temporary file with
// it; the old file stays as it was.
TEST(WriteFileAtomically, SignalsDuringASaveRemoveTheTemporaryFile) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    TempDir dir;
    const std::string path = dir.File("t.sub");
    WriteBytes(path, "old\r\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(sig, SIG_DFL);
      WriteFileStreamed(path, [&](const ByteSink& sink) {
        sink(std::string(1 << 20, 'x'));
        ::raise(sig);
      });
      ::_exit(0);  // the signal should have ended it
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(ReadBytes(path), "old\r\n");
    EXPECT_TRUE(SaveTemporariesIn(dir.Path()).empty());
  }
}

// A save killed beyond help (SIGKILL) leaves its temporary file; the next
// save into the folder removes it once it is stale, and nothing else.
TEST(WriteFileAtomically, NextSaveRemovesStaleTemporariesOfOurs) {
  TempDir dir;
  const std::string stale = dir.File(".film.sub.velorin-Ab3dE9");
  const std::string fresh = dir.File(".other.sub.velorin-Zz9yY8");
  const std::string foreign[] = {dir.File(".vimrc.backup"), dir.File(".film.sub.velorin-ab"),
                                 dir.File("film.sub.velorin-Ab3dE9")};
  for (const std::string& p : {stale, fresh, foreign[0], foreign[1], foreign[2]})
    WriteBytes(p, "x");
  const timespec old[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
  for (const std::string& p : {stale, foreign[0], foreign[1], foreign[2]})
    ::utimensat(AT_FDCWD, p.c_str(), old, 0);

  WriteFileAtomically(dir.File("new.sub"), "{1}{2}x\r\n");
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(fresh));
  for (const std::string& p : foreign) EXPECT_TRUE(std::filesystem::exists(p)) << p;
  EXPECT_TRUE(IsSaveTemporaryName(".film.sub.velorin-Ab3dE9"));
  EXPECT_FALSE(IsSaveTemporaryName(".velorin-Ab3dE9"));
}

TEST(InputFile, ReadsFilesAndPipesAndRefusesTheRest) {
  TempDir dir;
  WriteBytes(dir.File("f.sub"), "{1}{2}a\r\n");
  EXPECT_EQ(ReadFileBytes(dir.File("f.sub")), "{1}{2}a\r\n");

  // A FIFO without a writer does not make the reader wait.
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadFileBytes(fifo), "");

  // A file above the limit is refused before it is read (a sparse one here).
  const std::string huge = dir.File("huge.sub");
  WriteBytes(huge, "");
  std::filesystem::resize_file(huge, kMaxInputBytes + 1);
  const std::pair<std::string, std::string> refused[] = {
      {dir.Path(), "Is a directory"},
      {"/dev/zero", "Not a regular file"},
      {dir.File("none.sub"), "File not found"},
      {huge, "File too large"},
  };
  for (const auto& [path, message] : refused) {
    try {
      ReadFileBytes(path);
      ADD_FAILURE() << path << " was read";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

// A regular file is mapped, a pipe read; a file cut short on disk while it
// is mapped never passes as complete, and reading a document copies it.
TEST(FileBytes, MapsFilesReadsPipesAndNoticesAFileCutShort) {
  TempDir dir;
  const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const std::string content = std::string(3 * page, 'x') + "{1}{2}end\r\n";
  const std::string path = dir.File("big.sub");
  WriteBytes(path, content);
  {
    FileBytes bytes(path);
    EXPECT_TRUE(bytes.Mapped());
    EXPECT_EQ(bytes.View(), content);
    bytes.Release(2 * page);  // the rest stays readable
    EXPECT_EQ(bytes.View().substr(2 * page), content.substr(2 * page));
    EXPECT_NO_THROW(bytes.Check());
    // Cut short under the mapping: the missing pages read as zeros.
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(page)), 0);
    EXPECT_EQ(bytes.View()[2 * page + 1], '\0');
    EXPECT_THROW(bytes.Check(), Error);
  }
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  FileBytes empty(fifo);
  EXPECT_FALSE(empty.Mapped());
  EXPECT_EQ(empty.View(), "");

  // The document holds its own copy: a change of the file afterwards, even
  // in place through the same inode, does not reach it.
  WriteBytes(path, "{1}{2}a\r\n{3}{4}b\r\n");
  ReadOutcome read = ReadSubtitleLines(path);
  {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "Z", 1, 6), 1);
    ::close(fd);
  }
  EXPECT_EQ(read.lines, (std::vector<std::string>{"{1}{2}a", "{3}{4}b"}));
}

}  // namespace
}  // namespace velorin
