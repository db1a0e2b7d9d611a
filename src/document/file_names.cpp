#include "document/file_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

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

std::string FileNamePart(std::string_view path) {
  auto it = std::find_if(path.rbegin(), path.rend(), IsPathSeparator);
  return std::string(path.substr(path.rend() - it));
}

std::string FreeTargetName(const std::string& source, const ExistsFn& exists) {
  for (int n = 2;; ++n) {
    std::string t = source;
    if (auto dot = t.rfind('.'); dot != std::string::npos) {
      std::string ext = t.substr(dot);
      std::transform(ext.begin(), ext.end(), ext.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      if (ext == ".SRT") t = t.substr(0, t.size() - 4) + ".sub";
    }
    size_t at = t.size() >= 4 ? t.size() - 4 : 0;
    t.insert(at, std::to_string(n));
    if (!exists(t)) return t;
  }
}

std::string FreeSaveName(const std::string& subtitlesPath, std::string_view entered,
                         const ExistsFn& exists) {
  std::string base = FileNamePart(entered);
  // A drive colon ("C:name") ends the folder part of a typed Windows name too.
  if (auto colon = base.rfind(':'); colon != std::string::npos) base = base.substr(colon + 1);
  if (auto dot = base.find('.'); dot != std::string::npos) base.resize(dot);
  std::string dir = subtitlesPath;
  if (!dir.empty() && !IsPathSeparator(dir.back())) dir += '/';
  for (int n = 1;; ++n) {
    std::string candidate = dir + base + (n == 1 ? "" : std::to_string(n)) + ".sub";
    if (!exists(candidate)) return candidate;
  }
}

}  // namespace velorin
