// The file pipeline of the open databank: open, save, the layers on disk, the save-changes question,
// the recent list, passwords, auto-save and start-up, against real files in a temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <thread>

#include "BankTestSupport.h"
#include "ScriptedUIServices.h"
#include "databank/uBankMessages.h"
#include "platform/Exceptions.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"

using testsupport::ReadFile;
using testsupport::WriteFile;
using Kind = platform::ScriptedUIServices::Kind;
namespace fs = std::filesystem;

namespace {
const std::string kOpenFailed = "Could not open DataBank!";
const std::string kDecypher = "Could not decypher DataBank!";
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

  // A wrong password does not parse: only 65124, and nothing of the failed entry is kept.
  ui.Clear();
  s->CloseBank();
  ui.PushFilePassword("wrong");
  s->OpenBank(path);
  EXPECT_EQ(Messages(), std::vector<std::string>{kOpenFailed});
  EXPECT_EQ(s->Password(), "");
  EXPECT_FALSE(s->Compress());
  EXPECT_EQ(s->FileName(), "");
  EXPECT_EQ(s->EntryName(), "");
  ASSERT_NE(s->Bank(), nullptr);
  EXPECT_EQ(TreeNodeCount(s->Bank()), 0);
  EXPECT_FALSE(s->CanRemovePassword());

  // A cancelled prompt: 65129 then 65124, an empty unnamed databank.
  ui.Clear();
  s->OpenBank(path);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kDecypher, kOpenFailed}));
  for (const auto& call : ui.CallsOf(Kind::Message)) {
    EXPECT_EQ(call.caption, "Error");
    EXPECT_EQ(call.buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(call.icon, platform::MsgIcon::None);
  }
  EXPECT_EQ(s->FileName(), "");
  EXPECT_FALSE(s->Modified());
}

TEST_F(BankSessionTest, EmptyAndTinyFilesFailWithoutAPasswordPrompt) {
  auto s = NewSession();
  for (std::string bytes : {std::string(), std::string("x"), std::string("\0\1", 2), std::string("abc")}) {
    ui.Clear();
    const std::string path = tmp.File("tiny.xdb2");
    WriteFile(path, bytes);
    s->OpenBank(path);
    EXPECT_TRUE(ui.CallsOf(Kind::FilePassword).empty()) << bytes.size();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kDecypher, kOpenFailed}));
    EXPECT_EQ(s->FileName(), "");
  }
  // Random bytes of a useful length do ask.
  ui.Clear();
  WriteFile(tmp.File("r.xdb2"), std::string("\x13\x99\x02\x7f random bytes here", 22));
  s->OpenBank(tmp.File("r.xdb2"));
  EXPECT_EQ(ui.CallsOf(Kind::FilePassword).size(), 1u);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kDecypher, kOpenFailed}));
}

TEST_F(BankSessionTest, MissingFileReportsTheReasonThenOpenFailed) {
  auto s = NewSession();
  s->OpenBank(tmp.File("nowhere.xdb2"));
  const auto messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("nowhere.xdb2"), std::string::npos);
  EXPECT_EQ(messages[1], kOpenFailed);
  EXPECT_EQ(s->FileName(), "");
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
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), ProgramDir() + "/p.xdb2");
  }
  settings.Values["LastOpened"] = last;
  {
    auto s = NewSession();
    s->LoadFileSettings(cmd);  // the command-line file replaces LastOpened
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), cmd);
    EXPECT_EQ(bank::NodeTitle(bank::FindNodeByID(s->Bank()->Root(), 2)), "from command line");
  }
  settings.Values["AutoOpen"] = "0";
  {
    auto s = NewSession();
    s->LoadFileSettings();
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), "");
    ASSERT_NE(s->Bank(), nullptr);
    s->CloseBank();
    s->LoadFileSettings(cmd);  // but a command-line file still opens
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), cmd);
  }
  settings.Values["AutoOpen"] = "1";
  settings.Values["LastOpened"] = tmp.File("vanished.xdb2");
  {
    auto s = NewSession();
    s->LoadFileSettings(tmp.File("also-missing.xdb2"));
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), "");
    EXPECT_TRUE(ui.Calls().empty());  // missing files are not reported at start
  }
  // A file that is there but cannot be read is reported, as every failed open is.
  WriteFile(cmd, EncipherDataBank(SampleBankXML(), "pw"));
  {
    auto s = NewSession();
    s->LoadFileSettings(cmd);
    ui.PushFilePassword(std::nullopt);
    s->StartupOpen();
    EXPECT_EQ(s->FileName(), "");
    EXPECT_EQ(ui.LastCall().text, "Could not open DataBank!");
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

  // Closing waits for the save in flight and sees how it ended.
  fs::remove(path);
  name("fifth");
  s.SaveCommand();
  EXPECT_TRUE(s.CloseForExit());
  EXPECT_FALSE(s.SaveInFlight());
  EXPECT_NE(ReadFile(path).find("<DataBaseName>fifth</DataBaseName>"), std::string::npos);
}

TEST_F(BankSessionTest, AFileThatDoesNotParseSaysWhereAndWhy) {
  struct Case {
    std::string text, second;
  };
  const Case cases[] = {
      {"<?xml version='1.0' ?>\r\n<dataroot>\r\n  <folder ID='1' x>a",
       "XML error at line 3, column 20: missing = when parsing attributes"},
      {"<dataroot>\n<record ID='1'>a\n<data>b</data", "XML error at line 3, column 8: Missing >"},
      {"<dataroot><folder ID='1'>a</folder>", "XML error at line 1, column 36: Missing <"},
  };
  auto s = NewSession();
  const std::string path = tmp.File("broken.xdb2");
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
