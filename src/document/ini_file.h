#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// A settings file of the INI kind: section and key names match without regard
// to case, integers are decimal, booleans 1 and 0 (any non-zero number reads
// as true), a missing file, section or key or a value that is not a number
// reads as the default.
// Writing one key rewrites only that key's line (or adds the key, or the
// section with it) and leaves every other byte of the file as it was.
class IniFile {
 public:
  // Reads the file; a missing or unreadable file reads as empty.
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  bool HasKey(std::string_view section, std::string_view key) const;

  // Each write takes the file as it is on disk now (another part of the
  // program may have written it since), changes the one key and replaces the
  // file safely. Throws Error "Unable to write to <path>" when it cannot.
  // Values read back as written: blanks at the ends or enclosing quotes are
  // kept by quoting; a value with a line break cannot be kept and is
  // written empty.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // The change a write makes, on the lines in memory only: the key's line
  // gets the new value, or the key is added at the end of its section, or
  // the section with the key at the end of the file.
  void SetString(std::string_view section, std::string_view key, std::string_view value);

  // Parses the file's bytes (tests, re-reading).
  void Parse(std::string_view bytes);
  // The bytes the file holds after the writes.
  std::string Compose() const;

 private:
  // One physical line: its bytes without the line end, and the line end
  // itself ("\r\n", "\n" or "" for a last line without one).
  struct Line {
    std::string text;
    std::string end;
  };
  // Where a key is: the line of its section header and of the key itself.
  struct Found {
    int section = -1;      // -1: no such section
    int key = -1;          // -1: no such key in it
    int lastContent = -1;  // last non-blank line of the section, header included
  };
  Found Find(std::string_view section, std::string_view key) const;
  const std::string* Value(std::string_view section, std::string_view key) const;
  void Reload();

  std::string path_;
  std::vector<Line> lines_;
  bool hadBom_ = false;
};

// Where the settings file lives: Velorin.ini in the program folder, or in
// $XDG_CONFIG_HOME/velorin (~/.config/velorin) when the program folder cannot
// be written. programDir ends with '/'.
std::string SettingsFilePath(const std::string& programDir, const std::string& xdgConfigHome,
                             const std::string& home, bool programDirWritable);

// Where an installed program's help pages and pictures are: share/velorin/
// beside the bin/ folder it runs from (/usr/bin/ -> /usr/share/velorin/).
// A built or copied program has them beside itself instead.
std::string InstalledResourceDirectory(const std::string& programDir);

}  // namespace velorin
