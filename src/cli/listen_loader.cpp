#include "cli/listen_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "document/error.h"

namespace velorin {

namespace {

constexpr const char* kModuleName = "libvelorin_listen.so";
constexpr const char* kFactory = "velorin_make_speech_detector";

std::vector<std::string> Candidates() {
  std::vector<std::string> out;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path dir = program.parent_path();
    out.push_back((dir / kModuleName).string());
    out.push_back((dir.parent_path() / "lib" / "velorin" / kModuleName).string());
  }
#ifdef VELORIN_LISTEN_BUILT
  out.push_back(VELORIN_LISTEN_BUILT);
#endif
  return out;
}

}  // namespace

std::unique_ptr<SpeechDetector> LoadSpeechDetector() {
  // Loaded once and kept for the life of the program: detectors made from
  // it run its code.
  static void* const module = [] {
    void* handle = nullptr;
    for (const std::string& path : Candidates()) {
      std::error_code ec;
      if (!std::filesystem::exists(path, ec)) continue;
      handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) {
        const char* why = ::dlerror();
        throw Error(path + ": cannot be loaded" + (why ? std::string(": ") + why : ""));
      }
      break;
    }
    return handle;
  }();
  if (!module)
    throw Error(std::string(kModuleName) +
                " was not found beside the program or in ../lib/velorin: films cannot be "
                "listened to");
  using Factory = SpeechDetector* (*)();
  auto make = reinterpret_cast<Factory>(::dlsym(module, kFactory));
  if (!make) throw Error(std::string(kModuleName) + " has no " + kFactory);
  return std::unique_ptr<SpeechDetector>(make());
}

}  // namespace velorin
