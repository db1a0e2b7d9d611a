#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace velorin {

using ExistsFn = std::function<bool(const std::string& path)>;

// Whether a regular file (or anything but a folder) exists at path.
bool FileExists(const std::string& path);

// Whether c separates folders in a path the user typed: '/' and also '\'.
inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// The folder part of path with its trailing separator ("" when there is none).
std::string DirectoryPart(std::string_view path);

// What follows the last separator.
std::string FileNamePart(std::string_view path);

// The first free target name for a source: the source with 2, 3, ... inserted
// four characters before its end, a .srt extension becoming .sub
// (film.sub -> film2.sub, film.srt -> film2.sub, readme -> re2adme).
std::string FreeTargetName(const std::string& source, const ExistsFn& exists = FileExists);

// The subtitle file a name the user typed stands for: its file-name part (after
// the last separator or drive colon) cut at the first full stop, with suffix
// and ".sub" appended, inside folder ("/d", "C:\\x\\film.cz.txt" -> /d/film.sub).
std::string SubtitlePathFor(const std::string& folder, std::string_view entered,
                            std::string_view suffix = {});

// The file AskSaveChanges saves into for a name the user typed: its file-name
// part cut at the first full stop, inside the subtitles folder, with 2, 3, ...
// appended until no such .sub file exists.
std::string FreeSaveName(const std::string& subtitlesPath, std::string_view entered,
                         const ExistsFn& exists = FileExists);

}  // namespace velorin
