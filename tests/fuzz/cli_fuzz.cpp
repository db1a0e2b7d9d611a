// velorin-cli's argument and file handling: any arguments and any input end
// in status 0, 1 or 2; a failure says why in a short message on the error
// stream, prints nothing else and leaves every file as it was. The runs
// happen in a folder of their own, and no argument can leave it: '/' in an
// argument becomes '_'.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "document/subtitle_file.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

const char* const kKeep[] = {"in.sub", "ref.sub", "old.sub"};

// The folder the runs write in: memory-backed where there is /dev/shm, so
// that the saves' syncs cost nothing. Removed when the fuzzer ends. Each run
// goes into it and back, for libFuzzer reads its corpus by relative paths.
struct Sandbox {
  Sandbox() {
    std::string tmpl = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    tmpl += "/velorin-cli-fuzz-XXXXXX";
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir = tmpl;
  }
  ~Sandbox() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string dir;
};

const std::string& SandboxDir() {
  static const Sandbox sandbox;
  return sandbox.dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = SandboxDir();
  static const int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (home < 0 || ::chdir(dir.c_str()) != 0) std::abort();
  FuzzedDataProvider input(data, size);
  std::vector<std::string> args;
  for (int n = input.ConsumeIntegralInRange(0, 12); n > 0; --n) {
    std::string arg = input.ConsumeRandomLengthString(24);
    for (char& c : arg)
      if (c == '/') c = '_';
    args.push_back(std::move(arg));
  }
  const std::string files[] = {input.ConsumeRandomLengthString(256),
                               input.ConsumeRandomLengthString(128), "{1}{2}earlier\r\n"};
  const std::string stdinBytes = input.ConsumeRemainingBytesAsString();
  for (size_t i = 0; i < std::size(kKeep); ++i) WriteFileAtomically(kKeep[i], files[i]);

  std::istringstream in(stdinBytes);
  std::ostringstream out, err;
  const int status = RunCli(args, in, out, err);
  FUZZ_CHECK(status == 0 || status == 1 || status == 2);
  if (status != 0) {
    const std::string message = err.str();
    FUZZ_CHECK(message.rfind("velorin-cli: ", 0) == 0);
    FUZZ_CHECK(message.size() < 4000);  // the usage text at most
    FUZZ_CHECK(out.str().empty());
    for (size_t i = 0; i < std::size(kKeep); ++i) FUZZ_CHECK(ReadFileBytes(kKeep[i]) == files[i]);
  }
  // What a run made goes before the next one.
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename();
    if (std::find(std::begin(kKeep), std::end(kKeep), name) == std::end(kKeep))
      std::filesystem::remove_all(entry.path());
  }
  if (::fchdir(home) != 0) std::abort();
  return 0;
}
