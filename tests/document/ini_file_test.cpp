#include "document/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/error.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::string kHandWritten =
    "; Velorin settings\r\n"
    "[CESTA]\r\n"
    "  Titulky =  /home/eva/titulky/  \r\n"
    "Filmy=/home/eva/filmy\r\n"
    "\r\n"
    "[ostatni]\r\n"
    "maximalne = 0\r\n"
    "Zmena=ano\r\n"
    "Rucne upravit=  5\r\n"
    "# not a key line\r\n"
    "\r\n"
    "[SIRE TITULKU]\r\n"
    "Pismo=\"Times New Roman\"\r\n"
    "Velikost=-3\r\n";

TEST(IniFile, ReadsNamesWithoutRegardToCaseAndNumbersOrDefaults) {
  TempDir dir;
  WriteBytes(dir.File("v.ini"), kHandWritten);
  IniFile ini(dir.File("v.ini"));
  EXPECT_EQ(ini.ReadString("cesta", "TITULKY", "x"), "/home/eva/titulky/");
  EXPECT_EQ(ini.ReadString("CESTA", "Filmy", "x"), "/home/eva/filmy");
  EXPECT_EQ(ini.ReadString("CESTA", "Chybi", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("NIC", "Filmy", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("SIRE TITULKU", "Pismo", ""), "Times New Roman");
  EXPECT_EQ(ini.ReadInteger("SIRE TITULKU", "Velikost", 22), -3);
  EXPECT_FALSE(ini.ReadBool("OSTATNI", "Maximalne", true));
  // Not a number: the default; any non-zero number: true.
  EXPECT_TRUE(ini.ReadBool("OSTATNI", "Zmena", true));
  EXPECT_FALSE(ini.ReadBool("OSTATNI", "Zmena", false));
  EXPECT_TRUE(ini.ReadBool("OSTATNI", "Rucne upravit", false));
  EXPECT_EQ(ini.ReadInteger("OSTATNI", "Zmena", 7), 7);
  EXPECT_EQ(ini.ReadInteger("CESTA", "Filmy", 9), 9);
}

TEST(IniFile, MissingFileReadsDefaultsAndIsCreatedByAWrite) {
  TempDir dir;
  IniFile ini(dir.File("Velorin.ini"));
  EXPECT_EQ(ini.ReadInteger("UPRAVA", "Doba", 7), 7);
  ini.WriteInteger("UPRAVA", "Doba", 12);
  ini.WriteBool("UPRAVA", "Pomerne", false);
  ini.WriteString("CESTA", "Titulky", "");
  EXPECT_EQ(ReadBytes(dir.File("Velorin.ini")),
            "[UPRAVA]\r\nDoba=12\r\nPomerne=0\r\n\r\n[CESTA]\r\nTitulky=\r\n");
  IniFile again(dir.File("Velorin.ini"));
  EXPECT_EQ(again.ReadInteger("uprava", "doba", 7), 12);
  EXPECT_FALSE(again.ReadBool("UPRAVA", "Pomerne", true));
  EXPECT_TRUE(again.HasKey("CESTA", "Titulky"));
  EXPECT_EQ(again.ReadString("CESTA", "Titulky", "x"), "");
}

TEST(IniFile, WritingAKeyLeavesEveryOtherLineByteIdentical) {
  struct Case {
    std::string section, key, value, expected;
  } cases[] = {
      // An existing key: only its line changes, spelled as the file spells it.
      {"cesta", "titulky", "/x/",
       "; Velorin settings\r\n[CESTA]\r\nTitulky=/x/\r\nFilmy=/home/eva/filmy\r\n\r\n"
       "[ostatni]\r\nmaximalne = 0\r\nZmena=ano\r\nRucne upravit=  5\r\n# not a key line\r\n\r\n"
       "[SIRE TITULKU]\r\nPismo=\"Times New Roman\"\r\nVelikost=-3\r\n"},
      // A new key goes after the last line of its section, before blank lines.
      {"OSTATNI", "Chronologicke razeni", "1",
       "; Velorin settings\r\n[CESTA]\r\n  Titulky =  /home/eva/titulky/  "
       "\r\nFilmy=/home/eva/filmy\r\n"
       "\r\n[ostatni]\r\nmaximalne = 0\r\nZmena=ano\r\nRucne upravit=  5\r\n# not a key line\r\n"
       "Chronologicke razeni=1\r\n\r\n"
       "[SIRE TITULKU]\r\nPismo=\"Times New Roman\"\r\nVelikost=-3\r\n"},
      // A new section goes at the end.
      {"OTEVRENO", "1", "/a b/film.sub", kHandWritten + "\r\n[OTEVRENO]\r\n1=/a b/film.sub\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    TempDir dir;
    WriteBytes(dir.File("v.ini"), kHandWritten);
    IniFile ini(dir.File("v.ini"));
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ReadBytes(dir.File("v.ini")), c.expected);
    EXPECT_EQ(IniFile(dir.File("v.ini")).ReadString(c.section, c.key, "?"), c.value);
  }
}

TEST(IniFile, KeepsLfLinesAndAddsALineEndToAnUnfinishedLastLine) {
  TempDir dir;
  WriteBytes(dir.File("v.ini"), "[A]\nx=1\n[B]\ny=2");
  IniFile ini(dir.File("v.ini"));
  ini.WriteInteger("A", "x", 5);
  ini.WriteInteger("B", "z", 3);
  EXPECT_EQ(ReadBytes(dir.File("v.ini")), "[A]\nx=5\n[B]\ny=2\r\nz=3\r\n");
}

TEST(IniFile, SettingsFileReachedThroughALinkStaysALink) {
  TempDir dir;
  WriteBytes(dir.File("kept.ini"), "[A]\r\nx=1\r\n");
  ASSERT_EQ(::symlink(dir.File("kept.ini").c_str(), dir.File("Velorin.ini").c_str()), 0);
  IniFile(dir.File("Velorin.ini")).WriteInteger("A", "x", 2);
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("Velorin.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(dir.File("kept.ini")), "[A]\r\nx=2\r\n");
}

TEST(IniFile, ValuesReadBackAsWrittenAndNeverBreakTheFile) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/eva/titulky/", "/home/eva/titulky/"},
      {"/my dir ", "/my dir "},
      {"\tx", "\tx"},
      {"\"q\"", "\"q\""},
      {"'a'", "'a'"},
      {"a\"b", "a\"b"},
      {"\"", "\""},
      {"bytes \xE8\x9A\x01;=[x]", "bytes \xE8\x9A\x01;=[x]"},
      // A line break would make lines of its own (here a section that would
      // override another key): such a value is not kept.
      {"/a.sub\r\n[CESTA]\r\nTitulky=/jinam/", ""},
      {"x\ny", ""},
  };
  for (const auto& [value, back] : cases) {
    SCOPED_TRACE(value);
    TempDir dir;
    IniFile ini(dir.File("v.ini"));
    ini.WriteString("OTEVRENO", "1", value);
    ini.WriteString("OTEVRENO", "2", "/b.sub");
    IniFile again(dir.File("v.ini"));
    EXPECT_EQ(again.ReadString("OTEVRENO", "1", "?"), back);
    EXPECT_EQ(again.ReadString("OTEVRENO", "2", "?"), "/b.sub");
    EXPECT_EQ(again.ReadString("CESTA", "Titulky", "default"), "default");
  }
}

TEST(IniFile, OnlyAPlainFileIsRead) {
  TempDir dir;
  // A named pipe nobody writes would block the start for ever.
  ASSERT_EQ(::mkfifo(dir.File("Velorin.ini").c_str(), 0600), 0);
  EXPECT_EQ(IniFile(dir.File("Velorin.ini")).ReadInteger("UPRAVA", "Doba", 7), 7);
  ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0700), 0);
  EXPECT_EQ(IniFile(dir.File("folder.ini")).ReadString("CESTA", "Filmy", "d"), "d");
}

TEST(IniFile, WriteSeesWhatAnotherInstanceWroteMeanwhile) {
  TempDir dir;
  IniFile first(dir.File("v.ini"));
  IniFile second(dir.File("v.ini"));
  first.WriteInteger("UPRAVA", "Doba", 9);
  second.WriteString("OTEVRENO", "1", "/f.sub");
  IniFile check(dir.File("v.ini"));
  EXPECT_EQ(check.ReadInteger("UPRAVA", "Doba", 0), 9);
  EXPECT_EQ(check.ReadString("OTEVRENO", "1", ""), "/f.sub");
}

TEST(IniFile, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  WriteBytes(dir.File("v.ini"), "[A]\r\nx=1\r\n");
  ::chmod(dir.File("v.ini").c_str(), 0444);
  IniFile ini(dir.File("v.ini"));
  try {
    ini.WriteInteger("A", "x", 2);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.File("v.ini"));
  }
  EXPECT_EQ(ReadBytes(dir.File("v.ini")), "[A]\r\nx=1\r\n");
  ::chmod(dir.File("v.ini").c_str(), 0644);
}

TEST(IniFile, MissingFolderCannotBeWritten) {
  TempDir dir;
  IniFile ini(dir.File("no/such/folder/v.ini"));
  try {
    ini.WriteInteger("A", "x", 2);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.File("no/such/folder/v.ini"));
  }
}

TEST(SettingsFilePath, ProgramFolderOrTheUsersConfigFolder) {
  EXPECT_EQ(SettingsFilePath("/opt/velorin/", "/cfg", "/home/e", true), "/opt/velorin/Velorin.ini");
  EXPECT_EQ(SettingsFilePath("/opt/velorin/", "/cfg/", "/home/e", false),
            "/cfg/velorin/Velorin.ini");
  EXPECT_EQ(SettingsFilePath("/opt/velorin/", "", "/home/e", false),
            "/home/e/.config/velorin/Velorin.ini");
}

TEST(InstalledResourceDirectory, ShareBesideBin) {
  EXPECT_EQ(InstalledResourceDirectory("/usr/bin/"), "/usr/share/velorin/");
  EXPECT_EQ(InstalledResourceDirectory("/home/e/.local/bin"), "/home/e/.local/share/velorin/");
}

}  // namespace
}  // namespace velorin
