// The recently-used list, the long-file-name routine and the path helpers of the file pipeline.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "databank/uFilePaths.h"
#include "databank/uLongFileName.h"
#include "databank/uMRUList.h"

using namespace bankpaths;
using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(MRUList, AddMovesToTopWithoutGrowing) {
  TMRUList list;
  list.Add("a");
  list.Add("b");
  list.Add("c");
  list.Add("a");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "a");
  EXPECT_EQ(list[1], "c");
  EXPECT_EQ(list[2], "b");
}

TEST(MRUList, IgnoringCaseTheNewSpellingReplacesTheOld) {
  TMRUList list;
  list.Add("Foo");
  list.Add("bar");
  list.Add("FOO");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "FOO");
  // Letters beyond ASCII fold too.
  list.Add("ÄRGER");
  list.Add("ärger");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "ärger");
  EXPECT_EQ(list.IndexOf("ПРИВЕТ"), -1);
  list.Add("привет");
  EXPECT_EQ(list.IndexOf("ПРИВЕТ"), 0);
}

TEST(MRUList, MatchingCaseKeepsPathsThatDifferOnlyInCase) {
  TMRUList list(TMRUCase::MatchCase);
  list.Add("/x/Bank.xdb2");
  list.Add("/x/bank.xdb2");
  ASSERT_EQ(list.Count(), 2);
  list.Remove("/x/BANK.xdb2");
  EXPECT_EQ(list.Count(), 2);
  list.Remove("/x/Bank.xdb2");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "/x/bank.xdb2");
}

TEST(MRUList, EleventhEntryDropsTheOldestAndOverlongListsAreCut) {
  TMRUList list;
  for (int i = 0; i < 11; ++i) list.Add("e" + std::to_string(i));
  ASSERT_EQ(list.Count(), 10);
  EXPECT_EQ(list[0], "e10");
  EXPECT_EQ(list[9], "e1");
  EXPECT_EQ(list.IndexOf("e0"), -1);

  // Loaded as text, a list may hold more than MaxCount; the next Add keeps the first MaxCount - 1.
  TMRUList loaded;
  std::string text;
  for (int i = 0; i < 14; ++i) text += "f" + std::to_string(i) + "\r\n";
  loaded.SetText(text);
  EXPECT_EQ(loaded.Count(), 14);
  loaded.Add("new");
  ASSERT_EQ(loaded.Count(), 10);
  EXPECT_EQ(loaded[0], "new");
  EXPECT_EQ(loaded[9], "f8");
}

TEST(MRUList, RemoveDeletesEveryEqualEntry) {
  TMRUList list;
  list.SetText("a\nB\nb\nc");
  list.Remove("b");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "a");
  EXPECT_EQ(list[1], "c");
}

TEST(MRUList, TextRoundTripsWithAnyLineEnd) {
  TMRUList list;
  list.SetText("one\r\ntwo\nthree\rfour\r\n");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[3], "four");
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  list.SetText("a\r\n\r\nb");  // an empty line in between is an (empty) entry
  EXPECT_EQ(list.Count(), 3);
}

TEST(MRUList, ZeroMaxCountStillKeepsTheNewestEntry) {
  TMRUList list;
  list.MaxCount = 0;
  list.Add("a");
  list.Add("b");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "b");
}

TEST(FilePaths, ExtensionsLookOnlyAtTheLastElement) {
  EXPECT_EQ(ExtractFileExt("/a/b.c/d"), "");
  EXPECT_EQ(ExtractFileExt("/a/b.c/d.xdb"), ".xdb");
  EXPECT_EQ(ChangeFileExt("/a.v2/bank", ".backup"), "/a.v2/bank.backup");
  EXPECT_EQ(ChangeFileExt("/a/bank.xdb", ".xdb2"), "/a/bank.xdb2");
  EXPECT_EQ(ChangeFileExt("/a/.hidden", ".x"), "/a/.x");
  EXPECT_EQ(ExtractFileName("/a/b/c.xdb2"), "c.xdb2");
  EXPECT_EQ(ExtractFilePath("/a/b/c.xdb2"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("c.xdb2"), "");
}

TEST(FilePaths, ExpandFoldsDotsWithoutFollowingLinks) {
  EXPECT_EQ(ExpandFileNameFrom("x/../y/./b.xdb2", "/base"), "/base/y/b.xdb2");
  EXPECT_EQ(ExpandFileNameFrom("/abs//p/", "/base"), "/abs/p");
  EXPECT_EQ(ExpandFileName(""), "");
  EXPECT_EQ(ExpandFileName("rel.xdb2"), (std::filesystem::current_path() / "rel.xdb2").string());
}

TEST(FilePaths, ProgramFolderIsRemovedOnlyAsALeadingPrefixWithCase) {
  EXPECT_EQ(MakeRelativeToProgram("/opt/app/x.xdb2", "/opt/app"), "x.xdb2");
  EXPECT_EQ(MakeRelativeToProgram("/opt/app/sub/x.xdb2", "/opt/app/"), "sub/x.xdb2");
  // The folder's text in the middle of a path is not a prefix.
  EXPECT_EQ(MakeRelativeToProgram("/home/u/opt/app/x.xdb2", "/opt/app"), "/home/u/opt/app/x.xdb2");
  EXPECT_EQ(MakeRelativeToProgram("/OPT/APP/x.xdb2", "/opt/app"), "/OPT/APP/x.xdb2");
  // A sibling folder that merely starts with the same letters is not inside.
  EXPECT_EQ(MakeRelativeToProgram("/opt/application/x.xdb2", "/opt/app"), "/opt/application/x.xdb2");
  EXPECT_EQ(ResolveFromProgram("x.xdb2", "/opt/app"), "/opt/app/x.xdb2");
  EXPECT_EQ(ResolveFromProgram("/abs/x.xdb2", "/opt/app"), "/abs/x.xdb2");
}

class FileOps : public testsupport::TempDirTest {};

TEST_F(FileOps, RenameNeverReplacesAnExistingFile) {
  const std::string a = tmp.File("a.xdb"), b = tmp.File("a.xdb2");
  WriteFile(a, "old");
  WriteFile(b, "precious");
  EXPECT_FALSE(RenameNoReplace(a, b));
  EXPECT_EQ(ReadFile(a), "old");
  EXPECT_EQ(ReadFile(b), "precious");
  std::filesystem::remove(b);
  EXPECT_TRUE(RenameNoReplace(a, b));
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(ReadFile(b), "old");
  EXPECT_FALSE(RenameNoReplace(tmp.File("missing"), tmp.File("other")));
}

TEST_F(FileOps, LongFileNameOfExistingAndMissingPaths) {
  const std::string file = tmp.File("bank.xdb2");
  WriteFile(file, "x");
  std::filesystem::create_directory(tmp.Path() / "sub");
  const std::string roundabout = (tmp.Path() / "sub" / ".." / "." / "bank.xdb2").string();
  EXPECT_EQ(GetLongFileName(roundabout), file);
  EXPECT_EQ(GetLongFileName("/no/such/dir/../file.xdb2"), "/no/such/dir/../file.xdb2");
  EXPECT_EQ(GetLongFileName(""), "");
  // A link keeps its own name.
  const std::string link = tmp.File("link.xdb2");
  std::filesystem::create_symlink(file, link);
  EXPECT_EQ(GetLongFileName(link), link);
  EXPECT_EQ(FileSizeOf(file), 1);
  EXPECT_EQ(FileSizeOf(tmp.File("none")), -1);
  EXPECT_TRUE(FileExists(link));
  EXPECT_FALSE(FileExists(tmp.Path().string()));
  EXPECT_TRUE(DirectoryExists(tmp.Path().string()));
}
