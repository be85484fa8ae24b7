// The file pipeline of the open databank: open, save, the layers on disk, the save-changes question,
// the recent list, passwords, auto-save and start-up, against real files in a temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <future>
#include <list>
#include <new>
#include <optional>
#include <random>
#include <regex>
#include <stdexcept>
#include <thread>

#include "BankTestSupport.h"
#include "FaultInjection.h"
#include "ScriptedUIServices.h"
#include "databank/uBankFileReadAhead.h"
#include "databank/uBankMessages.h"
#include "databank/uBankWriter.h"
#include "platform/Exceptions.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"

using testsupport::ReadFile;
using testsupport::WriteFile;
using Kind = platform::ScriptedUIServices::Kind;
namespace fs = std::filesystem;

namespace {
const std::string kOpenFailed = "Could not open DataBank!";
const std::string kNotABank = "The file is not a databank";
// The reason lines of a cancelled password prompt and of a wrong password, naming the file.
std::string DecypherFailed(const std::string& path) {
  return "Could not decypher DataBank: " + path;
}
std::string PasswordWrong(const std::string& path) {
  return "The password is wrong, or the file is damaged: " + path;
}
// The one box of an open whose password prompt was cancelled, or whose password was wrong.
std::string Cancelled(const std::string& path) {
  return kOpenFailed + "\n" + DecypherFailed(path);
}
std::string WrongPassword(const std::string& path) {
  return kOpenFailed + "\n" + PasswordWrong(path);
}
std::string NotABank(const std::string& path) {
  return kOpenFailed + "\n" + kNotABank + ": " + path;
}
int TreeNodeCount(TXMLDataBase2* db) {
  int n = 0;
  bank::ForEachTreeNode(db->Root(), [&](TxevXMLNode2*, int) { ++n; });
  return n;
}
}  // namespace

TEST_F(BankSessionTest, OpensAPlainFileAndReadsItsState) {
  const std::string path = tmp.File("bank.xdb2");
  TXMLDataBase2 db;
  db.LoadEncodedXML(SampleBankXML());
  db.WriteInteger(bank::skLastPosition, 3);
  db.WriteInteger(bank::skNextNodeID, 2);  // lower than the IDs present
  WriteFile(path, db.EncodedXML());

  auto s = NewSession();
  int rebuilt = 0;
  s->Hooks.RebuildTree = [&] { ++rebuilt; };
  s->OpenBank(path);
  ASSERT_NE(s->Bank(), nullptr);
  EXPECT_EQ(s->FileName(), path);
  EXPECT_EQ(s->EntryName(), path);  // already ".xdb2"
  EXPECT_FALSE(s->Modified());
  EXPECT_FALSE(s->Compress());
  EXPECT_EQ(s->NextNodeID, 4);
  EXPECT_EQ(s->PendingID, 3);
  EXPECT_EQ(s->FileSize(), static_cast<int64_t>(ReadFile(path).size()));
  EXPECT_EQ(s->DataSize(), s->FileSize());
  EXPECT_EQ(rebuilt, 1);
  EXPECT_TRUE(ui.Calls().empty());

  settings.Values["AutoPos"] = "0";
  s->OpenBank(path);
  EXPECT_EQ(s->PendingID, -1);
}

TEST_F(BankSessionTest, OpenWithARelativePathGivesTheFullName) {
  fs::create_directories(tmp.Path() / "d");
  WriteFile(tmp.File("d/b.xdb2"), SampleBankXML());
  const fs::path cwd = fs::current_path();
  fs::current_path(tmp.Path());
  auto s = NewSession();
  s->OpenBank("d/../d/./b.xdb2");
  fs::current_path(cwd);
  EXPECT_EQ(s->FileName(), tmp.File("d/b.xdb2"));
}

TEST_F(BankSessionTest, SaveWritesStateAndTheDeclaredFormat) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  auto s = NewSession();
  s->OpenBank(path);
  s->Hooks.SelectedNodeID = [] { return 3; };
  int stored = 0, committed = 0;
  s->Hooks.StoreRecord = [&] { ++stored; };
  s->Hooks.CommitRecord = [&] { ++committed; };
  s->NextNodeID = 12;
  s->SetModified();
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_FALSE(s->Modified());
  // What is typed is stored, and the record stays open: a save never closes it.
  EXPECT_EQ(stored, 1);
  EXPECT_EQ(committed, 0);
  EXPECT_EQ(s->LastOpened(), path);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind("<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot>\r\n", 0), 0u);
  EXPECT_NE(text.find("<NextNodeID>12</NextNodeID>"), std::string::npos);
  EXPECT_NE(text.find("<LastPosition>3</LastPosition>"), std::string::npos);
}

TEST_F(BankSessionTest, CompressedSaveIsAOneEntryZipNamedAfterTheFile) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  auto s = NewSession();
  s->OpenBank(path);
  s->ToggleCompress();
  EXPECT_TRUE(s->Compress());
  EXPECT_TRUE(s->Modified());  // the switch must be savable
  ASSERT_TRUE(s->SaveBank(path));
  const std::string zipped = ReadFile(path);
  ASSERT_EQ(zipped.substr(0, 4), std::string("PK\x03\x04", 4));
  TMemoryStream stream(zipped);
  TZipFile zip;
  ASSERT_TRUE(zip.LoadFromStream(stream));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.GetFileName(0), "bank.xdb2");
  EXPECT_EQ(zip.GetUncompressed(0), s->Bank()->EncodedXML());
  EXPECT_EQ(s->FileSize(), static_cast<int64_t>(zipped.size()));
  EXPECT_EQ(s->DataSize(), static_cast<int64_t>(s->Bank()->EncodedXML().size()));

  auto again = NewSession();
  again->OpenBank(path);
  EXPECT_TRUE(again->Compress());
  EXPECT_EQ(again->EntryName(), "bank.xdb2");
  EXPECT_EQ(bank::RecordData(bank::FindNodeByID(again->Bank()->Root(), 2)), "int x;");
  // Saved again, it stays a zip; the entry keeps the archive's name, whatever the file is called.
  const std::string copy = tmp.File("copy.xdb2");
  ASSERT_TRUE(again->SaveBank(copy));
  TMemoryStream copyStream(ReadFile(copy));
  TZipFile copyZip;
  ASSERT_TRUE(copyZip.LoadFromStream(copyStream));
  EXPECT_EQ(copyZip.GetFileName(0), "bank.xdb2");
}

TEST_F(BankSessionTest, UnnamedDatabankZipEntryTakesTheTargetName) {
  auto s = NewSession();
  s->OpenBank("");
  s->ToggleCompress();
  const std::string path = tmp.File("fresh.xdb2");
  ASSERT_TRUE(s->SaveBank(path));
  TMemoryStream stream(ReadFile(path));
  TZipFile zip;
  ASSERT_TRUE(zip.LoadFromStream(stream));
  EXPECT_EQ(zip.GetFileName(0), "fresh.xdb2");
}

TEST_F(BankSessionTest, PasswordSaveReopenAndTheFailureRoads) {
  const std::string path = tmp.File("secret.xdb2");
  WriteFile(path, SampleBankXML());
  auto s = NewSession();
  s->OpenBank(path);
  ui.PushSetPassword(platform::SetPasswordAnswer{"pw", "pw"});
  s->SetPasswordCommand();
  EXPECT_EQ(s->Password(), "pw");
  EXPECT_TRUE(s->Modified());
  ASSERT_TRUE(s->SaveBank(path));
  const std::string file = ReadFile(path);
  EXPECT_EQ(DecipherDataBank(file, "pw"), s->Bank()->EncodedXML());
  s->CloseBank();
  EXPECT_EQ(s->Password(), "");
  EXPECT_EQ(s->FileName(), "");

  // The right password opens it; the prompt names the file.
  ui.Clear();
  ui.PushFilePassword("pw");
  s->OpenBank(path);
  ASSERT_EQ(ui.CallsOf(Kind::FilePassword).size(), 1u);
  EXPECT_EQ(ui.CallsOf(Kind::FilePassword)[0].text, path);
  EXPECT_EQ(s->FileName(), path);
  EXPECT_EQ(s->Password(), "pw");
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 2)), "Record");

  // A wrong password does not parse: the prompt comes back saying so; Cancel then fails the open in
  // one box, and nothing of the failed entry is kept.
  ui.Clear();
  s->CloseBank();
  ui.PushFilePassword("wrong");
  s->OpenBank(path);
  EXPECT_EQ(Messages(), (std::vector<std::string>{WrongPassword(path)}));
  ASSERT_EQ(ui.CallsOf(Kind::FilePassword).size(), 2u);
  EXPECT_EQ(ui.CallsOf(Kind::FilePassword)[1].note, "The password is wrong. Try again.");
  EXPECT_EQ(s->Password(), "");
  EXPECT_FALSE(s->Compress());
  EXPECT_EQ(s->FileName(), "");
  EXPECT_EQ(s->EntryName(), "");
  ASSERT_NE(s->Bank(), nullptr);
  EXPECT_EQ(TreeNodeCount(s->Bank()), 0);
  EXPECT_FALSE(s->CanRemovePassword());

  // A cancelled prompt: one box saying so, an empty unnamed databank.
  ui.Clear();
  s->OpenBank(path);
  EXPECT_EQ(Messages(), (std::vector<std::string>{Cancelled(path)}));
  for (const auto& call : ui.CallsOf(Kind::Message)) {
    EXPECT_EQ(call.caption, "Error");
    EXPECT_EQ(call.buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(call.icon, platform::MsgIcon::None);
  }
  EXPECT_EQ(s->FileName(), "");
  EXPECT_FALSE(s->Modified());
}

// What cannot be an enciphered databank is not one: no password is asked. What may be one asks, and
// the prompt comes back after a wrong password until the right one or Cancel.
TEST_F(BankSessionTest, PasswordPromptsOnlyForWhatCanBeEncipheredAndAgainAfterAWrongPassword) {
  auto s = NewSession();
  const std::string path = tmp.File("file.xdb2");
  std::string cipherShaped = EncipherDataBank(SampleBankXML(), "pw");
  for (size_t i = 4; i < cipherShaped.size(); ++i) cipherShaped[i] = static_cast<char>(i * 7);
  struct Case {
    std::string bytes;
    std::vector<std::string> answers;
    size_t prompts;
    std::vector<std::string> messages;
    bool opens;
  };
  // Asked again, the prompt says why.
  const std::string again = "The password is wrong. Try again.";
  const Case cases[] = {
      {"", {}, 0, {NotABank(path)}, false},
      {"x", {}, 0, {NotABank(path)}, false},
      {std::string("\0\1", 2), {}, 0, {NotABank(path)}, false},
      {"just some notes, not a databank\n", {}, 0, {NotABank(path)}, false},
      {std::string("\x13\x99\x02\x7f random bytes here", 22), {}, 0, {NotABank(path)}, false},
      {cipherShaped, {}, 1, {Cancelled(path)}, false},
      {EncipherDataBank(SampleBankXML(), "pw"), {"pw"}, 1, {}, true},
      {EncipherDataBank(SampleBankXML(), "pw"), {"one", "two", "pw"}, 3, {}, true},
      {EncipherDataBank(SampleBankXML(), "pw"), {"one"}, 2, {WrongPassword(path)}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 24)) + " " + testing::PrintToString(c.answers));
    ui.Clear();
    WriteFile(path, c.bytes);
    for (const std::string& answer : c.answers) ui.PushFilePassword(answer);
    s->OpenBank(path);
    const auto prompts = ui.CallsOf(Kind::FilePassword);
    EXPECT_EQ(prompts.size(), c.prompts);
    for (size_t i = 0; i < prompts.size(); ++i) EXPECT_EQ(prompts[i].note, i == 0 ? "" : again) << i;
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(s->FileName(), c.opens ? path : "");
    EXPECT_EQ(s->Password(), c.opens ? "pw" : "");
    EXPECT_EQ(ReadFile(path), c.bytes);
  }
}

// Ten thousand wrong passwords on each of two files (enciphered; enciphered and zipped), each one
// told as a wrong password: the prompt comes back saying so, with no box in between, and the right
// password then opens the file. A wrong key now and then makes bytes that parse as one element of
// another name; out of the cipher layer that is a wrong password too, never "not a databank". The
// same for an import, tried with the open databank's password first and then asking for the file's
// own; Cancel after the last wrong one ends it with the wrong password as its reason.
TEST_F(BankSessionTest, TenThousandWrongPasswordsAreEachToldAsWrongAndAskedAgain) {
  const std::string again = "The password is wrong. Try again.";
  const int kWrong = 10000;
  TXMLDataBase2 larger;
  larger.LoadEncodedXML(SampleBankXML("Record", "int y = 0;\nreturn y;"));
  for (int i = 0; i < 40; ++i) {
    TxevXMLNode2* r = larger.Root()->AddChild(bank::xnRecord);
    r->SetText("R" + std::to_string(i));
    bank::SetNodeID(r, 10 + i);
    bank::SetRecordData(r, std::string(static_cast<size_t>(i) * 7, 'a' + i % 26));
  }
  struct File {
    std::string path, password, bytes;
  } files[2];
  files[0] = {tmp.File("one.xdb2"), "pw", EncipherDataBank(SampleBankXML(), "pw")};
  files[1].path = tmp.File("two.xdb2");
  files[1].password = "other pw";
  ASSERT_TRUE(
      EncodeBankLayers(larger.EncodedXML(), TBankWriteLayers{"other pw", true, "two.xdb2"}, nullptr, files[1].bytes));
  auto s = NewSession();
  for (const File& f : files) {
    SCOPED_TRACE(f.path);
    WriteFile(f.path, f.bytes);
    ui.Clear();
    for (int i = 0; i < kWrong; ++i) ui.PushFilePassword("wrong" + std::to_string(i));
    ui.PushFilePassword(f.password);
    s->OpenBank(f.path);
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    const auto prompts = ui.CallsOf(Kind::FilePassword);
    ASSERT_EQ(prompts.size(), static_cast<size_t>(kWrong + 1));
    int toldWrong = 0;
    for (size_t i = 1; i < prompts.size(); ++i) toldWrong += prompts[i].note == again;
    EXPECT_EQ(toldWrong, kWrong);
    EXPECT_EQ(prompts[0].note, "");
    EXPECT_EQ(s->FileName(), f.path);
    EXPECT_EQ(s->Password(), f.password);
  }
  // Imported into the open databank (whose password is another): the open password first, then the
  // prompt, back after every wrong answer, until Cancel.
  for (const File& f : files) {
    SCOPED_TRACE("import of " + f.path);
    s->SetPassword("the open one");
    ui.Clear();
    for (int i = 0; i < kWrong; ++i) ui.PushFilePassword("wrong" + std::to_string(i));
    TXMLDataBase2 other;
    EXPECT_FALSE(s->LoadBankFile(f.path, &other));
    EXPECT_EQ(s->CouldNotOpenMessage(), WrongPassword(f.path));
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    const auto prompts = ui.CallsOf(Kind::FilePassword);
    ASSERT_EQ(prompts.size(), static_cast<size_t>(kWrong + 1));  // the last one cancelled
    int toldWrong = 0;
    for (const auto& prompt : prompts) toldWrong += prompt.note == again;
    EXPECT_EQ(toldWrong, kWrong);
    EXPECT_EQ(ReadFile(f.path), f.bytes);
  }
}

// A file read as UTF-8 (declared so, or after a byte-order mark without a declaration) holding bytes
// that are not UTF-8, of each kind: it opens with one warning naming the file, the line of the first
// bad byte, how many bytes were replaced and where the file is kept; each bad byte is U+FFFD in the
// record, shown or not. The first save keeps the file as it was under that name (".original", or
// ".original.2" when that is taken), which no later save touches; a databank closed unsaved keeps
// nothing, and a Save As elsewhere leaves the file as it is. Text without a declaration is read as
// Windows-1252, where every byte is a character: it is kept byte for byte and nothing is said.
TEST_F(BankSessionTest, TextThatIsNotUtf8IsToldAndTheFileKeptBeforeTheFirstSave) {
  const std::string path = tmp.File("bank.xdb2"), original = path + ".original";
  const std::string fffd = "\xEF\xBF\xBD";
  struct Sequence {
    const char* name;
    std::string bytes, repaired;
  };
  const Sequence kinds[] = {
      {"a lone surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
      {"a stray byte", "\xFF", fffd},
      {"a cut sequence", "\xF0\x9F\x98", fffd + fffd + fffd},
      {"a stray continuation byte", "\x80", fffd},
      {"an overlong form", "\xC0\xAF", fffd + fffd},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
      {"the issue's three", "\xED\xA0\x80 \xFF \xF0\x9F\x98",
       fffd + fffd + fffd + " " + fffd + " " + fffd + fffd + fffd},
  };
  const std::string heads[] = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", "\xEF\xBB\xBF"};
  auto bankText = [](const std::string& head, const std::string& bytes) {
    return head + "<dataroot>\r\n<folder ID=\"1\">F<record ID=\"2\">Other</record>\r\n<record ID=\"3\">R<data>x\r\nab" +
           bytes + "cd \xC3\xA9</data></record></folder>\r\n<NextNodeID>4</NextNodeID></dataroot>";
  };
  auto s = NewSession();
  for (const std::string& head : heads)
    for (const Sequence& k : kinds) {
      SCOPED_TRACE(std::string(k.name) + (head[0] == '<' ? ", declared UTF-8" : ", after a byte-order mark"));
      for (const std::string& name : {original, original + ".2", path + ".backup", tmp.File("elsewhere.xdb2")})
        fs::remove(name);
      const std::string text = bankText(head, k.bytes);
      const int line = head[0] == '<' ? 5 : 4;  // the line after "x" in the record's code
      size_t replaced = 0;
      for (size_t at = k.repaired.find(fffd); at != std::string::npos; at = k.repaired.find(fffd, at + 3)) ++replaced;
      const std::string notice =
          "Some of " + path + " is not valid UTF-8 text, first on line " + std::to_string(line) + ": " +
          (replaced == 1 ? std::string("1 byte was") : std::to_string(replaced) + " bytes were") +
          " replaced by the character \xEF\xBF\xBD (U+FFFD).\nBefore this databank is "
          "first saved there, the file as it is now is kept as ";
      // Opened and closed unsaved: told, nothing kept.
      WriteFile(path, text);
      ui.Clear();
      s->OpenBank(path);
      ASSERT_EQ(s->FileName(), path);
      ASSERT_EQ(ui.CallsOf(Kind::Message).size(), 1u);
      EXPECT_EQ(ui.CallsOf(Kind::Message)[0].text, notice + original + ".");
      EXPECT_EQ(ui.CallsOf(Kind::Message)[0].caption, "Warning");
      EXPECT_EQ(bank::RecordData(bank::FindNodeByID(s->Bank()->Root(), 3)), "x\r\nab" + k.repaired + "cd \xC3\xA9");
      s->CloseBank();
      EXPECT_FALSE(fs::exists(original));
      // Saved elsewhere first, then over the file: kept at the save over it (under the next free name,
      // ".original" being taken), once.
      WriteFile(original, "someone else's");
      ui.Clear();
      s->OpenBank(path);
      ASSERT_EQ(Messages(), std::vector<std::string>{notice + original + ".2."});
      s->SetModified();
      ASSERT_TRUE(s->SaveBank(tmp.File("elsewhere.xdb2")));
      EXPECT_FALSE(fs::exists(original + ".2"));
      s->SetModified();
      ASSERT_TRUE(s->SaveBank(path));
      EXPECT_EQ(ReadFile(original + ".2"), text);
      EXPECT_EQ(ReadFile(original), "someone else's");
      const std::string saved = ReadFile(path);
      EXPECT_NE(saved.find("ab" + k.repaired + "cd"), std::string::npos);
      s->SetModified();
      ASSERT_TRUE(s->SaveBank(path));
      EXPECT_EQ(ReadFile(original + ".2"), text);
      EXPECT_FALSE(fs::exists(original + ".3"));
      // The saved file is UTF-8 throughout: it opens without a word.
      ui.Clear();
      s->OpenBank(path);
      EXPECT_TRUE(ui.Calls().empty());
      fs::remove(original);
    }
  // An older ".xdb" file takes the new name as it opens: that is the file told of and kept.
  {
    const std::string old = tmp.File("old.xdb"), renamed = tmp.File("old.xdb2");
    const std::string text = bankText(heads[0], kinds[1].bytes);
    WriteFile(old, text);
    ui.Clear();
    s->OpenBank(old);
    ASSERT_EQ(s->FileName(), renamed);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Some of " + renamed + " is not"), std::string::npos);
    EXPECT_NE(Messages()[0].find("kept as " + renamed + ".original."), std::string::npos);
    s->SetModified();
    ASSERT_TRUE(s->SaveBank(renamed));
    EXPECT_EQ(ReadFile(renamed + ".original"), text);
  }
  // Without a declaration the bytes are Windows-1252 characters: nothing to tell, and a save writes
  // them back as they were.
  for (const Sequence& k : kinds) {
    SCOPED_TRACE(std::string(k.name) + ", no declaration");
    fs::remove(original);
    const std::string text = bankText("", k.bytes);
    WriteFile(path, text);
    ui.Clear();
    s->OpenBank(path);
    EXPECT_TRUE(ui.Calls().empty());
    s->SetModified();
    ASSERT_TRUE(s->SaveBank(path));
    EXPECT_NE(ReadFile(path).find("ab" + k.bytes + "cd \xC3\xA9"), std::string::npos);
    EXPECT_FALSE(fs::exists(original));
  }
}

// A plain XML databank may start with a UTF-8 byte-order mark (which makes its text UTF-8) or blanks.
TEST_F(BankSessionTest, PlainXMLAfterAByteOrderMarkOrBlanksOpens) {
  auto s = NewSession();
  const std::string path = tmp.File("marked.xdb2");
  const std::string body = "<dataroot><folder ID=\"1\">caf\xC3\xA9</folder></dataroot>";
  for (const std::string& head : {std::string("\xEF\xBB\xBF"), std::string("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n"),
                                  std::string("\r\n  <?xml version=\"1.0\" encoding=\"UTF-8\"?>")}) {
    SCOPED_TRACE(head);
    ui.Clear();
    WriteFile(path, head + body);
    s->OpenBank(path);
    EXPECT_TRUE(ui.Calls().empty());
    ASSERT_EQ(s->FileName(), path);
    EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 1)), "caf\xC3\xA9");
  }
  // The old format after blanks is still converted.
  WriteFile(path, "\n<dataroot><folder ID=\"1\">\"a &lt;b&gt;\"</folder></dataroot>");
  s->OpenBank(path);
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 1)), "a <b>");
}

// Whatever a layer throws while a file is read (running out of memory above all) is a failed open:
// "Could not open DataBank!" with a reason a person understands, no file name (so nothing is saved
// over the file at the end), the file as it was, and kept as ".bad" before anything is written there.
TEST_F(BankSessionTest, AnyExceptionWhileOpeningIsAFailedOpenWithItsReason) {
  settings.Values["MakeBackup"] = "0";
  const std::string path = tmp.File("bank.xdb2");
  struct Case {
    std::function<void()> raise;
    std::string reason;
  };
  const Case cases[] = {
      {[] { throw std::bad_alloc(); }, "There is not enough memory to read it."},
      {[] { throw std::length_error("basic_string::_M_create"); }, "There is not enough memory to read it."},
      {[] { throw std::runtime_error("the disk went away"); }, "the disk went away"},
      {[] { throw EZipError("Broken archive"); }, "Broken archive"},
      {[] { throw 42; }, "An unexpected error stopped the work."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    ui.Clear();
    WriteFile(path, SampleBankXML());
    fs::remove(path + ".bad");
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    options.DecodeLayers = [&](std::string, TBankReadContext&, TBankReadResult&) -> bool {
      c.raise();
      return true;
    };
    TBankSession s(&settings, options, &ui, &loop);
    s.OpenBank(path);
    EXPECT_EQ(Messages(), std::vector<std::string>{kOpenFailed + "\n" + c.reason});
    EXPECT_EQ(s.FileName(), "");
    ASSERT_NE(s.Bank(), nullptr);
    EXPECT_EQ(TreeNodeCount(s.Bank()), 0);
    // Quitting right away writes nothing.
    EXPECT_TRUE(s.CloseForExit());
    EXPECT_EQ(ReadFile(path), SampleBankXML());
    // An import of it fails the same way and leaves the open databank alone.
    s.OpenBank("");
    TXMLDataBase2 other;
    EXPECT_FALSE(s.LoadBankFile(path, &other));
    EXPECT_EQ(s.CouldNotOpenMessage(), kOpenFailed + "\n" + c.reason);
    // The first save over the file keeps what it held.
    s.OpenBank(path);
    s.OpenBank("");
    ASSERT_TRUE(s.SaveBank(path));
    EXPECT_EQ(ReadFile(path + ".bad"), SampleBankXML());
  }
}

// Every road on which an open fails gives one box: "Could not open DataBank!" and the reason under
// it, naming the file where the reason is about its content. Well-formed XML that is not a databank
// (another program's file, a web page) is refused as any other foreign file, and never written: the
// databank left open has no file name, so neither a save nor the end of the program writes there.
TEST_F(BankSessionTest, EachFailedOpenIsOneBoxWithItsReason) {
  const std::string path = tmp.File("bank.xdb2");
  struct Case {
    std::string bytes;  // "": no file at all
    std::string reason;
    std::vector<std::string> passwords;  // typed into the prompts in turn; the next prompt is cancelled
    std::vector<std::string> before;     // the reasons of the boxes before the last one
  };
  const Case cases[] = {
      {"", "Cannot open file \"" + path + "\". No such file or directory", {}, {}},
      {"<?xml version=\"1.0\"?>\n<html><body>hi</body></html>\n", kNotABank + ": " + path, {}, {}},
      {"<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<settings><NextNodeID>3</NextNodeID></settings>",
       kNotABank + ": " + path,
       {},
       {}},
      {"<?xml version='1.0'?>\n<dataroot>\n<folder ID='1'>a</folder>",
       "XML error in " + path + " at line 3, column 26: Missing <",
       {},
       {}},
      {"just text\n", kNotABank + ": " + path, {}, {}},
      {std::string("PK\x03\x04 and no archive", 20), "Could not decompress DataBank: " + path, {}, {}},
      {EncipherDataBank(SampleBankXML(), "pw"), DecypherFailed(path), {}, {}},  // the prompt cancelled
      // A wrong password brings the prompt back; cancelled there, the box says the password was wrong.
      {EncipherDataBank(SampleBankXML(), "pw"), PasswordWrong(path), {"wrong"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    fs::remove(path);
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    ui.Clear();
    for (const std::string& password : c.passwords) ui.PushFilePassword(password);
    auto s = NewSession();
    s->OpenBank(path);
    std::vector<std::string> boxes;
    for (const std::string& reason : c.before) boxes.push_back(kOpenFailed + "\n" + reason);
    boxes.push_back(kOpenFailed + "\n" + c.reason);
    EXPECT_EQ(Messages(), boxes);
    EXPECT_EQ(s->FileName(), "");
    ASSERT_NE(s->Bank(), nullptr);
    EXPECT_EQ(TreeNodeCount(s->Bank()), 0);
    EXPECT_TRUE(s->CloseForExit());
    if (!c.bytes.empty()) {
      EXPECT_EQ(ReadFile(path), c.bytes);
    }
    EXPECT_FALSE(fs::exists(tmp.File("bank.backup")));
  }
  // An older ".xdb" name is not taken from a file that does not open.
  const std::string page = tmp.File("page.xdb");
  WriteFile(page, cases[1].bytes);
  ui.Clear();
  NewSession()->OpenBank(page);
  EXPECT_EQ(Messages(), std::vector<std::string>{kOpenFailed + "\n" + kNotABank + ": " + page});
  EXPECT_EQ(ReadFile(page), cases[1].bytes);
  EXPECT_FALSE(fs::exists(tmp.File("page.xdb2")));
  // A databank, new or old, opens as before.
  for (const std::string& text :
       {SampleBankXML(), std::string("<dataroot><folder ID=\"1\">\"a\"</folder></dataroot>")}) {
    ui.Clear();
    WriteFile(path, text);
    auto s = NewSession();
    s->OpenBank(path);
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(s->FileName(), path);
  }
}

TEST_F(BankSessionTest, ProtectedBankWithPlainLength19280Reopens) {
  for (bool compress : {false, true}) {
    // Grow the code text until the written XML is exactly 19280 bytes: its length field reads "PK".
    TXMLDataBase2 db;
    db.LoadEncodedXML(SampleBankXML());
    TxevXMLNode2* record = bank::FindNodeByID(db.Root(), 2);
    const size_t base = db.EncodedXML().size() - std::string("int x;").size();
    bank::SetRecordData(record, std::string(19280 - base, 'y'));
    ASSERT_EQ(db.EncodedXML().size(), 19280u);
    const std::string path = tmp.File("pk.xdb2");
    WriteFile(path, db.EncodedXML());

    ui.Clear();
    auto s = NewSession();
    s->OpenBank(path);
    ui.PushSetPassword(platform::SetPasswordAnswer{"k", "k"});
    s->SetPasswordCommand();
    if (compress) s->ToggleCompress();
    const std::string plain = s->Bank()->EncodedXML();
    ASSERT_EQ(plain.size(), 19280u);
    // Keep the state the save writes from changing the size.
    ASSERT_TRUE(s->SaveBankFile(path));
    const std::string file = ReadFile(path);
    if (!compress) {
      ASSERT_EQ(file.substr(0, 4), std::string("PK\0\0", 4));
    }

    auto again = NewSession();
    ui.PushFilePassword("k");
    again->OpenBank(path);
    EXPECT_TRUE(Messages().empty()) << compress;
    EXPECT_EQ(again->Compress(), compress);
    EXPECT_EQ(again->DataSize(), 19280);
    EXPECT_EQ(bank::RecordData(bank::FindNodeByID(again->Bank()->Root(), 2)).size(), 19280 - base);
  }
}

TEST_F(BankSessionTest, BlanksAroundRecordTextsSurviveEveryLayer) {
  const std::string code = "\n    indented first line\n\tsecond\n\n  ";
  const std::string comments = "  note with blanks  ";
  for (int layers = 0; layers < 4; ++layers) {
    auto s = NewSession();
    s->OpenBank("");
    TxevXMLNode2* r = s->Bank()->Root()->AddChild(bank::xnRecord);
    r->SetText("r");
    bank::SetNodeID(r, 1);
    bank::SetRecordData(r, code);
    bank::SetRecordComments(r, comments);
    if (layers & 1) s->ToggleCompress();
    if (layers & 2) {
      ui.PushSetPassword(platform::SetPasswordAnswer{"pw", "pw"});
      s->SetPasswordCommand();
    }
    const std::string path = tmp.File("blanks" + std::to_string(layers) + ".xdb2");
    ASSERT_TRUE(s->SaveBank(path));
    auto again = NewSession();
    ui.PushFilePassword("pw");
    again->OpenBank(path);
    TxevXMLNode2* back = bank::FindNodeByID(again->Bank()->Root(), 1);
    ASSERT_NE(back, nullptr) << layers;
    EXPECT_EQ(bank::RecordData(back), code) << layers;
    EXPECT_EQ(bank::RecordComments(back), comments) << layers;
  }
}

TEST_F(BankSessionTest, TextOutsideWindows1252IsKeptAsUTF8) {
  auto s = NewSession();
  s->OpenBank("");
  TxevXMLNode2* r = s->Bank()->Root()->AddChild(bank::xnRecord);
  r->SetText("\xE2\x82\xAC uro and \xE6\x97\xA5\xE6\x9C\xAC");  // "€ uro and 日本"
  bank::SetNodeID(r, 1);
  const std::string path = tmp.File("utf8.xdb2");
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_NE(ReadFile(path).find("encoding='UTF-8'"), std::string::npos);
  auto again = NewSession();
  again->OpenBank(path);
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(again->Bank()->Root(), 1)), r->Text());
}

TEST_F(BankSessionTest, BackupHoldsThePreviousSave) {
  const std::string path = tmp.File("bank.xdb2");
  const std::string backup = tmp.File("bank.backup");
  auto s = NewSession();
  s->OpenBank("");
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_FALSE(fs::exists(backup));  // nothing to back up yet
  const std::string first = ReadFile(path);
  s->Bank()->Root()->AddChild(bank::xnFolder)->SetText("more");
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_EQ(ReadFile(backup), first);
  EXPECT_NE(ReadFile(path), first);

  settings.Values["MakeBackup"] = "0";
  fs::remove(backup);
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_FALSE(fs::exists(backup));
}

// A backup that cannot be made (a folder stands at its name, or a read-only file the program may not
// replace) does not stop the save: the file is written and the user is told once, with the reason,
// however often auto-save writes it afterwards. In the foreground and through the writer, for the
// databank's file and for an export.
TEST_F(BankSessionTest, ABackupThatCannotBeMadeIsToldOnceAndTheSaveGoesOn) {
  const std::string path = tmp.File("bank.xdb2"), backup = tmp.File("bank.backup");
  const std::string out = tmp.File("out.xdb2"), outBackup = tmp.File("out.backup");
  struct Blocker {
    const char* name;
    std::function<void(const std::string&)> make;
    std::string reason;  // after the quoted backup name
  };
  const Blocker blockers[] = {
      {"a folder", [](const std::string& b) { fs::create_directories(b); }, ". Is a directory"},
      {"a read-only file",
       [](const std::string& b) {
         WriteFile(b, "older");
         fs::permissions(b, fs::perms::owner_read);
       },
       ". Permission denied"},
  };
  for (bool background : {false, true})
    for (const Blocker& b : blockers) {
      SCOPED_TRACE(std::string(b.name) + (background ? ", through the writer" : ""));
      for (const std::string& name : {backup, outBackup}) {
        if (fs::exists(name)) fs::permissions(name, fs::perms::owner_all);
        fs::remove_all(name);
        b.make(name);
      }
      WriteFile(path, SampleBankXML());
      WriteFile(out, "an older export");
      TBankSession::TOptions options;
      options.ProgramDir = ProgramDir();
      options.BackgroundSaves = background;
      TBankSession s(&settings, options, &ui, &loop);
      s.OpenBank(path);
      ui.Clear();
      for (int save = 0; save < 3; ++save) {
        bank::SetRecordData(bank::FindNodeByID(s.Bank()->Root(), 2), "save " + std::to_string(save));
        s.SetModified();
        if (save == 2)
          s.AutoSaveTick();
        else
          ASSERT_TRUE(s.SaveBank(path, TBankSession::TSaveWait::Started));
        s.WaitForSave();
        EXPECT_NE(ReadFile(path).find("save " + std::to_string(save)), std::string::npos);
        EXPECT_FALSE(s.Modified());
      }
      TXMLDataBase2 part;
      part.Root()->AddNode(bank::FindNodeByID(s.Bank()->Root(), 3)->CloneNode());
      for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(s.ExportBank(out, part.Snapshot(), TBankWriteLayers{}));
        s.WaitForSave();
      }
      EXPECT_EQ(ReadFile(out), part.EncodedXML());
      EXPECT_EQ(Messages(), (std::vector<std::string>{
                                path + " was saved, but no backup of it could be made first:\nCannot create file \"" +
                                    backup + "\"" + b.reason,
                                out + " was saved, but no backup of it could be made first:\nCannot create file \"" +
                                    outBackup + "\"" + b.reason}));
      for (const auto& box : ui.CallsOf(Kind::Message)) EXPECT_EQ(box.caption, "Warning");
      if (fs::is_regular_file(backup)) {
        EXPECT_EQ(ReadFile(backup), "older");
      }
    }
  for (const std::string& name : {backup, outBackup})
    if (fs::exists(name)) fs::permissions(name, fs::perms::owner_all);
}

TEST_F(BankSessionTest, AFailedSaveKeepsTheOldFileAndTheModifiedMark) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  const std::string before = ReadFile(path);
  auto s = NewSession();
  s->OpenBank(path);
  s->SetModified();

  // The file refuses to be replaced.
  ::chmod(path.c_str(), 0444);
  settings.Values["MakeBackup"] = "0";
  EXPECT_FALSE(s->SaveBank(path));
  EXPECT_TRUE(s->Modified());
  EXPECT_EQ(ReadFile(path), before);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("Could not write DataBank!", 0), 0u);
  ::chmod(path.c_str(), 0644);

  // A layer fails before anything on disk is touched.
  ui.Clear();
  s->ToggleCompress();
  TxevXMLNode2* r = bank::FindNodeByID(s->Bank()->Root(), 2);
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(s->SaveBankFile(path, nullptr, TBankWriteLayers{"\xF0\x9F\x98\x80", false, ""}));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Could not cypher DataBank!"});
  EXPECT_EQ(ReadFile(path), before);

  // A folder in the way of the file.
  ui.Clear();
  const std::string dir = tmp.File("adir.xdb2");
  fs::create_directory(dir);
  EXPECT_FALSE(s->SaveBank(dir));
  EXPECT_TRUE(s->Modified());
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_EQ(Messages().size(), 1u);

  // And the close question still comes.
  ui.Clear();
  ui.PushMessageResult(platform::mrNo);
  settings.Values["AutoSave"] = "0";
  EXPECT_TRUE(s->CloseForExit());
  EXPECT_EQ(Messages(), std::vector<std::string>{"Data has been changed. Do you want to save?"});
}

TEST_F(BankSessionTest, SaveChangesQuestion) {
  auto s = NewSession();
  s->OpenBank("");
  // Not modified: no question.
  EXPECT_TRUE(s->QuerySaveChanges(true));
  EXPECT_TRUE(ui.Calls().empty());

  s->SetModified();
  ui.PushMessageResult(platform::mrCancel);
  EXPECT_FALSE(s->QuerySaveChanges(true));
  const auto& call = ui.LastCall();
  EXPECT_EQ(call.text, "Data has been changed. Do you want to save?");
  EXPECT_EQ(call.buttons, platform::MsgButtons::YesNoCancel);
  EXPECT_EQ(call.icon, platform::MsgIcon::Warning);

  ui.PushMessageResult(platform::mrNo);
  EXPECT_TRUE(s->QuerySaveChanges(false));
  EXPECT_EQ(ui.LastCall().buttons, platform::MsgButtons::YesNo);

  // Yes on an unnamed databank, then Cancel in the save dialog: nothing saved, nothing discarded.
  ui.PushMessageResult(platform::mrYes);
  ui.PushSaveFile(std::nullopt);
  EXPECT_FALSE(s->QuerySaveChanges(true));
  EXPECT_TRUE(s->Modified());

  // Yes and a chosen name saves there.
  const std::string path = tmp.File("chosen.xdb2");
  ui.PushMessageResult(platform::mrYes);
  ui.PushSaveFile(path);
  EXPECT_TRUE(s->QuerySaveChanges(true));
  EXPECT_TRUE(fs::exists(path));
  EXPECT_FALSE(s->Modified());
  EXPECT_EQ(s->FileName(), path);
  const auto save = ui.CallsOf(Kind::SaveFile).back();
  EXPECT_EQ(save.caption, "Save DataBank");
  EXPECT_EQ(save.fileOptions.filter, "XML DataBank|*.xdb2");
  EXPECT_EQ(save.fileOptions.defaultExt, ".xdb2");
  EXPECT_TRUE(save.fileOptions.overwritePrompt);

  // Edits still in the editor count as changes.
  bool editorModified = true;
  s->Hooks.RecordModified = [&] { return editorModified; };
  ui.PushMessageResult(platform::mrCancel);
  EXPECT_FALSE(s->QuerySaveChanges(true));
}

TEST_F(BankSessionTest, YesThenCancelKeepsTheDatabank) {
  auto s = NewSession();
  s->OpenBank("");
  TxevXMLNode2* kept = s->Bank()->Root()->AddChild(bank::xnFolder);
  kept->SetText("unsaved work");
  s->SetModified();
  // What the open databank holds, not its address: a databank freed and replaced by another may
  // well be given the same address.
  auto keepsTheWork = [&] {
    const TxevXMLNode2* folder = s->Bank() ? s->Bank()->Root()->FindNode(bank::xnFolder) : nullptr;
    return folder && folder->Text() == "unsaved work" && s->Modified() && s->FileName().empty();
  };

  ui.PushMessageResult(platform::mrYes);
  ui.PushSaveFile(std::nullopt);
  s->OpenCommand();
  EXPECT_TRUE(keepsTheWork());
  EXPECT_TRUE(ui.CallsOf(Kind::OpenFile).empty());

  ui.PushMessageResult(platform::mrYes);
  ui.PushSaveFile(std::nullopt);
  s->NewBank();
  EXPECT_TRUE(keepsTheWork());

  // A recent item too.
  const std::string other = tmp.File("other.xdb2");
  WriteFile(other, SampleBankXML());
  ui.PushMessageResult(platform::mrCancel);
  s->OpenRecentFile(other);
  EXPECT_TRUE(keepsTheWork()) << s->FileName();
  EXPECT_TRUE(ui.ScriptUsedUp());

  // New asks first; No discards.
  ui.PushMessageResult(platform::mrNo);
  s->NewBank();
  EXPECT_EQ(TreeNodeCount(s->Bank()), 0);
  EXPECT_FALSE(s->Modified());
}

TEST_F(BankSessionTest, OldFormatFileIsConvertedAndRenamed) {
  const std::string old = tmp.File("old.xdb");
  WriteFile(old, "<dataroot><folder ID=\"1\">\"a &lt;b&gt; \"\"q\"\"\"</folder></dataroot>");
  auto s = NewSession();
  s->OpenBank(old);
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(tmp.File("old.xdb2")));
  EXPECT_EQ(s->FileName(), tmp.File("old.xdb2"));
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 1)), "a <b> \"q\"");
  EXPECT_TRUE(s->Modified());
  EXPECT_EQ(s->NextNodeID, 2);
  ASSERT_TRUE(s->SaveBank(s->FileName()));
  const std::string saved = ReadFile(tmp.File("old.xdb2"));
  EXPECT_EQ(saved.rfind("<?xml", 0), 0u);
  EXPECT_NE(saved.find("<![CDATA[a <b> \"q\"]]>"), std::string::npos);
}

TEST_F(BankSessionTest, OldFormatNextToAnExistingNewFileDestroysNothing) {
  const std::string old = tmp.File("x.xdb");
  const std::string existing = tmp.File("x.xdb2");
  WriteFile(old, "<dataroot><folder ID=\"1\">\"old\"</folder></dataroot>");
  WriteFile(existing, SampleBankXML("precious"));
  const std::string precious = ReadFile(existing);
  auto s = NewSession();
  s->OpenBank(old);
  EXPECT_EQ(ReadFile(existing), precious);
  EXPECT_TRUE(fs::exists(old));
  EXPECT_EQ(s->FileName(), old);  // saved under its own name, never over the other file
  EXPECT_TRUE(s->Modified());
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 1)), "old");
  ASSERT_TRUE(s->SaveBank(s->FileName()));
  EXPECT_EQ(ReadFile(existing), precious);
  EXPECT_EQ(ReadFile(old).rfind("<?xml", 0), 0u);
  s->SetModified();
  loop.Advance(301000);
  EXPECT_EQ(ReadFile(existing), precious);
}

TEST_F(BankSessionTest, ImportingAnOldFileNeverRenamesIt) {
  const std::string old = tmp.File("src.xdb");
  WriteFile(old, "<dataroot><record ID=\"5\">\"r\"</record></dataroot>");
  auto s = NewSession();
  s->OpenBank("");
  TXMLDataBase2 other;
  ASSERT_TRUE(s->LoadBankFile(old, &other));
  EXPECT_TRUE(fs::exists(old));
  EXPECT_FALSE(fs::exists(tmp.File("src.xdb2")));
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(other.Root(), 5)), "r");
  EXPECT_EQ(s->FileName(), "");  // the window's state is untouched
  // The renaming switch of tools leaves even the window's own file alone.
  auto tool = NewSession(false);
  tool->OpenBank(old);
  EXPECT_TRUE(fs::exists(old));
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(tool->Bank()->Root(), 5)), "r");
}

// Answers the password prompt and the error boxes only after the event loop has moved past an
// auto-save period, as a user reading a box would.
class SlowUI : public platform::ScriptedUIServices {
 public:
  explicit SlowUI(platform::FakeEventLoop& loop) : loop_(loop) {}
  bool AskFilePassword(const std::string& fileName, std::string& password, platform::WindowHandle owner) override {
    ticks += loop_.Advance(600000);
    return ScriptedUIServices::AskFilePassword(fileName, password, owner);
  }
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    ticks += loop_.Advance(600000);
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
  bool AskSetPassword(platform::SetPasswordAnswer& answer, platform::WindowHandle owner) override {
    ticks += loop_.Advance(600000);
    return ScriptedUIServices::AskSetPassword(answer, owner);
  }
  bool AskChangePassword(platform::ChangePasswordAnswer& answer, platform::WindowHandle owner) override {
    ticks += loop_.Advance(600000);
    return ScriptedUIServices::AskChangePassword(answer, owner);
  }
  size_t ticks = 0;

 private:
  platform::FakeEventLoop& loop_;
};

TEST_F(BankSessionTest, AutoSaveTickDuringAnOpensPromptsWritesNothing) {
  SlowUI slow(loop);
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  TBankSession s(&settings, options, &slow, &loop);
  const std::string first = tmp.File("first.xdb2");
  WriteFile(first, SampleBankXML());
  s.OpenBank(first);
  s.SetModified();  // arms the timer
  EXPECT_TRUE(s.AutoSaveTimer().Running());
  const std::string before = ReadFile(first);

  const std::string locked = tmp.File("locked.xdb2");
  WriteFile(locked, EncipherDataBank(SampleBankXML(), "pw"));
  s.OpenBank(locked);  // prompt cancelled, then two messages: every one of them waits ten minutes
  EXPECT_GE(slow.ticks, 3u);
  EXPECT_EQ(ReadFile(first), before);
  EXPECT_FALSE(fs::exists(tmp.File("first.backup")));
  EXPECT_EQ(s.FileName(), "");
}

TEST_F(BankSessionTest, AutoSaveWaitsWhilePasswordPromptsRun) {
  SlowUI slow(loop);
  TBankSession s(&settings, TBankSession::TOptions{}, &slow, &loop);
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  s.OpenBank(path);
  s.SetModified();
  const std::string before = ReadFile(path);
  slow.PushSetPassword(platform::SetPasswordAnswer{"pw", "pw"});
  s.SetPasswordCommand();
  slow.PushChangePassword(std::nullopt);
  s.ChangePasswordCommand();
  slow.PushFilePassword(std::nullopt);
  s.RemovePasswordCommand();
  EXPECT_GE(slow.ticks, 2u);
  EXPECT_EQ(ReadFile(path), before);  // nothing was saved half-way through a prompt
  EXPECT_EQ(s.Password(), "pw");
}

TEST_F(BankSessionTest, AutoSaveRunsOnlyForAModifiedNamedDatabank) {
  settings.Values["AutoSavePeriod"] = "60";
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  auto s = NewSession();
  EXPECT_EQ(s->AutoSaveTimer().Interval(), 60000);
  EXPECT_FALSE(s->AutoSaveTimer().Enabled());
  s->OpenBank(path);
  s->SetModified();
  EXPECT_TRUE(s->AutoSaveTimer().Enabled());
  const auto mtime = [&] { return fs::last_write_time(path); };
  loop.Advance(60000);
  EXPECT_FALSE(s->Modified());
  EXPECT_TRUE(fs::exists(tmp.File("bank.backup")));
  // Unmodified from here: ticks write nothing, not even the backup.
  fs::remove(tmp.File("bank.backup"));
  const auto stamp = mtime();
  loop.Advance(60000 * 3);
  EXPECT_EQ(mtime(), stamp);
  EXPECT_FALSE(fs::exists(tmp.File("bank.backup")));
  // Edits in the editor alone are enough.
  bool editing = true;
  s->Hooks.RecordModified = [&] { return editing; };
  loop.Advance(60000);
  EXPECT_TRUE(fs::exists(tmp.File("bank.backup")));
  // "AutoSave" off: the next tick switches the timer off and saves nothing.
  fs::remove(tmp.File("bank.backup"));
  settings.Values["AutoSave"] = "0";
  loop.Advance(60000);
  EXPECT_FALSE(s->AutoSaveTimer().Enabled());
  EXPECT_FALSE(fs::exists(tmp.File("bank.backup")));
  s->SetModified();
  EXPECT_FALSE(s->AutoSaveTimer().Enabled());
  // Minimising saves only with "AutoSave".
  s->AppMinimized();
  EXPECT_TRUE(s->Modified());
  settings.Values["AutoSave"] = "1";
  s->AppMinimized();
  EXPECT_FALSE(s->Modified());
}

TEST_F(BankSessionTest, AutoSavePeriodIsClamped) {
  settings.Values["AutoSavePeriod"] = "-5";
  EXPECT_EQ(NewSession()->AutoSaveTimer().Interval(), 0);
  settings.Values["AutoSavePeriod"] = "0";
  EXPECT_EQ(NewSession()->AutoSaveTimer().Interval(), 0);
  settings.Values["AutoSavePeriod"] = "3000000";
  EXPECT_EQ(NewSession()->AutoSaveTimer().Interval(), 86400 * 1000);  // one day at most
  settings.Values.erase("AutoSavePeriod");
  EXPECT_EQ(NewSession()->AutoSaveTimer().Interval(), 300000);
}

TEST_F(BankSessionTest, UnnamedDatabankIsNeverAutoSaved) {
  auto s = NewSession();
  s->OpenBank("");
  s->SetModified();
  loop.Advance(300000 * 2);
  EXPECT_TRUE(s->Modified());
  EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(BankSessionTest, RecentFilesAreRelativeToTheProgramFolderAndKeepCase) {
  fs::create_directories(ProgramDir());
  const std::string inProg = ProgramDir() + "/Bank.xdb2";
  const std::string inProgLower = ProgramDir() + "/bank.xdb2";
  const std::string elsewhere = tmp.File("a&b.xdb2");
  for (const auto& p : {inProg, inProgLower, elsewhere}) WriteFile(p, SampleBankXML());

  auto s = NewSession();
  EXPECT_EQ(s->RecentMenuItems().size(), 1u);
  EXPECT_EQ(s->RecentMenuItems()[0].Caption, "<no recent files>");
  EXPECT_FALSE(s->RecentMenuItems()[0].Enabled);

  s->OpenBank(inProg);
  s->OpenBank(inProgLower);
  s->OpenBank(elsewhere);
  s->CloseBank();
  auto items = s->RecentMenuItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Entry, elsewhere);
  EXPECT_EQ(items[0].Caption, tmp.File("a&&b.xdb2"));
  EXPECT_EQ(items[1].Entry, "bank.xdb2");
  EXPECT_EQ(items[2].Entry, "Bank.xdb2");

  // Opening a file takes it off the list; a relative entry resolves against the program folder.
  s->OpenRecentFile("Bank.xdb2");
  EXPECT_EQ(s->FileName(), inProg);
  EXPECT_EQ(s->RecentFiles().IndexOf("Bank.xdb2"), -1);
  EXPECT_EQ(s->RecentFiles().IndexOf("bank.xdb2"), 1);

  // Stored with the open file first, read back the same.
  s->SaveFileSettings();
  EXPECT_EQ(settings.Values["RecentFiles"], "Bank.xdb2\r\n" + elsewhere + "\r\nbank.xdb2\r\n");
  EXPECT_EQ(settings.Values["LastOpened"], "");
  auto t = NewSession();
  t->LoadFileSettings();
  EXPECT_EQ(t->RecentFiles().Count(), 3);

  // A missing file raises the exact text.
  try {
    s->OpenRecentFile("gone.xdb2");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "File \"" + ProgramDir() + "/gone.xdb2\" doesn't exist!");
  }
}

TEST_F(BankSessionTest, SaveAsMovesTheOldNameToTheRecentList) {
  const std::string a = tmp.File("a.xdb2");
  WriteFile(a, SampleBankXML());
  auto s = NewSession();
  s->OpenBank(a);
  const std::string b = tmp.File("b.xdb2");
  ui.PushSaveFile(b);
  s->SaveAsCommand();
  EXPECT_EQ(s->FileName(), b);
  EXPECT_EQ(s->LastOpened(), b);
  EXPECT_EQ(s->RecentFiles().IndexOf(a), 0);
  EXPECT_EQ(ReadFile(a), SampleBankXML());
  // The save dialog starts at LastOpened.
  ui.PushSaveFile(std::nullopt);
  s->SaveAsCommand();
  const auto call = ui.CallsOf(Kind::SaveFile).back();
  EXPECT_EQ(call.fileOptions.fileName, "b.xdb2");
  EXPECT_EQ(call.fileOptions.initialDir, tmp.Path().string() + "/");
  // Save without a name goes to Save As.
  s->OpenBank("");
  ui.PushSaveFile(tmp.File("c.xdb2"));
  s->SaveCommand();
  EXPECT_TRUE(fs::exists(tmp.File("c.xdb2")));
}

TEST_F(BankSessionTest, PasswordCommands) {
  auto s = NewSession();
  s->ApplicationTitle = "Tessaryn";
  s->OpenBank("");
  EXPECT_TRUE(s->CanSetPassword());
  EXPECT_FALSE(s->CanRemovePassword());

  ui.PushSetPassword(platform::SetPasswordAnswer{"a", "b"});
  s->SetPasswordCommand();
  EXPECT_EQ(s->Password(), "");
  EXPECT_EQ(ui.LastCall().text, "Invalid Password");
  EXPECT_EQ(ui.LastCall().caption, "Tessaryn");
  EXPECT_FALSE(s->Modified());

  ui.PushSetPassword(platform::SetPasswordAnswer{"secret", "secret"});
  s->SetPasswordCommand();
  EXPECT_EQ(s->Password(), "secret");
  EXPECT_TRUE(s->Modified());
  EXPECT_FALSE(s->CanSetPassword());
  EXPECT_TRUE(s->CanChangePassword());

  ui.PushChangePassword(platform::ChangePasswordAnswer{"wrong", "n", "n"});
  s->ChangePasswordCommand();
  EXPECT_EQ(s->Password(), "secret");
  EXPECT_EQ(ui.LastCall().text, "Invalid Password");
  ui.PushChangePassword(platform::ChangePasswordAnswer{"secret", "n1", "n2"});
  s->ChangePasswordCommand();
  EXPECT_EQ(s->Password(), "secret");
  ui.PushChangePassword(platform::ChangePasswordAnswer{"secret", "new", "new"});
  s->ChangePasswordCommand();
  EXPECT_EQ(s->Password(), "new");

  ui.PushFilePassword("secret");
  s->RemovePasswordCommand();
  EXPECT_EQ(s->Password(), "new");
  EXPECT_EQ(ui.LastCall().text, "Invalid Password");
  ui.PushFilePassword("new");
  s->RemovePasswordCommand();
  EXPECT_EQ(s->Password(), "");
  // Cancelled prompts change nothing and say nothing.
  const size_t calls = ui.Calls().size();
  ui.PushSetPassword(std::nullopt);
  s->SetPasswordCommand();
  EXPECT_EQ(ui.Calls().size(), calls + 1);
  EXPECT_EQ(s->Password(), "");
}

TEST_F(BankSessionTest, StartupOpening) {
  const std::string last = tmp.File("last.xdb2");
  const std::string cmd = tmp.File("cmd.xdb2");
  WriteFile(last, SampleBankXML("from last"));
  WriteFile(cmd, SampleBankXML("from command line"));
  fs::create_directories(ProgramDir());

  // LastOpened is stored relative to the program folder when it lies there.
  WriteFile(ProgramDir() + "/p.xdb2", SampleBankXML("in program folder"));
  settings.Values["LastOpened"] = "p.xdb2";
  {
    auto s = NewSession();
    s->LoadFileSettings();
    EXPECT_EQ(TBankSession::StartupFileOf(&settings, ProgramDir(), ""), ProgramDir() + "/p.xdb2");
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), ProgramDir() + "/p.xdb2");
  }
  settings.Values["LastOpened"] = last;
  {
    auto s = NewSession();
    s->LoadFileSettings(cmd);  // the command-line file opens instead of LastOpened, and replaces it
    EXPECT_EQ(TBankSession::StartupFileOf(&settings, ProgramDir(), cmd), cmd);
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), cmd);
    EXPECT_EQ(s->LastOpened(), cmd);
    EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 2)), "from command line");
  }
  settings.Values["AutoOpen"] = "0";
  {
    auto s = NewSession();
    s->LoadFileSettings();
    EXPECT_EQ(TBankSession::StartupFileOf(&settings, ProgramDir(), ""), "");
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), "");
    ASSERT_NE(s->Bank(), nullptr);
    s->CloseBank();
    s->LoadFileSettings(cmd);  // but a command-line file still opens
    EXPECT_EQ(TBankSession::StartupFileOf(&settings, ProgramDir(), cmd), cmd);
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), cmd);
  }
  settings.Values["AutoOpen"] = "1";
  settings.Values["LastOpened"] = tmp.File("vanished.xdb2");
  {
    auto s = NewSession();
    s->LoadFileSettings();
    EXPECT_EQ(TBankSession::StartupFileOf(&settings, ProgramDir(), tmp.File("missing.xdb2")), "");
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), "");
    EXPECT_TRUE(ui.Calls().empty());  // a last databank that is gone is not reported at start
  }
}

// The start reads its databank ahead while the window is made: the open takes those bytes only when
// they are the file's as it is at the open (a file rewritten or renamed over since opens as it is
// now) and of the file the start opens (a read of another file is dropped); an enciphered file read
// ahead asks for its password as ever, and a second attempt after a wrong one reads the file again.
TEST_F(BankSessionTest, TheFileReadAheadAtTheStartOpensAsTheFileIsAtTheOpen) {
  const std::string bank = tmp.File("bank.xdb2");
  const std::string other = tmp.File("other.xdb2");
  const std::string moved = tmp.File("moved.xdb2");
  const std::string locked = tmp.File("locked.xdb2");
  WriteFile(other, SampleBankXML("other"));
  WriteFile(locked, EncipherDataBank(SampleBankXML("locked"), "pw"));
  // The read itself: its bytes, or none once the file is no longer the one it read.
  enum Change { Nothing, Rewritten, RenamedOver, AnotherFileRead };
  for (const Change change : {Nothing, Rewritten, RenamedOver}) {
    SCOPED_TRACE(change);
    const std::string text = SampleBankXML("as read ahead");
    WriteFile(bank, text);
    TBankFileReadAhead read(bank);
    read.Wait();
    if (change == Rewritten) WriteFile(bank, SampleBankXML("as written after the read"));
    if (change == RenamedOver) {
      WriteFile(moved, text);
      fs::rename(moved, bank);
    }
    TBankFileRead got;
    ASSERT_EQ(read.Take(got), change == Nothing);
    if (change == Nothing) {
      EXPECT_TRUE(got.Bytes == text);
      EXPECT_EQ(got.Identity, FileIdentityOf(bank));
    }
    EXPECT_FALSE(read.Take(got));  // once only
  }
  // The session with a read started before it.
  for (const Change change : {Nothing, Rewritten, RenamedOver, AnotherFileRead}) {
    SCOPED_TRACE(change);
    WriteFile(bank, SampleBankXML("as read ahead"));
    settings.Values["LastOpened"] = bank;
    ASSERT_EQ(TBankSession::StartupFileOf(&settings, ProgramDir(), ""), bank);
    StartBankFileReadAhead(change == AnotherFileRead ? other : bank);
    auto s = NewSession();
    s->LoadFileSettings();
    s->ReadAheadStartupFile();
    EXPECT_EQ(TakeBankFileReadAhead(), nullptr);  // the session took it
    if (change == Rewritten) WriteFile(bank, SampleBankXML("as written after the start"));
    if (change == RenamedOver) {
      WriteFile(moved, SampleBankXML("as renamed over"));
      fs::rename(moved, bank);
    }
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), bank);
    const char* expected = change == RenamedOver ? "as renamed over"
                           : change == Rewritten ? "as written after the start"
                                                 : "as read ahead";
    EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 2)), expected);
    EXPECT_FALSE(s->Modified());
  }
  // A wrong password, then the right one: the second attempt reads the file again.
  ui.Clear();
  settings.Values["LastOpened"] = locked;
  StartBankFileReadAhead(TBankSession::StartupFileOf(&settings, ProgramDir(), ""));
  ui.PushFilePassword("wrong");
  ui.PushFilePassword("pw");
  auto s = NewSession();
  s->LoadFileSettings();
  s->ReadAheadStartupFile();
  s->StartupOpen();
  EXPECT_EQ(s->FileName(), locked);
  EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 2)), "locked");
}

// A file named on the command line that is missing or a folder is told, and the last databank opens
// as without it; one that is there but does not open is reported as every failed open is. Only a
// databank that opened becomes LastOpened, so a failed one is not tried again at every start.
TEST_F(BankSessionTest, TheCommandLineFileIsToldWhenItCannotBeOpenedAndNeverBecomesLastOpenedThen) {
  const std::string last = tmp.File("last.xdb2");
  const std::string locked = tmp.File("locked.xdb2");
  const std::string folder = tmp.File("folder.xdb2");
  const std::string text = tmp.File("notes.xdb2");
  WriteFile(last, SampleBankXML("from last"));
  WriteFile(locked, EncipherDataBank(SampleBankXML("locked"), "pw"));
  WriteFile(text, "some notes\n");
  fs::create_directories(folder);
  struct Case {
    std::string commandLine;
    std::optional<std::string> password;
    std::vector<std::string> messages;
    std::string opened;  // FileName after the start, and LastOpened written at the end
  };
  const Case cases[] = {
      {tmp.File("missing.xdb2"), {}, {"File not found: " + tmp.File("missing.xdb2")}, last},
      {folder, {}, {folder + " is a folder, not a databank"}, last},
      {text, {}, {NotABank(text)}, ""},
      {locked, std::nullopt, {Cancelled(locked)}, ""},
      {locked, "pw", {}, locked},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    ui.Clear();
    settings.Values["LastOpened"] = last;
    ui.PushFilePassword(c.password);
    auto s = NewSession();
    s->LoadFileSettings(c.commandLine);
    s->StartupOpen();
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(s->FileName(), c.opened);
    s->CloseForExit();
    s->SaveFileSettings();
    EXPECT_EQ(settings.Values["LastOpened"], c.opened.empty() ? last : c.opened);
    // The next plain start opens the last databank without a word.
    ui.Clear();
    auto next = NewSession();
    next->LoadFileSettings();
    if (c.opened == locked) ui.PushFilePassword("pw");
    next->StartupOpen();
    EXPECT_EQ(next->FileName(), c.opened.empty() ? last : c.opened);
    EXPECT_TRUE(Messages().empty());
  }
}

TEST_F(BankSessionTest, FirstRunSavesSettingsAndOpensTheSample) {
  auto s = NewSession();
  s->FirstRun();
  EXPECT_EQ(settings.Saves, 1);
  EXPECT_EQ(s->Bank(), nullptr);
  fs::create_directories(ProgramDir());
  WriteFile(ProgramDir() + "/about.xdb2", SampleBankXML("About"));
  s->FirstRun();
  ASSERT_NE(s->Bank(), nullptr);
  EXPECT_EQ(s->FileName(), ProgramDir() + "/about.xdb2");

  // An installed program (the user's data folder is another one): the user's own copy is opened, in
  // a folder made for it, even where the program's folder could be written; a copy the user changed
  // on an earlier first run is kept as it is.
  const std::string user = tmp.File("home/.local/share/tessaryn");
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  options.UserDir = user;
  {
    TBankSession session(nullptr, options, &ui, &loop);
    session.FirstRun();
    EXPECT_EQ(session.FileName(), user + "/about.xdb2");
    EXPECT_NE(session.Bank(), nullptr);
  }
  EXPECT_EQ(ReadFile(user + "/about.xdb2"), SampleBankXML("About"));
  WriteFile(user + "/about.xdb2", SampleBankXML("Mine"));
  {
    TBankSession session(nullptr, options, &ui, &loop);
    session.FirstRun();
    EXPECT_EQ(session.FileName(), user + "/about.xdb2");
  }
  EXPECT_EQ(ReadFile(user + "/about.xdb2"), SampleBankXML("Mine"));
  std::vector<std::string> programFiles;
  for (const auto& entry : fs::directory_iterator(ProgramDir())) programFiles.push_back(entry.path().filename());
  EXPECT_EQ(programFiles, std::vector<std::string>{"about.xdb2"});
}

TEST_F(BankSessionTest, ClosingForExit) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  {
    // "AutoSave" and a name: saved without a question, even unchanged (it keeps the selection).
    auto s = NewSession();
    s->OpenBank(path);
    s->Hooks.SelectedNodeID = [] { return 2; };
    EXPECT_TRUE(s->CloseForExit());
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_NE(ReadFile(path).find("<LastPosition>2</LastPosition>"), std::string::npos);
    EXPECT_EQ(s->Bank(), nullptr);
    EXPECT_EQ(s->RecentFiles().IndexOf(path), 0);
  }
  {
    // An unnamed one is asked about, with Yes and No only.
    auto s = NewSession();
    s->OpenBank("");
    s->SetModified();
    ui.PushMessageResult(platform::mrNo);
    EXPECT_TRUE(s->CloseForExit());
    EXPECT_EQ(ui.LastCall().buttons, platform::MsgButtons::YesNo);
  }
  {
    // The save fails: the user is asked, and Cancel keeps the window open.
    ui.Clear();
    auto s = NewSession();
    s->OpenBank(path);
    s->SetModified();
    ::chmod(path.c_str(), 0444);
    ui.PushMessageResult(platform::mrOk);
    ui.PushMessageResult(platform::mrCancel);
    EXPECT_FALSE(s->CloseForExit());
    ::chmod(path.c_str(), 0644);
    EXPECT_NE(s->Bank(), nullptr);
    EXPECT_TRUE(s->Modified());
  }
}

// Closing while a save is being written (a signal during the long save of a large databank) waits
// for it, then writes the databank again only when something changed after that save's snapshot was
// taken; the file holding all of it already is not written a second time. The backup beside the file
// tells how many saves there were: each one copies the file it replaces there.
TEST_F(BankSessionTest, ClosingDuringASaveWritesAgainOnlyWhatChangedAfterItsSnapshot) {
  const std::string path = tmp.File("bank.xdb2");
  const std::string backup = tmp.File("bank.backup");
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  options.BackgroundSaves = true;
  struct Case {
    const char* what;
    bool editAfterSnapshot, selectAnother, writtenAgain;
  };
  for (const Case& c :
       {Case{"nothing after the snapshot", false, false, false}, Case{"an edit after the snapshot", true, false, true},
        Case{"another node selected after the snapshot", false, true, true}}) {
    WriteFile(path, SampleBankXML());
    fs::remove(backup);
    TBankSession s(&settings, options, &ui, &loop);
    int selected = -1;
    s.Hooks.SelectedNodeID = [&] { return selected; };
    s.OpenBank(path);
    s.Bank()->WriteString("DataBaseName", "saved");
    s.SetModified();
    s.SaveCommand();
    ASSERT_TRUE(s.SaveInFlight() || !s.Modified()) << c.what;
    if (c.editAfterSnapshot) {
      s.Bank()->WriteString("DataBaseName", "edited");
      s.SetModified();
    }
    if (c.selectAnother) selected = 2;
    EXPECT_TRUE(s.CloseForExit(TIfFileChanged::WriteBeside)) << c.what;
    const std::string file = ReadFile(path);
    EXPECT_NE(file.find(c.editAfterSnapshot ? "<DataBaseName>edited<" : "<DataBaseName>saved<"), std::string::npos)
        << c.what;
    EXPECT_NE(file.find(c.selectAnother ? "<LastPosition>2<" : "<LastPosition>-1<"), std::string::npos) << c.what;
    // One save copied the file as it was opened; a second one would have copied the first one's.
    EXPECT_EQ(ReadFile(backup) != SampleBankXML(), c.writtenAgain) << c.what;
  }
  // A file removed meanwhile is written again: closing never leaves the databank without one.
  WriteFile(path, SampleBankXML());
  TBankSession s(&settings, options, &ui, &loop);
  s.OpenBank(path);
  fs::remove(path);
  EXPECT_TRUE(s.CloseForExit(TIfFileChanged::WriteBeside));
  EXPECT_TRUE(fs::exists(path));
}

TEST_F(BankSessionTest, ClosingForgetsNameAndPasswordTogether) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  auto s = NewSession();
  s->OpenBank(path);
  ui.PushSetPassword(platform::SetPasswordAnswer{"p", "p"});
  s->SetPasswordCommand();
  int commits = 0, leaves = 0;
  s->Hooks.CommitRecord = [&] { ++commits; };
  s->Hooks.LeaveFilter = [&] { ++leaves; };
  s->CloseBank();
  EXPECT_EQ(commits, 1);
  EXPECT_EQ(leaves, 1);
  EXPECT_EQ(s->FileName(), "");
  EXPECT_EQ(s->Password(), "");
  EXPECT_EQ(s->EntryName(), "");
  EXPECT_EQ(s->Bank(), nullptr);
  s->CloseBank();  // closing twice is harmless
  EXPECT_EQ(commits, 1);
}

TEST_F(BankSessionTest, ExportWritesWithItsOwnLayersAndKeepsTheWindowState) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  auto s = NewSession();
  s->OpenBank(path);
  TXMLDataBase2 out;
  out.Root()->AddNode(bank::FindNodeByID(s->Bank()->Root(), 2)->CloneNode());
  const std::string target = tmp.File("export.xdb2");
  ASSERT_TRUE(s->SaveBankFile(target, &out, TBankWriteLayers{"x", true, ""}));
  EXPECT_EQ(s->Password(), "");
  EXPECT_FALSE(s->Compress());
  EXPECT_EQ(s->FileSize(), static_cast<int64_t>(ReadFile(path).size()));
  TMemoryStream stream(ReadFile(target));
  TZipFile zip;
  ASSERT_TRUE(zip.LoadFromStream(stream));
  EXPECT_EQ(zip.GetFileName(0), "export.xdb2");
  EXPECT_EQ(DecipherDataBank(zip.GetUncompressed(0), "x"), out.EncodedXML());
}

// An export never writes the open databank's file or its backup, under whatever name the path gives
// them: through ".." (as the system resolves it, after the links), a link to the file or to its
// folder, a hard link. It is refused with one box and the files stay as they were; other names are
// written, and an export whose own backup would land on the open databank's backup ("own.xdb" beside
// "own.xdb2") leaves that backup alone. In the foreground and through the writer alike.
TEST_F(BankSessionTest, ExportNeverWritesTheOpenDatabanksFileNorItsBackup) {
  const std::string own = tmp.File("own.xdb2"), backup = tmp.File("own.backup");
  fs::create_directories(tmp.Path() / "d" / "e");
  fs::create_directory_symlink(tmp.Path(), tmp.Path() / "here");              // here -> the folder itself
  fs::create_directory_symlink(tmp.Path() / "d" / "e", tmp.Path() / "deep");  // deep/.. is d, not the folder
  struct Case {
    std::string path;
    bool refused;
    std::string written;  // the file an allowed export writes
  };
  const Case cases[] = {
      {own, true, ""},
      {tmp.File("d/../own.xdb2"), true, ""},
      {tmp.File("here/own.xdb2"), true, ""},
      {tmp.File("here/here/d/e/../../own.xdb2"), true, ""},
      {tmp.File("alias.xdb2"), true, ""},  // a link to the file
      {tmp.File("hard.xdb2"), true, ""},   // a hard link to it
      {backup, true, ""},
      {tmp.File("here/own.backup"), true, ""},
      {tmp.File("deep/../own.xdb2"), false, tmp.File("d/own.xdb2")},
      {tmp.File("OWN.xdb2"), false, tmp.File("OWN.xdb2")},
      {tmp.File("own.xdb"), false, tmp.File("own.xdb")},
  };
  for (bool background : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.path + (background ? " (through the writer)" : ""));
      for (const char* name :
           {"own.xdb2", "own.backup", "alias.xdb2", "hard.xdb2", "OWN.xdb2", "own.xdb", "d/own.xdb2"})
        fs::remove(tmp.File(name));
      WriteFile(own, SampleBankXML("Before"));
      TBankSession::TOptions options;
      options.ProgramDir = ProgramDir();
      options.BackgroundSaves = background;
      TBankSession s(&settings, options, &ui, &loop);
      s.OpenBank(own);
      s.SetModified();
      ASSERT_TRUE(s.SaveBank(own));  // the backup holds the file as it was
      s.WaitForSave();
      fs::create_symlink(own, tmp.File("alias.xdb2"));
      fs::create_hard_link(own, tmp.File("hard.xdb2"));
      WriteFile(tmp.File("own.xdb"), "an older file of that name");
      const std::string file = ReadFile(own), kept = ReadFile(backup);
      ASSERT_EQ(kept, SampleBankXML("Before"));
      ui.Clear();
      TXMLDataBase2 part;
      part.Root()->AddNode(bank::FindNodeByID(s.Bank()->Root(), 3)->CloneNode());
      const bool started = s.ExportBank(c.path, part.Snapshot(), TBankWriteLayers{});
      s.WaitForSave();
      EXPECT_EQ(started, !c.refused);
      EXPECT_EQ(Messages(), c.refused
                                ? std::vector<std::string>{"This is the open databank's file. Choose another name."}
                                : std::vector<std::string>{});
      EXPECT_EQ(ReadFile(own), file);
      EXPECT_EQ(ReadFile(backup), kept);
      EXPECT_FALSE(s.Modified());
      if (!c.refused) {
        EXPECT_EQ(ReadFile(c.written), part.EncodedXML());
      }
    }
  }
}

// A save streams its snapshot through the layers into the file, never holding the databank's text
// whole: the same bytes the whole text gives with those layers, for a databank larger than the
// pieces, in the code page or as UTF-8. Afterwards the file is known as this copy's by its bytes (the
// zip layer goes back to its header, so the digest comes from reading the file back); a failing
// layer is told as before.
TEST_F(BankSessionTest, ASaveStreamsItsSnapshotThroughTheLayers) {
  auto withoutZipTime = [](std::string file) {
    if (!TZipFile::HasZipSignature(file)) return file;
    std::memset(file.data() + 10, 0, 4);
    std::memset(file.data() + file.rfind(std::string("PK\x01\x02", 4)) + 12, 0, 4);
    return file;
  };
  auto setModified = [](const std::string& path, int seconds) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  for (const bool utf8 : {false, true}) {
    TXMLDataBase2 db;
    std::mt19937 rng(utf8);
    for (int r = 0; r < 3000; ++r) {
      TxevXMLNode2* record = db.Root()->AddChild(bank::xnRecord);
      record->SetText("R\xC3\xA9" + std::string(utf8 && r == 2999 ? "\xE2\x88\x80" : ""));
      std::string code(1000, 'x');
      for (char& c : code) c = "abc <>\r\n\t{}"[rng() % 12];
      bank::SetRecordData(record, code);
    }
    const std::string xml = db.EncodedXML();
    ASSERT_GT(xml.size(), 3000000u);
    ASSERT_EQ(xml.find("encoding='UTF-8'") != std::string::npos, utf8);
    for (const bool compress : {false, true})
      for (const std::string password : {"", "pw"}) {
        const std::string path = tmp.File("streamed.xdb2");
        TBankSaveJob job;
        job.Path = path;
        job.Document = db.Snapshot();
        job.Layers = TBankWriteLayers{password, compress, "streamed.xdb2"};
        job.Watch = std::make_shared<TBankFileWatch>(path);
        const std::shared_ptr<TBankFileWatch> watch = job.Watch;
        const TBankSaveOutcome outcome = WriteBankJob(std::move(job));
        ASSERT_TRUE(outcome.Saved) << (outcome.Errors.empty() ? "" : outcome.Errors[0].second);
        EXPECT_EQ(outcome.DataSize, static_cast<int64_t>(xml.size()));
        std::string whole;
        ASSERT_TRUE(EncodeBankLayers(xml, TBankWriteLayers{password, compress, "streamed.xdb2"}, nullptr, whole));
        const std::string file = ReadFile(path);
        EXPECT_EQ(outcome.FileSize, static_cast<int64_t>(file.size()));
        EXPECT_TRUE(withoutZipTime(file) == withoutZipTime(whole))
            << "utf8 " << utf8 << " compress " << compress << " password '" << password << "'";
        // The same bytes at another time are still this copy's file; one byte changed is not.
        setModified(path, 5);
        EXPECT_TRUE(watch->StillOurs());
        std::string changed = file;
        changed[changed.size() / 2] ^= 1;
        WriteFile(path, changed);
        setModified(path, 10);
        EXPECT_FALSE(watch->StillOurs());
      }
  }
  const std::string path = tmp.File("failing.xdb2");
  for (const auto& [layers, id] :
       {std::pair{TBankWriteLayers{"\xF0\x9F\x98\x80", false, ""}, SCouldNotCypherBank},
        std::pair{TBankWriteLayers{"", true, std::string(70000, 'n')}, SCouldNotCompressBank}}) {
    TXMLDataBase2 db;
    db.Root()->AddChild(bank::xnRecord)->SetText("r");
    TBankSaveJob job;
    job.Path = path;
    job.Document = db.Snapshot();
    job.Layers = layers;
    const TBankSaveOutcome outcome = WriteBankJob(std::move(job));
    EXPECT_FALSE(outcome.Saved);
    ASSERT_EQ(outcome.Errors.size(), 1u);
    EXPECT_EQ(outcome.Errors[0].first, id);
    EXPECT_FALSE(fs::exists(path));
  }
}

// The open dialog stays up past an auto-save period after the user said No to saving.
class SlowOpenDialogUI : public platform::ScriptedUIServices {
 public:
  explicit SlowOpenDialogUI(platform::FakeEventLoop& loop) : loop_(loop) {}
  bool OpenFileDialog(const platform::FileDialogOptions& options, std::string& path,
                      platform::WindowHandle owner) override {
    ticks += loop_.Advance(600000);
    return ScriptedUIServices::OpenFileDialog(options, path, owner);
  }
  size_t ticks = 0;

 private:
  platform::FakeEventLoop& loop_;
};

TEST_F(BankSessionTest, ChangesTheUserDeclinedAreNotAutoSavedDuringTheOpenDialog) {
  SlowOpenDialogUI slow(loop);
  TBankSession::TOptions options;
  TBankSession s(&settings, options, &slow, &loop);
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  s.OpenBank(path);
  s.Bank()->Root()->AddChild(bank::xnFolder)->SetText("declined");
  s.SetModified();
  slow.PushMessageResult(platform::mrNo);
  slow.PushOpenFile(std::nullopt);
  s.OpenCommand();
  EXPECT_GE(slow.ticks, 1u);
  EXPECT_EQ(ReadFile(path), SampleBankXML());
  ASSERT_EQ(slow.CallsOf(Kind::OpenFile).size(), 1u);
  EXPECT_EQ(slow.CallsOf(Kind::OpenFile)[0].caption, "Open DataBank");
  EXPECT_EQ(slow.CallsOf(Kind::OpenFile)[0].fileOptions.fileName, "bank.xdb2");
}

// Every question and file dialog stays up past two auto-save periods, as a user thinking it over
// leaves it, and notes whether a databank could have been opened or closed meanwhile.
class ThinkingUI : public platform::ScriptedUIServices {
 public:
  explicit ThinkingUI(platform::FakeEventLoop& loop) : loop_(loop) {}
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    Think();
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
  bool OpenFileDialog(const platform::FileDialogOptions& options, std::string& path,
                      platform::WindowHandle owner) override {
    Think();
    return ScriptedUIServices::OpenFileDialog(options, path, owner);
  }
  bool SaveFileDialog(const platform::FileDialogOptions& options, std::string& path,
                      platform::WindowHandle owner) override {
    Think();
    return ScriptedUIServices::SaveFileDialog(options, path, owner);
  }
  const TBankSession* session = nullptr;
  size_t ticks = 0;
  bool mayReplace = false;

 private:
  void Think() {
    ticks += loop_.Advance(600000);
    if (session && session->MayReplaceBank()) mayReplace = true;
  }
  platform::FakeEventLoop& loop_;
};

// Save As's file dialog changes nothing an auto-save writes (the databank keeps its file until the
// dialog is answered): the tick goes on saving that file meanwhile. A question whether to save holds
// it, before and after its answer (Open's dialog after a No): what the user is asked about, or chose
// to discard, is not written before the answer decides. Nothing opens or closes a databank meanwhile.
TEST_F(BankSessionTest, AutoSaveGoesOnInTheSaveAsDialogButNotOverTheSaveQuestion) {
  const std::string path = tmp.File("bank.xdb2");
  const std::string other = tmp.File("other.xdb2");
  struct Case {
    const char* name;
    std::function<void(TBankSession&, ThinkingUI&)> run;
    bool saved;  // the typing reached the databank's file during the dialog
  };
  const Case cases[] = {
      {"Save As, cancelled",
       [](TBankSession& s, ThinkingUI& ui) {
         ui.PushSaveFile(std::nullopt);
         s.SaveAsCommand();
       },
       true},
      {"Save As, another file chosen",
       [&](TBankSession& s, ThinkingUI& ui) {
         ui.PushSaveFile(tmp.File("new.xdb2"));
         s.SaveAsCommand();
         EXPECT_EQ(s.FileName(), tmp.File("new.xdb2"));
       },
       true},
      {"Open: No, then its dialog cancelled",
       [](TBankSession& s, ThinkingUI& ui) {
         ui.PushMessageResult(platform::mrNo);
         ui.PushOpenFile(std::nullopt);
         s.OpenCommand();
       },
       false},
      {"Open: the question cancelled",
       [](TBankSession& s, ThinkingUI& ui) {
         ui.PushMessageResult(platform::mrCancel);
         s.OpenCommand();
       },
       false},
      {"New: No",
       [](TBankSession& s, ThinkingUI& ui) {
         ui.PushMessageResult(platform::mrNo);
         s.NewBank();
       },
       false},
      {"a recent file: No",
       [&](TBankSession& s, ThinkingUI& ui) {
         ui.PushMessageResult(platform::mrNo);
         s.OpenRecentFile(other);
         EXPECT_EQ(s.FileName(), other);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(path, SampleBankXML());
    WriteFile(other, SampleBankXML());
    ThinkingUI ui(loop);
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    TBankSession s(&settings, options, &ui, &loop);
    s.OpenBank(path);
    s.Bank()->Root()->AddChild(bank::xnFolder)->SetText("typed");
    s.SetModified();
    ui.session = &s;
    c.run(s, ui);
    EXPECT_GE(ui.ticks, 2u);
    EXPECT_FALSE(ui.mayReplace);
    EXPECT_EQ(ReadFile(path).find("typed") != std::string::npos, c.saved);
  }
}

TEST_F(BankSessionTest, BackgroundSavesKeepEditsMadeMeanwhileAndReportFailuresOnTheWindowsThread) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  options.BackgroundSaves = true;
  TBankSession s(&settings, options, &ui, &loop);
  s.OpenBank(path);
  auto name = [&](const std::string& text) {
    s.Bank()->WriteString("DataBaseName", text);
    s.SetModified();
  };
  // The file holds the databank as it was when Save was pressed (its text beyond ASCII narrowed to
  // the file's code page on the worker), whatever is edited while it is written.
  name("first caf\xC3\xA9");
  TxevXMLNode2* folder = s.Bank()->Root()->AddChild("folder");
  folder->SetText("\xE2\x80\x9Cquoted\xE2\x80\x9D");
  s.WriteBankState();
  const std::string expected = s.Bank()->EncodedXML();
  s.SaveCommand();
  EXPECT_FALSE(s.Modified());  // what the snapshot holds counts as saved from here
  name("second");              // typed while the file is written
  folder->SetText("renamed");
  folder->AddChild("record")->SetText("new");
  s.Bank()->Root()->DeleteNode(folder);
  s.WaitForSave();
  EXPECT_TRUE(s.Modified());
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_NE(expected.find("<DataBaseName>first caf\xE9</DataBaseName>"), std::string::npos);
  EXPECT_TRUE(fs::exists(tmp.File("bank.backup")));

  // The loop picks finished saves up by itself; saves run in the order given.
  s.SaveCommand();
  name("third");
  s.SaveCommand();
  while (s.SaveInFlight()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  loop.Advance(20);
  EXPECT_FALSE(s.Modified());
  EXPECT_NE(ReadFile(path).find("<DataBaseName>third</DataBaseName>"), std::string::npos);

  // A file that cannot be written: the message comes on this thread, the databank stays modified
  // and auto-save stays armed.
  fs::remove(path);
  fs::create_directory(path);  // a folder in the file's place
  name("fourth");
  s.SaveCommand();
  EXPECT_TRUE(ui.Calls().empty());
  s.WaitForSave();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("Could not write DataBank!\n", 0), 0u) << Messages()[0];
  EXPECT_TRUE(s.Modified());
  EXPECT_TRUE(s.AutoSaveTimer().Enabled());

  // A finished save posts its outcome to the window's loop: nothing ticks meanwhile, and the
  // outcome is applied once the loop runs what was posted.
  name("fourth again");
  s.AutoSaveTimer().SetEnabled(false);
  s.SaveCommand();
  while (s.SaveInFlight()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(loop.RunningTimers(), 0u);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_FALSE(s.Modified());
  EXPECT_GE(loop.PendingPosts(), 1u);
  loop.ProcessPosted();
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[1].rfind("Could not write DataBank!\n", 0), 0u) << Messages()[1];
  EXPECT_TRUE(s.Modified());
  EXPECT_EQ(s.SavesAwaitingOutcome(), 0u);

  // Closing waits for the save in flight and sees how it ended.
  fs::remove(path);
  name("fifth");
  s.SaveCommand();
  EXPECT_TRUE(s.CloseForExit());
  EXPECT_FALSE(s.SaveInFlight());
  EXPECT_NE(ReadFile(path).find("<DataBaseName>fifth</DataBaseName>"), std::string::npos);
}

namespace {
// A snapshot that tells which thread freed it; with a gate, that thread waits there until it opens.
class TFreeWatch : public TXMLDataBase2Snapshot {
 public:
  TFreeWatch(const TXMLDataBase2& store, std::promise<std::thread::id>& freedOn, std::shared_future<void> gate)
      : TXMLDataBase2Snapshot(store), freedOn_(freedOn), gate_(std::move(gate)) {}
  ~TFreeWatch() override {
    if (gate_.valid()) gate_.wait();
    freedOn_.set_value(std::this_thread::get_id());
  }

 private:
  std::promise<std::thread::id>& freedOn_;
  std::shared_future<void> gate_;
};
}  // namespace

// A save queued behind the one being written and replaced by a newer one is freed neither on the
// thread that hands in the saves (the window's) nor after the write in progress: replaced snapshots
// of a large databank would otherwise block the window or pile up while a slow file is written.
TEST_F(BankSessionTest, AQueuedSaveReplacedByANewerOneIsFreedAtOnceElsewhere) {
  std::promise<std::thread::id> freedA, freedB, freedC, freedD;
  std::promise<void> open;
  auto job = [&](const std::string& path, const std::string& name, std::promise<std::thread::id>& freedOn,
                 std::shared_future<void> gate) {
    TXMLDataBase2 doc;
    doc.Root()->AddChild("name")->SetText(name);
    TBankSaveJob j;
    j.Path = path;
    j.Document = std::make_unique<TFreeWatch>(doc, freedOn, std::move(gate));
    return j;
  };
  TBankWriter writer;
  // The writer frees A's snapshot once A is written to bytes, and waits there for the gate; B is
  // queued behind it and replaced by C, then C by D.
  // Each replaced job is named to the caller by its tag.
  std::uint64_t replaced = 99;
  auto tagged = [](TBankSaveJob j, std::uint64_t tag) {
    j.Tag = tag;
    return j;
  };
  writer.Submit(tagged(job(tmp.File("a.xdb2"), "A", freedA, open.get_future().share()), 1), nullptr, &replaced);
  EXPECT_EQ(replaced, 0u);
  writer.Submit(tagged(job(tmp.File("b.xdb2"), "B", freedB, {}), 2), nullptr, &replaced);
  EXPECT_EQ(replaced, 0u);
  writer.Submit(tagged(job(tmp.File("b.xdb2"), "C", freedC, {}), 3), nullptr, &replaced);
  EXPECT_EQ(replaced, 2u);
  writer.Submit(tagged(job(tmp.File("b.xdb2"), "D", freedD, {}), 4), nullptr, &replaced);
  EXPECT_EQ(replaced, 3u);
  std::future<std::thread::id> a = freedA.get_future(), b = freedB.get_future(), c = freedC.get_future();
  const bool bFreed = b.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  const bool cFreed = c.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  const bool aHeld = a.wait_for(std::chrono::seconds(0)) == std::future_status::timeout;
  open.set_value();
  writer.WaitIdle();
  ASSERT_TRUE(bFreed && cFreed) << "the replaced snapshots waited for the write in progress";
  EXPECT_TRUE(aHeld);
  const std::thread::id freedOnB = b.get();
  EXPECT_NE(freedOnB, std::this_thread::get_id()) << "the replaced snapshot was freed on the thread that saves";
  EXPECT_NE(c.get(), std::this_thread::get_id());
  EXPECT_NE(a.get(), freedOnB);  // nor on the writer's
  const std::list<TBankSaveOutcome> taken = writer.TakeFinished();
  const std::vector<TBankSaveOutcome> done(taken.begin(), taken.end());
  ASSERT_EQ(done.size(), 2u);
  EXPECT_TRUE(done[0].Saved && done[1].Saved);
  EXPECT_NE(ReadFile(tmp.File("b.xdb2")).find("<name>D</name>"), std::string::npos);
  EXPECT_EQ(freedD.get_future().wait_for(std::chrono::seconds(0)), std::future_status::ready);
}

// Nobody waits for a background save: the writer's thread gives way to the window's (and so do the
// threads it shares a job with), and what the window asks of it (whether it is busy, whether
// outcomes wait) takes no lock. A finished job's outcome waits, and its finished call (which posts to
// the window's loop) is made, before the job stops being busy: a window that sees the writer idle
// finds the outcome or the posted call already there.
TEST_F(BankSessionTest, TheWritersThreadGivesWayToTheWindow) {
  auto nice = [] { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))); };
  const int window = nice();
  if (window >= 19) GTEST_SKIP() << "the tests run at the lowest priority already";
  std::atomic<int> writing{window};
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  TBankWriter* self = nullptr;
  std::atomic<int> finishedCalls{0};
  std::atomic<bool> busyThen{false}, outcomeThen{false};
  TBankWriter writer(
      [&](TBankSaveJob job) {
        writing = nice();
        open.wait();
        TBankSaveOutcome outcome;
        outcome.Path = job.Path;
        outcome.Saved = true;
        return outcome;
      },
      [&] {
        ++finishedCalls;
        busyThen = self->Busy();
        outcomeThen = self->HasFinished();
      });
  self = &writer;
  TBankSaveJob job;
  job.Path = tmp.File("a.xdb2");
  ASSERT_TRUE(writer.Submit(std::move(job)));
  EXPECT_TRUE(writer.Busy());
  EXPECT_FALSE(writer.HasFinished());
  gate.set_value();
  writer.WaitIdle();
  EXPECT_GT(writing.load(), window);
  EXPECT_EQ(nice(), window);
  EXPECT_FALSE(writer.Busy());
  EXPECT_TRUE(writer.HasFinished());
  EXPECT_EQ(finishedCalls.load(), 1);
  EXPECT_TRUE(busyThen.load());
  EXPECT_TRUE(outcomeThen.load());
  EXPECT_EQ(writer.TakeFinished().size(), 1u);
  EXPECT_FALSE(writer.HasFinished());
}

// Saves (and exports) that wait behind a long write are replaced by newer ones: the session lets go of
// what it kept for each replaced one (its tag, its layers with the password) at once, so that nothing
// of them stays for the rest of the run, and once the writes have ended it waits for nothing.
TEST_F(BankSessionTest, AReplacedSaveLeavesNothingBehindInTheSession) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  std::promise<void> open, writing;
  std::shared_future<void> gate = open.get_future().share();
  std::atomic<bool> first{true};
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  options.BackgroundSaves = true;
  options.WriteJob = [&](TBankSaveJob job) {
    if (first.exchange(false)) writing.set_value();
    gate.wait();
    return WriteBankJob(std::move(job));
  };
  TBankSession s(&settings, options, &ui, &loop);
  s.OpenBank(path);
  TXMLDataBase2 part;
  part.Root()->AddNode(bank::FindNodeByID(s.Bank()->Root(), 3)->CloneNode());
  for (int i = 0; i < 20; ++i) {
    s.SetPassword("password " + std::to_string(i));
    s.SetModified();
    ASSERT_TRUE(s.SaveBank(path, TBankSession::TSaveWait::Started));
    if (i == 0) writing.get_future().wait();  // the first save is being written from now on
    ASSERT_TRUE(s.ExportBank(tmp.File("out.xdb2"), part.Snapshot(),
                             TBankWriteLayers{"export " + std::to_string(i), false, ""}));
  }
  // The first save is being written; one save and one export wait behind it.
  EXPECT_EQ(s.SavesAwaitingOutcome(), 3u);
  open.set_value();
  s.WaitForSave();
  EXPECT_EQ(s.SavesAwaitingOutcome(), 0u);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(DecipherDataBank(ReadFile(path), "password 19"), s.Bank()->EncodedXML());
  EXPECT_EQ(DecipherDataBank(ReadFile(tmp.File("out.xdb2")), "export 19"), part.EncodedXML());
}

TEST_F(BankSessionTest, AFileThatDoesNotParseSaysWhereAndWhy) {
  struct Case {
    std::string text, second;
  };
  const std::string path = tmp.File("broken.xdb2");
  const Case cases[] = {
      {"<?xml version='1.0' ?>\r\n<dataroot>\r\n  <folder ID='1' x>a",
       "XML error in " + path + " at line 3, column 20: missing = when parsing attributes"},
      {"<dataroot>\n<record ID='1'>a\n<data>b</data", "XML error in " + path + " at line 3, column 8: Missing >"},
      {"<dataroot><folder ID='1'>a</folder>", "XML error in " + path + " at line 1, column 36: Missing <"},
  };
  auto s = NewSession();
  for (const Case& c : cases) {
    ui.Clear();
    WriteFile(path, c.text);
    s->OpenBank(path);
    EXPECT_EQ(Messages(), std::vector<std::string>{kOpenFailed + "\n" + c.second}) << c.text;
  }
}

TEST_F(BankSessionTest, SavingOverAFileThatFailedToOpenKeepsItAsBad) {
  settings.Values["MakeBackup"] = "0";  // the backup is no refuge: it goes with the next save
  const std::string path = tmp.File("bank.xdb2");
  const std::string damaged = SampleBankXML().substr(0, 200);
  WriteFile(path, damaged);
  auto s = NewSession();
  s->OpenBank(path);
  ASSERT_EQ(s->FileName(), "");
  EXPECT_FALSE(fs::exists(path + ".bad"));  // nothing is copied while nothing is written
  s->OpenBank("");
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_EQ(ReadFile(path + ".bad"), damaged);
  // Only the first write: later ones overwrite the program's own file.
  s->Bank()->Root()->AddChild(bank::xnFolder)->SetText("more");
  ASSERT_TRUE(s->SaveBank(path));
  EXPECT_EQ(ReadFile(path + ".bad"), damaged);

  // When the copy cannot be made, nothing is written over the file and the databank stays modified.
  WriteFile(path, damaged);
  s->OpenBank(path);
  s->OpenBank("");
  s->SetModified();
  fs::remove(path + ".bad");
  fs::create_directory(path + ".bad");
  EXPECT_FALSE(s->SaveBank(path));
  EXPECT_EQ(ReadFile(path), damaged);
  EXPECT_TRUE(s->Modified());
}

TEST_F(BankSessionTest, ABackupWeakerThanTheNewFileGoesOnceTheFileIsWritten) {
  struct Form {
    std::string password;
    bool compress;
  };
  struct Case {
    Form before, after;
    bool backupKept;
  };
  const Case cases[] = {
      {{"", false}, {"pw", false}, false},  // a password added
      {{"a", false}, {"b", true}, false},   // changed
      {{"", false}, {"", true}, false},     // plain text, now zipped
      {{"pw", false}, {"", false}, true},   // removed: the backup is the stronger one
      {{"pw", true}, {"pw", false}, true},  // the same password
      {{"", true}, {"", false}, true},     {{"", false}, {"", false}, true},
  };
  for (const bool background : {false, true}) {
    for (const Case& c : cases) {
      const std::string path = tmp.File("bank.xdb2");
      const std::string backup = tmp.File("bank.backup");
      fs::remove(backup);
      TBankSession::TOptions options;
      options.ProgramDir = ProgramDir();
      options.BackgroundSaves = background;
      TBankSession s(&settings, options, &ui, &loop);
      s.OpenBank("");
      s.SetPassword(c.before.password);
      s.SetCompress(c.before.compress);
      ASSERT_TRUE(s.SaveBank(path));
      if (!c.before.password.empty()) ui.PushFilePassword(c.before.password);
      s.OpenBank(path);  // the form on disk is known from reading it as well
      ASSERT_EQ(s.FileName(), path) << testing::PrintToString(Messages());
      s.SetPassword(c.after.password);
      s.SetCompress(c.after.compress);
      s.SetModified();
      s.SaveCommand();
      s.WaitForSave();
      EXPECT_FALSE(s.Modified());
      EXPECT_EQ(fs::exists(backup), c.backupKept)
          << background << " '" << c.before.password << "' " << c.before.compress << " -> '" << c.after.password << "' "
          << c.after.compress;
      // The next save backs up the new form again.
      s.SetModified();
      s.SaveCommand();
      s.WaitForSave();
      EXPECT_TRUE(fs::exists(backup));
    }
  }
}

// Every prompt and box of the pipeline asks the window to close while it is up (a signal, the end of
// the desktop session): the close is refused and nothing is written or freed under the step; once
// the step has ended the close comes back once, from the event loop.
class ClosingUI : public platform::ScriptedUIServices {
 public:
  std::function<void()> OnPrompt;
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    Prompted();
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
  bool OpenFileDialog(const platform::FileDialogOptions& o, std::string& path, platform::WindowHandle owner) override {
    Prompted();
    return ScriptedUIServices::OpenFileDialog(o, path, owner);
  }
  bool SaveFileDialog(const platform::FileDialogOptions& o, std::string& path, platform::WindowHandle owner) override {
    Prompted();
    return ScriptedUIServices::SaveFileDialog(o, path, owner);
  }
  bool AskFilePassword(const std::string& file, std::string& password, platform::WindowHandle owner) override {
    Prompted();
    return ScriptedUIServices::AskFilePassword(file, password, owner);
  }
  bool AskSetPassword(platform::SetPasswordAnswer& answer, platform::WindowHandle owner) override {
    Prompted();
    return ScriptedUIServices::AskSetPassword(answer, owner);
  }
  int prompts = 0;

 private:
  void Prompted() {
    ++prompts;
    if (OnPrompt) OnPrompt();
  }
};

TEST_F(BankSessionTest, AClosePromptedDuringAnyStepOfThePipelineWaitsUntilTheStepHasEnded) {
  const std::string open = tmp.File("open.xdb2");
  const std::string locked = tmp.File("locked.xdb2");
  const std::string damaged = tmp.File("damaged.xdb2");
  const std::string chosen = tmp.File("chosen.xdb2");
  struct Case {
    const char* name;
    std::function<void(ClosingUI&)> script;
    std::function<void(TBankSession&)> step;
  };
  const Case cases[] = {
      {"start-up prompt", [](ClosingUI& ui) { ui.PushFilePassword("pw"); },
       [&](TBankSession& s) {
         s.LoadFileSettings(locked);
         s.StartupOpen();
       }},
      {"failed open's box", [](ClosingUI&) {}, [&](TBankSession& s) { s.OpenBank(damaged); }},
      {"open dialog and prompt",
       [&](ClosingUI& ui) {
         ui.PushOpenFile(locked);
         ui.PushFilePassword("pw");
       },
       [](TBankSession& s) { s.OpenCommand(); }},
      {"recent file's prompt", [](ClosingUI& ui) { ui.PushFilePassword("pw"); },
       [&](TBankSession& s) { s.OpenRecentFile(locked); }},
      {"save-changes question",
       [](ClosingUI& ui) {
         ui.PushMessageResult(platform::mrNo);
         ui.PushOpenFile(std::nullopt);
       },
       [](TBankSession& s) {
         s.SetModified();
         s.OpenCommand();
       }},
      {"save dialog", [&](ClosingUI& ui) { ui.PushSaveFile(chosen); }, [](TBankSession& s) { s.SaveAsCommand(); }},
      {"password command",
       [](ClosingUI& ui) {
         ui.PushSetPassword(platform::SetPasswordAnswer{"n", "n"});
       },
       [](TBankSession& s) { s.SetPasswordCommand(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(open, SampleBankXML("open"));
    WriteFile(locked, EncipherDataBank(SampleBankXML("locked"), "pw"));
    WriteFile(damaged, SampleBankXML().substr(0, 100));
    fs::remove(chosen);
    ClosingUI closing;
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    TBankSession s(&settings, options, &closing, &loop);
    s.OpenBank(open);
    const std::string files = ReadFile(open) + ReadFile(locked) + ReadFile(damaged);
    int refused = 0, deferred = 0;
    closing.OnPrompt = [&] {
      if (!s.CloseForExit()) ++refused;
      EXPECT_FALSE(s.MayClose());
      EXPECT_NE(s.Bank(), nullptr);
      EXPECT_EQ(ReadFile(open) + ReadFile(locked) + ReadFile(damaged), files);
    };
    s.Hooks.CloseDeferred = [&] {
      ++deferred;
      EXPECT_TRUE(s.MayClose());
      EXPECT_TRUE(s.CloseForExit());
    };
    c.script(closing);
    c.step(s);
    EXPECT_GE(closing.prompts, 1);
    EXPECT_EQ(refused, closing.prompts);
    EXPECT_EQ(deferred, 0);  // not from inside the step
    loop.ProcessPosted();
    EXPECT_EQ(deferred, 1);
    EXPECT_EQ(s.Bank(), nullptr);
    loop.ProcessPosted();
    EXPECT_EQ(deferred, 1);
  }
}

// The session's phase changes only by its table: every event from every phase, against the rules
// the rest of the session relies on. An event the table has no row for is refused; nobody answering
// is for good; a close waits only for a step under way, and a step's end lets it go.
TEST_F(BankSessionTest, ThePhaseTableRefusesWhatCannotHappenAndEndingIsForGood) {
  using P = TBankSession::TPhase;
  using E = TBankSession::TPhaseEvent;
  const P phases[] = {P::Idle, P::Working, P::CloseWaiting, P::Ending, P::EndingWorking, P::EndingCloseWaiting};
  const E events[] = {E::StepBegins, E::StepEnds, E::CloseAsked, E::NobodyAnswers};
  auto ending = [](P p) { return p == P::Ending || p == P::EndingWorking || p == P::EndingCloseWaiting; };
  auto stepping = [](P p) { return p != P::Idle && p != P::Ending; };
  auto closeWaits = [](P p) { return p == P::CloseWaiting || p == P::EndingCloseWaiting; };
  for (P from : phases)
    for (E event : events) {
      SCOPED_TRACE(testing::Message() << "phase " << int(from) << ", event " << int(event));
      const std::optional<P> to = TBankSession::NextPhase(from, event);
      // Only the outermost step changes the phase; an idle session closes at once (nothing waits).
      const bool legal = event == E::NobodyAnswers || (event == E::StepBegins) != stepping(from);
      ASSERT_EQ(to.has_value(), legal);
      if (!to) continue;
      switch (event) {
        case E::StepBegins:
          EXPECT_TRUE(stepping(*to) && !closeWaits(*to));
          break;
        case E::StepEnds:
          EXPECT_TRUE(!stepping(*to) && !closeWaits(*to));
          break;
        case E::CloseAsked:
          EXPECT_TRUE(stepping(*to) && closeWaits(*to));
          break;
        case E::NobodyAnswers:
          EXPECT_EQ(stepping(*to), stepping(from));
          EXPECT_EQ(closeWaits(*to), closeWaits(from));
          break;
      }
      EXPECT_EQ(ending(*to), ending(from) || event == E::NobodyAnswers) << "no way back from nobody answering";
    }

  // The session walks the table: a close during a step's prompt waits, the end of the session
  // arrives meanwhile, the step's end posts the close, and nobody is asked again.
  const std::string locked = tmp.File("locked.xdb2");
  WriteFile(locked, EncipherDataBank(SampleBankXML("locked"), "pw"));
  ClosingUI closing;
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  TBankSession s(&settings, options, &closing, &loop);
  EXPECT_EQ(s.Phase(), P::Idle);
  std::vector<P> seen;
  closing.OnPrompt = [&] {
    seen.push_back(s.Phase());
    EXPECT_FALSE(s.MayClose());
    seen.push_back(s.Phase());
    s.EndWithoutAnswers();
    seen.push_back(s.Phase());
  };
  int deferred = 0;
  s.Hooks.CloseDeferred = [&] { ++deferred; };
  closing.PushFilePassword("pw");
  s.OpenBank(locked);
  EXPECT_EQ(seen, (std::vector<P>{P::Working, P::CloseWaiting, P::EndingCloseWaiting}));
  EXPECT_EQ(s.Phase(), P::Ending);
  EXPECT_TRUE(s.MayClose());
  loop.ProcessPosted();
  EXPECT_EQ(deferred, 1);
  EXPECT_EQ(s.Phase(), P::Ending);
}

// While a step of the pipeline waits in a prompt or a box (whose event loop runs the first run, the
// tray, timers, the desktop), nothing opens, closes or saves the databank it works on: every routine
// that would is refused, asks nothing, and leaves the databank and the files as they are. The first
// run waits for the step and then opens the sample only when the step left no databank file open.
TEST_F(BankSessionTest, WhileAStepWaitsNothingOpensOrClosesTheDatabankAndTheFirstRunWaits) {
  const std::string open = tmp.File("open.xdb2");
  const std::string locked = tmp.File("locked.xdb2");
  const std::string damaged = tmp.File("damaged.xdb2");
  const std::string chosen = tmp.File("chosen.xdb2");
  const std::string other = tmp.File("other.xdb2");
  const std::string sample = ProgramDir() + "/about.xdb2";
  fs::create_directories(ProgramDir());
  struct Case {
    const char* name;
    std::function<void(ClosingUI&)> script;
    std::function<void(TBankSession&)> step;
    std::string fileAfter;  // the databank the step leaves open; "" : the sample follows
  };
  const Case cases[] = {
      {"start-up prompt answered", [](ClosingUI& ui) { ui.PushFilePassword("pw"); },
       [&](TBankSession& s) {
         s.LoadFileSettings(locked);
         s.StartupOpen();
       },
       locked},
      {"start-up prompt cancelled", [](ClosingUI& ui) { ui.PushFilePassword(std::nullopt); },
       [&](TBankSession& s) {
         s.LoadFileSettings(locked);
         s.StartupOpen();
       },
       ""},
      {"start-up open's box", [](ClosingUI&) {},
       [&](TBankSession& s) {
         s.LoadFileSettings(damaged);
         s.StartupOpen();
       },
       ""},
      {"missing command-line file's box", [](ClosingUI&) {},
       [&](TBankSession& s) {
         s.LoadFileSettings(tmp.File("missing.xdb2"));
         s.StartupOpen();
       },
       ""},
      {"open dialog and prompt",
       [&](ClosingUI& ui) {
         ui.PushOpenFile(locked);
         ui.PushFilePassword("pw");
       },
       [](TBankSession& s) { s.OpenCommand(); }, locked},
      {"save dialog", [&](ClosingUI& ui) { ui.PushSaveFile(chosen); }, [](TBankSession& s) { s.SaveAsCommand(); },
       chosen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(locked, EncipherDataBank(SampleBankXML("locked"), "pw"));
    WriteFile(damaged, SampleBankXML().substr(0, 100));
    WriteFile(other, SampleBankXML("other"));
    WriteFile(sample, SampleBankXML("About"));
    fs::remove(chosen);
    ClosingUI closing;
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    TBankSession s(&settings, options, &closing, &loop);
    if (std::string(c.name) == "save dialog") {
      WriteFile(open, SampleBankXML("open"));
      s.OpenBank(open);
    }
    const std::string files = ReadFile(locked) + ReadFile(damaged) + ReadFile(other) + ReadFile(sample);
    bool inside = false;
    closing.OnPrompt = [&] {
      ASSERT_FALSE(inside) << "a refused routine asked something";
      inside = true;
      const TXMLDataBase2* bank = s.Bank();
      const std::string fileName = s.FileName();
      s.FirstRun();
      s.OpenBank(other);
      s.CloseBank();
      s.NewBank();
      s.OpenCommand();
      s.OpenRecentFile(other);
      s.StartupOpen();  // the window shown again, back from the tray
      s.AutoSaveTick();
      s.AppMinimized();
      EXPECT_EQ(s.Bank(), bank);
      EXPECT_EQ(s.FileName(), fileName);
      EXPECT_EQ(ReadFile(locked) + ReadFile(damaged) + ReadFile(other) + ReadFile(sample), files);
      inside = false;
    };
    c.script(closing);
    c.step(s);
    ASSERT_GE(closing.prompts, 1);
    const int prompts = closing.prompts;
    closing.OnPrompt = nullptr;
    EXPECT_EQ(s.FileName(), c.fileAfter);  // the first run has not run inside the step
    loop.ProcessPosted();
    EXPECT_EQ(s.FileName(), c.fileAfter.empty() ? sample : c.fileAfter);
    EXPECT_EQ(closing.prompts, prompts);
    loop.ProcessPosted();
    EXPECT_EQ(s.FileName(), c.fileAfter.empty() ? sample : c.fileAfter);
  }
}

// The window stays for the questions of its close and goes at once when there are none:
// CloseWouldAsk tells beforehand whether CloseForExit asks, in each of its roads.
TEST_F(BankSessionTest, CloseWouldAskTellsWhetherClosingAsks) {
  const std::string path = tmp.File("bank.xdb2");
  struct Case {
    const char* name;
    bool autoSave, named, modified, changedElsewhere, nobodyAnswers;
    TIfFileChanged ifChanged;
    bool asks;
  };
  const Case cases[] = {
      {"auto-save, changed", true, true, true, false, false, TIfFileChanged::Ask, false},
      {"auto-save, changed, file changed elsewhere", true, true, true, true, false, TIfFileChanged::Ask, true},
      {"auto-save, unchanged, file changed elsewhere", true, true, false, true, false, TIfFileChanged::Ask, false},
      {"auto-save, end of the session, file changed elsewhere", true, true, true, true, false,
       TIfFileChanged::WriteBeside, false},
      {"auto-save, never saved, changed", true, false, true, false, false, TIfFileChanged::Ask, true},
      {"no auto-save, changed", false, true, true, false, false, TIfFileChanged::Ask, true},
      {"no auto-save, unchanged", false, true, false, false, false, TIfFileChanged::Ask, false},
      {"no auto-save, changed, nobody answers", false, true, true, false, true, TIfFileChanged::WriteBeside, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.Clear();
    settings.Values["AutoSave"] = c.autoSave ? "1" : "0";
    WriteFile(path, SampleBankXML());
    auto s = NewSession();
    s->OpenBank(c.named ? path : "");
    if (c.modified) s->SetModified();
    if (c.changedElsewhere) WriteFile(path, SampleBankXML("Theirs", "a longer text than the one before"));
    if (c.nobodyAnswers) s->EndWithoutAnswers();
    EXPECT_EQ(s->CloseWouldAsk(c.ifChanged), c.asks);
    for (int i = 0; i < 3; ++i) ui.PushMessageResult(platform::mrCancel);
    ui.PushSaveFile(std::nullopt);
    testing::internal::CaptureStderr();
    s->CloseForExit(c.ifChanged);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(!ui.Calls().empty(), c.asks);
  }
}

// Once the system ends the program nobody answers: nothing more is asked, an answer to a question
// that was up already is nobody's (nothing is thrown away on it), and closing keeps the changes
// without a question, also with auto-save off: in the databank's file, or, for one never saved, in a
// file of its own in the user's folder, which becomes the last databank (the next start opens it).
TEST_F(BankSessionTest, WhenNobodyAnswersClosingKeepsTheChangesWithoutAQuestion) {
  const std::string path = tmp.File("bank.xdb2");
  const std::string locked = tmp.File("locked.xdb2");
  const std::string user = tmp.File("user");
  settings.Values["AutoSave"] = "0";
  auto session = [&](ClosingUI& closing) {
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    options.UserDir = user;
    return std::make_unique<TBankSession>(&settings, options, &closing, &loop);
  };
  auto change = [](TBankSession& s, const std::string& name) {
    s.Bank()->WriteString(bank::skDataBaseName, name);
    s.SetModified();
  };
  auto nameIn = [](const std::string& file) {
    TXMLDataBase2 db;
    return db.LoadEncodedXML(ReadFile(file)) ? db.ReadString(bank::skDataBaseName, "") : "unreadable";
  };
  WriteFile(path, SampleBankXML());
  WriteFile(locked, EncipherDataBank(SampleBankXML("locked"), "pw"));
  {
    // The save-changes question of a close is up when the end comes: its No is the program's.
    ClosingUI closing;
    auto s = session(closing);
    s->OpenBank(path);
    change(*s, "Ours");
    closing.OnPrompt = [&] { s->EndWithoutAnswers(); };
    closing.PushMessageResult(platform::mrNo);
    EXPECT_FALSE(s->CloseForExit());
    EXPECT_NE(s->Bank(), nullptr);
    EXPECT_EQ(nameIn(path), "");  // the file as it was
    closing.OnPrompt = nullptr;
    EXPECT_TRUE(s->CloseForExit(TIfFileChanged::WriteBeside));
    EXPECT_EQ(closing.prompts, 1);
    EXPECT_EQ(nameIn(path), "Ours");
  }
  for (const char* expected : {"unnamed.xdb2", "unnamed 2.xdb2"}) {
    // Never saved: kept in the user's folder under a name not taken yet.
    SCOPED_TRACE(expected);
    ClosingUI closing;
    auto s = session(closing);
    s->OpenBank("");
    change(*s, expected);
    s->EndWithoutAnswers();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(s->CloseForExit(TIfFileChanged::WriteBeside));
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string kept = user + "/" + expected;
    EXPECT_EQ(nameIn(kept), expected);
    EXPECT_EQ(s->LastOpened(), kept);
    EXPECT_NE(said.find(kept), std::string::npos) << said;
    EXPECT_EQ(closing.prompts, 0);
  }
  for (const char* autoSave : {"1", "0"}) {
    // The databank's folder is gone (a drive taken away) when the end comes: neither the file nor a
    // copy beside it can be written. The databank goes into the user's folder with its password and
    // compression, becomes the last one, and the file it could not write stays in the recent list.
    SCOPED_TRACE(std::string("AutoSave=") + autoSave);
    settings.Values["AutoSave"] = autoSave;
    fs::remove_all(user);
    const std::string gone = tmp.File("gone");
    fs::create_directories(gone);
    const std::string file = gone + "/notes.xdb2";
    WriteFile(file, SampleBankXML());
    ClosingUI closing;
    auto s = session(closing);
    s->OpenBank(file);
    s->SetPassword("pw");
    s->SetCompress(true);
    change(*s, "Kept elsewhere");
    fs::remove_all(gone);
    s->EndWithoutAnswers();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(s->CloseForExit(TIfFileChanged::WriteBeside));
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string kept = user + "/notes.xdb2";
    EXPECT_EQ(s->LastOpened(), kept);
    EXPECT_NE(said.find(kept), std::string::npos) << said;
    EXPECT_EQ(said.find("Could not write DataBank!"), said.rfind("Could not write DataBank!")) << said;
    EXPECT_EQ(closing.prompts, 0);
    const std::vector<std::string>& recent = s->RecentFiles().Items();
    EXPECT_NE(std::find(recent.begin(), recent.end(), file), recent.end());
    TMemoryStream stream(ReadFile(kept));
    TZipFile zip;
    ASSERT_TRUE(zip.LoadFromStream(stream));
    TXMLDataBase2 db;
    ASSERT_TRUE(db.LoadEncodedXML(DecipherDataBank(zip.GetUncompressed(0), "pw")));
    EXPECT_EQ(db.ReadString(bank::skDataBaseName, ""), "Kept elsewhere");
  }
  settings.Values["AutoSave"] = "0";
  {
    // An open after the end asks for no password and shows nothing.
    ClosingUI closing;
    auto s = session(closing);
    s->EndWithoutAnswers();
    testing::internal::CaptureStderr();
    s->OpenBank(locked);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(closing.prompts, 0);
    EXPECT_EQ(s->FileName(), "");
    EXPECT_NE(said.find(kOpenFailed), std::string::npos) << said;
    EXPECT_TRUE(s->CloseForExit(TIfFileChanged::WriteBeside));
  }
}

// Whatever a background save throws (running out of memory above all) is a failed save with its
// message, reported on the window's thread, and the writer goes on with the next job.
TEST_F(BankSessionTest, ABackgroundSaveThatThrowsIsAFailedSave) {
  const std::string path = tmp.File("bank.xdb2");
  struct Case {
    std::function<void()> raise;
    std::string message;
  };
  const Case cases[] = {
      {[] { throw std::bad_alloc(); }, "Could not write DataBank!\nThere is not enough memory to save it."},
      {[] { throw std::runtime_error("no room"); }, "Could not write DataBank!\nno room"},
      {[] { throw 7; }, "Could not write DataBank!\nAn unexpected error stopped the work."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    int written = 0;
    TBankWriter writer([&](TBankSaveJob job) {
      if (written++ == 0) c.raise();
      return WriteBankJob(std::move(job));
    });
    for (std::uint64_t tag : {1u, 2u}) {
      TBankSaveJob job;
      job.Path = path;
      job.XML = SampleBankXML("job " + std::to_string(tag));
      job.Tag = tag;
      writer.Submit(std::move(job));
      writer.WaitIdle();
    }
    const std::list<TBankSaveOutcome> taken = writer.TakeFinished();
    const std::vector<TBankSaveOutcome> outcomes(taken.begin(), taken.end());
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_FALSE(outcomes[0].Saved);
    EXPECT_EQ(outcomes[0].Tag, 1u);
    EXPECT_EQ(outcomes[0].Path, path);
    ASSERT_EQ(outcomes[0].Errors.size(), 1u);
    EXPECT_EQ(outcomes[0].Errors[0].second, c.message);
    EXPECT_TRUE(outcomes[1].Saved);
    EXPECT_EQ(ReadFile(path), SampleBankXML("job 2"));
  }
}

// Out of memory while the failure itself is reported: the writer's thread has no memory left for
// the message (nor for anything else) after the job threw. The save is still a failed save with a
// message, never the end of the program, and the writer goes on with the next job.
TEST_F(BankSessionTest, TheWriterReportsAFailureWithoutMemoryToReportIt) {
  const std::string path = tmp.File("bank.xdb2");
  int written = 0;
  TBankWriter writer([&](TBankSaveJob job) {
    testsupport::FailAllocationsOnThisThread(written++ == 0);
    if (written == 1) throw std::bad_alloc();
    return WriteBankJob(std::move(job));
  });
  for (std::uint64_t tag : {1u, 2u}) {
    TBankSaveJob job;
    job.Path = path;
    job.XML = SampleBankXML("job " + std::to_string(tag));
    job.Tag = tag;
    ASSERT_TRUE(writer.Submit(std::move(job)));
    writer.WaitIdle();
  }
  const std::list<TBankSaveOutcome> taken = writer.TakeFinished();
  const std::vector<TBankSaveOutcome> outcomes(taken.begin(), taken.end());
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_FALSE(outcomes[0].Saved);
  EXPECT_EQ(outcomes[0].Tag, 1u);
  EXPECT_EQ(outcomes[0].Errors, (std::vector<std::pair<int, std::string>>{
                                    {0, "Could not write DataBank!\nThere is not enough memory to save it."}}));
  EXPECT_TRUE(outcomes[1].Saved);
  EXPECT_EQ(ReadFile(path), SampleBankXML("job 2"));
}

// The system gives no thread to write the file (pthread_create fails with EAGAIN in the real window,
// through the fault shim): Save is a failed save with its message and the databank stays modified;
// nothing waits for a thread that never ran, so Exit writes the file on the window's thread and the
// program ends.
TEST_F(BankSessionTest, NoThreadToWriteIsAFailedSaveAndNothingWaitsForIt) {
  const std::string path = tmp.File("bank.xdb2");
  WriteFile(path, SampleBankXML());
  testsupport::ProcessResult r;
  {
    testsupport::ScopedEnv preload("LD_PRELOAD", testsupport::FaultShimPreload().c_str());
    testsupport::ScopedEnv noThreads("TESSARYN_FAIL_THREADS", "1");
    r = testsupport::RunProcess(testsupport::ProbePath("treeprobe"), {path},
                                "select 2\nnewrecord Typed\nsave\nmessages\nstate\nclose\n", 120);
  }
  ASSERT_EQ(r.exitCode, 0) << "the program did not end\n" << r.out << r.err;
  EXPECT_NE(r.out.find("Error\tCould not write DataBank!\\nNo thread could be started to write it: "
                       "Resource temporarily unavailable\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("modified=1\t"), std::string::npos) << r.out;
  EXPECT_NE(ReadFile(path).find("<record ID='4'>Typed\r\n"), std::string::npos) << ReadFile(path);
}

// A read error half-way through the file (EIO from the fault shim, in a small file read at once and
// in a large one read in pieces side by side) is a failed open naming the file and the system's
// reason, never the end of the file; an interrupted read (EINTR) is tried again and the file opens
// whole.
TEST_F(BankSessionTest, AReadErrorIsAFailedOpenAndAnInterruptedReadIsTriedAgain) {
  const std::string xdb = testsupport::ProbePath("xdbprobe");
  for (const std::size_t size : {std::size_t{0}, std::size_t{9} << 20}) {
    SCOPED_TRACE(size);
    const std::string path = tmp.File("bank.xdb2");
    const std::string bytes = SampleBankXML("Record", std::string(size, 'x'));
    WriteFile(path, bytes);
    const auto whole = testsupport::RunProcess(xdb, {"outline", path});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    testsupport::ScopedEnv preload("LD_PRELOAD", testsupport::FaultShimPreload().c_str());
    {
      const std::string at = std::to_string(bytes.size() / 2) + ":" + path;
      testsupport::ScopedEnv fail("TESSARYN_FAIL_READ", at.c_str());
      const auto r = testsupport::RunProcess(xdb, {"outline", path});
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.err, kOpenFailed + "\nCannot read file \"" + path + "\". Input/output error\n");
      EXPECT_EQ(r.out, "");
    }
    {
      testsupport::ScopedEnv interrupt("TESSARYN_INTERRUPT_READ", path.c_str());
      const auto r = testsupport::RunProcess(xdb, {"outline", path});
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(r.out, whole.out);
    }
    EXPECT_TRUE(ReadFile(path) == bytes);
  }
}

// ---------------------------------------------------------------------------------------------
// Two running copies, or any other program, on one databank file.

// The digest a save takes of the bytes it writes, in the pieces the layers write, is the digest the
// check takes of the file in pieces of its own: however the bytes are cut, one value; and one byte
// changed anywhere changes it.
TEST(ContentDigest, IsTheSameHoweverTheBytesAreCutAndTellsOneByteApart) {
  std::mt19937 rng(36);
  for (const std::size_t size : {0u, 1u, 7u, 8u, 31u, 32u, 33u, 64u, 1000u, 70000u}) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    const std::uint64_t whole = TContentDigest::Of(bytes);
    for (int round = 0; round < 20; ++round) {
      TContentDigest pieces;
      for (std::size_t at = 0; at < size;) {
        const std::size_t piece = std::min<std::size_t>(size - at, rng() % 80);
        pieces.Add(bytes.data() + at, piece);
        at += piece;
      }
      ASSERT_EQ(pieces.Value(), whole) << size;
    }
    if (size == 0) continue;
    std::string other = bytes;
    other[rng() % size] ^= static_cast<char>(1 << (rng() % 8));
    EXPECT_NE(TContentDigest::Of(other), whole) << size;
    EXPECT_NE(TContentDigest::Of(bytes + '\0'), whole) << size;
  }
}

namespace {

// A zip archive whose one entry is `head` and then `size` bytes of `fill` repeated (4 divides its
// length), from about size / 1000 bytes: each compressed mebibyte is flushed so that it stands alone,
// and repeated.
std::string ZipBomb(uint64_t size, const std::string& head = "", const std::string& fill = " ") {
  constexpr uint64_t kChunk = 1 << 20;
  std::string pattern;
  while (pattern.size() < kChunk) pattern += fill;
  auto deflated = [](const std::string& in, int flush) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string out(in.size() / 100 + 1024, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, flush);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
  };
  auto crcOf = [](const std::string& bytes) {
    return crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
  };
  const uint64_t whole = size / kChunk;
  const std::string rest = pattern.substr(0, size % kChunk);
  const std::string chunk = deflated(pattern, Z_FULL_FLUSH);
  std::string data = deflated(head, Z_FULL_FLUSH);
  data.reserve(chunk.size() * whole + 2048);
  for (uint64_t i = 0; i < whole; ++i) data += chunk;
  data += deflated(rest, Z_FINISH);
  // The CRC, joined up from the pieces'.
  uLong crc = crcOf(head);
  const uLong chunkCrc = crcOf(pattern);
  for (uint64_t i = 0; i < whole; ++i) crc = crc32_combine(crc, chunkCrc, kChunk);
  crc = crc32_combine(crc, crcOf(rest), rest.size());
  size += head.size();

  std::string zip;
  auto u16 = [&](uint32_t v) { zip += char(v & 0xFF), zip += char(v >> 8 & 0xFF); };
  auto u32 = [&](uint64_t v) { u16(uint32_t(v & 0xFFFF)), u16(uint32_t(v >> 16 & 0xFFFF)); };
  const std::string name = "bomb.xdb2";
  auto common = [&] {
    u16(20), u16(0), u16(8), u16(0), u16(0x21);  // version, flags, deflate, time, date
    u32(crc), u32(data.size()), u32(size), u16(uint32_t(name.size())), u16(0);
  };
  u32(0x04034b50);
  common();
  zip += name + data;
  const uint64_t central = zip.size();
  u32(0x02014b50), u16(20);
  common();
  u16(0), u16(0), u16(0), u32(0), u32(0);
  zip += name;
  const uint64_t centralSize = zip.size() - central;
  u32(0x06054b50), u16(0), u16(0), u16(1), u16(1), u32(centralSize), u32(central), u16(0);
  return zip;
}

}  // namespace

// A real zip bomb opened by a real process under a memory limit (the probe built without the
// sanitizers, which cannot run under one): an entry that cannot fit is refused before anything is
// unpacked, and one that runs out of memory while it is unpacked is a failed open with the same
// reason, never "std::bad_alloc". The file stays as it was.
TEST_F(BankSessionTest, AZipBombUnderAMemoryLimitIsAFailedOpenWithItsReason) {
  std::string probe = testsupport::ProbePath("xdbprobe_unsanitized");
  if (!fs::exists(probe)) probe = testsupport::ProbePath("xdbprobe");  // a build without sanitizers
  struct Case {
    uint64_t size;
    const char* limitKB;
    std::string expected;
  };
  const Case cases[] = {
      {0xFFFFFFFEull, "4000000", "There is not enough memory to read it: it unpacks to 4.0 GB, and "},
      {1536ull << 20, "2000000", "There is not enough memory to read it"},
      // Unpacked, but its millions of elements do not fit: the parser runs out.
      {200ull << 20, "1000000", "There is not enough memory to read it."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string path = tmp.File("bomb.xdb2");
    const std::string bomb = c.size == 200ull << 20 ? ZipBomb(c.size, "<dataroot>", "<a/>") : ZipBomb(c.size);
    EXPECT_LT(bomb.size(), c.size / 1000);
    WriteFile(path, bomb);
    const auto r = testsupport::RunProcess(
        "/bin/sh", {"-c", std::string("ulimit -v ") + c.limitKB + " && exec \"$0\" outline \"$1\"", probe, path}, "",
        300);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err.rfind("Could not open DataBank!\n" + c.expected, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find("bad_alloc"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(path) == bomb);
  }
}

namespace {

// What another program does to the databank's file behind the session's back.
enum class Behind { Nothing, Rewritten, SameTick, Renamed, Touched, Deleted };
constexpr Behind kEveryChange[] = {Behind::Nothing, Behind::Rewritten, Behind::SameTick,
                                   Behind::Renamed, Behind::Touched,   Behind::Deleted};
const char* NameOf(Behind how) {
  static const char* const names[] = {"nothing",      "rewritten", "same size in the same tick",
                                      "renamed over", "touched",   "deleted"};
  return names[static_cast<int>(how)];
}
// Whether what is on disk is now another program's databank (a touch or a deletion loses nothing
// when the file is written again).
bool Replaced(Behind how) {
  return how == Behind::Rewritten || how == Behind::SameTick || how == Behind::Renamed;
}

// Does it; the file's bytes afterwards ("" when it is gone).
std::string ChangeBehind(const std::string& path, Behind how) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  const std::string theirs = SampleBankXML("Theirs", "int theirs;");
  switch (how) {
    case Behind::Nothing:
      break;
    case Behind::Rewritten:
      WriteFile(path, theirs);
      break;
    case Behind::SameTick: {
      // The same size in place under the same time, as a file system without nanoseconds shows
      // two writes within one second.
      std::string bytes = ReadFile(path);
      bytes.back() ^= 1;
      WriteFile(path, bytes);
      const timespec times[2] = {st.st_atim, st.st_mtim};
      ::utimensat(AT_FDCWD, path.c_str(), times, 0);
      break;
    }
    case Behind::Renamed:
      WriteFile(path + ".new", theirs);
      fs::rename(path + ".new", path);
      break;
    case Behind::Touched: {
      timespec times[2] = {st.st_atim, st.st_mtim};
      times[1].tv_sec += 3;
      ::utimensat(AT_FDCWD, path.c_str(), times, 0);
      break;
    }
    case Behind::Deleted:
      fs::remove(path);
      break;
  }
  return fs::exists(path) ? ReadFile(path) : "";
}

// The databank's name in a file, read through its layers with the password.
std::string BankNameIn(const std::string& path, const std::string& password) {
  if (!fs::exists(path)) return "(missing)";
  TBankReadContext context;
  context.Password = password;
  TBankReadResult layers;
  TXMLDataBase2 db;
  if (!DecodeBankLayers(ReadFile(path), context, layers) || !db.LoadEncodedXML(layers.XML)) return "(unreadable)";
  return db.ReadString("DataBaseName", "");
}

std::vector<std::string> ConflictCopies(const fs::path& folder) {
  static const std::regex name(R"(bank \(conflict \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\)\.xdb2)");
  std::vector<std::string> copies;
  for (const auto& entry : fs::directory_iterator(folder))
    if (std::regex_match(entry.path().filename().string(), name)) copies.push_back(entry.path().string());
  return copies;
}

struct Layers {
  std::string password;
  bool compress;
};
const Layers kPlain{"", false}, kProtected{"pw", true};

}  // namespace

class TwoCopiesTest : public BankSessionTest {
 protected:
  const std::string path = tmp.File("bank.xdb2");
  const std::string backup = tmp.File("bank.backup");

  // A session that wrote path itself ("First"), or read it back again after writing it; every file
  // of the round before is gone.
  std::unique_ptr<TBankSession> Saved(bool background, const Layers& layers, bool reopened = false) {
    for (const auto& entry : fs::directory_iterator(tmp.Path())) fs::remove_all(entry.path());
    ui.Clear();
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    options.BackgroundSaves = background;
    auto s = std::make_unique<TBankSession>(&settings, options, &ui, &loop);
    s->OpenBank("");
    s->SetPassword(layers.password);
    s->SetCompress(layers.compress);
    Name(*s, "First");
    EXPECT_TRUE(s->SaveBank(path));
    if (reopened) {
      if (!layers.password.empty()) ui.PushFilePassword(layers.password);
      s->OpenBank(path);
      EXPECT_EQ(s->FileName(), path);
      ui.Clear();
    }
    return s;
  }
  static void Name(TBankSession& s, const std::string& name) {
    s.Bank()->WriteString("DataBaseName", name);
    s.SetModified();
  }
  std::vector<platform::ScriptedUIServices::Call> ChangedQuestions() const {
    std::vector<platform::ScriptedUIServices::Call> calls;
    for (const auto& call : ui.CallsOf(Kind::Message))
      if (call.caption == "DataBank Changed") calls.push_back(call);
    return calls;
  }
};

// Save (in the background or not, over a file this copy wrote or read) asks when another program put
// its databank there: Cancel keeps everything as it is, Overwrite replaces it (the backup then holds
// theirs), Save As... writes elsewhere. A touch or a deletion asks nothing. No save after our own
// write asks again.
TEST_F(TwoCopiesTest, ASaveTheUserAskedForAsksAboutAFileChangedElsewhere) {
  const std::string other = tmp.File("other.xdb2");
  struct Start {
    bool background;
    Layers layers;
    bool reopened;
  };
  // Each pair of the three switches appears once.
  for (const Start& start : {Start{false, kPlain, false}, Start{true, kProtected, false},
                             Start{false, kProtected, true}, Start{true, kPlain, true}})
    for (const Behind how : kEveryChange)
      for (const int answer : {platform::mrCancel, platform::mrOverwrite, platform::mrSaveAs}) {
        if (!Replaced(how) && answer != platform::mrCancel) continue;
        const Layers& layers = start.layers;
        SCOPED_TRACE(testing::Message() << "background " << start.background << ", password '" << layers.password
                                        << "', reopened " << start.reopened << ", " << NameOf(how) << ", answer "
                                        << answer);
        auto s = Saved(start.background, layers, start.reopened);
        Name(*s, "Ours");
        const std::string theirs = ChangeBehind(path, how);
        ui.PushMessageResult(answer);
        ui.PushSaveFile(other);
        s->SaveCommand();
        if (start.background) {  // pressed again once the first is written: asked once
          while (s->SaveInFlight()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          s->SaveCommand();
        }
        s->WaitForSave();
        const auto asked = ChangedQuestions();
        if (!Replaced(how)) {
          EXPECT_TRUE(ui.Calls().empty());
          EXPECT_EQ(BankNameIn(path, layers.password), "Ours");
          EXPECT_FALSE(s->Modified());
        } else {
          ASSERT_EQ(asked.size(), 1u);
          EXPECT_EQ(asked[0].buttons, platform::MsgButtons::OverwriteSaveAsCancel);
          EXPECT_NE(asked[0].text.find(path), std::string::npos) << asked[0].text;
          EXPECT_EQ(ui.Calls().size(), answer == platform::mrSaveAs ? 2u : 1u);
          if (answer == platform::mrOverwrite) {
            EXPECT_EQ(BankNameIn(path, layers.password), "Ours");
            EXPECT_EQ(ReadFile(backup), theirs);
            EXPECT_FALSE(s->Modified());
          } else {
            EXPECT_EQ(ReadFile(path), theirs);
            EXPECT_FALSE(fs::exists(backup));  // our last backup is not replaced by theirs
          }
          if (answer == platform::mrCancel) {
            EXPECT_TRUE(s->Modified());
            EXPECT_EQ(s->FileName(), path);
            continue;
          }
          if (answer == platform::mrSaveAs) {
            EXPECT_EQ(BankNameIn(other, layers.password), "Ours");
            EXPECT_EQ(s->FileName(), other);
          }
        }
        // Nothing more is asked once this copy wrote the file, also right after (the same tick).
        ui.Clear();
        Name(*s, "Again");
        s->SaveCommand();
        s->SaveCommand();
        s->WaitForSave();
        EXPECT_TRUE(ui.Calls().empty());
        EXPECT_EQ(BankNameIn(s->FileName(), layers.password), "Again");
      }
}

// Auto-save, minimising and the end of the desktop session never write over another program's
// databank: the databank goes beside it with the same layers, a notification says so (standard
// error too at the end), and auto-save then leaves the file alone until the user saves.
// The digest of a large plain file is made beside its parse, on another thread, from the bytes the
// parse reads: a touch leaves the file this copy's (its bytes are the same), a byte changed within
// the same tick does not.
TEST_F(TwoCopiesTest, ALargePlainFileIsKnownByItsBytesFromItsOpen) {
  TXMLDataBase2 big;
  for (int r = 0; r < 3000; ++r) {
    TxevXMLNode2* record = big.Root()->AddChild(bank::xnRecord);
    record->SetText("R" + std::to_string(r));
    bank::SetRecordData(record, std::string(2000, static_cast<char>('a' + r % 26)));
  }
  const std::string bytes = big.EncodedXML();
  ASSERT_GT(bytes.size(), size_t{4} << 20);  // shared among threads wherever there are two
  for (const Behind how : {Behind::Touched, Behind::SameTick}) {
    SCOPED_TRACE(NameOf(how));
    WriteFile(path, bytes);
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    TBankSession s(&settings, options, &ui, &loop);
    s.OpenBank(path);
    ASSERT_EQ(s.FileName(), path);
    ui.Clear();
    ChangeBehind(path, how);
    Name(s, "Ours");
    ui.PushMessageResult(platform::mrCancel);
    s.SaveCommand();
    s.WaitForSave();
    EXPECT_EQ(ChangedQuestions().size(), Replaced(how) ? 1u : 0u);
  }
}

TEST_F(TwoCopiesTest, ASaveNobodyCanBeAskedAboutWritesBesideAFileChangedElsewhere) {
  enum class Road { AutoSave, Minimized, SessionEnd };
  for (const bool background : {false, true})
    for (const Layers& layers : {kPlain, kProtected})
      for (const Road road : {Road::AutoSave, Road::Minimized, Road::SessionEnd})
        for (const Behind how : {Behind::Rewritten, Behind::SameTick, Behind::Renamed}) {
          SCOPED_TRACE(testing::Message() << "background " << background << ", password '" << layers.password
                                          << "', road " << static_cast<int>(road) << ", " << NameOf(how));
          auto s = Saved(background, layers);
          std::vector<std::string> notes;
          s->Hooks.Notify = [&](const std::string& text) { notes.push_back(text); };
          Name(*s, "Ours");
          const std::string theirs = ChangeBehind(path, how);
          testing::internal::CaptureStderr();
          if (road == Road::AutoSave) loop.Advance(301000);
          if (road == Road::Minimized) s->AppMinimized();
          s->WaitForSave();
          if (road == Road::SessionEnd) {
            EXPECT_TRUE(s->CloseForExit(TIfFileChanged::WriteBeside));
          }
          const std::string stderrText = testing::internal::GetCapturedStderr();
          EXPECT_TRUE(ui.Calls().empty());
          EXPECT_EQ(ReadFile(path), theirs);
          EXPECT_FALSE(fs::exists(backup));
          const auto copies = ConflictCopies(tmp.Path());
          ASSERT_EQ(copies.size(), 1u);
          EXPECT_EQ(BankNameIn(copies[0], layers.password), "Ours");
          EXPECT_EQ(ReadFile(copies[0]).rfind("PK", 0) == 0, layers.compress);
          ASSERT_EQ(notes.size(), 1u);
          EXPECT_NE(notes[0].find(fs::path(copies[0]).filename().string()), std::string::npos) << notes[0];
          EXPECT_EQ(stderrText.find(copies[0]) != std::string::npos, road == Road::SessionEnd) << stderrText;
          if (road == Road::SessionEnd) continue;
          EXPECT_TRUE(s->Modified());  // the file does not hold it

          // Nothing more is written while the user has not saved.
          fs::remove(copies[0]);
          Name(*s, "More");
          loop.Advance(301000);
          s->AppMinimized();
          s->WaitForSave();
          EXPECT_EQ(ReadFile(path), theirs);
          EXPECT_TRUE(ConflictCopies(tmp.Path()).empty());
          // The user saves, is asked, overwrites; auto-save writes the file again.
          ui.PushMessageResult(platform::mrOverwrite);
          s->SaveCommand();
          s->WaitForSave();
          EXPECT_EQ(ChangedQuestions().size(), 1u);
          EXPECT_EQ(BankNameIn(path, layers.password), "More");
          Name(*s, "Later");
          loop.Advance(301000);
          s->WaitForSave();
          EXPECT_EQ(BankNameIn(path, layers.password), "Later");
          EXPECT_EQ(notes.size(), 1u);
        }
}

// Closing: a databank without unsaved changes leaves another program's file alone without a word to
// the user (only standard error hears of it at the end of the session); with changes the closing
// save asks, and Cancel keeps the window with its databank. The save-changes question's Yes and
// Save As onto the same name ask the same.
TEST_F(TwoCopiesTest, ClosingOverAFileChangedElsewhere) {
  for (const TIfFileChanged ifChanged : {TIfFileChanged::Ask, TIfFileChanged::WriteBeside}) {
    auto s = Saved(false, kPlain);
    const std::string theirs = ChangeBehind(path, Behind::Renamed);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(s->CloseForExit(ifChanged));
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(ReadFile(path), theirs);
    EXPECT_TRUE(ConflictCopies(tmp.Path()).empty());
    EXPECT_EQ(stderrText.find(path + " was changed by another program") != std::string::npos,
              ifChanged == TIfFileChanged::WriteBeside)
        << stderrText;
  }

  auto s = Saved(false, kPlain);
  Name(*s, "Ours");
  const std::string theirs = ChangeBehind(path, Behind::Rewritten);
  ui.PushMessageResult(platform::mrCancel);
  EXPECT_FALSE(s->CloseForExit());
  EXPECT_EQ(ui.Calls().size(), 1u);  // no save-changes question after Cancel
  EXPECT_EQ(ChangedQuestions().size(), 1u);
  EXPECT_NE(s->Bank(), nullptr);
  EXPECT_TRUE(s->Modified());
  EXPECT_EQ(ReadFile(path), theirs);

  ui.Clear();
  ui.PushSaveFile(path);
  ui.PushMessageResult(platform::mrCancel);
  s->SaveAsCommand();
  EXPECT_EQ(ChangedQuestions().size(), 1u);
  EXPECT_EQ(ReadFile(path), theirs);

  ui.Clear();
  settings.Values["AutoSave"] = "0";
  ui.PushMessageResult(platform::mrYes);
  ui.PushMessageResult(platform::mrOverwrite);
  EXPECT_TRUE(s->CloseForExit());
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0], "Data has been changed. Do you want to save?");
  EXPECT_EQ(ChangedQuestions().size(), 1u);
  EXPECT_EQ(BankNameIn(path, ""), "Ours");
}

// The question about a file changed elsewhere is answered Save As, and the system ends the program
// while that file dialog is up: the dialog the program closed was nobody's answer. The other
// program's file stays and the databank goes beside it, as when the question itself was closed; its
// file did not fail to be written, so nothing goes into the user's folder.
TEST_F(TwoCopiesTest, ASaveAsDialogClosedAtTheEndOfTheSessionWritesBesideTheChangedFile) {
  ClosingUI closing;
  TBankSession::TOptions options;
  options.ProgramDir = ProgramDir();
  options.UserDir = tmp.File("user");
  TBankSession s(&settings, options, &closing, &loop);
  s.OpenBank("");
  Name(s, "First");
  ASSERT_TRUE(s.SaveBank(path));
  Name(s, "Ours");
  const std::string theirs = ChangeBehind(path, Behind::Rewritten);
  closing.PushMessageResult(platform::mrSaveAs);
  closing.PushSaveFile(std::nullopt);
  closing.OnPrompt = [&] {
    if (closing.prompts == 2) s.EndWithoutAnswers();  // the Save As dialog is up
  };
  testing::internal::CaptureStderr();
  EXPECT_TRUE(s.CloseForExit());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(closing.prompts, 2);
  EXPECT_EQ(ReadFile(path), theirs);
  const std::vector<std::string> copies = ConflictCopies(tmp.Path());
  ASSERT_EQ(copies.size(), 1u) << said;
  EXPECT_EQ(BankNameIn(copies[0], ""), "Ours");
  EXPECT_FALSE(fs::exists(tmp.File("user/bank.xdb2"))) << said;
}

// When only this copy writes nothing is asked: saves in a row in the background, Save As, a failed
// save, the backup step, an old file renamed on opening. An old file converted by another copy first
// is that copy's.
TEST_F(TwoCopiesTest, OnlyThisCopyWritingAsksNothing) {
  auto s = Saved(true, kProtected);
  for (const char* name : {"a", "b", "c", "d"}) {
    Name(*s, name);
    s->SaveCommand();
  }
  s->WaitForSave();
  EXPECT_EQ(BankNameIn(path, "pw"), "d");
  EXPECT_NE(BankNameIn(backup, "pw"), "d");
  ::chmod(path.c_str(), 0444);
  Name(*s, "failed");
  s->SaveCommand();
  s->WaitForSave();
  ::chmod(path.c_str(), 0644);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("Could not write DataBank!", 0), 0u);
  ui.Clear();
  const std::string other = tmp.File("other.xdb2");
  ui.PushSaveFile(other);
  s->SaveAsCommand();
  Name(*s, "e");
  s->SaveCommand();
  s->WaitForSave();
  EXPECT_TRUE(s->CloseForExit());
  EXPECT_TRUE(ui.ScriptUsedUp());
  EXPECT_EQ(ui.Calls().size(), 1u);  // the Save As dialog
  EXPECT_EQ(BankNameIn(other, "pw"), "e");

  struct Old {
    bool renameOnOpening, convertedElsewhere;
  };
  for (const Old c : {Old{true, false}, Old{false, false}, Old{false, true}}) {
    SCOPED_TRACE(testing::Message() << "renamed " << c.renameOnOpening << ", converted elsewhere "
                                    << c.convertedElsewhere);
    ui.Clear();
    const std::string old = tmp.File("old.xdb"), converted = tmp.File("old.xdb2");
    fs::remove(converted);
    WriteFile(old, "<dataroot><folder ID=\"1\">\"old\"</folder></dataroot>");
    auto t = NewSession(c.renameOnOpening);
    t->OpenBank(old);
    ASSERT_EQ(t->FileName(), converted);
    const std::string theirs = SampleBankXML("Theirs");
    if (c.convertedElsewhere) WriteFile(converted, theirs);
    ui.PushMessageResult(platform::mrCancel);
    t->SaveCommand();
    t->SetModified();
    t->SaveCommand();
    EXPECT_EQ(ChangedQuestions().size(), c.convertedElsewhere ? 2u : 0u);
    EXPECT_EQ(ReadFile(converted) == theirs, c.convertedElsewhere);
  }
}
