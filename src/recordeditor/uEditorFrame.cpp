#include "recordeditor/uEditorFrame.h"

#include <algorithm>

#include "databank/uDataBankContent.h"
#include "databank/uTextSearchUtils.h"
#include "editor/SynPadSearch.h"
#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynURIOpener.h"
#include "highlighters/SynURIOpenerPad.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Streams.h"
#include "printing/SynPageSetupModel.h"
#include "xml/uSettingsBase.h"
#include "xml/uXMLTools2.h"

using namespace platform;

namespace {

const TEditorActionInfo kActions[kEditorActionCount] = {
    {"actnEditCut", "Cu&t", "Ctrl+X", "Cut|Cuts the selection and puts it on the Clipboard", false},
    {"actnEditCopy", "&Copy", "Ctrl+C", "Copy|Copies the selection and puts it on the Clipboard", false},
    {"actnEditPaste", "&Paste", "Ctrl+V", "Paste|Inserts Clipboard contents", false},
    {"actnEditUndo", "&Undo", "Ctrl+Z", "Undo|Reverts the last action", false},
    {"actnEditRedo", "&Redo", "Ctrl+R", "Redo|Reverts the last reverted action", false},
    {"actnCopyAll", "Copy All", "", "Copy All|Copies the entire code and puts it on the Clipboard", false},
    {"actnFindInText", "Find in Text", "Ctrl+F", "Searches in Text", false},
    {"actnFindNextText", "Find Next in Text", "F3", "", false},
    {"actnFindPreviousText", "Find Previous in Text", "Shift+F3", "", false},
    {"actnFindReplace", "Replace Text", "Ctrl+R", "", false},
    {"actnPrint", "Print", "Ctrl+P", "Print record", false},
    {"actnPrintPreview", "Print Preview", "", "Print Preview", false},
    {"actnSaveContentsAs", "Save as file ...", "", "", false},
    {"aSpecialChars", "Special Characters", "", "", true},
    {"aLineNumbers", "Show Line Numbers", "", "", true},
    {"aWordWrap", "WordWrap", "Ctrl+W", "", true},
    {"actnAlignComments", "", "", "Realign Comments Up/Down", false},
};

// The editor options of the code; the comments have the same without scrolling past the ends.
constexpr TSynPadorOptions kMemoOptions =
    SynOpt(eoAutoIndent) | SynOpt(eoAutoSizeMaxScrollWidth) | SynOpt(eoDragDropEditing) | SynOpt(eoDropFiles) |
    SynOpt(eoEnhanceHomeKey) | SynOpt(eoGroupUndo) | SynOpt(eoHideShowScrollbars) | SynOpt(eoKeepCaretX) |
    SynOpt(eoRightMouseMovesCursor) | SynOpt(eoScrollPastEof) | SynOpt(eoScrollPastEol) | SynOpt(eoShowScrollHint) |
    SynOpt(eoSmartTabDelete) | SynOpt(eoSmartTabs) | SynOpt(eoTabsToSpaces) | SynOpt(eoTrimTrailingSpaces);
constexpr TSynPadorOptions kCommentsOptions = kMemoOptions & ~(SynOpt(eoScrollPastEof) | SynOpt(eoScrollPastEol));

// The focus timer gives up after this many ticks (half a second): a window that keeps refusing the
// focus must not have it taken away from wherever the user types meanwhile.
constexpr int kMaxFocusTicks = 10;

// The view settings and the editor state each one switches.
struct TViewSetting {
  const char* Key;
  TEditorAction Action;
};
constexpr TViewSetting kViewSettings[] = {
    {"WordWrap", TEditorAction::WordWrap},
    {"LineNumbers", TEditorAction::LineNumbers},
    {"SpecialChars", TEditorAction::SpecialChars},
};

}  // namespace

const TEditorActionInfo& EditorActionInfo(TEditorAction action) {
  return kActions[static_cast<int>(action)];
}

const char* const kAllFilesFilter = "All files|*";
const char* const kSaveAsFileTitle = "Save as file";
const char* const kSaveDataBankTitle = "Save DataBank";

std::string RecordFileBytes(const TWideStrings& lines) {
  return codepage::Utf16ToUtf8(lines.JoinWithSeparator(u"\n"));
}

namespace {
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    int more;
    char32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (s.size() - i <= size_t(more)) return false;
    for (int k = 1; k <= more; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((more == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += size_t(more) + 1;
  }
  return true;
}
}  // namespace

std::u16string RecordFileText(std::string_view bytes) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
    const bool be = at(0) == 0xFE;
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (size_t k = 0; k < text.size(); ++k) {
      const unsigned a = at(2 + 2 * k), b = at(3 + 2 * k);
      text[k] = static_cast<char16_t>(be ? (a << 8) | b : a | (b << 8));
    }
    return text;
  }
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
    bytes.remove_prefix(3);
  else if (!IsValidUtf8(bytes))
    return codepage::Cp1252ToUtf16(bytes);
  return codepage::Utf8ToUtf16(bytes);
}

std::string RecordFileName(std::string_view title) {
  std::string name(title);
  for (char& c : name)
    if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
  return name;
}

std::string DefaultExtensionOfFilter(const std::string& filter) {
  const auto pairs = ParseFileFilter(filter);
  if (pairs.empty() || pairs.front().second.empty()) return "";
  const std::string& pattern = pairs.front().second.front();
  const size_t dot = pattern.rfind('.');
  if (dot == std::string::npos || pattern.find_first_of("*?", dot) != std::string::npos) return "";
  return pattern.substr(dot);
}

// ---------------------------------------------------------------------------------------------

TEditorFrame::TEditorFrame(TSynMemo& memo, TSynMemo& comments, IEditorFrameView& view, TdmHighLighters& highlighters)
    : Memo(memo),
      Comments(comments),
      view_(view),
      highlighters_(highlighters),
      memoTimer_(EventLoop().CreateTimer()),
      print_(std::make_unique<TSynPadPrint>()),
      searchEditor_(std::make_unique<TSynPadSearchEditor>(memo, [this] { return view_.Window(); })),
      SynURIOpener(std::make_unique<TSynURIOpener>()),
      SynURIOpener1(std::make_unique<TSynURIOpener>()),
      memoLinks_(std::make_unique<TSynURIOpenerPad>(memo, *SynURIOpener)),
      commentsLinks_(std::make_unique<TSynURIOpenerPad>(comments, *SynURIOpener1)) {
  SetUpControls();
  memoTimer_->SetInterval(50);
  memoTimer_->OnTimer = [this] { MemoTimerTick(); };
  Memo.OnChange = [this](TSynPersistent*) { MemoChange(); };
  // Comments typed are as much the record as its code: they mark it modified too.
  Comments.OnChange = [this](TSynPersistent*) { MemoChange(); };
  Memo.OnDropFiles = [this](TCustomSynPad*, int, int, const std::vector<std::string>& files) { MemoDropFiles(files); };
  SynURIOpener->SetURIHighlighter(highlighters_.SynURISyn);
  SynURIOpener1->SetURIHighlighter(highlighters_.SynURISyn);
  view_.SetMemoEnabled(false);
}

TEditorFrame::~TEditorFrame() {
  memoTimer_->SetEnabled(false);
  Memo.OnChange = nullptr;
  Comments.OnChange = nullptr;
  Memo.OnDropFiles = nullptr;
}

TSynFont RecordEditorFont() {
  return TSynFont("Courier New", -13);
}

void TEditorFrame::SetUpControls() {
  const TSynFont font = RecordEditorFont();
  Memo.SetFont(font);
  Comments.SetFont(font);
  Memo.SetRightEdge(0);
  Memo.SetWantTabs(true);
  Memo.SetExtraLineSpacing(1);
  Memo.SetOptions(kMemoOptions);
  Memo.SetTabWidth(2);
  Memo.SetMaxScrollWidth(10);
  Memo.SetSearchEngine(highlighters_.SynPadSearch);
  TSynGutter& gutter = Memo.Gutter();
  gutter.SetWidth(22);
  gutter.SetLeftOffset(2);
  gutter.SetShowLineNumbers(true);
  gutter.SetAutoSize(true);
  gutter.SetVisible(true);
  gutter.SetColor(clBackground);
  TSynFont gutterFont("Tahoma", -11);
  gutterFont.SetColor(clWhite);
  gutter.Font().Assign(gutterFont);
  // F1 stays free for the program's help; the editor's context help moves to Ctrl+F1.
  TSynPadKeyStrokes& keys = Memo.Keystrokes();
  for (int i = 0; i < keys.Count(); ++i)
    if (keys.Items(i)->Command() == ecContextHelp && keys.Items(i)->Key() == vk::VK_F1 && keys.Items(i)->Shift() == 0)
      keys.Items(i)->SetShift(vk::ssCtrl);

  Comments.SetOptions(kCommentsOptions);
  Comments.Gutter().SetVisible(false);
  Comments.SetHighlighter(highlighters_.SynURISyn);

  TSynPadPrint& p = *print_;
  p.SetCopies(1);
  for (THeaderFooter* hf : {static_cast<THeaderFooter*>(&p.Header()), static_cast<THeaderFooter*>(&p.Footer())})
    hf->DefaultFont().Assign(TSynFont("Arial", 10));  // 13 pixels on the screen
  TSynPadPrintMargins& m = p.Margins();
  m.SetUnitSystem(usMM);
  m.SetLeft(25);
  m.SetRight(15);
  m.SetTop(25);
  m.SetBottom(25);
  m.SetHeader(15);
  m.SetFooter(15);
  m.SetLeftHFTextIndent(2);
  m.SetRightHFTextIndent(2);
  m.SetHFInternalMargin(0.5);
  m.SetMirrorMargins(false);
  p.SetFont(TSynFont("MS Sans Serif", 8));
  p.SetColors(true);
  p.SetTabWidth(8);
  p.SetColor(clWhite);
}

// ---------------------------------------------------------------------------------------------
// IEditor

// The code takes the focus at once where it can: keys typed right after the command that asked
// for it (Return on the tree) then reach it in order. The timer goes on asking for a while where the
// window refused, or where the focus was taken back before the event that asked had ended.
void TEditorFrame::FocusEditor() {
  focusTicks_ = 0;
  memoTimer_->SetEnabled(true);
  MemoTimerTick();
}

void TEditorFrame::MemoTimerTick() {
  ISynPadHost* host = Memo.Host();
  const bool focused = host && host->Focused();
  if (focused || !host || !host->Visible() || !view_.MemoEnabled() || ++focusTicks_ > kMaxFocusTicks) {
    memoTimer_->SetEnabled(false);
    return;
  }
  view_.FocusMemo();
}

void TEditorFrame::ClearEditor() {
  Memo.ClearAll();
  Comments.ClearAll();
  RememberStoredTexts();
}

bool TEditorFrame::IsModified() {
  if (Modified && !modifiedChecked_) {
    Modified = keywordsTyped_ || Memo.GetText() != storedCode_ || Comments.GetText() != storedComments_;
    modifiedChecked_ = true;
  }
  return Modified;
}

void TEditorFrame::ClearModified() {
  RememberStoredTexts();
}

void TEditorFrame::RememberStoredTexts() {
  storedCode_ = Memo.GetText();
  storedComments_ = Comments.GetText();
  Modified = modifiedChecked_ = keywordsTyped_ = false;
}

void TEditorFrame::SetEditorEnabled(bool enabled) {
  if (!enabled) Memo.ClearAll();
  view_.SetMemoEnabled(enabled);
}

void TEditorFrame::LoadEditorSettings() {
  if (!Settings) return;
  for (const TViewSetting& s : kViewSettings)
    if (Settings->ReadBool(s.Key, false) != ActionChecked(s.Action)) Execute(s.Action);
}

void TEditorFrame::SaveEditorSettings() {
  if (!Settings) return;
  for (const TViewSetting& s : kViewSettings) Settings->WriteBool(s.Key, ActionChecked(s.Action));
  // Settings written while a protected databank is open hold nothing searched during the run: what
  // was searched before its password was set would tell of it as well.
  if (SearchesPrivate && SearchesPrivate()) {
    privateSearches_.SetBase(Settings);
    privateSearches_.RestoreBaseTexts();
  }
}

void TEditorFrame::SetSettings(TSettings* settings) {
  Settings = settings;
  // Before anything is searched: the texts the settings hold now are what they get back.
  privateSearches_.SetBase(settings);
}

void TEditorFrame::OpenRecord(TxevXMLNode2* node) {
  recordNode_ = node;
  Memo.SetMaxScrollWidth(1);
  highlighters_.BuildLanguageList(languages_);
  language_ = ChooseLanguage(LanguageNumberFromText(XMLPathReadInherited(node, bank::xnHighLight, bank::DefHighLight)),
                             languages_);
  Memo.SetHighlighter(language_.Highlighter());
  Memo.SetText(codepage::Utf8ToUtf16(bank::RecordData(node)));
  // A stored caret is kept within the text (the line's end at most): one from a damaged file far
  // beyond it would have the first key typed fill the gap with blanks.
  const int line = std::clamp(bank::RecordYPos(node), 1, std::max(1, Memo.LineCount()));
  const int lineEnd = Memo.LineCount() > 0 ? static_cast<int>(Memo.LineText(line).size()) + 1 : 1;
  Memo.SetCaretXY(TBufferCoord{std::clamp(bank::RecordXPos(node), 1, lineEnd), line});
  storedCaret_ = TBufferCoord{Memo.CaretX(), Memo.CaretY()};
  Comments.SetText(codepage::Utf8ToUtf16(bank::RecordComments(node)));
  view_.SetCommentsHeight(bank::RecordCommentPanelHeight(node));
  // The record's own "1"/"0" attribute wins; without one the inherited element, which shows the
  // panel exactly when it reads "true".
  const bool inheritedShown =
      XMLPathReadInherited(node, bank::xnCommentPanelShown, bank::DefCommentPanelShown) == "true";
  commentsShown_ = XMLGetAttrBool(node, bank::xaCommentPanelShown, inheritedShown);
  commentsOnTop_ = XMLPathReadInherited(node, bank::xnCommentPanelAlignment, bank::DefCommentPanelAlignment) != "false";
  PlaceComments();
  RememberStoredTexts();
}

void TEditorFrame::DetachRecord() {
  recordNode_ = nullptr;
}

void TEditorFrame::StoreRecord() {
  if (!recordNode_) return;
  // The editor ends every line its own way: a text left as it was shown keeps the record's own
  // bytes, line ends and all.
  if (std::u16string code = Memo.GetText(); code != storedCode_)
    bank::SetRecordData(recordNode_, codepage::Utf16ToUtf8(code));
  // The caret is written once it moved from where the record's attributes put it: a stored place
  // beyond its line (opening keeps the caret within the text) stays as it was while the caret
  // stays. A missing one is filled in.
  const TBufferCoord caret{Memo.CaretX(), Memo.CaretY()};
  const bool moved = caret != storedCaret_;
  if (moved || recordNode_->GetAttribute(bank::xaXPos).empty())
    XMLSetAttrInteger(recordNode_, bank::xaXPos, caret.Char);
  if (moved || recordNode_->GetAttribute(bank::xaYPos).empty())
    XMLSetAttrInteger(recordNode_, bank::xaYPos, caret.Line);
  storedCaret_ = caret;
  if (std::u16string comments = Comments.GetText(); comments != storedComments_)
    bank::SetRecordComments(recordNode_, codepage::Utf16ToUtf8(comments));
  XMLSetAttrInteger(recordNode_, bank::xaCommentPanelHeight, view_.CommentsHeight());
  XMLSetAttrBool(recordNode_, bank::xaCommentPanelShown, commentsShown_);
  XMLPathWriteBool(recordNode_, bank::xnCommentPanelAlignment, commentsOnTop_);
}

void TEditorFrame::ShowRecordSearchMatch() {
  if (!Settings) return;
  const std::string text = Settings->ReadString(bank::skRecordSearchText, "");
  if (text.empty()) return;
  TSynSearchOptions options = ssoEntireScope;
  if (Settings->ReadBool(bank::skRecordSearchCaseSensitive, false)) options |= ssoMatchCase;
  if (Settings->ReadBool(bank::skRecordSearchWholeWords, false)) options |= ssoWholeWord;
  Memo.SearchReplace(codepage::Utf8ToUtf16(text), u"", options);
}

// The record filter's own content test: the code of a record, never a folder.
bool TEditorFrame::RecordContentMatches(TxevXMLNode2* node, const TSearchForRec& search) {
  return ::RecordContentMatches(node, search);
}

void TEditorFrame::SetKeywords(const std::string& text) {
  if (recordNode_) bank::SetNodeKeywords(recordNode_, text);
}

std::string TEditorFrame::GetKeywords() {
  return recordNode_ ? bank::NodeKeywords(recordNode_) : std::string();
}

// ---------------------------------------------------------------------------------------------
// Events

void TEditorFrame::MemoChange() {
  Modified = true;
  modifiedChecked_ = false;
}

void TEditorFrame::MemoDropFiles(const std::vector<std::string>& files) {
  if (files.empty()) return;
  TMemoryStream file;
  file.LoadFromFile(files.front());
  Memo.LoadText(RecordFileText(std::string_view(static_cast<const char*>(file.Memory()), size_t(file.Size()))));
  // Loading replaces the text outside the undo history, so no change event reports it.
  MemoChange();
}

void TEditorFrame::SetCommentsShown(bool shown) {
  commentsShown_ = shown;
  PlaceComments();
}

void TEditorFrame::PlaceComments() {
  view_.PlaceComments(commentsShown_, commentsOnTop_);
}

// ---------------------------------------------------------------------------------------------
// Actions

bool TEditorFrame::ActionEnabled(TEditorAction action) const {
  const bool enabled = view_.MemoEnabled();
  const bool focused = Memo.Host() && Memo.Host()->Focused();
  const bool hasLines = Memo.LineCount() > 0;
  switch (action) {
    case TEditorAction::EditCut:
    case TEditorAction::EditCopy:
      return enabled && focused && Memo.SelAvail();
    case TEditorAction::EditPaste:
      return enabled && focused && Memo.CanPaste();
    case TEditorAction::EditUndo:
      return enabled && focused && Memo.CanUndo();
    case TEditorAction::EditRedo:
      return enabled && focused && Memo.CanRedo();
    case TEditorAction::CopyAll:
      return enabled && hasLines;
    // The find command keeps its keys in the settings the frame was given.
    case TEditorAction::FindInText:
      return focused && hasLines && Settings;
    case TEditorAction::FindNextText:
    case TEditorAction::FindPreviousText:
      return focused && hasLines && CanFindAgain();
    case TEditorAction::FindReplace:
      return false;
    default:
      return true;
  }
}

bool TEditorFrame::ActionChecked(TEditorAction action) const {
  switch (action) {
    case TEditorAction::SpecialChars:
      return Memo.HasOption(eoShowSpecialChars);
    case TEditorAction::LineNumbers:
      return Memo.Gutter().Visible();
    case TEditorAction::WordWrap:
      return Memo.WordWrap();
    default:
      return false;
  }
}

void TEditorFrame::Execute(TEditorAction action) {
  if (!ActionEnabled(action)) return;
  switch (action) {
    case TEditorAction::EditCut:
      Memo.CutToClipboard();
      break;
    case TEditorAction::EditCopy:
      Memo.CopyToClipboard();
      break;
    case TEditorAction::EditPaste:
      Memo.PasteFromClipboard();
      break;
    case TEditorAction::EditUndo:
      Memo.Undo();
      break;
    case TEditorAction::EditRedo:
      Memo.Redo();
      break;
    case TEditorAction::CopyAll:
      CopyAll();
      break;
    case TEditorAction::FindInText:
      privateSearches_.SetBase(Settings);
      if (SearchesPrivate && SearchesPrivate()) {
        FindInTextCommand(*searchEditor_, privateSearches_, OnNotify);
      } else {
        privateSearches_.Forget();  // what was searched in a protected databank goes with it
        FindInTextCommand(*searchEditor_, *Settings, OnNotify);
      }
      break;
    case TEditorAction::FindNextText:
      FindNextInTextCommand(*searchEditor_, OnNotify);
      break;
    case TEditorAction::FindPreviousText:
      FindPreviousInTextCommand(*searchEditor_, OnNotify);
      break;
    case TEditorAction::FindReplace:
      break;
    case TEditorAction::Print:
      Print();
      break;
    case TEditorAction::PrintPreview:
      PrintPreview();
      break;
    case TEditorAction::SaveContentsAs:
      SaveContentsAs();
      break;
    case TEditorAction::SpecialChars: {
      const TSynPadorOptions options = Memo.Options() ^ SynOpt(eoShowSpecialChars);
      Memo.SetOptions(options);
      break;
    }
    case TEditorAction::LineNumbers:
      Memo.Gutter().SetVisible(!Memo.Gutter().Visible());
      break;
    case TEditorAction::WordWrap:
      ToggleWordWrap();
      break;
    case TEditorAction::AlignComments:
      commentsOnTop_ = !commentsOnTop_;
      view_.PlaceComments(true, commentsOnTop_);
      break;
  }
}

void TEditorFrame::ToggleWordWrap() {
  const int line = Memo.CaretY(), top = Memo.TopLine(), column = Memo.CaretX();
  Memo.SetWordWrap(!Memo.WordWrap());
  Memo.SetTopLine(top);
  Memo.SetCaretY(line);
  Memo.SetCaretX(column);
}

void TEditorFrame::CopyAll() {
  struct TUpdate {
    TSynMemo& memo;
    explicit TUpdate(TSynMemo& m) : memo(m) { memo.BeginUpdate(); }
    ~TUpdate() { memo.EndUpdate(); }
  } update(Memo);
  const TBufferCoord caret = Memo.GetCaretXY(), anchor = Memo.RawBlockBegin(), moving = Memo.RawBlockEnd();
  Memo.SelectAll();
  Memo.CopyToClipboard();
  Memo.SetBlockBegin(anchor);
  Memo.SetBlockEnd(moving);
  Memo.SetCaretXY(caret);
}

std::u16string TEditorFrame::RecordTitle() const {
  return recordNode_ ? codepage::Utf8ToUtf16(bank::NodeTitle(recordNode_)) : std::u16string();
}

void TEditorFrame::PrepareToPrint() {
  print_->SetSynPad(Memo);
  print_->SetHighlighter(Memo.Highlighter());
  print_->SetTitle(RecordTitle());
}

void TEditorFrame::Print() {
  PrepareToPrint();
  PrintWithDialog(*print_, view_.Window());
}

void TEditorFrame::PrintPreview() {
  print_->OnPrintStatus = nullptr;
  PrepareToPrint();
  view_.ShowPrintPreview(*print_);
}

void TEditorFrame::SaveContentsAs() {
  FileDialogOptions options;
  // With a language the dialog offers its files under the form's title; without one it must not
  // offer the databank filter and title, which invite overwriting a databank with plain text.
  options.title = kSaveDataBankTitle;
  if (Memo.Highlighter()) options.filter = Memo.Highlighter()->DefaultFilter();
  if (options.filter.empty()) {
    options.filter = kAllFilesFilter;
    options.title = kSaveAsFileTitle;
  }
  options.defaultExt = DefaultExtensionOfFilter(options.filter);
  options.fileName = RecordFileName(recordNode_ ? bank::NodeTitle(recordNode_) : std::string());
  options.overwritePrompt = true;
  options.pathMustExist = true;
  std::string path;
  if (!UI().SaveFileDialog(options, path, view_.Window())) return;
  WriteFileAtomic(path, RecordFileBytes(Memo.Lines()));
}
