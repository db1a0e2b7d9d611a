// The recovery copy read at start: any bytes are a copy, damaged or from
// another version, and never crash the reader. A copy it accepts writes back
// to a copy that reads the same. Input starting with 1 gets the copy's magic,
// version and a correct checksum around the rest, so that the fuzzer reaches
// the fields behind the checksum.
#include <zlib.h>

#include "document/recovery_file.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

std::string Encode(const RecoveryCopy& copy) {
  std::string out;
  EncodeRecovery(copy.session, copy.lines, [&](std::string_view b) { out.append(b); });
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!bytes.empty() && bytes[0] == 1) {
    std::string body = "Velorin recovery\n";
    for (int i = 0; i < 4; ++i)
      body += static_cast<char>((kRecoveryFormatVersion >> (8 * i)) & 0xFF);
    body.append(bytes, 1);
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(body.data()),
                            static_cast<uInt>(body.size()));
    for (int i = 0; i < 4; ++i) body += static_cast<char>((crc >> (8 * i)) & 0xFF);
    bytes = std::move(body);
  }
  const RecoveryReadResult read = DecodeRecovery(bytes);
  if (read.status != RecoveryRead::Ok) return 0;
  FUZZ_CHECK(read.copy.session.cursorRow >= -1);
  FUZZ_CHECK(read.copy.session.cursorRow < static_cast<int64_t>(read.copy.lines.size()));
  const std::string again = Encode(read.copy);
  const RecoveryReadResult reread = DecodeRecovery(again);
  FUZZ_CHECK(reread.status == RecoveryRead::Ok);
  FUZZ_CHECK(reread.copy.session == read.copy.session);
  FUZZ_CHECK(reread.copy.lines == read.copy.lines);
  FUZZ_CHECK(again.size() <= bytes.size());  // canonical lengths are the shortest
  return 0;
}
