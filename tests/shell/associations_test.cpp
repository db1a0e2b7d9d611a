#include "shell/associations.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(Associations, ExecQuotesAndEscapesThePathOnlyWhenItMust) {
  const std::pair<std::string, std::string> cases[] = {
      {"/usr/bin/velorin", "/usr/bin/velorin %f"},
      {"/home/jana/.local/bin/velorin-0.1_x+y", "/home/jana/.local/bin/velorin-0.1_x+y %f"},
      {"/opt/Moje programy/velorin", R"("/opt/Moje programy/velorin" %f)"},
      // Quoting escapes " ` $ \ with a backslash; the string escape then
      // doubles every backslash.
      {"/a\"b$c`d", R"("/a\\"b\\$c\\`d" %f)"},
      {"/a\\b", R"("/a\\\\b" %f)"},
      {"/100%/velorin", R"("/100%%/velorin" %f)"},
      {"/a\nb", R"("/a\nb" %f)"},
  };
  for (const auto& [path, exec] : cases) EXPECT_EQ(DesktopExecValue(path), exec) << path;
}

TEST(Associations, DefaultsInMimeappsKeepEveryOtherLine) {
  const std::vector<std::string> types = {"text/plain"};
  const std::string id = "velorin-soubor-txt.desktop";
  const std::string others =
      "# mine\n[Added Associations]\ntext/plain=gedit.desktop;\n\n"
      "[Default Applications]\nimage/png=eog.desktop\n\n[Other]\nx=y\n";
  struct Case {
    const char* name;
    std::string before;
    bool add;
    std::string after;
  } cases[] = {
      {"new file", "", true, "[Default Applications]\ntext/plain=" + id + ";\n"},
      {"into the group, before its blank line", others, true,
       "# mine\n[Added Associations]\ntext/plain=gedit.desktop;\n\n"
       "[Default Applications]\nimage/png=eog.desktop\ntext/plain=" +
           id + ";\n\n[Other]\nx=y\n"},
      {"another program follows ours", "[Default Applications]\ntext/plain = gedit.desktop\n", true,
       "[Default Applications]\ntext/plain=" + id + ";gedit.desktop;\n"},
      {"already first", "[Default Applications]\ntext/plain=" + id + ";a.desktop;\n", true,
       "[Default Applications]\ntext/plain=" + id + ";a.desktop;\n"},
      {"no newline at the end, CR LF", "[Default Applications]\r\nimage/png=eog.desktop", true,
       "[Default Applications]\r\nimage/png=eog.desktop\r\ntext/plain=" + id + ";\r\n"},
      {"ours removed, another stays",
       "[Default Applications]\ntext/plain=" + id + ";gedit.desktop;\n", false,
       "[Default Applications]\ntext/plain=gedit.desktop;\n"},
      {"ours alone: the line goes", "[Default Applications]\ntext/plain=" + id + ";\nx/y=z\n",
       false, "[Default Applications]\nx/y=z\n"},
      {"another program's default is never touched",
       "[Default Applications]\ntext/plain = gedit.desktop ;\n", false,
       "[Default Applications]\ntext/plain = gedit.desktop ;\n"},
      {"only the defaults group", "[Added Associations]\ntext/plain=" + id + ";\n", false,
       "[Added Associations]\ntext/plain=" + id + ";\n"},
  };
  for (const Case& c : cases) {
    const std::string after = c.add ? WithDefaultApplication(c.before, types, id)
                                    : WithoutDefaultApplication(c.before, types, id);
    EXPECT_EQ(after, c.after) << c.name;
  }
}

TEST(Associations, AssociateAndUnassociateInATemporaryXdgFolder) {
  TempDir dir;
  FreedesktopAssociations store(dir.File("data"), dir.File("config"), "/opt/Velorin/velorin");
  std::filesystem::create_directories(dir.File("config"));
  const std::string mimeapps = dir.File("config/mimeapps.list");
  WriteBytes(mimeapps,
             "[Default Applications]\ntext/x-microdvd=mpv.desktop;\ntext/html=ff.desktop\n");

  EXPECT_FALSE(store.IsAssociated("sub"));
  EXPECT_TRUE(store.Associate("sub"));
  EXPECT_TRUE(store.IsAssociated("sub"));
  EXPECT_FALSE(store.IsAssociated("txt"));
  const std::string entry = ReadBytes(dir.File("data/applications/velorin-soubor-sub.desktop"));
  EXPECT_NE(entry.find("\nName=Soubor aplikace Velorin\n"), std::string::npos);
  EXPECT_NE(entry.find("\nExec=/opt/Velorin/velorin %f\n"), std::string::npos);
  EXPECT_NE(entry.find("\nMimeType=text/x-microdvd;text/x-mpsub;text/x-subviewer;\n"),
            std::string::npos);
  EXPECT_EQ(ReadBytes(mimeapps),
            "[Default Applications]\n"
            "text/x-microdvd=velorin-soubor-sub.desktop;mpv.desktop;\n"
            "text/html=ff.desktop\n"
            "text/x-mpsub=velorin-soubor-sub.desktop;\n"
            "text/x-subviewer=velorin-soubor-sub.desktop;\n");

  EXPECT_TRUE(store.Unassociate("sub"));
  EXPECT_FALSE(store.IsAssociated("sub"));
  EXPECT_EQ(ReadBytes(mimeapps),
            "[Default Applications]\ntext/x-microdvd=mpv.desktop;\ntext/html=ff.desktop\n");
  EXPECT_TRUE(store.Unassociate("sub"));  // nothing left to remove is no failure
}

// TXT: a MIME type of its own for *.txt, compiled into the user's MIME
// database, instead of the whole of text/plain.
TEST(Associations, TxtGetsATypeOfItsOwnNotAllOfTextPlain) {
  TempDir dir;
  FreedesktopAssociations store(dir.File("data"), dir.File("config"), "/usr/bin/velorin");
  std::filesystem::create_directories(dir.File("config"));
  const std::string mimeapps = dir.File("config/mimeapps.list");
  const std::string id = FreedesktopAssociations::DesktopId("txt");
  // What earlier versions wrote is taken back.
  WriteBytes(mimeapps, "[Default Applications]\ntext/plain=" + id + ";gedit.desktop;\n");
  const std::string globs = dir.File("data/mime/globs2");

  EXPECT_TRUE(store.Associate("txt"));
  EXPECT_EQ(ReadBytes(store.TxtMimePackagePath()), TxtMimePackage());
  EXPECT_NE(ReadBytes(globs).find("60:text/x-velorin-txt:*.txt"), std::string::npos);
  EXPECT_EQ(ReadBytes(mimeapps),
            "[Default Applications]\ntext/plain=gedit.desktop;\ntext/x-velorin-txt=" + id + ";\n");
  EXPECT_NE(ReadBytes(store.DesktopFilePath("txt")).find("\nMimeType=text/x-velorin-txt;\n"),
            std::string::npos);

  EXPECT_TRUE(store.Unassociate("txt"));
  EXPECT_FALSE(std::filesystem::exists(store.TxtMimePackagePath()));
  EXPECT_EQ(ReadBytes(globs).find("velorin"), std::string::npos);
  EXPECT_EQ(ReadBytes(mimeapps), "[Default Applications]\ntext/plain=gedit.desktop;\n");

  // A database that cannot be compiled is reported; other extensions need none.
  int runs = 0;
  store.SetMimeDatabaseUpdate([&](const std::string&) { return ++runs, false; });
  EXPECT_FALSE(store.Associate("txt"));
  EXPECT_TRUE(store.Associate("srt"));
  EXPECT_EQ(runs, 1);
}

TEST(Associations, AMimeappsListThatCannotBeReadIsLeftAlone) {
  TempDir dir;
  FreedesktopAssociations store(dir.File("data"), dir.File("config"), "/usr/bin/velorin");
  std::filesystem::create_directories(dir.File("config/mimeapps.list"));  // a folder: unreadable
  EXPECT_FALSE(store.Associate("txt"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("config/mimeapps.list")));
}

}  // namespace
}  // namespace velorin
