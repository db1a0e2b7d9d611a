#include "document/file_names.h"

#include <sys/stat.h>

#include <algorithm>

#include "document/ascii.h"

namespace velorin {

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string DirectoryPart(std::string_view path) {
  auto it = std::find_if(path.rbegin(), path.rend(), IsPathSeparator);
  if (it == path.rend()) return {};
  return std::string(path.substr(0, path.rend() - it));
}

namespace {

std::string_view FileNamePartView(std::string_view path) {
  auto it = std::find_if(path.rbegin(), path.rend(), IsPathSeparator);
  return path.substr(static_cast<size_t>(path.rend() - it));
}

}  // namespace

std::string FileNamePart(std::string_view path) { return std::string(FileNamePartView(path)); }

std::string FreeTargetName(const std::string& source, const ExistsFn& exists) {
  for (int n = 2;; ++n) {
    std::string t = source;
    if (auto dot = t.rfind('.'); dot != std::string::npos &&
                                 EqualsIgnoringAsciiCase(std::string_view(t).substr(dot), ".srt"))
      t = t.substr(0, t.size() - 4) + ".sub";
    size_t at = t.size() >= 4 ? t.size() - 4 : 0;
    t.insert(at, std::to_string(n));
    if (!exists(t)) return t;
  }
}

std::string SubtitlePathFor(const std::string& folder, std::string_view entered,
                            std::string_view suffix) {
  std::string_view base = FileNamePartView(entered);
  // A drive colon ("C:name") ends the folder part of a typed Windows name too.
  if (auto colon = base.rfind(':'); colon != std::string_view::npos) base.remove_prefix(colon + 1);
  base = base.substr(0, base.find('.'));
  std::string path = folder;
  if (!path.empty() && !IsPathSeparator(path.back())) path += '/';
  path.append(base).append(suffix).append(".sub");
  return path;
}

std::string FreeSaveName(const std::string& subtitlesPath, std::string_view entered,
                         const ExistsFn& exists) {
  for (int n = 1;; ++n) {
    std::string candidate =
        SubtitlePathFor(subtitlesPath, entered, n == 1 ? std::string() : std::to_string(n));
    if (!exists(candidate)) return candidate;
  }
}

}  // namespace velorin
