#include "shell/settings.h"

#include <algorithm>

#include "document/subtitle_line.h"

namespace velorin {

namespace {

SubtitleFont ReadFont(const IniFile& ini, const char* section, const SubtitleFont& def) {
  SubtitleFont f;
  f.name = ini.ReadString(section, "Pismo", def.name);
  f.style = ini.ReadInteger(section, "Styl", def.style);
  f.size = ini.ReadInteger(section, "Velikost", def.size);
  return f;
}

void WriteFont(IniFile& ini, const char* section, const SubtitleFont& f) {
  ini.WriteString(section, "Pismo", f.name);
  ini.WriteInteger(section, "Styl", f.style);
  ini.WriteInteger(section, "Velikost", f.size);
}

}  // namespace

AppSettings ReadAppSettings(const IniFile& ini, const AppSettings& defaults,
                            const ExistsFn& exists) {
  AppSettings s;
  s.subtitlesPath = ini.ReadString("CESTA", "Titulky", defaults.subtitlesPath);
  s.filmsPath = ini.ReadString("CESTA", "Filmy", defaults.filmsPath);
  s.subtitleFont = ReadFont(ini, "SIRE TITULKU", defaults.subtitleFont);
  s.defaultFormat = ReadFont(ini, "FORMATOVANI", defaults.defaultFormat);
  s.maximalne = ini.ReadBool("OSTATNI", "Maximalne", defaults.maximalne);
  s.rucneUpravit = ini.ReadBool("OSTATNI", "Rucne upravit", defaults.rucneUpravit);
  s.chronologicke = ini.ReadBool("OSTATNI", "Chronologicke razeni", defaults.chronologicke);
  s.zmena = ini.ReadBool("OSTATNI", "Zmena", defaults.zmena);
  s.backgroundPath = ini.ReadString("POZADI", "Cesta", defaults.backgroundPath);
  s.assocTxt = ini.ReadBool("ASOCIACE", "Txt", defaults.assocTxt);
  s.assocSub = ini.ReadBool("ASOCIACE", "Sub", defaults.assocSub);
  s.assocSrt = ini.ReadBool("ASOCIACE", "Srt", defaults.assocSrt);
  for (int n = 1; n <= kRecentCount; ++n) {
    std::string path = ini.ReadString("OTEVRENO", std::to_string(n), "");
    if (!path.empty() && exists(path)) s.recentFiles.push_back(path);
  }
  return s;
}

void WriteGeneralSettings(IniFile& ini, const AppSettings& s) {
  ini.WriteString("CESTA", "Titulky", s.subtitlesPath);
  ini.WriteString("CESTA", "Filmy", s.filmsPath);
  WriteFont(ini, "SIRE TITULKU", s.subtitleFont);
  WriteFont(ini, "FORMATOVANI", s.defaultFormat);
  ini.WriteBool("OSTATNI", "Maximalne", s.maximalne);
  ini.WriteBool("OSTATNI", "Rucne upravit", s.rucneUpravit);
  ini.WriteBool("OSTATNI", "Chronologicke razeni", s.chronologicke);
  ini.WriteBool("OSTATNI", "Zmena", s.zmena);
  ini.WriteString("POZADI", "Cesta", s.backgroundPath);
}

void WriteAssociationFlags(IniFile& ini, bool txt, bool sub, bool srt) {
  ini.WriteBool("ASOCIACE", "Txt", txt);
  ini.WriteBool("ASOCIACE", "Sub", sub);
  ini.WriteBool("ASOCIACE", "Srt", srt);
}

void WriteRecentFiles(IniFile& ini, const std::vector<std::string>& recentFiles) {
  for (int n = 1; n <= kRecentCount; ++n) {
    size_t i = static_cast<size_t>(n - 1);
    ini.WriteString("OTEVRENO", std::to_string(n), i < recentFiles.size() ? recentFiles[i] : "");
  }
}

bool AddRecentFile(std::vector<std::string>& recentFiles, const std::string& path,
                   const ExistsFn& exists) {
  if (!exists(path)) return false;
  if (auto it = std::find(recentFiles.begin(), recentFiles.end(), path); it != recentFiles.end())
    recentFiles.erase(it);
  recentFiles.insert(recentFiles.begin(), path);
  if (recentFiles.size() > static_cast<size_t>(kRecentCount)) recentFiles.resize(kRecentCount);
  return true;
}

std::string RecentCaption(int n, const std::string& path) {
  return std::to_string(n) + " " + FileNamePart(path);
}

namespace {

constexpr const char* kCompletionSection = "UPRAVA";
constexpr const char* kRadKeys[5] = {"Rad1", "Rad2", "Rad3", "Rad4", "Rad5"};

}  // namespace

CompletionSettings ReadCompletionSettings(const IniFile& ini) {
  const CompletionSettings d;
  CompletionSettings s;
  s.doba = ini.ReadInteger(kCompletionSection, "Doba", d.doba);
  s.pomerne = ini.ReadBool(kCompletionSection, "Pomerne", d.pomerne);
  s.pomerneCas = ini.ReadInteger(kCompletionSection, "PomerneCas", d.pomerneCas);
  s.prazdne = ini.ReadBool(kCompletionSection, "Prazdne", d.prazdne);
  for (size_t i = 0; i < 5; ++i)
    s.rad[i] = ini.ReadInteger(kCompletionSection, kRadKeys[i], d.rad[i]);
  return s;
}

void WriteCompletionSettings(IniFile& ini, const CompletionFields& f) {
  ini.WriteInteger(kCompletionSection, "Doba", ToInt32(f.doba));
  ini.WriteBool(kCompletionSection, "Pomerne", f.pomerne);
  ini.WriteInteger(kCompletionSection, "PomerneCas", ToInt32(f.pomerneCas));
  ini.WriteBool(kCompletionSection, "Prazdne", f.prazdne);
  for (size_t i = 0; i < 5; ++i)
    ini.WriteInteger(kCompletionSection, kRadKeys[i], ToInt32(f.rad[i]));
}

}  // namespace velorin
