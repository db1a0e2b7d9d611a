// The background picture: any bytes, as a JPEG or a BMP file, give either a
// picture within the size limit or a message, never a crash.
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz_support.h"
#include "shell/background.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bytes as a file (an anonymous one in memory).
  static const int fd = ::memfd_create("velorin-fuzz-picture", 0);
  static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
  if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
    std::abort();
  for (const PictureLoad& load : {LoadJpegBackground(path), LoadBmpBackground(path)}) {
    FUZZ_CHECK(load.Ok() == !load.image.isNull());
    if (load.Ok())
      FUZZ_CHECK(int64_t{load.image.width()} * load.image.height() <= kMaxBackgroundPixels);
    else
      FUZZ_CHECK(!load.error.isEmpty() && load.error.size() < 200);
  }
  return 0;
}
