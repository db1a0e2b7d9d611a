#include "edit/hunspell_checker.h"

#include <hunspell.hxx>
#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "document/error.h"
#include "document/file_io.h"
#include "document/subtitle_file.h"

namespace velorin {

namespace {

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Text through iconv; false when a character has no place in the target.
bool Convert(const std::string& to, const std::string& from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(in.size() * 4 + 8, '\0');
  char* inp = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  const bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &outp, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return ok;
}

// Hunspell's name of an encoding as iconv knows it ("microsoft-cp1251").
std::string IconvName(std::string name) {
  constexpr std::string_view kMicrosoft = "microsoft-";
  if (name.rfind(kMicrosoft, 0) == 0) name.erase(0, kMicrosoft.size());
  return name;
}

// Hunspell reads words up to a length of its own; longer ones are never
// dictionary words and are not handed to it.
constexpr size_t kLongestWordBytes = 100;

}  // namespace

std::vector<std::string> DictionaryFolders() {
  std::vector<std::string> folders;
  const char* path = std::getenv("DICPATH");
  if (!path || !*path) return {"/usr/share/hunspell"};
  std::string_view rest(path);
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty()) folders.emplace_back(folder);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return folders;
}

std::vector<std::string> InstalledDictionaries(const std::vector<std::string>& folders) {
  std::vector<std::string> names;
  for (const std::string& folder : folders) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
      const std::filesystem::path& p = entry.path();
      if (p.extension() != ".dic") continue;
      std::filesystem::path aff = p;
      aff.replace_extension(".aff");
      if (IsFile(p.string()) && IsFile(aff.string())) names.push_back(p.stem().string());
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<std::string> ParsePersonalWords(std::string_view bytes) {
  std::vector<std::string> words;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) continue;
    line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    const bool blank = std::any_of(line.begin(), line.end(), [](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == '\x7F';
    });
    if (blank || !IsValidUtf8(line)) continue;
    words.emplace_back(line);
  }
  return words;
}

std::string PersonalDictionaryPath(std::string_view dictionary) {
  std::string folder;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
    folder = data;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::string(home) + "/.local/share";
  } else {
    folder = "/tmp";
  }
  return folder + "/velorin/words-" + std::string(dictionary) + ".txt";
}

void AddPersonalWord(const std::string& path, std::string_view word) {
  std::string bytes;
  if (IsFile(path)) bytes = ReadFileBytes(path);
  for (const std::string& w : ParsePersonalWords(bytes))
    if (w == word) return;
  if (!bytes.empty() && bytes.back() != '\n') bytes += '\n';
  bytes.append(word);
  bytes += '\n';
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) ThrowFileError(folder.string(), ec.value());
  WriteFileAtomically(path, bytes);
}

HunspellChecker::HunspellChecker(std::string_view dictionary,
                                 const std::vector<std::string>& folders,
                                 std::string personalPath)
    : name_(dictionary), personalPath_(std::move(personalPath)) {
  const bool plainName = !name_.empty() && name_.find('/') == std::string::npos;
  for (const std::string& folder : folders) {
    const std::string base = folder + "/" + name_;
    if (plainName && IsFile(base + ".dic") && IsFile(base + ".aff")) {
      hunspell_ = std::make_unique<Hunspell>((base + ".aff").c_str(), (base + ".dic").c_str());
      break;
    }
  }
  if (!hunspell_) throw Error("no spelling dictionary '" + Excerpt(name_) + "' is installed");
  const std::string& encoding = hunspell_->get_dict_encoding();
  if (encoding != "UTF-8" && encoding != "utf-8" && !encoding.empty())
    encoding_ = IconvName(encoding);
  if (personalPath_.empty() || !IsFile(personalPath_)) return;
  // A personal dictionary that cannot be read costs its words, not the check;
  // adding a word says what is wrong with the file.
  std::string bytes;
  try {
    bytes = ReadFileBytes(personalPath_);
  } catch (const Error&) {
    return;
  }
  for (const std::string& word : ParsePersonalWords(bytes)) Ignore(word);
}

HunspellChecker::~HunspellChecker() = default;

bool HunspellChecker::ToDictionary(std::string_view utf8, std::string& out) const {
  // The dictionaries spell "don't" with the typewriter apostrophe.
  std::string word(utf8);
  for (size_t at; (at = word.find("\xE2\x80\x99")) != std::string::npos;) word.replace(at, 3, "'");
  if (encoding_.empty()) {
    out = std::move(word);
    return true;
  }
  return Convert(encoding_, "UTF-8", word, out);
}

std::string HunspellChecker::FromDictionary(const std::string& bytes) const {
  if (encoding_.empty()) return bytes;
  std::string out;
  return Convert("UTF-8", encoding_, bytes, out) ? out : std::string();
}

bool HunspellChecker::Known(std::string_view word) {
  if (auto it = known_.find(word); it != known_.end()) return it->second;
  std::string converted;
  const bool known = word.size() <= kLongestWordBytes && ToDictionary(word, converted) &&
                     hunspell_->spell(converted);
  known_.emplace(word, known);
  return known;
}

std::vector<std::string> HunspellChecker::Suggest(std::string_view word) {
  std::string converted;
  if (word.size() > kLongestWordBytes || !ToDictionary(word, converted)) return {};
  std::vector<std::string> out;
  for (const std::string& s : hunspell_->suggest(converted)) {
    std::string utf8 = FromDictionary(s);
    if (!utf8.empty()) out.push_back(std::move(utf8));
  }
  return out;
}

void HunspellChecker::AddToDictionary(std::string_view word) {
  if (!personalPath_.empty()) AddPersonalWord(personalPath_, word);
  Ignore(word);
}

void HunspellChecker::Ignore(std::string_view word) {
  known_.insert_or_assign(std::string(word), true);
  std::string converted;
  if (word.size() <= kLongestWordBytes && ToDictionary(word, converted)) hunspell_->add(converted);
}

}  // namespace velorin
