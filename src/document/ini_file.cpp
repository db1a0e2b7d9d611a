#include "document/ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>

#include "document/ascii.h"
#include "document/error.h"
#include "document/subtitle_file.h"

namespace velorin {

namespace {

// The section name of a header line "[name]", or nothing.
bool SectionName(std::string_view line, std::string_view& name) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') return false;
  auto close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = TrimBlanks(line.substr(1, close - 1));
  return true;
}

// Key and value of a "key=value" line, or nothing.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = TrimBlanks(line.substr(0, eq));
  if (key.empty() || key.front() == ';') return false;
  value = TrimBlanks(line.substr(eq + 1));
  return true;
}

std::string ReadWholeFile(const std::string& path) {
  // Only a plain file is read: a pipe would never end, nor would /dev/zero.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  try {
    return ReadFileBytes(path);
  } catch (const Error&) {
    return {};
  }
}

// How a value is written so that reading gives it back: one with a line
// break cannot be kept (it would turn into lines of its own) and is written
// empty; one with blanks at its ends, or in matching quotes, goes in quotes,
// which reading removes.
std::string StoredValue(std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos) return {};
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (!value.empty() && (IsAsciiBlank(value.front()) || IsAsciiBlank(value.back()) || quoted))
    return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) { Reload(); }

void IniFile::Reload() { Parse(ReadWholeFile(path_)); }

void IniFile::Parse(std::string_view bytes) {
  lines_.clear();
  hadBom_ = StartsWithUtf8Bom(bytes);
  bytes = SkipUtf8Bom(bytes);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    if (nl == std::string_view::npos) {
      lines_.push_back({std::string(bytes.substr(start)), ""});
      break;
    }
    size_t end = nl;
    const char* lineEnd = "\n";
    if (end > start && bytes[end - 1] == '\r') {
      --end;
      lineEnd = "\r\n";
    }
    lines_.push_back({std::string(bytes.substr(start, end - start)), lineEnd});
    start = nl + 1;
  }
}

std::string IniFile::Compose() const {
  std::string out(hadBom_ ? kUtf8Bom : std::string_view());
  for (const Line& l : lines_) out += l.text + l.end;
  return out;
}

IniFile::Found IniFile::Find(std::string_view section, std::string_view key) const {
  Found f;
  bool inSection = false;
  for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
    std::string_view text = lines_[i].text;
    std::string_view name;
    if (SectionName(text, name)) {
      if (inSection) break;  // the first section of that name is the one read
      if (EqualsIgnoringAsciiCase(name, TrimBlanks(section))) {
        inSection = true;
        f.section = f.lastContent = i;
      }
      continue;
    }
    if (!inSection) continue;
    if (!TrimBlanks(text).empty()) f.lastContent = i;
    std::string_view k, v;
    if (f.key < 0 && KeyValue(text, k, v) && EqualsIgnoringAsciiCase(k, TrimBlanks(key))) f.key = i;
  }
  return f;
}

const std::string* IniFile::Value(std::string_view section, std::string_view key) const {
  Found f = Find(section, key);
  if (f.key < 0) return nullptr;
  return &lines_[f.key].text;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  return Value(section, key) != nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  const std::string* line = Value(section, key);
  if (!line) return std::string(defaultValue);
  std::string_view k, v;
  KeyValue(*line, k, v);
  // A value in matching quotes is read without them.
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t defaultValue) const {
  std::string text = ReadString(section, key, "");
  std::string_view s = text;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  int32_t value = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || ptr != s.data() + s.size()) return defaultValue;
  return value;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::SetString(std::string_view section, std::string_view key, std::string_view rawValue) {
  const std::string value = StoredValue(rawValue);
  std::string_view keyName = TrimBlanks(key);
  Found f = Find(section, key);
  if (f.key >= 0) {
    // Keep the key as the file spells it; only its value changes.
    std::string_view k, v;
    KeyValue(lines_[f.key].text, k, v);
    lines_[f.key].text = std::string(k) + "=" + std::string(value);
  } else {
    // A last line without a line end gets one before anything follows it.
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = "\r\n";
    Line keyLine{std::string(keyName) + "=" + std::string(value), "\r\n"};
    if (f.section >= 0) {
      lines_.insert(lines_.begin() + f.lastContent + 1, keyLine);
    } else {
      if (!lines_.empty() && !TrimBlanks(lines_.back().text).empty())
        lines_.push_back({"", "\r\n"});
      lines_.push_back({"[" + std::string(TrimBlanks(section)) + "]", "\r\n"});
      lines_.push_back(keyLine);
    }
  }
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Reload();
  SetString(section, key, value);
  // The save refuses a read-only file (also for root, when it has no write
  // bit), so the settings never turn writable by being written.
  try {
    WriteFileAtomically(path_, Compose());
  } catch (const Error&) {
    throw Error("Unable to write to " + path_);
  }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string SettingsFilePath(const std::string& programDir, const std::string& xdgConfigHome,
                             const std::string& home, bool programDirWritable) {
  if (programDirWritable) return programDir + "Velorin.ini";
  std::string base = !xdgConfigHome.empty() ? xdgConfigHome : home + "/.config";
  if (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/velorin/Velorin.ini";
}

std::string InstalledResourceDirectory(const std::string& programDir) {
  std::string dir = programDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const size_t slash = dir.rfind('/');
  const std::string prefix = slash == std::string::npos ? "." : dir.substr(0, slash);
  return prefix + "/share/velorin/";
}

}  // namespace velorin
