// The settings file: any bytes parse and compose back to themselves; writing
// a key reads back as written and leaves every other line byte for byte.
#include "document/ascii.h"
#include "document/ini_file.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

// The bytes as lines with their ends.
std::vector<std::string> LinesWithEnds(std::string_view bytes) {
  std::vector<std::string> out;
  while (!bytes.empty()) {
    const size_t nl = bytes.find('\n');
    const size_t len = nl == std::string_view::npos ? bytes.size() : nl + 1;
    out.emplace_back(bytes.substr(0, len));
    bytes.remove_prefix(len);
  }
  return out;
}

// A section or key name as the program uses them: letters, digits, '_'.
std::string Name(FuzzedDataProvider& input) {
  std::string name = input.ConsumeRandomLengthString(12);
  for (char& c : name)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c = '_';
  return name.empty() ? "k" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = Name(input);
  const std::string key = Name(input);
  const std::string value = input.ConsumeRandomLengthString(40);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  IniFile ini("/nonexistent/velorin-fuzz/Velorin.ini");
  ini.Parse(bytes);
  FUZZ_CHECK(ini.Compose() == bytes);
  (void)ini.ReadInteger(section, key, 7);
  (void)ini.ReadBool(section, key, true);

  ini.SetString(section, key, value);
  // A value with a line break cannot be kept and is written empty.
  const bool keepable = value.find_first_of("\r\n") == std::string::npos;
  FUZZ_CHECK(ini.ReadString(section, key, "<none>") == (keepable ? value : ""));
  FUZZ_CHECK(ini.HasKey(section, key));

  // Other lines stay: the new lines are the old ones with one line changed
  // or one to three lines put in, and at most the old last line ending now.
  // A byte-order mark stays in front of everything.
  const std::string composed = ini.Compose();
  FUZZ_CHECK(StartsWithUtf8Bom(composed) == StartsWithUtf8Bom(bytes));
  std::vector<std::string> before = LinesWithEnds(SkipUtf8Bom(bytes));
  const std::vector<std::string> after = LinesWithEnds(SkipUtf8Bom(composed));
  FUZZ_CHECK(after.size() >= before.size());
  if (!before.empty() && before.back().back() != '\n' && after.size() > before.size())
    before.back() += "\r\n";
  size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  const size_t changedBefore = before.size() - head - tail;
  const size_t changedAfter = after.size() - head - tail;
  FUZZ_CHECK((changedBefore <= 1 && changedAfter == changedBefore) ||
             (changedBefore == 0 && changedAfter >= 1 && changedAfter <= 3));
  return 0;
}
