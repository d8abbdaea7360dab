// Keyed-text files: reading with defaults, writing that keeps everything else.
#include "document/ini_file.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace zelko {
namespace {

TEST(IniFile, ReadsValuesWithDefaults) {
  const IniFile ini = IniFile::Parse(
      "; comment=no key\r\n"
      "[Form]\r\n"
      " Left = 12 \r\n"
      "Top=$1F\r\n"
      "Widht=0x10\r\n"
      "Height=tall\r\n"
      "Big=99999999999\r\n"
      "Neg=-7\r\n"
      "Flag=2\r\n"
      "Real=2.5e1\r\n"
      "Left=99\r\n"
      "[file]\n"
      "Path=\x8c\xbb\x8f\xea\\a=b.pqs\n");
  EXPECT_EQ(ini.ReadInteger("Form", "Left", -1), 12);
  EXPECT_EQ(ini.ReadInteger("FORM", "left", -1), 12);  // names ignore case; the first counts
  EXPECT_EQ(ini.ReadInteger("Form", "Top", -1), 31);
  EXPECT_EQ(ini.ReadInteger("Form", "Widht", -1), 16);
  EXPECT_EQ(ini.ReadInteger("Form", "Height", -1), -1);
  EXPECT_EQ(ini.ReadInteger("Form", "Big", -1), -1);
  EXPECT_EQ(ini.ReadInteger("Form", "Neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("Form", "Missing", 5), 5);
  EXPECT_TRUE(ini.ReadBool("Form", "Flag", false));
  EXPECT_FALSE(ini.ReadBool("Form", "Neg2", false));
  EXPECT_EQ(ini.ReadFloat("Form", "Real", 0), 25);
  EXPECT_EQ(ini.ReadFloat("Form", "Height", 1.5), 1.5);
  EXPECT_EQ(ini.ReadString("File", "Path", ""), "現場\\a=b.pqs");
  EXPECT_FALSE(ini.Value("comment", "no key"));
  EXPECT_TRUE(ini.SectionExists("FILE"));
  EXPECT_FALSE(ini.SectionExists("Marker"));
}

TEST(IniFile, WritingKeepsOtherSectionsKeysAndComments) {
  test::TempDir dir;
  const std::string path = dir.File("zelko.ini");
  test::WriteWholeFile(path, "[Other]\r\n; keep me\r\nA = 1\r\n\r\n[Form]\r\nLeft=1\r\nTop=2\r\n");
  IniFile ini;
  Failure error;
  ASSERT_TRUE(IniFile::Load(path, &ini, &error)) << error;
  ini.WriteInteger("Form", "Top", 300);
  ini.WriteInteger("Other", "B", -4);
  ini.WriteString("File", "File 0", "/home/u/現場.pqs");
  ini.WriteBool("Marker", "On", true);
  ini.WriteString("File", "Broken", "two\nlines");
  ASSERT_TRUE(ini.Save(path, &error)) << error;
  EXPECT_EQ(test::ReadWholeFile(path),
            "[Other]\r\n; keep me\r\nA = 1\r\nB=-4\r\n\r\n[Form]\r\nLeft=1\r\nTop=300\r\n"
            "[File]\r\nFile 0=/home/u/\x8c\xbb\x8f\xea.pqs\r\nBroken=two lines\r\n"
            "[Marker]\r\nOn=1\r\n");
}

TEST(IniFile, MissingFileIsEmptyUnreadableFileFails) {
  test::TempDir dir;
  IniFile ini = IniFile::Parse("[A]\nb=c\n");
  Failure error;
  ASSERT_TRUE(IniFile::Load(dir.File("none.ini"), &ini, &error));
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_FALSE(IniFile::Load(dir.Folder(), &ini, &error));
  EXPECT_TRUE(error.Failed());
}

}  // namespace
}  // namespace zelko
