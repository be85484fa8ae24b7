// The databank store: named values, the file and stream functions with their encoding rule, backups,
// the guarded save, atomic replacement and unreadable files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <vector>

#include "TestSupport.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

using testsupport::ReadFile;
using testsupport::TempDirTest;
using testsupport::WriteFile;

namespace {

const std::string kDecl = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n";
const std::string kUtf8Decl = "<?xml version='1.0' encoding='UTF-8' ?>\r\n";

std::string ThrownMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing thrown)";
}

size_t FileCount(const std::filesystem::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

class XmlStore : public TempDirTest {};

TEST_F(XmlStore, EmptyStoreAndNamedValues) {
  TXMLDataBase2 db;
  EXPECT_EQ(db.Document()->GetXML(), kDecl + "<dataroot/>");
  TXMLDataBase2 missing(tmp.File("none.xdb"));
  EXPECT_EQ(missing.Document()->GetXML(), kDecl + "<dataroot/>");
  EXPECT_EQ(missing.FileName(), tmp.File("none.xdb"));

  EXPECT_EQ(db.ReadString("x", "d"), "d");
  EXPECT_EQ(db.Document()->GetXML(), kDecl + "<dataroot>\r\n  <settings/>\r\n</dataroot>");
  db.WriteString("x", "");
  EXPECT_EQ(db.SettingsNode()->Children().Count(), 0);
  db.WriteString("x", "v");
  db.WriteString("y", "a<b");
  EXPECT_TRUE(db.SettingsNode()->FindNode("y")->CDATA());
  db.WriteString("x", "");
  EXPECT_EQ(db.SettingsNode()->FindNode("x"), nullptr);
  db.WriteBool("AutoSave", true);
  EXPECT_TRUE(db.ReadBool("AutoSave", false));
  EXPECT_EQ(db.ReadString("AutoSave", ""), "true");
  db.WriteString("AutoSave", "True");
  EXPECT_TRUE(db.ReadBool("AutoSave", false));
  EXPECT_FALSE(db.ReadBool("absent", false));
  db.WriteInteger("NextNodeID", -5);
  EXPECT_EQ(db.ReadInteger("NextNodeID", 0), -5);
  EXPECT_EQ(db.ReadInteger("absent", 9), 9);
  // Names are used as they are: no path splitting.
  db.WriteString("a\\b", "1");
  EXPECT_EQ(db.SettingsNode()->FindNode("a\\b")->Text(), "1");

  // The cached nodes follow deletion and Clear.
  TxevXMLNode2* lists = db.ListsNode();
  EXPECT_EQ(db.ListsNode(), lists);
  db.Root()->DeleteNode(lists);
  EXPECT_NE(db.ListsNode(), nullptr);
  EXPECT_EQ(db.Root()->Children().Count(), 2);
  db.Clear();
  EXPECT_EQ(db.Document()->GetXML(), kDecl + "<dataroot/>");
}

TEST_F(XmlStore, SaveToFileIsByteExactAndWellFormed) {
  TXMLDataBase2 db("");
  db.WriteInteger("NextNodeID", 5);
  db.ListsNode();
  EXPECT_EQ(ThrownMessage([&] { db.SaveToFile(); }), "Can't Save no file assigned!");
  EXPECT_EQ(ThrownMessage([&] { db.Save(); }), "Cannot save XML DataBase!\n\rNo FileName is specified!");
  const std::string out = tmp.File("out.xdb");
  db.SaveToFile(out);
  EXPECT_EQ(db.FileName(), out);
  EXPECT_EQ(ReadFile(out), kDecl +
                               "<dataroot>\r\n  <settings>\r\n    <NextNodeID>5</NextNodeID>\r\n  </settings>\r\n"
                               "  <lists/>\r\n</dataroot>");
  TXMLDataBase2 back(out);
  EXPECT_EQ(back.LastError(), "");
  EXPECT_EQ(back.ReadInteger("NextNodeID", 0), 5);
}

TEST_F(XmlStore, EncodingRule) {
  // Text inside Windows-1252 is written in it, declared ISO-8859-1.
  TXMLDataBase2 db;
  db.WriteString("t", "caf\xC3\xA9 \xE2\x82\xAC");  // "café €" in UTF-8
  const std::string latin = tmp.File("latin.xdb");
  db.SaveToFile(latin);
  EXPECT_EQ(ReadFile(latin),
            kDecl + "<dataroot>\r\n  <settings>\r\n    <t>caf\xE9 \x80</t>\r\n  </settings>\r\n</dataroot>");
  TXMLDataBase2 latinBack(latin);
  EXPECT_EQ(latinBack.ReadString("t", ""), "caf\xC3\xA9 \xE2\x82\xAC");

  // Anything else: the whole file in UTF-8, declared so, and nothing is lost.
  const std::string wide = "\xE2\x86\x92 \xCF\x80 \xE4\xB8\xAD caf\xC3\xA9";  // "→ π 中 café"
  db.WriteString("t", wide);
  const std::string utf8 = tmp.File("utf8.xdb");
  db.SaveToFile(utf8);
  EXPECT_EQ(ReadFile(utf8),
            kUtf8Decl + "<dataroot>\r\n  <settings>\r\n    <t>" + wide + "</t>\r\n  </settings>\r\n</dataroot>");
  TXMLDataBase2 utf8Back(utf8);
  EXPECT_EQ(utf8Back.ReadString("t", ""), wide);
  // Back inside the code page, the file is written in it again.
  utf8Back.WriteString("t", "plain");
  utf8Back.SaveToFile();
  EXPECT_EQ(ReadFile(utf8).substr(0, kDecl.size()), kDecl);

  // A file without a declaration, and one declared with another name, read as Windows-1252.
  WriteFile(tmp.File("nodecl.xdb"), "<dataroot><settings><t>\x93q\x94 \xE9</t></settings></dataroot>");
  TXMLDataBase2 nodecl(tmp.File("nodecl.xdb"));
  EXPECT_EQ(nodecl.ReadString("t", ""), "\xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9");
  WriteFile(tmp.File("win.xdb"), "<?xml version='1.0' encoding='windows-1252'?><dataroot a='\xE9'/>");
  TXMLDataBase2 win(tmp.File("win.xdb"));
  EXPECT_EQ(win.Root()->GetAttribute("a"), "\xC3\xA9");
  WriteFile(tmp.File("u.xdb"),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><dataroot><\xC3\xA9>x</\xC3\xA9></dataroot>");
  TXMLDataBase2 u(tmp.File("u.xdb"));
  EXPECT_EQ(u.Root()->FirstChild()->Name(), "\xC3\xA9");
}

// Windows-1252 text is made UTF-8 as the parser copies each string out of it; the declaration as the
// parser reads it, and the error report of a damaged file, stay as if each text had been converted
// after the parse.
TEST_F(XmlStore, WindowsTextReadsTheSameWhicheverWayItIsWidened) {
  auto replaced = [](std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
      s.replace(at, from.size(), to);
    return s;
  };
  struct Case {
    const char* declaration;
    bool utf8;
  };
  const Case cases[] = {
      {"", false},
      {"<?xml version='1.0' encoding='ISO-8859-1' ?>", false},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", false},
      {"<?xml version='1.0'?>", false},
      {"<?xml version='1.0' encoding='UTF-8'?>", true},
      // A quick look reads "latin1" here; the parser reads the real declaration.
      {"<?xml version='1.0' xencoding='latin1' encoding='utf-8'?>", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declaration);
    const std::string body =
        "<dataroot a='caf\xE9'><settings><t>\x93"
        "caf\xE9\x94 \x80</t></settings></dataroot>";
    TXMLDataBase2 db;
    ASSERT_TRUE(db.LoadEncodedXML(c.declaration + body));
    // As UTF-8 the bytes above are broken sequences: each becomes U+FFFD, and the store says how
    // many and on which line.
    EXPECT_EQ(db.ReadString("t", ""), c.utf8 ? "\xEF\xBF\xBD"
                                               "caf\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD"
                                             : "\xE2\x80\x9C"
                                               "caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC");
    EXPECT_EQ(db.Root()->GetAttribute("a"), c.utf8 ? "caf\xEF\xBF\xBD" : "caf\xC3\xA9");
    EXPECT_EQ(db.InvalidUtf8Bytes(), c.utf8 ? 5u : 0u);
    EXPECT_EQ(db.InvalidUtf8Line(), c.utf8 ? 1 : 0);

    // Damaged: the report counts the file's bytes, as it does for the same file in ASCII.
    const std::string damaged = std::string(c.declaration) + "<dataroot><t>caf\xE9 caf\xE9</t><u></dataroot>";
    TXMLDataBase2 broken, twin;
    EXPECT_FALSE(broken.LoadEncodedXML(damaged));
    EXPECT_FALSE(twin.LoadEncodedXML(replaced(damaged, "caf\xE9", "cafe")));
    EXPECT_EQ(broken.LastError(), replaced(twin.LastError(), "cafe", c.utf8 ? "caf\xE9" : "caf\xC3\xA9"));
    EXPECT_EQ(broken.Root()->FindNode("t")->Text(), c.utf8 ? "caf\xE9 caf\xE9" : "caf\xC3\xA9 caf\xC3\xA9");
    // Read while frozen, as a databank is opened: the elements closed before the damage are frozen,
    // then converted, and a snapshot holds them converted.
    TXMLDataBase2 frozen;
    frozen.SetFreezeWhileLoading(true);
    EXPECT_FALSE(frozen.LoadEncodedXML(
        std::string(c.declaration) +
        "<dataroot><f n\xE9='caf\xE9' k='v'><t>x</t></f><g m\xE9='v'><t/></g><h k='\xE9'><t/></h><u></dataroot>"));
    EXPECT_EQ(frozen.Root()->FindNode("f")->GetAttribute(c.utf8 ? "n\xE9" : "n\xC3\xA9"),
              c.utf8 ? "caf\xE9" : "caf\xC3\xA9");
    EXPECT_EQ(frozen.Snapshot()->EncodedXML(), frozen.EncodedXML());
  }
}

// A databank written in the code page reads back as the same tree: element and attribute names and
// values beyond ASCII (also past the sixteen attributes from which an element is indexed), texts
// in CDATA sections (one and several), short texts and texts longer than the converter's stack.
TEST_F(XmlStore, WindowsFileReadsBackAsTheSameTree) {
  const char* const pieces[] = {"abc",
                                "a b",
                                "r\xC3\xA9sum\xC3\xA9",
                                "\xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x9D",
                                "\xC5\x92",
                                "\xC2\xA0x",
                                "\xC3\xBF",
                                "\xE2\x80\x93",
                                "<b>",
                                "]]>"};
  std::mt19937 rng(29);
  auto text = [&](size_t n, size_t kinds) {
    std::string s = "t";
    while (s.size() < n) s += pieces[rng() % kinds];
    return s;
  };
  for (int round = 0; round < 12; ++round) {
    TXMLDataBase2 db;
    std::vector<std::string> texts;
    for (int f = 0; f < 4; ++f) {
      TxevXMLNode2* folder = db.Root()->AddChild(f % 2 ? "Folder"
                                                       : "F\xC3\xA9\xE2\x82\xAC"
                                                         "e");
      folder->SetText(text(rng() % 40, 8));
      const int attributes = f < 2 ? 3 : 20;
      for (int a = 0; a < attributes; ++a)
        folder->SetAttribute((a % 2 ? "n\xC3\xA9" : "n") + std::to_string(a), text(rng() % 12, 8));
      for (int r = 0; r < 4; ++r) {
        texts.push_back(text(r == 3 ? 9000 + rng() % 9000 : rng() % 300, 10));
        folder->AddChild("Record")->SetText(texts.back());
      }
    }
    const std::string file = db.EncodedXML();
    ASSERT_EQ(file.substr(0, kDecl.size()), kDecl);  // in the code page
    // What a background save writes: the frozen document, in the code page or (a character without
    // a byte there) as UTF-8, whatever happens to the store after it was taken.
    {
      std::unique_ptr<const TXMLDataBase2Snapshot> snapshot = db.Snapshot();
      TXMLDataBase2 wide;
      wide.Root()->AddNode(db.Root()->CloneNode())->AddChild("w")->SetText("\xE2\x88\x80");
      std::unique_ptr<const TXMLDataBase2Snapshot> wideSnapshot = wide.Snapshot();
      const std::string wideFile = wide.EncodedXML();
      wide.Root()->ClearChildren();
      db.Root()->FindNode("Record", true)->SetText("changed");
      EXPECT_EQ(snapshot->EncodedXML(), file);
      EXPECT_NE(wideFile.find("encoding='UTF-8'"), std::string::npos);
      EXPECT_EQ(wideSnapshot->EncodedXML(), wideFile);
      // The same bytes measured first and then handed on in pieces (a save streams them into the
      // file's layers), whatever the size of the pieces.
      for (const auto& [taken, expected] :
           {std::pair{snapshot.get(), &file}, std::pair{wideSnapshot.get(), &wideFile}}) {
        const TXMLDataBase2Snapshot::TEncoding encoding = taken->MeasureEncodedXML();
        EXPECT_EQ(encoding.Bytes, expected->size());
        EXPECT_EQ(encoding.Utf8, taken == wideSnapshot.get());
        for (size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, size_t{1} << 20}) {
          std::string streamed;
          size_t pieces = 0;
          taken->WriteEncodedXML(encoding, chunk, [&](std::string& piece) {
            streamed += piece;
            ++pieces;
          });
          EXPECT_EQ(streamed, *expected) << "pieces of " << chunk;
          if (chunk < 100) {
            EXPECT_GT(pieces, 100u);
          }
        }
      }
    }
    TXMLDataBase2 back;
    ASSERT_TRUE(back.LoadEncodedXML(file)) << back.LastError();
    EXPECT_EQ(back.EncodedXML(), file);
    size_t k = 0;
    for (const TxevXMLNode2* folder : back.Root()->Children())
      for (const TxevXMLNode2* record : folder->Children()) EXPECT_EQ(record->Text(), texts.at(k++));
    EXPECT_EQ(k, texts.size());
    EXPECT_EQ(back.Root()->Children().Items(2)->GetAttribute("n\xC3\xA9"
                                                             "19"),
              db.Root()->Children().Items(2)->GetAttribute("n\xC3\xA9"
                                                           "19"));
  }
}

TEST_F(XmlStore, StreamsReadFromTheirPositionAndReportFailure) {
  TXMLDataBase2 db;
  db.WriteString("k", "v\xC3\xA9");
  TMemoryStream stream;
  stream.WriteString("HEADER");
  ASSERT_TRUE(db.SaveToStream(stream));
  EXPECT_EQ(stream.Bytes().substr(6, kDecl.size()), kDecl);
  EXPECT_NE(stream.Bytes().find("<k>v\xE9</k>"), std::string::npos);

  stream.SetPosition(6);
  TXMLDataBase2 back;
  ASSERT_TRUE(back.LoadFromStream(stream)) << back.LastError();
  EXPECT_EQ(back.ReadString("k", ""), "v\xC3\xA9");

  TMemoryStream empty;
  EXPECT_FALSE(back.LoadFromStream(empty));
  EXPECT_EQ(back.Document()->GetXML(), kDecl + "<dataroot/>");

  TMemoryStream broken(std::string("<dataroot><settings><k>v"));
  EXPECT_FALSE(back.LoadFromStream(broken));
  EXPECT_EQ(back.LastError().rfind("Expected < when parsing text near ", 0), 0u);
  EXPECT_EQ(back.Root()->Name(), "dataroot");
}

TEST_F(XmlStore, BackupGuardedSaveAndReadOnlyFiles) {
  const std::string bank = tmp.File("bank.xdb");
  const std::string bak = tmp.File("bank.bak");
  WriteFile(bank, "old");
  WriteFile(bak, "older");
  TXMLDataBase2 db;
  db.WriteString("v", "1");
  db.SaveToFile(bank, true);
  EXPECT_EQ(ReadFile(bak), "old");
  EXPECT_NE(ReadFile(bank).find("<v>1</v>"), std::string::npos);

  // A read-only file is left exactly as it is by the guarded save, also for root.
  ASSERT_EQ(::chmod(bank.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(::stat(bank.c_str(), &before), 0);
  const std::string content = ReadFile(bank);
  db.WriteString("v", "2");
  sleep(1);
  EXPECT_NO_THROW(db.Save());
  struct stat after {};
  ASSERT_EQ(::stat(bank.c_str(), &after), 0);
  EXPECT_EQ(ReadFile(bank), content);
  EXPECT_EQ(after.st_mtime, before.st_mtime);
  EXPECT_EQ(after.st_ino, before.st_ino);
  // The unguarded save refuses it with a file error instead of replacing it.
  EXPECT_THROW(db.SaveToFile(), EFCreateError);
  EXPECT_EQ(ReadFile(bank), content);
  ::chmod(bank.c_str(), 0644);
  db.Save();
  EXPECT_NE(ReadFile(bank).find("<v>2</v>"), std::string::npos);
}

TEST_F(XmlStore, FailedWritesLeaveTheOldFileIntact) {
  const std::string bank = tmp.File("bank.xdb");
  TXMLDataBase2 db;
  db.WriteString("v", "old");
  db.SaveToFile(bank);
  const std::string old = ReadFile(bank);
  db.WriteString("v", std::string(200000, 'n'));

  // A full disk, simulated with a file-size limit: the write fails part way.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message = ThrownMessage([&] { db.Save(); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(message.find(bank), std::string::npos) << message;
  EXPECT_EQ(ReadFile(bank), old);
  EXPECT_EQ(FileCount(tmp.Path()), 1u);  // no temporary file left behind

  // A read-only folder.
  const std::string dir = tmp.File("ro");
  std::filesystem::create_directory(dir);
  const std::string inner = dir + "/bank.xdb";
  TXMLDataBase2 small2;
  small2.SaveToFile(inner);
  const std::string innerOld = ReadFile(inner);
  ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
  small2.WriteString("v", "new");
  if (::geteuid() != 0) {
    EXPECT_THROW(small2.SaveToFile(), EFCreateError);
  } else {
    // Root may write into any folder: try it as an ordinary user in a child process.
    ASSERT_EQ(::chmod(tmp.Path().c_str(), 0755), 0);
    const int outcome = testsupport::OutcomeAsOrdinaryUser<EFCreateError>([&] { small2.SaveToFile(); });
    ASSERT_GE(outcome, 0) << "the child process failed";
    if (outcome == 3) GTEST_SKIP() << "cannot switch to an ordinary user";
    EXPECT_EQ(outcome, 0);
  }
  EXPECT_EQ(ReadFile(inner), innerOld);
  EXPECT_EQ(FileCount(dir), 1u);
  ::chmod(dir.c_str(), 0755);
}

// A save aimed at a pipe or a device (a FIFO here, /dev/null or /dev/stdout in use) writes through
// it: renaming a file over it would put a plain file in its place.
TEST_F(XmlStore, SavingIntoAPipeWritesThroughItAndKeepsIt) {
  const std::string pipe = tmp.File("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const std::string link = tmp.File("link.xdb");
  ASSERT_EQ(::symlink("pipe", link.c_str()), 0);
  TXMLDataBase2 db;
  db.WriteString("v", "through");

  // Without a reader the save fails at once instead of waiting for one.
  EXPECT_THROW(db.SaveToFile(pipe), EFCreateError);

  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  db.SaveToFile(pipe);
  db.SaveToFile(link);
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = ::read(reader, buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
  ::close(reader);
  EXPECT_EQ(got, db.EncodedXML() + db.EncodedXML());

  struct stat st {};
  ASSERT_EQ(::stat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(FileCount(tmp.Path()), 2u);  // no temporary file left behind
}

TEST_F(XmlStore, UnreadableFilesAreKeptAsBad) {
  const std::string bank = tmp.File("bank.xdb");
  const std::string damaged = "<dataroot><settings><a>1</a><b>2</b><c>cut";
  WriteFile(bank, damaged);
  TXMLDataBase2 db(bank);
  EXPECT_FALSE(db.LastError().empty());
  EXPECT_EQ(ReadFile(bank + ".bad"), damaged);
  EXPECT_EQ(db.ReadString("a", ""), "1");  // the partial tree stays
  db.Save();
  EXPECT_EQ(ReadFile(bank + ".bad"), damaged);

  TXMLDataBase2 viaLoad;
  std::filesystem::remove(bank + ".bad");
  WriteFile(bank, damaged);
  EXPECT_FALSE(viaLoad.LoadFromFile(bank));
  EXPECT_EQ(viaLoad.FileName(), "");
  EXPECT_EQ(ReadFile(bank + ".bad"), damaged);
  EXPECT_FALSE(viaLoad.LoadFromFile(tmp.File("absent.xdb")));

  // An empty file gives a named root, and no copy (there is nothing to keep).
  const std::string empty = tmp.File("empty.xdb");
  WriteFile(empty, "");
  TXMLDataBase2 fromEmpty(empty);
  EXPECT_EQ(fromEmpty.Root()->Name(), "dataroot");
  EXPECT_FALSE(std::filesystem::exists(empty + ".bad"));
}

TEST_F(XmlStore, RecordTextsSurviveSaveAndReload) {
  TXMLDataBase2 db;
  TxevXMLNode2* rec = db.Root()->AddChild("record");
  const std::string code = "    int a[2][2];\r\n    if (a[b[0]]>1 && x < y) return \"]]>\";\r\n";
  XMLPathWriteString(rec, "code", code);
  XMLPathWriteString(rec, "comments", "\tnote \xE2\x86\x92 done ");
  const std::string file = tmp.File("records.xdb2");
  db.SaveToFile(file);
  TXMLDataBase2 back(file);
  ASSERT_EQ(back.LastError(), "");
  EXPECT_EQ(XMLPathReadString(back.Root(), "record\\code", ""), code);
  EXPECT_EQ(XMLPathReadString(back.Root(), "record\\comments", ""), "\tnote \xE2\x86\x92 done ");
}
