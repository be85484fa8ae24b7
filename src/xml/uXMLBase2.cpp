#include "xml/uXMLBase2.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/SharedWork.h"
#include "xml/uXMLTools2.h"
#include "xml/xevStrings.h"

namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool IsUtf8Name(const std::string& encoding) {
  std::string e = LowerAscii(encoding);
  return e == "utf-8" || e == "utf8";
}

// Turns every string of a tree read as Windows-1252 into UTF-8 (most strings are ASCII and stay).
void TreeCp1252ToUtf8(TxevXMLNode2* root) {
  auto convert = [](const std::string& s) { return codepage::Cp1252ToUtf8(s); };
  std::vector<TxevXMLNode2*> stack{root};
  while (!stack.empty()) {
    TxevXMLNode2* n = stack.back();
    stack.pop_back();
    if (codepage::HasHighByte(n->Name())) n->SetName(convert(n->Name()));
    if (codepage::HasHighByte(n->Text())) n->SetText(convert(n->Text()));
    // A name converted cannot meet another's: the conversion is one to one, and a name it leaves
    // alone has no high byte.
    for (TxevXMLAttribute2* a : n->Attributes()) {
      if (codepage::HasHighByte(a->Name())) a->SetName(convert(a->Name()));
      if (codepage::HasHighByte(a->Value())) a->SetValue(convert(a->Value()));
    }
    for (TxevXMLNode2* c : n->Children()) stack.push_back(c);
  }
}

// The encoding a declaration at the head of the bytes names, as far as a quick look tells ("" when
// none is named); the parser has the last word.
std::string SniffEncoding(std::string_view bytes) {
  const size_t lt = bytes.find('<');
  if (lt == std::string_view::npos || bytes.compare(lt, 5, "<?xml") != 0) return "";
  const size_t close = bytes.find("?>", lt);
  if (close == std::string_view::npos) return "";
  const std::string_view declaration = bytes.substr(lt, close - lt);
  size_t at = declaration.find("encoding");
  if (at != std::string_view::npos) at = declaration.find_first_of("'\"", at);
  if (at == std::string_view::npos) return "";
  const size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string_view::npos) return "";
  return std::string(declaration.substr(at + 1, end - at - 1));
}

std::string Declaration(const std::string& version, const char* encoding) {
  return "<?xml version='" + (version.empty() ? std::string("1.0") : version) + "' encoding='" + encoding + "' ?>\r\n";
}

}  // namespace

std::string KeepBadCopy(const std::string& fileName) {
  std::string bad = fileName + ".bad";
  try {
    CopyFile(fileName, bad);
    return bad;
  } catch (const std::exception&) {
    return "";
  }
}

TXMLDataBase2::TXMLDataBase2(const std::string& fileName) : fileName_(fileName) {
  Clear();
  if (fileName.empty() || !FileExists(fileName)) return;
  std::string bytes = LoadStringFromFile(fileName);
  const bool empty = bytes.empty();
  if (!LoadEncodedXML(std::move(bytes)) && !empty) KeepBadCopy(fileName);
}

TXMLDataBase2::~TXMLDataBase2() = default;

void TXMLDataBase2::Clear() {
  doc_ = std::make_unique<TxevXMLParser2>();
  doc_->SetFreezeWhileParsing(freezeWhileLoading_);
  doc_->SetName("dataroot");
  lastError_.clear();
  errorSummary_.clear();
  loadedBytes_ = 0;
  invalidUtf8_ = {};
  invalidUtf8Line_ = 0;
  listsNode_ = nullptr;
  settingsNode_ = nullptr;
}

TxevXMLNode2* TXMLDataBase2::CachedChild(TxevXMLNode2*& cache, const char* name) {
  // The cache is only a hint: the element may have been deleted since, so it is used only while it
  // is still one of the root's children (compared by address, never dereferenced before that).
  if (cache && doc_->Children().IndexOf(cache) >= 0 && cache->Name() == name) return cache;
  cache = XMLForcePath(doc_.get(), name);
  return cache;
}

TxevXMLNode2* TXMLDataBase2::SettingsNode() {
  return CachedChild(settingsNode_, "settings");
}

TxevXMLNode2* TXMLDataBase2::ListsNode() {
  return CachedChild(listsNode_, "lists");
}

std::string TXMLDataBase2::ReadString(const std::string& name, const std::string& def) {
  const TxevXMLNode2* n = SettingsNode()->FindNode(name, false);
  return n ? n->Text() : def;
}

int TXMLDataBase2::ReadInteger(const std::string& name, int def) {
  const TxevXMLNode2* n = SettingsNode()->FindNode(name, false);
  return n ? XMLStrToInt(n->Text()) : def;
}

bool TXMLDataBase2::ReadBool(const std::string& name, bool def) {
  const TxevXMLNode2* n = SettingsNode()->FindNode(name, false);
  return n ? LowerAscii(n->Text()) == "true" : def;
}

void TXMLDataBase2::WriteString(const std::string& name, const std::string& value) {
  TxevXMLNode2* settings = SettingsNode();
  TxevXMLNode2* n = settings->FindNode(name, false);
  if (n) {
    if (value.empty()) {
      settings->DeleteNode(n);
    } else {
      n->SetText(value);
    }
  } else if (!value.empty() && !name.empty()) {
    settings->AddChild(name)->SetText(value);
  }
}

void TXMLDataBase2::WriteInteger(const std::string& name, int value) {
  WriteString(name, std::to_string(value));
}

void TXMLDataBase2::WriteBool(const std::string& name, bool value) {
  WriteString(name, value ? "true" : "false");
}

namespace {

// The document's bytes: write(out) appends the document element to out.
template <class TWrite>
std::string EncodeDocument(const std::string& version, TWrite write) {
  std::string out = Declaration(version, "ISO-8859-1");
  write(out);
  // The declaration too: its version is read back as Windows-1252 like every other text.
  if (codepage::NarrowUtf8ToCp1252(out, 0)) return out;
  // Characters without a Windows-1252 byte: the file is written as UTF-8 so nothing is lost.
  out = Declaration(version, "UTF-8");
  write(out);
  return out;
}

}  // namespace

std::string TXMLDataBase2::EncodedXML() const {
  return EncodeDocument(doc_->DeclarationNode()->GetAttribute("version"),
                        [&](std::string& out) { doc_->WriteXML(out, doc_.get(), false); });
}

std::unique_ptr<const TXMLDataBase2Snapshot> TXMLDataBase2::Snapshot() const {
  return std::make_unique<const TXMLDataBase2Snapshot>(*this);
}

void TXMLDataBase2::SetFreezeWhileLoading(bool on) {
  freezeWhileLoading_ = on;
  doc_->SetFreezeWhileParsing(on);
}

void TXMLDataBase2::PrepareSnapshots() const {
  TxevXMLFrozen2::FreezeDocument(*doc_, loadedBytes_);
}

std::string TXMLDataBase2Snapshot::EncodedXML() const {
  return EncodeDocument(frozen_.Version(), [&](std::string& out) { frozen_.WriteXML(out); });
}

TXMLDataBase2Snapshot::TEncoding TXMLDataBase2Snapshot::MeasureEncodedXML() const {
  const TxevXMLFrozen2::TMeasure body = frozen_.Measure();
  std::string head = Declaration(frozen_.Version(), "ISO-8859-1");
  if (body.Cp1252 && codepage::NarrowUtf8ToCp1252(head)) return {head.size() + body.Cp1252Bytes, false};
  return {Declaration(frozen_.Version(), "UTF-8").size() + body.Utf8Bytes, true};
}

void TXMLDataBase2Snapshot::WriteEncodedXML(const TEncoding& encoding, std::size_t chunk,
                                            const std::function<void(std::string& piece)>& consume) const {
  std::uint64_t written = 0;
  const std::function<void(std::string&)> count = [&](std::string& piece) {
    written += piece.size();
    consume(piece);
  };
  std::string head = Declaration(frozen_.Version(), encoding.Utf8 ? "UTF-8" : "ISO-8859-1");
  const bool narrowed = encoding.Utf8 || codepage::NarrowUtf8ToCp1252(head);
  if (narrowed) count(head);
  if (!narrowed || !frozen_.WriteXML(chunk, !encoding.Utf8, count) || written != encoding.Bytes)
    throw Exception("The databank did not come out as it was measured");
}

bool TXMLDataBase2::LoadEncodedXML(std::string bytes) {
  return LoadEncodedXML(std::move(bytes), nullptr);
}

bool TXMLDataBase2::LoadEncodedXML(std::string bytes, const std::function<void(std::string_view)>& beside) {
  Clear();
  loadedBytes_ = bytes.size();
  // A UTF-8 byte-order mark (some editors write one) says the text is UTF-8, whatever the
  // declaration names.
  const bool byteOrderMark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  // A large text is read beside the parse, on another thread; a small one, or one whose mark is cut
  // off below (which moves the bytes), first.
  const bool alongside = beside && !byteOrderMark && platform::SharedWorkShares({.Bytes = bytes.size()}) > 1;
  if (beside && !alongside) beside(bytes);
  if (byteOrderMark) bytes.erase(0, 3);
  // Windows-1252 text is made UTF-8 by the parser, each string as it is copied out of the text (a
  // copy of the whole text first would cost as much again in fresh memory). What counts is the
  // declaration as the parser reads it: when it names UTF-8 after all, or the text does not parse
  // (the error report quotes the file's bytes, and so does the partial tree below), the bytes are
  // parsed again as they came.
  const bool ascii = !codepage::HasHighByte(bytes);
  const bool widened = !ascii && !byteOrderMark && !IsUtf8Name(SniffEncoding(bytes));
  // Text read as UTF-8 is made well formed first: bytes that are not UTF-8 would otherwise stay
  // in the texts only until an editor shows them (as U+FFFD) and a save writes that back. Text that
  // does not parse anyway is parsed again as it came, so that the report quotes the file's bytes.
  auto parseAsUtf8 = [this](std::string text) {
    std::string original;
    RepairUtf8(text, original);
    const bool parsed = doc_->LoadXML(std::move(text));
    return parsed || original.empty() ? parsed : doc_->LoadXML(std::move(original));
  };
  doc_->SetFromCp1252(widened);
  bool ok = false;
  if (ascii || widened) {
    doc_->SetDocumentText(std::move(bytes));
    if (alongside)
      platform::RunShared(2, [&](std::size_t k) {
        if (k == 0)
          ok = doc_->Parse();
        else
          beside(doc_->DocumentText());
      });
    else
      ok = doc_->Parse();
  } else {
    // The repair may change the bytes: what is read beside is the file as it came.
    if (alongside) beside(bytes);
    ok = parseAsUtf8(std::move(bytes));
  }
  bool utf8 = byteOrderMark || IsUtf8Name(doc_->DeclarationNode()->GetAttribute("encoding"));
  if (widened && (!ok || utf8)) {
    doc_->SetFromCp1252(false);
    ok = utf8 ? parseAsUtf8(doc_->TakeText()) : doc_->Parse();
    utf8 = IsUtf8Name(doc_->DeclarationNode()->GetAttribute("encoding"));
  }
  doc_->SetFromCp1252(false);
  lastError_ = doc_->LastError();
  errorSummary_ = doc_->ErrorSummary();
  doc_->ReleaseText();  // the store never parses the same text twice
  if (!ascii && !utf8 && !(widened && ok)) {
    TreeCp1252ToUtf8(doc_.get());
    if (codepage::HasHighByte(lastError_)) lastError_ = codepage::Cp1252ToUtf8(lastError_);
    if (codepage::HasHighByte(errorSummary_)) errorSummary_ = codepage::Cp1252ToUtf8(errorSummary_);
  }
  // A damaged file may leave a root without a name, which would be written back as "</>".
  if (!ok && doc_->Name().empty()) doc_->SetName("dataroot");
  return ok;
}

void TXMLDataBase2::RepairUtf8(std::string& text, std::string& original) {
  invalidUtf8_ = codepage::RepairUtf8(text, &original);
  invalidUtf8Line_ = invalidUtf8_.Replaced == 0
                         ? 0
                         : 1 + static_cast<int>(std::count(
                                   text.begin(), text.begin() + static_cast<std::ptrdiff_t>(invalidUtf8_.First), '\n'));
}

bool TXMLDataBase2::LoadFromFile(const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  TFileStream file(fileName, fmOpenRead);
  bool ok = LoadFromStream(file);
  if (ok) {
    fileName_ = fileName;
  } else if (file.Size() > 0) {
    KeepBadCopy(fileName);
  }
  return ok;
}

bool TXMLDataBase2::LoadFromStream(TStream& stream) {
  Clear();
  try {
    if (stream.Size() == 0) return false;
    return LoadEncodedXML(stream.ReadRest());
  } catch (const std::bad_alloc&) {
    lastError_ = SNotEnoughMemoryToRead;
    return false;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
}

bool TXMLDataBase2::SaveToStream(TStream& stream) {
  try {
    std::string bytes = EncodedXML();
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void TXMLDataBase2::SaveToFile(const std::string& fileName, bool backup) {
  if (!fileName.empty()) fileName_ = fileName;
  if (backup && FileExists(fileName_)) {
    std::string bak = ChangeFileExt(fileName_, ".bak");
    if (FileExists(bak)) DeleteFile(bak);
    // The old file becomes the backup by a second name rather than a move, so that a failing write
    // below still leaves it in place; a copy serves where links are not supported.
    if (::link(fileName_.c_str(), bak.c_str()) != 0) CopyFile(fileName_, bak);
  }
  if (fileName_.empty()) throw Exception("Can't Save no file assigned!");
  WriteFileAtomic(fileName_, EncodedXML());
}

void TXMLDataBase2::Save() {
  if (fileName_.empty()) throw Exception("Cannot save XML DataBase!\n\rNo FileName is specified!");
  if (FileExists(fileName_) && IsFileReadOnly(fileName_)) return;
  SaveToFile("", false);
}
