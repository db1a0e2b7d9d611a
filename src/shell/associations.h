#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// Registering the program as the opener of a kind of file, by extension
// ("txt", "sub", "srt", lower case). Failures are not errors: the
// association dialog reports nothing, and IsAssociated shows the outcome the
// next time it opens. Associate and Unassociate return whether everything
// they meant to write was written.
class AssociationStore {
 public:
  virtual ~AssociationStore() = default;
  virtual bool IsAssociated(std::string_view ext) = 0;
  virtual bool Associate(std::string_view ext) = 0;
  virtual bool Unassociate(std::string_view ext) = 0;
};

// The MIME types the program becomes the opener of for the extension: sub
// the three subtitle formats shared-mime-info names *.sub; srt SubRip and its
// alias; txt a type of its own (kTxtMimeType) that only *.txt files have, so
// that scripts, logs and the other kinds of text/plain stay with their programs.
std::vector<std::string> MimeTypesOf(std::string_view ext);

inline constexpr std::string_view kTxtMimeType = "text/x-velorin-txt";

// The user MIME package that gives *.txt files kTxtMimeType: a kind of
// text/plain (text editors still open them) whose name pattern outweighs
// text/plain's.
std::string TxtMimePackage();

// The Exec value of a desktop entry that opens one file with the program:
// the path as it is when it holds no character the format reserves (some
// desktops' tools cannot read a quoted path), otherwise quoted and escaped as
// the desktop-entry format requires (quoting first, then the backslash
// escapes of a string value); then %f.
std::string DesktopExecValue(std::string_view programPath);

// mimeapps.list with desktopId made the first default application of each
// type in [Default Applications]; the applications named before follow it.
// Every other line stays byte for byte as it was; the group is added at the
// end when the file has none.
std::string WithDefaultApplication(std::string_view mimeapps, const std::vector<std::string>& types,
                                   std::string_view desktopId);

// mimeapps.list with desktopId taken out of the defaults of each type; a
// default that then names nothing goes. Defaults that do not name desktopId
// stay as they are, as does every other line.
std::string WithoutDefaultApplication(std::string_view mimeapps,
                                      const std::vector<std::string>& types,
                                      std::string_view desktopId);

// The associations of the freedesktop.org desktops: a desktop entry
// velorin-soubor-<ext>.desktop in <data home>/applications for each extension
// (its presence means the extension is associated), and the default
// application of the extension's MIME types in <config home>/mimeapps.list.
class FreedesktopAssociations : public AssociationStore {
 public:
  // The XDG base folders without a trailing '/', and the program to open
  // files with.
  FreedesktopAssociations(std::string dataHome, std::string configHome, std::string programPath);

  // Runs update-mime-database on a folder; true when it succeeded. Tests
  // may replace it.
  using MimeDatabaseUpdate = std::function<bool(const std::string& mimeDir)>;
  void SetMimeDatabaseUpdate(MimeDatabaseUpdate update) { updateMime_ = std::move(update); }
  static bool RunUpdateMimeDatabase(const std::string& mimeDir);

  // $XDG_DATA_HOME and $XDG_CONFIG_HOME, or ~/.local/share and ~/.config when
  // they are unset or not absolute (null for an unset variable).
  static FreedesktopAssociations FromEnvironment(const char* xdgDataHome, const char* xdgConfigHome,
                                                 const char* home, std::string programPath);

  static std::string DesktopId(std::string_view ext);
  std::string DesktopFilePath(std::string_view ext) const;
  // The MIME package that gives *.txt files their own type.
  std::string TxtMimePackagePath() const;
  std::string MimeAppsPath() const;
  // The desktop entry written for ext.
  std::string DesktopEntry(std::string_view ext) const;

  bool IsAssociated(std::string_view ext) override;
  bool Associate(std::string_view ext) override;
  bool Unassociate(std::string_view ext) override;

 private:
  // Rewrites mimeapps.list through edit; a file that exists but cannot be
  // read is left alone.
  template <typename Edit>
  bool EditMimeApps(Edit&& edit);

  // Installs or removes the *.txt MIME package and compiles the user's MIME
  // database again.
  bool InstallTxtMimeType(bool install);

  std::string dataHome_;
  std::string configHome_;
  std::string programPath_;
  MimeDatabaseUpdate updateMime_ = RunUpdateMimeDatabase;
};

}  // namespace velorin
