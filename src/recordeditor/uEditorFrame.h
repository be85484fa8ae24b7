// The record editor: one record of the open databank in two editor controls, its code (Memo) coloured
// by the highlighter its language number selects, and its comments (Comments) with their links
// highlighted, on a panel above or below the code. The databank window talks to it only through
// IEditor; the main window places it, hands its keywords through it and shows or hides its toolbar.
//
// TEditorFrame is plain code: it is given the two controls and an IEditorFrameView for what only a
// window can do (enabling and focusing the code editor's window, placing the comments panel, showing
// the toolbar and the print preview). The Qt frame (recordeditor/gui/uEditorFrameWidget.h) owns the
// controls' windows and is that view; tests give the controls recording hosts.
//
// Every command of the frame is an action of the table below: the window builds its buttons, menus
// and shortcuts from it and asks the frame whether each is enabled or checked.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "databank/uEditorIntf.h"
#include "editor/SynMemo.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "printing/SynPadPrint.h"
#include "recordeditor/UHighlighters.h"
#include "recordeditor/uFindReplace_syn.h"

class TSynURIOpener;
class TSynURIOpenerPad;

// What the frame asks of its window.
class IEditorFrameView {
 public:
  virtual ~IEditorFrameView() = default;
  // The code editor's window: enabled state and focus.
  virtual bool MemoEnabled() const = 0;
  virtual void SetMemoEnabled(bool enabled) = 0;
  virtual void FocusMemo() = 0;
  // Shows the comments panel (with its splitter) above or below the code, or hides it.
  virtual void PlaceComments(bool shown, bool onTop) = 0;
  // The height of the comments editor. A value that was set reads back unchanged until the user
  // resizes the panel.
  virtual int CommentsHeight() const = 0;
  virtual void SetCommentsHeight(int height) = 0;
  virtual void ShowToolbar(bool visible) = 0;
  // Shows the print preview of the engine modally.
  virtual void ShowPrintPreview(TSynPadPrint& print) = 0;
  // The window dialogs of the frame belong to.
  virtual platform::WindowHandle Window() const = 0;
};

enum class TEditorAction {
  EditCut,
  EditCopy,
  EditPaste,
  EditUndo,
  EditRedo,
  CopyAll,
  FindInText,
  FindNextText,
  FindPreviousText,
  FindReplace,
  Print,
  PrintPreview,
  SaveContentsAs,
  SpecialChars,
  LineNumbers,
  WordWrap,
  AlignComments,
};
inline constexpr int kEditorActionCount = 17;

struct TEditorActionInfo {
  const char* Name;      // "actnEditCut"
  const char* Caption;   // "Cu&t" ("&" marks the accelerator)
  const char* ShortCut;  // "Ctrl+X", "" for none
  const char* Hint;      // "short|long", or one text for both
  bool Checkable;
};
const TEditorActionInfo& EditorActionInfo(TEditorAction action);

// The file name proposed for a record's text: the title with each of " * / : < > ? \ | replaced by
// "_" (blanks and tabs stay).
std::string RecordFileName(std::string_view title);
// The extension a save dialog adds to a typed name: that of the first pattern of the filter
// ("*.c;*.cpp" gives ".c"); "" when the first pattern has none or is a wildcard.
std::string DefaultExtensionOfFilter(const std::string& filter);
// The bytes of a record's text saved as a file: UTF-8 without a byte-order mark, lines ended by LF,
// as the tools of this platform read them.
std::string RecordFileBytes(const TWideStrings& lines);
// The text of a file loaded into a record: UTF-16 after its byte-order mark (either order), UTF-8
// after its mark or when every byte sequence is valid UTF-8, Windows-1252 otherwise.
std::u16string RecordFileText(std::string_view bytes);
// The font of the record's two editors, which the sample of the highlighter options shows too: the
// desktop's monospace face, 13 pixels high.
TSynFont RecordEditorFont();
// The save dialog's filter when the code has no highlighter.
extern const char* const kAllFilesFilter;     // "All files|*"
extern const char* const kSaveAsFileTitle;    // "Save as file"
extern const char* const kSaveDataBankTitle;  // "Save DataBank", the form's title

class TEditorFrame : public IEditor {
 public:
  // The controls, the view and the highlighter set must outlive the frame.
  TEditorFrame(TSynMemo& memo, TSynMemo& comments, IEditorFrameView& view, TdmHighLighters& highlighters);
  ~TEditorFrame() override;
  TEditorFrame(const TEditorFrame&) = delete;
  TEditorFrame& operator=(const TEditorFrame&) = delete;

  TSynMemo& Memo;
  TSynMemo& Comments;

  // ---- IEditor ----
  void FocusEditor() override;
  void ClearEditor() override;
  void SetEditorEnabled(bool enabled) override;
  void LoadEditorSettings() override;
  void SaveEditorSettings() override;
  void OpenRecord(TxevXMLNode2* node) override;
  void DetachRecord() override;
  void StoreRecord() override;
  // The code or the comments differ from what the record held when it was opened (or when
  // ClearModified last ran), or keywords were typed for it. Moving the caret, scrolling or selecting
  // is no change, and an edit undone or typed away again leaves the record unchanged.
  bool IsModified() override;
  void ClearModified() override;
  void ShowRecordSearchMatch() override;
  bool RecordContentMatches(TxevXMLNode2* node, const TSearchForRec& search) override;
  void SetKeywords(const std::string& text) override;
  std::string GetKeywords() override;
  void SetSettings(TSettings* settings) override;
  void ShowToolbar(bool visible) override { view_.ShowToolbar(visible); }

  // ---- state ----
  // Set by every edit; IsModified then compares the texts once to tell whether it stands.
  bool Modified = false;
  TSettings* Settings = nullptr;
  TxevXMLNode2* RecordNode() const { return recordNode_; }
  // The language the open record's number selected (number 0 after a fall-back; no entry: plain).
  int LanguageNumber() const { return language_.Number; }
  const TLanguageEntry* Language() const { return language_.Entry; }
  const TLanguageList& Languages() const { return languages_; }
  // The comments panel: shown (the toggle button down) and above the code.
  bool CommentsShown() const { return commentsShown_; }
  bool CommentsOnTop() const { return commentsOnTop_; }
  // The toggle button: hides the panel, or places and shows it.
  void SetCommentsShown(bool shown);
  // An edit the frame does not see itself (the keywords field of the main window) marks the record
  // modified, so that the databank is marked at the next commit.
  void MarkModified() {
    Modified = keywordsTyped_ = true;
    modifiedChecked_ = false;
  }

  // ---- actions ----
  bool ActionEnabled(TEditorAction action) const;
  bool ActionChecked(TEditorAction action) const;
  // Runs the action (nothing when it is disabled).
  void Execute(TEditorAction action);

  // The print engine with the frame's defaults.
  TSynPadPrint& SynPadPrint() { return *print_; }
  // The focus timer while it runs.
  bool FocusTimerRunning() const { return memoTimer_->Running(); }

  // Shows a notification popup (kind 3: a search found nothing) on the main window.
  TNotifyProc OnNotify;
  // True while the databank open in the window has a password: the texts searched for then stay in
  // memory, and SaveEditorSettings takes every text searched during the run out of the settings.
  std::function<bool()> SearchesPrivate;

 private:
  void SetUpControls();
  void MemoChange();
  // What the record holds from now on: IsModified compares the editors' texts with it.
  void RememberStoredTexts();
  void MemoDropFiles(const std::vector<std::string>& files);
  void MemoTimerTick();
  void PlaceComments();
  void ToggleWordWrap();
  void CopyAll();
  void PrepareToPrint();
  void Print();
  void PrintPreview();
  void SaveContentsAs();
  std::u16string RecordTitle() const;

  IEditorFrameView& view_;
  TdmHighLighters& highlighters_;
  TxevXMLNode2* recordNode_ = nullptr;
  std::u16string storedCode_, storedComments_;
  // The caret the record's "XPos" and "YPos" stand for: where opening put it, or where it was stored.
  TBufferCoord storedCaret_;
  bool modifiedChecked_ = false;  // Modified was compared with the stored texts after the last edit
  bool keywordsTyped_ = false;
  TLanguageList languages_;
  TLanguageChoice language_;
  bool commentsShown_ = true;
  bool commentsOnTop_ = false;
  std::array<bool, 3> checked_{};  // special characters, line numbers, word wrap
  std::unique_ptr<platform::ITimer> memoTimer_;
  int focusTicks_ = 0;
  std::unique_ptr<TSynPadPrint> print_;
  std::unique_ptr<ISynSearchEditor> searchEditor_;
  TPrivateSearchSettings privateSearches_;
  std::unique_ptr<TSynURIOpener> SynURIOpener, SynURIOpener1;
  // Each opener's view of its control; they go first and detach their openers as they go.
  std::unique_ptr<TSynURIOpenerPad> memoLinks_, commentsLinks_;
};
