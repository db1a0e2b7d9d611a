#include "shell/settings.h"

#include <gtest/gtest.h>

#include <set>

#include "document/error.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

AppSettings Defaults() {
  AppSettings d;
  d.subtitlesPath = "/home/eva/Documents/";
  d.filmsPath = "/home/eva/Documents";
  d.backgroundPath = "/opt/velorin/pozadi.jpg";
  return d;
}

TEST(ReadAppSettings, NoFileGivesTheDefaults) {
  TempDir dir;
  IniFile ini(dir.File("Velorin.ini"));
  AppSettings s = ReadAppSettings(ini, Defaults());
  EXPECT_EQ(s.subtitlesPath, "/home/eva/Documents/");
  EXPECT_EQ(s.filmsPath, "/home/eva/Documents");
  EXPECT_EQ(s.subtitleFont, (SubtitleFont{"Arial", 1, 22}));
  EXPECT_EQ(s.defaultFormat, (SubtitleFont{"Arial", 1, 22}));
  EXPECT_TRUE(s.maximalne);
  EXPECT_FALSE(s.rucneUpravit);
  EXPECT_TRUE(s.chronologicke);
  EXPECT_TRUE(s.zmena);
  EXPECT_EQ(s.backgroundPath, "/opt/velorin/pozadi.jpg");
  EXPECT_FALSE(s.assocTxt || s.assocSub || s.assocSrt);
  EXPECT_TRUE(s.recentFiles.empty());
}

TEST(ReadAppSettings, RecentEntriesWhoseFileHasGoneAreDropped) {
  TempDir dir;
  WriteBytes(dir.File("b.sub"), "");
  WriteBytes(dir.File("c.sub"), "");
  WriteBytes(dir.File("Velorin.ini"), "[OTEVRENO]\r\n1=" + dir.File("a.sub") +
                                          "\r\n2=" + dir.File("b.sub") +
                                          "\r\n3=" + dir.File("c.sub") + "\r\n4=\r\n");
  AppSettings s = ReadAppSettings(IniFile(dir.File("Velorin.ini")), Defaults());
  ASSERT_EQ(s.recentFiles, (std::vector<std::string>{dir.File("b.sub"), dir.File("c.sub")}));
  EXPECT_EQ(RecentCaption(1, s.recentFiles[0]), "1 b.sub");
  EXPECT_EQ(RecentCaption(2, s.recentFiles[1]), "2 c.sub");
}

TEST(WriteGeneralSettings, RoundTripsAndLeavesOtherSectionsAlone) {
  TempDir dir;
  const std::string other =
      "[UPRAVA]\r\nDoba=9\r\n[OTEVRENO]\r\n1=/x.sub\r\n[ASOCIACE]\r\nTxt=1\r\n";
  WriteBytes(dir.File("Velorin.ini"), other);
  IniFile ini(dir.File("Velorin.ini"));
  AppSettings s = Defaults();
  s.subtitlesPath = "/t/";
  s.filmsPath = "/f";
  s.subtitleFont = {"Liberation Sans", 3, 30};
  s.defaultFormat = {"DejaVu Serif", 2, 18};
  s.maximalne = false;
  s.rucneUpravit = true;
  s.chronologicke = false;
  s.zmena = false;
  s.backgroundPath = "/p.jpg";
  WriteGeneralSettings(ini, s);
  std::string bytes = ReadBytes(dir.File("Velorin.ini"));
  EXPECT_EQ(bytes.substr(0, other.size()), other);
  EXPECT_NE(bytes.find("[SIRE TITULKU]\r\nPismo=Liberation Sans\r\nStyl=3\r\nVelikost=30\r\n"),
            std::string::npos);
  AppSettings back = ReadAppSettings(IniFile(dir.File("Velorin.ini")), Defaults(),
                                     [](const std::string&) { return true; });
  EXPECT_EQ(back.subtitlesPath, "/t/");
  EXPECT_EQ(back.filmsPath, "/f");
  EXPECT_EQ(back.subtitleFont, s.subtitleFont);
  EXPECT_EQ(back.defaultFormat, s.defaultFormat);
  EXPECT_FALSE(back.maximalne || back.chronologicke || back.zmena);
  EXPECT_TRUE(back.rucneUpravit);
  EXPECT_EQ(back.backgroundPath, "/p.jpg");
  // Not written by "Uložit nastavení".
  EXPECT_TRUE(back.assocTxt);
  EXPECT_EQ(back.recentFiles, std::vector<std::string>{"/x.sub"});
}

TEST(WriteRecentFiles, WritesAllNineSlotsEmptyOnesIncluded) {
  TempDir dir;
  IniFile ini(dir.File("Velorin.ini"));
  WriteRecentFiles(ini, {"/a.sub", "/b.sub"});
  EXPECT_EQ(ReadBytes(dir.File("Velorin.ini")),
            "[OTEVRENO]\r\n1=/a.sub\r\n2=/b.sub\r\n3=\r\n4=\r\n5=\r\n6=\r\n7=\r\n8=\r\n9=\r\n");
}

TEST(AddRecentFile, MovesToTopComparesExactlyAndKeepsNine) {
  std::set<std::string> existing = {"/a.sub", "/b.sub", "/C/X/A.SUB", "/c/x/a.sub"};
  for (int i = 0; i < 12; ++i) existing.insert("/f" + std::to_string(i) + ".sub");
  auto exists = [&](const std::string& p) { return existing.count(p) > 0; };

  std::vector<std::string> recent = {"/b.sub", "/a.sub"};
  // Opening the second entry again makes it the first; nothing is listed twice.
  EXPECT_TRUE(AddRecentFile(recent, "/a.sub", exists));
  EXPECT_EQ(recent, (std::vector<std::string>{"/a.sub", "/b.sub"}));
  // A path with no file changes nothing.
  EXPECT_FALSE(AddRecentFile(recent, "/gone.sub", exists));
  EXPECT_EQ(recent.size(), 2u);
  // Letter case matters.
  AddRecentFile(recent, "/C/X/A.SUB", exists);
  AddRecentFile(recent, "/c/x/a.sub", exists);
  EXPECT_EQ(recent, (std::vector<std::string>{"/c/x/a.sub", "/C/X/A.SUB", "/a.sub", "/b.sub"}));
  // The tenth distinct file drops the oldest.
  recent.clear();
  for (int i = 0; i < 10; ++i) AddRecentFile(recent, "/f" + std::to_string(i) + ".sub", exists);
  ASSERT_EQ(recent.size(), 9u);
  EXPECT_EQ(recent.front(), "/f9.sub");
  EXPECT_EQ(recent.back(), "/f1.sub");
  // Re-opening the last of nine keeps the other eight.
  AddRecentFile(recent, "/f1.sub", exists);
  EXPECT_EQ(recent.front(), "/f1.sub");
  EXPECT_EQ(recent.back(), "/f2.sub");
  EXPECT_EQ(recent.size(), 9u);
}

TEST(CompletionSettings, DefaultsRoundTripAndAStopAtTheFirstFieldThatIsNoNumber) {
  TempDir dir;
  EXPECT_EQ(ReadCompletionSettings(IniFile(dir.File("Velorin.ini"))), CompletionSettings{});
  IniFile ini(dir.File("Velorin.ini"));
  WriteCompletionSettings(ini, {"12", false, "3", true, {"0", "4", "6", "8", "010"}});
  EXPECT_EQ(ReadBytes(dir.File("Velorin.ini")),
            "[UPRAVA]\r\nDoba=12\r\nPomerne=0\r\nPomerneCas=3\r\nPrazdne=1\r\nRad1=0\r\n"
            "Rad2=4\r\nRad3=6\r\nRad4=8\r\nRad5=10\r\n");
  EXPECT_EQ(ReadCompletionSettings(IniFile(dir.File("Velorin.ini"))),
            (CompletionSettings{12, false, 3, true, {0, 4, 6, 8, 10}}));
  // An empty third entry: Doba to Rad2 are written, Rad3 on stay as they were.
  EXPECT_THROW(WriteCompletionSettings(ini, {"5", true, "1", false, {"1", "2", "", "4", "5"}}),
               Error);
  EXPECT_EQ(ReadCompletionSettings(IniFile(dir.File("Velorin.ini"))),
            (CompletionSettings{5, true, 1, false, {1, 2, 6, 8, 10}}));
}

}  // namespace
}  // namespace velorin
