#include "shell/associations.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include "document/error.h"
#include "document/file_names.h"
#include "document/subtitle_file.h"

namespace velorin {

namespace {

constexpr std::string_view kDefaultsGroup = "Default Applications";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

struct Line {
  std::string_view text;
  std::string_view end;  // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    size_t textEnd = end > start && bytes[end - 1] == '\r' ? end - 1 : end;
    lines.push_back(
        {bytes.substr(start, textEnd - start),
         bytes.substr(textEnd, (nl == std::string_view::npos ? end : nl + 1) - textEnd)});
    start = nl == std::string_view::npos ? bytes.size() : nl + 1;
  }
  return lines;
}

// The group a header line opens, or nothing for another line.
std::optional<std::string_view> GroupName(std::string_view text) {
  text = Trim(text);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
  return text.substr(1, text.size() - 2);
}

struct Entry {
  std::string_view key;
  std::vector<std::string> values;  // the ';'-separated list, blanks trimmed
};

std::optional<Entry> ParseEntry(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t.front() == '#') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  Entry e{Trim(t.substr(0, eq)), {}};
  std::string_view rest = t.substr(eq + 1);
  while (!rest.empty()) {
    size_t semi = rest.find(';');
    std::string_view item = Trim(rest.substr(0, semi));
    if (!item.empty()) e.values.emplace_back(item);
    rest = semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);
  }
  return e;
}

std::string ComposeEntry(std::string_view key, const std::vector<std::string>& values) {
  std::string out(key);
  out += '=';
  for (const std::string& v : values) out += v + ';';
  return out;
}

// Rewrites the entries of types inside [Default Applications]: change(values)
// gives the new list, or nothing to keep the line as it is; an empty list
// removes the line. Types without an entry get one from add(), when it gives
// any, at the end of the first such group (or in a new group at the end).
template <typename Change, typename Add>
std::string EditDefaults(std::string_view mimeapps, const std::vector<std::string>& types,
                         Change&& change, Add&& add) {
  const std::vector<Line> lines = SplitLines(mimeapps);
  const std::string_view newline =
      !lines.empty() && lines.front().end == "\r\n" ? std::string_view("\r\n") : "\n";
  std::vector<std::optional<std::string>> replaced(lines.size());
  std::vector<bool> found(types.size(), false);
  bool inDefaults = false;
  int defaultsGroups = 0;
  int insertAfter = -1;  // the last non-blank line of the first defaults group
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto group = GroupName(lines[i].text)) {
      inDefaults = *group == kDefaultsGroup;
      if (inDefaults && ++defaultsGroups == 1) insertAfter = static_cast<int>(i);
      continue;
    }
    if (!inDefaults) continue;
    if (defaultsGroups == 1 && !Trim(lines[i].text).empty()) insertAfter = static_cast<int>(i);
    std::optional<Entry> e = ParseEntry(lines[i].text);
    if (!e) continue;
    auto t = std::find(types.begin(), types.end(), e->key);
    if (t == types.end()) continue;
    found[static_cast<size_t>(t - types.begin())] = true;
    if (auto values = change(e->values))
      replaced[i] = values->empty() ? std::string() : ComposeEntry(e->key, *values);
  }

  std::string added;
  for (size_t k = 0; k < types.size(); ++k) {
    if (found[k]) continue;
    if (auto values = add()) added += ComposeEntry(types[k], *values) + std::string(newline);
  }

  std::string out;
  out.reserve(mimeapps.size() + added.size() + 32);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (replaced[i]) {
      if (!replaced[i]->empty()) out += *replaced[i] + std::string(lines[i].end);
    } else {
      out += lines[i].text;
      out += lines[i].end;
    }
    if (static_cast<int>(i) == insertAfter && !added.empty()) {
      if (lines[i].end.empty()) out += newline;
      out += added;
    }
  }
  if (defaultsGroups == 0 && !added.empty()) {
    if (!out.empty() && out.back() != '\n') out += newline;
    out += "[" + std::string(kDefaultsGroup) + "]" + std::string(newline) + added;
  }
  return out;
}

}  // namespace

std::vector<std::string> MimeTypesOf(std::string_view ext) {
  if (ext == "txt") return {std::string(kTxtMimeType)};
  if (ext == "sub") return {"text/x-microdvd", "text/x-mpsub", "text/x-subviewer"};
  if (ext == "srt") return {"application/x-subrip", "application/x-srt"};
  return {};
}

std::string TxtMimePackage() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"" +
         std::string(kTxtMimeType) +
         "\">\n"
         "    <comment>Text file (Velorin)</comment>\n"
         "    <comment xml:lang=\"cs\">Textový soubor (Velorin)</comment>\n"
         "    <sub-class-of type=\"text/plain\"/>\n"
         "    <glob pattern=\"*.txt\" weight=\"60\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::string DesktopExecValue(std::string_view programPath) {
  // Characters that need no quoting in an Exec argument.
  const bool plain =
      !programPath.empty() && std::all_of(programPath.begin(), programPath.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("/._-+,:@").find(c) != std::string_view::npos;
      });
  if (plain) return std::string(programPath) + " %f";
  std::string quoted = "\"";
  for (char c : programPath) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
    if (c == '%') quoted += '%';  // a literal percent sign is written twice
  }
  quoted += "\" %f";
  std::string out;
  for (char c : quoted) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string WithDefaultApplication(std::string_view mimeapps, const std::vector<std::string>& types,
                                   std::string_view desktopId) {
  const std::string id(desktopId);
  return EditDefaults(
      mimeapps, types,
      [&](const std::vector<std::string>& values) -> std::optional<std::vector<std::string>> {
        if (!values.empty() && values.front() == id) return std::nullopt;
        std::vector<std::string> out{id};
        for (const std::string& v : values)
          if (v != id) out.push_back(v);
        return out;
      },
      [&]() -> std::optional<std::vector<std::string>> { return std::vector<std::string>{id}; });
}

std::string WithoutDefaultApplication(std::string_view mimeapps,
                                      const std::vector<std::string>& types,
                                      std::string_view desktopId) {
  const std::string id(desktopId);
  return EditDefaults(
      mimeapps, types,
      [&](const std::vector<std::string>& values) -> std::optional<std::vector<std::string>> {
        if (std::find(values.begin(), values.end(), id) == values.end()) return std::nullopt;
        std::vector<std::string> out;
        for (const std::string& v : values)
          if (v != id) out.push_back(v);
        return out;
      },
      []() -> std::optional<std::vector<std::string>> { return std::nullopt; });
}

FreedesktopAssociations::FreedesktopAssociations(std::string dataHome, std::string configHome,
                                                 std::string programPath)
    : dataHome_(std::move(dataHome)),
      configHome_(std::move(configHome)),
      programPath_(std::move(programPath)) {}

FreedesktopAssociations FreedesktopAssociations::FromEnvironment(const char* xdgDataHome,
                                                                 const char* xdgConfigHome,
                                                                 const char* home,
                                                                 std::string programPath) {
  auto base = [&](const char* value, const char* fallback) {
    if (value && value[0] == '/') return std::string(value);
    return std::string(home ? home : "") + fallback;
  };
  return FreedesktopAssociations(base(xdgDataHome, "/.local/share"),
                                 base(xdgConfigHome, "/.config"), std::move(programPath));
}

std::string FreedesktopAssociations::DesktopId(std::string_view ext) {
  return "velorin-soubor-" + std::string(ext) + ".desktop";
}

std::string FreedesktopAssociations::DesktopFilePath(std::string_view ext) const {
  return dataHome_ + "/applications/" + DesktopId(ext);
}

std::string FreedesktopAssociations::TxtMimePackagePath() const {
  return dataHome_ + "/mime/packages/velorin-txt.xml";
}

bool FreedesktopAssociations::RunUpdateMimeDatabase(const std::string& mimeDir) {
  const char* argv[] = {"update-mime-database", mimeDir.c_str(), nullptr};
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its notes about the database are of no use to the user.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int rc =
      posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool FreedesktopAssociations::InstallTxtMimeType(bool install) {
  std::error_code ec;
  const std::string package = TxtMimePackagePath();
  if (install) {
    std::filesystem::create_directories(dataHome_ + "/mime/packages", ec);
    try {
      WriteFileAtomically(package, TxtMimePackage());
    } catch (const Error&) {
      return false;
    }
  } else {
    if (!std::filesystem::exists(package, ec)) return !ec;
    std::filesystem::remove(package, ec);
    if (ec) return false;
  }
  return updateMime_(dataHome_ + "/mime");
}

std::string FreedesktopAssociations::MimeAppsPath() const { return configHome_ + "/mimeapps.list"; }

std::string FreedesktopAssociations::DesktopEntry(std::string_view ext) const {
  std::string mime;
  for (const std::string& t : MimeTypesOf(ext)) mime += t + ';';
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Soubor aplikace Velorin\n"
         "Comment=Soubor " +
         Upper(ext) +
         "\n"
         "Exec=" +
         DesktopExecValue(programPath_) +
         "\n"
         "Icon=velorin\n"
         "MimeType=" +
         mime +
         "\n"
         "NoDisplay=true\n"
         "Terminal=false\n";
}

bool FreedesktopAssociations::IsAssociated(std::string_view ext) {
  return FileExists(DesktopFilePath(ext));
}

template <typename Edit>
bool FreedesktopAssociations::EditMimeApps(Edit&& edit) {
  const std::string path = MimeAppsPath();
  std::string before;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    try {
      before = ReadFileBytes(path);
    } catch (const Error&) {
      return false;  // never replace what could not be read
    }
  } else if (ec) {
    return false;
  }
  const std::string after = edit(before);
  if (after == before) return true;
  try {
    std::filesystem::create_directories(configHome_, ec);
    WriteFileAtomically(path, after);
  } catch (const Error&) {
    return false;
  }
  return true;
}

bool FreedesktopAssociations::Associate(std::string_view ext) {
  // The entry first: a default must not name an entry that is not there.
  std::error_code ec;
  std::filesystem::create_directories(dataHome_ + "/applications", ec);
  try {
    WriteFileAtomically(DesktopFilePath(ext), DesktopEntry(ext));
  } catch (const Error&) {
    return false;
  }
  const bool typed = ext != "txt" || InstallTxtMimeType(true);
  const std::vector<std::string> types = MimeTypesOf(ext);
  return EditMimeApps([&](const std::string& text) {
           // Earlier versions made the program the opener of all of text/plain.
           const std::string healed =
               ext == "txt" ? WithoutDefaultApplication(text, {"text/plain"}, DesktopId(ext))
                            : text;
           return WithDefaultApplication(healed, types, DesktopId(ext));
         }) &&
         typed;
}

bool FreedesktopAssociations::Unassociate(std::string_view ext) {
  std::error_code ec;
  std::filesystem::remove(DesktopFilePath(ext), ec);  // a missing entry is no error
  const bool removed = !ec;
  std::vector<std::string> types = MimeTypesOf(ext);
  if (ext == "txt") types.emplace_back("text/plain");
  const bool edited = EditMimeApps([&](const std::string& text) {
    return WithoutDefaultApplication(text, types, DesktopId(ext));
  });
  const bool untyped = ext != "txt" || InstallTxtMimeType(false);
  return removed && edited && untyped;
}

}  // namespace velorin
