#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "document/file_names.h"
#include "document/ini_file.h"
#include "layout/subtitle_font.h"

namespace velorin {

// The general settings, the association flags and the recent files.
struct AppSettings {
  std::string subtitlesPath;   // CESTA/Titulky
  std::string filmsPath;       // CESTA/Filmy
  SubtitleFont subtitleFont;    // SIRE TITULKU: the width-fitting dialog's font
  SubtitleFont defaultFormat;   // FORMATOVANI
  bool maximalne = true;       // OSTATNI/Maximalne
  bool rucneUpravit = false;   // OSTATNI/Rucne upravit
  bool chronologicke = true;   // OSTATNI/Chronologicke razeni
  bool zmena = true;           // OSTATNI/Zmena: ask about unsaved changes
  std::string backgroundPath;  // POZADI/Cesta
  bool assocTxt = false, assocSub = false, assocSrt = false;  // ASOCIACE
  std::vector<std::string> recentFiles;  // OTEVRENO, at most nine, newest first
};

inline constexpr int kRecentCount = 9;

// Reads every key; what the file lacks comes from defaults. Recent entries
// whose file has gone are dropped and the rest move up.
AppSettings ReadAppSettings(const IniFile& ini, const AppSettings& defaults,
                            const ExistsFn& exists = FileExists);

// "Uložit nastavení": the paths, both fonts, the four options and the
// background, in this order. Throws Error at the first key it cannot write;
// the keys before it stay written.
void WriteGeneralSettings(IniFile& ini, const AppSettings& settings);

// ASOCIACE/Txt, Sub, Srt, in this order: the association dialog's OK.
void WriteAssociationFlags(IniFile& ini, bool txt, bool sub, bool srt);

// OTEVRENO/1..9, empty entries written as empty values.
void WriteRecentFiles(IniFile& ini, const std::vector<std::string>& recentFiles);

// Puts an existing file at the top of the list: an exact (case-sensitive)
// earlier entry of it is removed first, the tenth drops out. A path with no
// file leaves the list alone. Returns whether the list changed.
bool AddRecentFile(std::vector<std::string>& recentFiles, const std::string& path,
                   const ExistsFn& exists = FileExists);

// The caption of recent-menu item n (1-based): "1 film.sub".
std::string RecentCaption(int n, const std::string& path);

// The completion dialog's values, section UPRAVA.
struct CompletionSettings {
  int32_t doba = 7;                               // Doba: the longest display time in seconds
  bool pomerne = true;                            // Pomerne: times by the number of lines
  int32_t pomerneCas = 2;                         // PomerneCas: the step between line counts
  bool prazdne = false;                           // Prazdne: only subtitles without a second frame
  std::array<int32_t, 5> rad = {3, 5, 7, 9, 11};  // Rad1..Rad5
  bool operator==(const CompletionSettings&) const = default;
};

// The completion dialog's fields as typed: numbers are read as they are written.
struct CompletionFields {
  std::string doba;
  bool pomerne = true;
  std::string pomerneCas;
  bool prazdne = false;
  std::array<std::string, 5> rad;
};

CompletionSettings ReadCompletionSettings(const IniFile& ini);

// Writes the nine keys in the dialog's order, each number converted as its
// key is written: a field that is not a whole number throws the
// invalid-number error there, the keys before it stay written.
void WriteCompletionSettings(IniFile& ini, const CompletionFields& fields);

}  // namespace velorin
