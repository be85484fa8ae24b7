// The editor control: a multi-line UTF-16 editor with caret and selection in buffer coordinates,
// a view (top line, left column), options, gutter, marks, optional word wrap and highlighting.
// The control's logic is independent of any widget: it talks to a small host (window state,
// client size, invalidation, scrolling, caret and scroll bars) and paints on a canvas. The Qt
// widget in editor/gui/ is the real host; tests use a recording host with fixed metrics.
//
// Positions: a buffer position is (Char, Line) from 1, Char in UTF-16 units; a display position
// (Column, Row) from 1 after tab and wide-glyph expansion and word wrap; a character index from
// 0 counts every line break as two characters. One cell rule holds for hit-testing, painting and
// word wrap: a unit takes ceil(measured width / char width) cells, at least 1.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "editor/SynCanvas.h"
#include "editor/SynPadHighlighter.h"
#include "editor/SynPadKbdHandler.h"
#include "editor/SynPadKeyCmds.h"
#include "editor/SynPadMiscClasses.h"
#include "editor/SynPadSearchCustom.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynPadTypes.h"
#include "editor/SynPadWordWrap.h"
#include "editor/SynTextDrawer.h"
#include "platform/Canvas.h"
#include "platform/Exceptions.h"
#include "platform/Timers.h"

class ESynPadError : public Exception {
 public:
  using Exception::Exception;
};

// ---- options (bit numbers are those that settings and forms name) ----
using TSynPadorOptions = std::uint32_t;
enum TSynPadorOption : int {
  eoAltSetsColumnMode = 0,
  eoAutoIndent = 1,
  eoAutoSizeMaxScrollWidth = 2,
  eoDisableScrollArrows = 3,
  eoDragDropEditing = 4,
  eoDropFiles = 5,
  eoEnhanceHomeKey = 6,
  eoEnhanceEndKey = 7,
  eoGroupUndo = 8,
  eoHalfPageScroll = 9,
  eoHideShowScrollbars = 10,
  eoKeepCaretX = 11,
  eoNoCaret = 12,
  eoNoSelection = 13,
  eoRightMouseMovesCursor = 14,
  eoScrollByOneLess = 15,
  eoScrollHintFollows = 16,
  eoScrollPastEof = 17,
  eoScrollPastEol = 18,
  eoShowScrollHint = 19,
  eoShowSpecialChars = 20,
  eoSmartTabDelete = 21,
  eoSmartTabs = 22,
  eoSpecialLineDefaultFg = 23,
  eoTabIndent = 24,
  eoTabsToSpaces = 25,
  eoTrimTrailingSpaces = 26,
};
inline constexpr int SynPadOptionCount = 27;
constexpr TSynPadorOptions SynOpt(TSynPadorOption O) {
  return TSynPadorOptions(1) << O;
}
inline constexpr TSynPadorOptions SYNPAD_DEFAULT_OPTIONS = 0x026C0192;
// Option names in bit order.
extern const char* const SynPadOptionNames[SynPadOptionCount];
// The bit of a name (-1 when unknown).
int SynPadOptionByName(std::string_view Name);

enum TSynPadCaretType : std::uint8_t { ctVerticalLine = 0, ctHorizontalLine = 1, ctHalfBlock = 2, ctBlock = 3 };
enum TSynStatusChange : int {
  scAll = 0,
  scCaretX = 1,
  scCaretY = 2,
  scLeftChar = 3,
  scTopLine = 4,
  scInsertMode = 5,
  scModified = 6,
  scSelection = 7,
  scReadOnly = 8,
};
using TSynStatusChanges = std::uint16_t;
constexpr TSynStatusChanges SynSC(TSynStatusChange C) {
  return TSynStatusChanges(1) << C;
}

enum TScrollStyle : std::uint8_t { ssNone = 0, ssHorizontal = 1, ssVertical = 2, ssBoth = 3 };
enum TSynScrollHintFormat : std::uint8_t { shfTopLineOnly = 0, shfTopToBottom = 1 };
enum TSynBorderStyle : std::uint8_t { bsNone = 0, bsSingle = 1 };
enum TSynTransientType : std::uint8_t { ttBefore = 0, ttAfter = 1 };
enum TSynReplaceAction : std::uint8_t { raCancel, raSkip, raReplace, raReplaceAll };

// State flags (16 bits).
inline constexpr std::uint16_t sfCaretChanged = 1;
inline constexpr std::uint16_t sfScrollbarChanged = 2;
inline constexpr std::uint16_t sfLinesChanging = 4;
inline constexpr std::uint16_t sfIgnoreNextChar = 8;
inline constexpr std::uint16_t sfCaretVisible = 0x10;
inline constexpr std::uint16_t sfDblClicked = 0x20;
inline constexpr std::uint16_t sfPossibleGutterClick = 0x40;
inline constexpr std::uint16_t sfWaitForDragging = 0x80;

// Mouse cursors (the control's Cursor and what the mouse-cursor chain may choose).
inline constexpr int crDefault = 0;
inline constexpr int crArrow = -2;
inline constexpr int crIBeam = -4;
inline constexpr int crDrag = -12;
inline constexpr int crMultiDrag = -16;
inline constexpr int crHandPoint = -21;

// The payload of an editor command: a buffer position (ecGotoXY, ecSelGotoXY, ecSetMarker0..9) or a
// text (ecImeStr); most commands carry none.
using TSynCommandData = std::variant<std::monostate, TBufferCoord, std::u16string>;

// Where a drag stands relative to a control it passes over.
enum TSynDragState : std::uint8_t { dsDragEnter, dsDragLeave, dsDragMove };

// Scroll-bar requests (the low word of a scroll message).
enum TSynScrollRequest : int {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};

// The standard edit actions a focused control carries out and enables.
enum TSynEditAction : std::uint8_t { eaCut, eaCopy, eaPaste, eaDelete, eaUndo, eaSelectAll };

// Painting characters.
inline constexpr char16_t SynSpaceGlyph = 0x2219;
inline constexpr char16_t SynTabGlyph = 0x2192;
inline constexpr char16_t SynLineBreakGlyph = 0x00B6;
inline constexpr char16_t SynFillerChar = 0xE000;

// What a scroll bar should show: the range, page and position the arithmetic gives, whether the
// bar is shown and enabled, and the state of each arrow.
enum TSynScrollBarKind : std::uint8_t { sbHorizontal = 0, sbVertical = 1 };
struct TSynScrollInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  bool Visible = false;
  bool DisableNoScroll = false;  // a bar that cannot scroll stays visible, disabled
  bool LeftUpArrow = true;       // arrow enabled
  bool RightDownArrow = true;
  friend bool operator==(const TSynScrollInfo&, const TSynScrollInfo&) = default;
};

// The window the control lives in.
class ISynPadHost {
 public:
  virtual ~ISynPadHost() = default;
  virtual bool HandleAllocated() const = 0;
  virtual bool Focused() const = 0;
  virtual bool Visible() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual void InvalidateRect(const TSynRect& R) = 0;
  // Moves the pixels of Area by (DX, DY) and invalidates what is uncovered.
  virtual void ScrollWindow(int DX, int DY, const TSynRect& Area) = 0;
  virtual void CreateCaret(int Width, int Height) = 0;
  virtual void DestroyCaret() = 0;
  virtual bool ShowCaret() = 0;
  virtual bool HideCaret() = 0;
  virtual void SetCaretPos(int X, int Y) = 0;
  virtual void SetCompositionPos(int /*X*/, int /*Y*/) {}
  virtual void SetScrollBar(TSynScrollBarKind Kind, const TSynScrollInfo& Info) = 0;
  virtual void HideScrollBar(TSynScrollBarKind Kind) = 0;
  virtual void RegisterFileDrops(bool /*Accept*/) {}
  virtual void RecreateWindow() {}
  // Measures fonts for the control between paints (the screen's metrics); lives as long as the host.
  virtual platform::ICanvas& MeasuringCanvas() = 0;
  // The resolution point sizes are laid out at.
  virtual int PixelsPerInch() const { return 96; }

  // ---- input ----
  // The pointer shape over the client area.
  virtual void SetCursor(int /*Cursor*/) {}
  // The mouse stays with the control while a button is held.
  virtual void SetCapture() {}
  virtual void ReleaseCapture() {}
  virtual void SetFocus() {}
  // Paints what is invalid now rather than later.
  virtual void UpdateWindow() {}
  // The pointer in client pixels; false when unknown.
  virtual bool CursorPos(int& /*X*/, int& /*Y*/) const { return false; }
  // The modifier keys held now (for the scroll timer).
  virtual vk::TShiftState KeyboardShift() const { return 0; }
  // How far the pointer must move before a press becomes a drag, per axis.
  virtual int DragDistance() const { return 4; }
  // Lines one notch of the wheel scrolls.
  virtual int WheelScrollLines() const { return 3; }
  // Starts dragging the control's selection; the drag reports back through DragOver and DragDrop.
  virtual void BeginDrag() {}

  // ---- scroll hint ----
  // Size of the hint showing Text, at most MaxWidth wide.
  virtual void MeasureScrollHint(const std::u16string& Text, int MaxWidth, int& Width, int& Height) const {
    Width = std::min(MaxWidth, 8 * static_cast<int>(Text.size()) + 8);
    Height = 20;
  }
  // Shows the one hint window at a client position (its top-left corner), in Color.
  virtual void ShowScrollHint(const std::u16string& /*Text*/, int /*X*/, int /*Y*/, TColor /*Color*/) {}
  virtual void HideScrollHint() {}
  // Height of a vertical scroll-bar arrow.
  virtual int ScrollArrowHeight() const { return 16; }
  // A canvas on the window outside painting (transient marks); nullptr when there is none.
  virtual platform::ICanvas* TransientCanvas() { return nullptr; }
};

// A mark in the gutter: a bookmark (numbered 0..9) or a plain mark with an image.
class TSynPadMark {
 public:
  int Line = 0;
  int Char = 0;
  int ImageIndex = 0;
  int BookmarkNumber = -1;
  bool Visible = true;
  bool InternalImage = false;
  bool IsBookmark() const { return BookmarkNumber >= 0; }
};
using TSynPadMarkList = std::vector<std::unique_ptr<TSynPadMark>>;

// The images a TSynBookMarkOpt's BookmarkImages points to. Controls that show it are told when it
// is destroyed.
struct TSynImageList : public TSynPersistent {
  TSynImageList() = default;
  TSynImageList(const TSynImageList& Other) : TSynPersistent(), Images(Other.Images) {}
  TSynImageList& operator=(const TSynImageList& Other) {
    Images = Other.Images;
    return *this;
  }
  ~TSynImageList() override { FreeNotifications.Fire(); }
  std::vector<TSynBitmap> Images;
  TSynNotifyEventChain FreeNotifications{this};
  int Width() const { return Images.empty() ? 0 : Images.front().Width() / Images.front().Scale(); }
  int Count() const { return static_cast<int>(Images.size()); }
};

// The private clipboard format that carries the copying control's selection mode beside the text:
// byte 0 the mode (0 normal, 1 line, 2 column), then the text in the single-byte code page, then NUL.
inline constexpr const char* SynPadClipboardFormat = "application/x-synpad-control-block-type";

// Form storage of the key table: a keystroke as a form keeps it (the command by name, the two
// shortcuts), a stored property (a collection of keystrokes, or a value of another kind, which
// reading skips), and a form being written or read.
struct TSynStoredKeystroke {
  std::string Command;
  std::uint16_t ShortCut = 0;
  std::uint16_t ShortCut2 = 0;
  friend bool operator==(const TSynStoredKeystroke&, const TSynStoredKeystroke&) = default;
};
struct TSynStoredValue {
  bool IsCollection = true;
  std::vector<TSynStoredKeystroke> Items;
};
using TSynFormProperties = std::map<std::string, TSynStoredValue>;
struct TSynFiler {
  bool Writing = true;
  // The inherited form's table when the form inherits one (writing compares against it).
  const TSynPadKeyStrokes* Ancestor = nullptr;
  TSynFormProperties Properties;
};

class TCustomSynPad;

// The canvas font of an editor font at a resolution (a negative size is a pixel height).
TSynFontDesc SynCanvasFont(const TSynFont& Font, int PixelsPerInch, bool FixedPitch);

using TStatusChangeEvent = std::function<void(TCustomSynPad* Sender, TSynStatusChanges Changes)>;
using TGutterGetTextEvent = std::function<void(TCustomSynPad* Sender, int aLine, std::u16string& aText)>;
using TGutterPaintEvent = std::function<void(TCustomSynPad* Sender, int aLine, int X, int Y)>;
using TSpecialLineColorsEvent =
    std::function<void(TCustomSynPad* Sender, int Line, bool& Special, TColor& FG, TColor& BG)>;
using TPaintEvent = std::function<void(TCustomSynPad* Sender, platform::ICanvas& Canvas)>;
using TPaintTransient = std::function<void(TCustomSynPad* Sender, platform::ICanvas& Canvas, TSynTransientType Kind)>;
using TProcessCommandEvent =
    std::function<void(TCustomSynPad* Sender, TSynPadorCommand& Command, char16_t& AChar, const TSynCommandData& Data)>;
using TPlaceMarkEvent = std::function<void(TCustomSynPad* Sender, TSynPadMark*& Mark)>;
using TMarkEvent = std::function<void(TCustomSynPad* Sender, TSynPadMark* Mark)>;
using TReplaceTextEvent =
    std::function<void(TCustomSynPad* Sender, const std::u16string& ASearch, const std::u16string& AReplace, int Line,
                       int Column, TSynReplaceAction& Action)>;
using TGutterClickEvent =
    std::function<void(TCustomSynPad* Sender, TSynMouseButton Button, int X, int Y, int Line, TSynPadMark* Mark)>;
using TDropFilesEvent = std::function<void(TCustomSynPad* Sender, int X, int Y, const std::vector<std::string>& Files)>;
using TScrollEvent = std::function<void(TCustomSynPad* Sender, TSynScrollBarKind Kind)>;
using TContextHelpEvent = std::function<void(TCustomSynPad* Sender, const std::u16string& Word)>;
using TMouseCursorEvent = std::function<void(TCustomSynPad* Sender, const TBufferCoord& LineCharPos, int& Cursor)>;
using TSynKeyDownEvent = std::function<void(TCustomSynPad* Sender, std::uint16_t& Key, vk::TShiftState Shift)>;
using TSynMouseNotifyEvent =
    std::function<void(TCustomSynPad* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y)>;
using TSynMouseMoveEvent = std::function<void(TCustomSynPad* Sender, vk::TShiftState Shift, int X, int Y)>;
using TSynDragOverEvent =
    std::function<void(TCustomSynPad* Sender, TCustomSynPad* Source, int X, int Y, TSynDragState State, bool& Accept)>;
using TSynDragDropEvent = std::function<void(TCustomSynPad* Sender, TCustomSynPad* Source, int X, int Y)>;

class TCustomSynPad : public TSynPersistent, public ISynWordWrapHost {
 public:
  // The host is not owned and must outlive the control (or be detached with SetHost(nullptr)).
  explicit TCustomSynPad(ISynPadHost* Host);
  ~TCustomSynPad() override;
  TCustomSynPad(const TCustomSynPad&) = delete;
  TCustomSynPad& operator=(const TCustomSynPad&) = delete;

  ISynPadHost* Host() const { return fHost; }
  // Attaching to a window runs what window creation runs (drop registration, scroll bars).
  void SetHost(ISynPadHost* Host);
  // The host's window came into existence, or went.
  void CreateWnd();
  void DestroyWnd();
  // Form loading finished: gutter width and scroll bars.
  void Loaded();
  // The client area changed size.
  void Resize();

  // ---- text ----
  // The text goes in through the operations below, so that the history and the notifications
  // see every change; Lines is a read-only view, and assigning lines copies them in.
  const TSynPadStringList& Lines() const { return *fLines; }
  void SetLines(const TWideStrings& Value);
  // Loads Text as a new state: the old text's history, marks and bookmarks go, and the control
  // is unmodified (ClearAll does the same with no text).
  void LoadText(std::u16string_view Text);
  std::u16string GetText() const;
  void SetText(std::u16string_view Value);
  void ClearAll();
  int LineCount() const { return fLines->Count(); }
  std::u16string_view LineText(int Line) const { return fLines->StringRef(Line - 1); }

  // ---- caret and selection ----
  TBufferCoord GetCaretXY() const { return TBufferCoord{fCaretX, fCaretY}; }
  int CaretX() const { return fCaretX; }
  int CaretY() const { return fCaretY; }
  void SetCaretX(int Value) { SetCaretXY(TBufferCoord{Value, fCaretY}); }
  void SetCaretY(int Value) { SetCaretXY(TBufferCoord{fCaretX, Value}); }
  virtual void SetCaretXY(const TBufferCoord& Value) { SetCaretXYEx(true, Value); }
  // Clamped, and moved back off the middle of a surrogate pair: with the block setters (through
  // ClampBlockPos) the one road of the caret and the selection ends, so no caller can leave half a
  // character on either side.
  virtual void SetCaretXYEx(bool CallEnsureCursorPos, TBufferCoord Value);
  // Moves the caret (kept visible), repaints an old selection and collapses it onto the caret.
  virtual void InternalSetCaretXYAndClearSelection(const TBufferCoord& Value);
  TBufferCoord BlockBegin() const;
  TBufferCoord BlockEnd() const;
  // The anchor and the moving end as stored.
  TBufferCoord RawBlockBegin() const { return fBlockBegin; }
  TBufferCoord RawBlockEnd() const { return fBlockEnd; }
  void SetBlockBegin(TBufferCoord Value);
  void SetBlockEnd(TBufferCoord Value);
  bool SelAvail() const;
  std::u16string GetSelText() const;
  void SelectAll();
  TSynSelectionMode SelectionMode() const { return fSelectionMode; }
  void SetSelectionMode(TSynSelectionMode Value);
  TSynSelectionMode ActiveSelectionMode() const { return fActiveSelectionMode; }
  void SetActiveSelectionMode(TSynSelectionMode Value);
  bool InsertMode() const { return fInserting; }
  void SetInsertMode(bool Value);

  // ---- view ----
  int TopLine() const { return fTopLine; }
  void SetTopLine(int Value);
  int LeftChar() const { return fLeftChar; }
  void SetLeftChar(int Value);
  int CharsInWindow() const { return fCharsInWindow; }
  int LinesInWindow() const { return fLinesInWindow; }
  int CharWidth() const { return fCharWidth; }
  int LineHeight() const { return fTextHeight; }
  int GutterWidth() const { return fGutterWidth; }
  int TextOffset() const { return fTextOffset; }
  int MaxScrollWidth() const { return fMaxScrollWidth; }
  void SetMaxScrollWidth(int Value);
  void EnsureCursorPosVisible() { EnsureCursorPosVisibleEx(false); }
  void EnsureCursorPosVisibleEx(bool ForceToMiddle);
  void BeginUpdate();
  void EndUpdate();

  // ---- properties ----
  TSynPadorOptions Options() const { return fOptions; }
  void SetOptions(TSynPadorOptions Value);
  bool HasOption(TSynPadorOption O) const { return (fOptions & SynOpt(O)) != 0; }
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int Value);
  int RightEdge() const { return fRightEdge; }
  void SetRightEdge(int Value);
  TColor RightEdgeColor() const { return fRightEdgeColor; }
  void SetRightEdgeColor(TColor Value);
  TColor ActiveLineColor() const { return fActiveLineColor; }
  void SetActiveLineColor(TColor Value);
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  int ExtraLineSpacing() const { return fExtraLineSpacing; }
  void SetExtraLineSpacing(int Value);
  TSynPadCaretType InsertCaret() const { return fInsertCaret; }
  void SetInsertCaret(TSynPadCaretType Value);
  TSynPadCaretType OverwriteCaret() const { return fOverwriteCaret; }
  void SetOverwriteCaret(TSynPadCaretType Value);
  virtual bool GetReadOnly() const { return fReadOnly; }
  virtual void SetReadOnly(bool Value);
  bool ReadOnly() const { return GetReadOnly(); }
  bool WantReturns() const { return fWantReturns; }
  void SetWantReturns(bool Value) { fWantReturns = Value; }
  bool WantTabs() const { return fWantTabs; }
  void SetWantTabs(bool Value) { fWantTabs = Value; }
  bool HideSelection() const { return fHideSelection; }
  void SetHideSelection(bool Value);
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  TSynBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TSynBorderStyle Value);
  TColor ScrollHintColor() const { return fScrollHintColor; }
  void SetScrollHintColor(TColor Value) { fScrollHintColor = Value; }
  TSynScrollHintFormat ScrollHintFormat() const { return fScrollHintFormat; }
  void SetScrollHintFormat(TSynScrollHintFormat Value) { fScrollHintFormat = Value; }
  int MaxUndo() const { return fUndoList->MaxUndoActions(); }
  void SetMaxUndo(int Value);
  bool Modified() const { return fModified; }
  void SetModified(bool Value);
  bool WordWrap() const { return fWordWrapPlugin != nullptr; }
  // Where the caret stands at a wrapped row's end, and the caret's shape: the fuzz harness compares
  // them with a new control's after putting its control back.
  bool WordWrapEndOfRow() const { return fCaretAtEndOfRow; }
  int CaretWidth() const { return fCaretWidth; }
  int CaretHeight() const { return fCaretHeight; }
  int CaretOffsetX() const { return fCaretOffsetX; }
  int CaretOffsetY() const { return fCaretOffsetY; }
  void SetWordWrap(bool Value);
  // The control's font; a proportional face is replaced by the same family and size with fixed
  // pitch requested.
  const TSynFont& Font() const { return fFont; }
  void SetFont(const TSynFont& Value);
  TSynGutter& Gutter() { return *fGutter; }
  void SetGutter(const TSynGutter& Value) { fGutter->Assign(Value); }
  TSynSelectedColor& SelectedColor() { return *fSelectedColor; }
  TSynBookMarkOpt& BookMarkOptions() { return *fBookMarkOpt; }
  TSynGlyph& WordWrapGlyph() { return *fWordWrapGlyph; }
  void SetWordWrapGlyph(const TSynGlyph& Value) { fWordWrapGlyph->Assign(Value); }
  TSynPadKeyStrokes& Keystrokes() { return *fKeystrokes; }
  void SetKeystrokes(const TSynPadKeyStrokes* Value);
  TSynPadMarkList& Marks() { return fMarkList; }
  // The history, to look at: every edit records itself inside the control.
  const TSynPadUndoList& UndoList() const { return *fUndoList; }
  const TSynPadUndoList& RedoList() const { return *fRedoList; }
  // Forgets every change: both lists start afresh, their numbering too; the limit stays.
  void ClearUndo();
  TSynCustomHighlighter* Highlighter() const { return fHighlighter; }
  void SetHighlighter(TSynCustomHighlighter* Value);
  TSynPadSearchCustom* SearchEngine() const { return fSearchEngine; }
  void SetSearchEngine(TSynPadSearchCustom* Value);
  TheTextDrawer& TextDrawer() { return *fTextDrawer; }
  bool CanUndo() const;
  bool CanRedo() const;
  bool CanPaste() const;

  // ---- character classes ----
  virtual bool IsIdentChar(char16_t AChar) const;
  virtual bool IsWhiteChar(char16_t AChar) const;
  virtual bool IsWordBreakChar(char16_t AChar) const;

  // ---- coordinates and position queries ----
  TDisplayCoord BufferToDisplayPos(const TBufferCoord& P) const;
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& P) const;
  TDisplayCoord GetDisplayXY() const;
  int GetDisplayX() const { return GetDisplayXY().Column; }
  int GetDisplayY() const;
  void SetDisplayXY(const TDisplayCoord& Value);
  TDisplayCoord PixelsToRowColumn(int X, int Y) const;
  TDisplayCoord PixelsToNearestRowColumn(int X, int Y) const;
  void RowColumnToPixels(const TDisplayCoord& RowCol, int& X, int& Y) const;
  void PlaceCaretAtPixel(int X, int Y);
  int RowColToCharIndex(const TBufferCoord& RowCol) const;
  TBufferCoord CharIndexToRowCol(int Index) const;
  int GetSelStart() const;
  void SetSelStart(int Value);
  int GetSelEnd() const;
  void SetSelEnd(int Value);
  bool IsPointInSelection(const TBufferCoord& Value) const;

  // ---- column blocks ----
  // A column block covers the same screen columns on every line: [Left, Right) between its two
  // corners, each measured on its own line (tabs and double-width glyphs expanded, word wrap not).
  struct TColumnSpan {
    int Left = 1, Right = 1, FirstLine = 1, LastLine = 1;
  };
  // Characters [From, To) of one line (buffer chars from 1; To exclusive).
  struct TCharRange {
    int From = 1, To = 1;
  };
  TColumnSpan ColumnSpanOf(const TBufferCoord& A, const TBufferCoord& B) const;
  // The characters of a line that the columns [Left, Right) touch, widened outward to whole
  // characters: a glyph or tab partly in the block is in it whole, a pair is never split. Past the
  // line's end every position counts one column, so From and To may lie beyond it.
  TCharRange ColumnCharsOfLine(int Line, int Left, int Right) const;
  // Where text goes in at screen column Column of a line: before the character that covers it.
  int ColumnInsertChar(int Line, int Column) const;
  // The characters of every line of the block between the two corners, from its first line.
  std::vector<TCharRange> ColumnRanges(const TBufferCoord& A, const TBufferCoord& B) const;
  // Their From alone: where the block begins on each line.
  std::vector<int> ColumnStartsOf(const TBufferCoord& A, const TBufferCoord& B) const;
  bool GetTokenAtRowCol(const TBufferCoord& XY, std::u16string& Token, int& TokenType, int& Start,
                        TSynHighlighterAttributes*& Attri) const;
  bool GetAttributeAtRowCol(const TBufferCoord& XY, std::u16string& Token, TSynHighlighterAttributes*& Attri) const;
  // Cells of one unit (tab excluded) under the one cell rule.
  int CharCells(char16_t AChar) const;

  // ---- rows and painting ----
  int DisplayRowCount() const;
  int FirstRowOfLine(int Line) const;
  int LineOfRow(int Row) const;
  // The text of Line with every tab expanded to the tab characters of the cells it covers (tab
  // stops counted in display cells, wide glyphs included), and the same with a filler in front
  // of every extra cell of a wide glyph: one character per display column.
  std::u16string TabExpandedLine(int Line) const;
  std::u16string ExpandedDisplayLine(int Line) const;
  void Paint(platform::ICanvas& Canvas, const TSynRect& Clip);
  void InvalidateRect(const TSynRect& R);
  void Invalidate();
  void InvalidateGutter() { InvalidateGutterLines(-1, -1); }
  void InvalidateGutterLines(int FirstLine, int LastLine);
  void InvalidateLines(int FirstLine, int LastLine);
  void InvalidateLine(int Line);
  void InvalidateSelection();
  void UpdateCaret();
  void UpdateScrollBars();
  void InitializeCaret();
  void HideCaret();
  void ShowCaret();
  void MeasureFontCells();
  void RecalcWindowExtent(bool FontChanged);
  void GutterOptionsChanged();
  void ApplyGutterWidth(int Value);
  void HighlighterAttributesChanged(TSynPersistent* Sender);
  // What the last UpdateScrollBars computed for each bar (for the host and tests).
  const TSynScrollInfo& ScrollInfo(TSynScrollBarKind Kind) const { return fScrollInfo[Kind]; }
  // Highlighter ranges.
  int RescanRangesFrom(int Index);
  void RescanAllRanges();

  // ---- commands ----
  // Runs a command through OnProcessCommand / OnProcessUserCommand, ExecuteCommand (numbers below
  // ecUserFirst only) and OnCommandProcessed.
  virtual void CommandProcessor(TSynPadorCommand Command, char16_t AChar, const TSynCommandData& Data = {});
  // Carries a command out under one paint lock; unknown numbers do nothing, editing commands do
  // nothing in a read-only control.
  virtual void ExecuteCommand(TSynPadorCommand Command, char16_t AChar, const TSynCommandData& Data = {});
  void Undo();
  void Redo();
  void SelectWordAtCaret();
  void SelectWordAt(TBufferCoord Value);
  // The word at the caret (from WordStart to WordEnd), the selection left as it was.
  std::u16string GetWordAtCaret();
  TBufferCoord NextWordPos();
  virtual TBufferCoord NextWordPosEx(const TBufferCoord& XY);
  TBufferCoord WordStart();
  virtual TBufferCoord WordStartEx(const TBufferCoord& XY);
  TBufferCoord WordEnd();
  virtual TBufferCoord WordEndEx(const TBufferCoord& XY);
  TBufferCoord PrevWordPos();
  virtual TBufferCoord PrevWordPosEx(const TBufferCoord& XY);

  // ---- text replacement ----
  // The engine: deletes the selection in the active mode, then inserts Value at the caret in
  // PasteMode. With AddToUndoList a column insertion records each line it fills (and the line
  // breaks it adds). Afterwards the selection is empty at the caret, which ends the insertion.
  void SetSelTextPrimitive(TSynSelectionMode PasteMode, std::u16string_view Value, bool AddToUndoList);
  // The engine in the active mode, recording nothing.
  void SetSelText(const std::u16string& Value);
  // The recorded replacement: one undo block holding the removed selection and the insertion.
  // Without a selection Value is inserted at the caret in the selection mode, or in
  // ModeWithoutSelection when given (a search's empty match is a place in the text, never lines or
  // a column).
  void SetSelTextExternal(const std::u16string& Value,
                          std::optional<TSynSelectionMode> ModeWithoutSelection = std::nullopt);
  // Inserts Value as a column block at StartPos: each line's piece under it on the screen, or at
  // ColumnStarts where given.
  void InsertBlock(const TBufferCoord& StartPos, std::u16string_view Value, bool AddToUndoList = false,
                   const std::vector<int>* ColumnStarts = nullptr);
  void SetCaretAndSelection(const TBufferCoord& ptCaret, const TBufferCoord& ptBefore, const TBufferCoord& ptAfter);
  // The selected text exactly as the buffer holds it (column pieces not padded, nothing trimmed).
  std::u16string GetSelTextRaw() const;

  // ---- clipboard, brackets, bookmarks ----
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  virtual void FindMatchingBracket();
  virtual TBufferCoord GetMatchingBracket();
  // The bracket matching the one at APoint; (0, 0) when there is none.
  virtual TBufferCoord GetMatchingBracketEx(const TBufferCoord& APoint);
  virtual void GotoBookMark(int BookMark);
  virtual void SetBookMark(int BookMark, int X, int Y);
  void ClearBookMark(int BookMark);
  bool GetBookMark(int BookMark, int& X, int& Y) const;
  bool IsBookmark(int BookMark) const;
  // The marks of a line in list order, at most 16.
  std::vector<TSynPadMark*> GetMarksForLine(int Line) const;

  // ---- search and replace ----
  // Raises ESynPadError "No search engine has been assigned" without an engine; returns the number
  // of matches found (less those skipped).
  int SearchReplace(const std::u16string& ASearch, const std::u16string& AReplace, TSynSearchOptions AOptions);

  // ---- keyboard ----
  // A key went down: OnKeyDown, the key-down chain, then the key table. A key that yields a command
  // is consumed (set to 0).
  void KeyDown(std::uint16_t& Key, vk::TShiftState Shift);
  // A key went up: Alt + keypad codes, then OnKeyUp and the key-up chain.
  void KeyUp(std::uint16_t& Key, vk::TShiftState Shift);
  // A character the keyboard produced (after its key went down).
  void WMChar(char16_t Key);
  // Characters of one key press: one unit as WMChar, a surrogate pair as an input-method string.
  void TextInput(std::u16string_view Text);
  virtual void KeyPressW(char16_t& Key);
  // Text an input method committed.
  void ImeComposition(const std::u16string& Result);
  void FocusIn();
  void FocusOut();
  // The keyboard state machine (for the host and tests).
  std::uint16_t PendingKey() const { return fLastKey; }

  // ---- mouse ----
  // Shift holds the modifier keys and the button/double-click bits of vk.
  void MouseDown(TSynMouseButton Button, vk::TShiftState Shift, int X, int Y);
  void MouseMove(vk::TShiftState Shift, int X, int Y);
  void MouseUp(TSynMouseButton Button, vk::TShiftState Shift, int X, int Y);
  void DblClick();
  // Wheel delta in 1/120 notches (positive scrolls up); true when the control took it.
  bool MouseWheel(int WheelDelta, vk::TShiftState Shift);
  // Chooses the pointer shape for a client position and hands it to the host.
  virtual void UpdateMouseCursor(int X, int Y);
  // The pointer over the text (an I-beam unless changed).
  int Cursor() const { return fCursor; }
  void SetCursor(int Value) { fCursor = Value; }
  // Finds the line and the mark under a click in the gutter and tells OnGutterClick.
  virtual void DoOnGutterClick(TSynMouseButton Button, int X, int Y);
  // The mouse capture ended from outside (another window took it).
  void CaptureLost();

  // ---- scrolling ----
  void WMHScroll(int Request, int ThumbPos);
  void WMVScroll(int Request, int ThumbPos);
  // One tick of the 100 ms scroll timer that runs while a selection is dragged past the window.
  void ScrollTimerTick();
  // The scroll hint's text for a top row.
  std::u16string ScrollHintText(int TopRow);

  // ---- drag and drop ----
  void DragOver(TCustomSynPad* Source, int X, int Y, TSynDragState State, vk::TShiftState Shift, bool& Accept);
  void DragDrop(TCustomSynPad* Source, int X, int Y, vk::TShiftState Shift);
  void DragCanceled();
  void DropFiles(int X, int Y, const std::vector<std::string>& Files);

  // ---- standard edit actions ----
  bool EditActionEnabled(TSynEditAction Action) const;
  void ExecuteEditAction(TSynEditAction Action);

  // ---- form storage and component links ----
  // Writes "RemovedKeystrokes" and "AddedKeystrokes" (the key table against the defaults or the
  // ancestor's table, only when they differ), or reads them back into the table.
  void DefineProperties(TSynFiler& Filer);
  // Drops a search engine, highlighter or bookmark image list that is going away.
  void Notification(const void* Component);
  // Told when the control is destroyed (the link opener drops its editor).
  void AddFreeNotification(const TSynNotifyMethod& AHandler) { fFreeNotifications.Add(AHandler); }
  void RemoveFreeNotification(const TSynNotifyMethod& AHandler) { fFreeNotifications.Remove(AHandler); }

  // ---- handler chains ----
  TSynPadKbdHandler& KbdHandler() { return fKbdHandler; }
  void AddKeyDownHandler(const TSynHandler<TSynKeyEvent>& H) { fKbdHandler.AddKeyDownHandler(H); }
  void RemoveKeyDownHandler(const TSynHandler<TSynKeyEvent>& H) { fKbdHandler.RemoveKeyDownHandler(H); }
  void AddKeyUpHandler(const TSynHandler<TSynKeyEvent>& H) { fKbdHandler.AddKeyUpHandler(H); }
  void RemoveKeyUpHandler(const TSynHandler<TSynKeyEvent>& H) { fKbdHandler.RemoveKeyUpHandler(H); }
  void AddMouseDownHandler(const TSynHandler<TSynMouseEvent>& H) { fKbdHandler.AddMouseDownHandler(H); }
  void RemoveMouseDownHandler(const TSynHandler<TSynMouseEvent>& H) { fKbdHandler.RemoveMouseDownHandler(H); }
  void AddMouseUpHandler(const TSynHandler<TSynMouseEvent>& H) { fKbdHandler.AddMouseUpHandler(H); }
  void RemoveMouseUpHandler(const TSynHandler<TSynMouseEvent>& H) { fKbdHandler.RemoveMouseUpHandler(H); }
  void AddMouseCursorHandler(const TSynHandler<TSynMouseCursorEvent>& H) { fKbdHandler.AddMouseCursorHandler(H); }
  void RemoveMouseCursorHandler(const TSynHandler<TSynMouseCursorEvent>& H) { fKbdHandler.RemoveMouseCursorHandler(H); }

  // ---- events ----
  TSynNotifyEvent OnChange;
  TStatusChangeEvent OnStatusChange;
  TGutterGetTextEvent OnGutterGetText;
  TGutterPaintEvent OnGutterPaint;
  TSpecialLineColorsEvent OnSpecialLineColors;
  TPaintEvent OnPaint;
  TPaintTransient OnPaintTransient;
  TProcessCommandEvent OnProcessCommand;
  TProcessCommandEvent OnProcessUserCommand;
  TProcessCommandEvent OnCommandProcessed;
  TPlaceMarkEvent OnPlaceBookmark;
  TMarkEvent OnClearBookmark;
  TReplaceTextEvent OnReplaceText;
  TGutterClickEvent OnGutterClick;
  TDropFilesEvent OnDropFiles;
  TScrollEvent OnScroll;
  TContextHelpEvent OnContextHelp;
  TMouseCursorEvent OnMouseCursor;
  TSynKeyDownEvent OnKeyDown;
  TSynKeyDownEvent OnKeyUp;
  TSynMouseNotifyEvent OnMouseDown;
  TSynMouseNotifyEvent OnMouseUp;
  TSynMouseMoveEvent OnMouseMove;
  TSynDragOverEvent OnDragOver;
  TSynDragDropEvent OnDragDrop;
  std::function<void(TCustomSynPad* Sender, char16_t& Key)> OnKeyPress;

 protected:
  // Slot operations.
  virtual void DoChange();
  virtual void LinesChanged(TSynPersistent* Sender);
  virtual void PaintGutter(platform::ICanvas& Canvas, const TSynRect& AClip, int aFirstRow, int aLastRow);
  virtual void PaintTextLines(platform::ICanvas& Canvas, TSynRect AClip, int aFirstRow, int aLastRow, int FirstCol,
                              int LastCol);
  virtual void DoOnPaint(platform::ICanvas& Canvas);
  virtual void DoOnPaintTransientEx(platform::ICanvas& Canvas, TSynTransientType TransientType, bool Lock);
  virtual void DoOnPaintTransient(platform::ICanvas& Canvas, TSynTransientType TransientType);
  virtual bool DoOnSpecialLineColors(int Line, TColor& Foreground, TColor& Background);
  virtual void DoOnStatusChange(TSynStatusChanges Changes);
  void StatusChanged(TSynStatusChanges AChanges);
  // The transient-paint notifier around an edit (counted; on the host's canvas when it has one).
  void PaintTransient(TSynTransientType Type);

  // Word-wrap host.
  // A window narrower than one cell still wraps, one column to a row.
  int WrapCharsInWindow() const override { return std::max(1, fCharsInWindow); }
  bool WrapIsWordBreakChar(char16_t AChar) const override { return IsWordBreakChar(AChar); }
  int WrapLineCount() const override { return fLines->Count(); }
  std::u16string WrapExpandedLine(int Index) const override;
  int WrapTabWidth() const override { return fTabWidth; }
  int WrapCharCells(char16_t AChar) const override { return CharCells(AChar); }
  std::uint32_t WrapCellsVersion() const override { return fTextDrawer->CellsVersion(); }

 private:
  friend struct TSynPadPainter;
  // PaintGutter's layers.
  void PaintGutterLineNumbers(platform::ICanvas& Canvas, const TSynRect& AClip, int FirstLine, int LastLine);
  void PaintGutterWrapGlyphs(platform::ICanvas& Canvas, int aFirstRow, int aLastRow);
  // The marks of the rows; returns where each row's marks end.
  std::vector<int> PaintGutterMarks(platform::ICanvas& Canvas, int aFirstRow, int aLastRow);
  struct TSearchReplaceRun;
  bool HandleAllocated() const { return fHost && fHost->HandleAllocated(); }
  bool Focused() const { return fHost && fHost->Focused(); }
  int ClientWidth() const { return fHost ? fHost->ClientWidth() : 0; }
  int ClientHeight() const { return fHost ? fHost->ClientHeight() : 0; }
  TSynFontDesc FontDesc() const;
  void FontChanged();
  void RecomputeTextOffset();
  void ComputeCaret();
  // Clamped into the text by the active mode's rules and moved back off the middle of a surrogate pair.
  TBufferCoord ClampBlockPos(TBufferCoord Value) const;
  // The one writer of the selection's ends: both go through ClampBlockPos under the active mode (set
  // it first), so no edit, command or undo leaves half a character at either end. Nothing is
  // repainted or announced.
  void StoreBlock(TBufferCoord Anchor, TBufferCoord Moving);
  // The empty selection on the caret.
  void CollapseBlockOnCaret() { StoreBlock(GetCaretXY(), GetCaretXY()); }
  // Moved back off the middle of a surrogate pair on its line, otherwise as given: a position where
  // text goes in may lie past its line's end or the last line (the insertion pads or appends).
  TBufferCoord WholeCharPos(TBufferCoord Value) const;
  TColor ColorEditorBG(bool CaretLine) const;
  // Columns of the buffer position walked on the line (no word wrap).
  int ExpandedColumn(std::u16string_view Line, int Char) const;
  // The display column of a position counted from its line's start, whatever the rows: tab stops
  // and typed widths belong to the line, so wrapping it never changes what a key types.
  int LineColumn(const TBufferCoord& P) const;
  int ExpandedCharAt(std::u16string_view Line, int Column) const;
  std::u16string ExpandWide(std::u16string_view Expanded) const;
  std::u16string ExpandTabs(std::u16string_view Line) const;

  // Buffer notifications.
  void ListCleared(TSynPersistent* Sender);
  void ListDeleted(int Index, int Count);
  void ListInserted(int Index, int Count);
  void ListPutted(int Index, int Count);
  void UndoRedoAdded(TSynPersistent* Sender);
  void ScanRanges(int FirstIndex, int Count);
  void DropPlugin();
  void HighlighterFreed();

  // Editing internals.
  friend struct TSynScrollPastEolOn;
  // The engine; At: insert there (unclamped) instead of at the caret.
  // ColumnStarts: where each line's piece of a column text goes (lines past them, and a column text
  // that replaces a column block without them, go where the deleted block began on each line).
  void SetSelTextPrimitiveEx(TSynSelectionMode PasteMode, std::u16string_view Value, bool AddToUndoList,
                             const TBufferCoord* At = nullptr, const std::vector<int>* ColumnStarts = nullptr);
  // ColumnStarts receives where a column block began on each of its lines.
  void DeleteSelectionRaw(const TBufferCoord& BB, const TBufferCoord& BE, TBufferCoord& Caret,
                          std::vector<int>* ColumnStarts = nullptr);
  // An undo item of a column block remembers where the block began on each line, so that its text
  // goes back exactly there (widened to whole characters, the block's lines need not begin in one
  // column, nor one character).
  void NoteColumnStarts(TSynPadUndoItem* Item) const;
  // Puts marks back on the lines an undo item noted (marks gone since are skipped).
  void RestoreMarkLines(const std::vector<std::pair<const void*, int>>& MarkLines);
  void InsertNormal(std::u16string_view Value, TBufferCoord& Caret);
  // Each piece at the screen column of the caret on its line, or at Starts where given.
  void InsertColumn(std::u16string_view Value, bool AddToUndoList, TBufferCoord& Caret,
                    const std::vector<int>* Starts = nullptr);
  void InsertLineMode(std::u16string_view Value, TBufferCoord& Caret);
  // Stores a line's text (appending a line past the end); nothing when it is unchanged.
  void PutLine(int Line, std::u16string_view Text);
  // Sets the selection in a mode, clamped by that mode's rules.
  void SetSelectionRaw(TBufferCoord B, TBufferCoord E, TSynSelectionMode Mode);
  // Trailing blanks and tabs of the lines the last replacement touched are cut (eoTrimTrailingSpaces);
  // with Record each cut is recorded, so that undo gives them back.
  void NoteTrim(int Line);
  void FlushTrims(bool Record);
  bool TrimActive() const;
  // The text of a range in a mode, exactly as the buffer holds it.
  std::u16string TextOfRange(TBufferCoord Start, TBufferCoord End, TSynSelectionMode Mode) const;
  // Replaces a range with a text through the engine (whole lines with as many lines are put one by one).
  // ColumnStarts: where each line's piece of a column text goes, as SetSelTextPrimitiveEx takes them.
  void ReplaceRange(TBufferCoord Start, TBufferCoord End, TSynSelectionMode Mode, std::u16string_view Text,
                    const std::vector<int>* ColumnStarts = nullptr);
  void UndoRedo(bool IsUndo);
  void ReplayItem(std::unique_ptr<TSynPadUndoItem> Item, bool IsUndo, TSynPadUndoList& Dest);
  // ReplayItem's cases that take more than a few lines.
  void ReplayInsertion(const TSynPadUndoItem& Item, bool IsUndo, TSynPadUndoList& Dest);
  void UndoDeletion(const TSynPadUndoItem& Item, TSynPadUndoList& Dest);
  void RedoDeletion(const TSynPadUndoItem& Item, TSynPadUndoList& Dest);
  void RedoUnindent(const TSynPadUndoItem& Item);
  // Takes Count units out of the line at Col; A and B, where on the line past Col, move back with the text.
  void UnindentLine(int Line, int Col, int Count, TBufferCoord& A, TBufferCoord& B);
  void MoveGroupBreak(TSynPadUndoList& From, TSynPadUndoList& To);
  TSynChangeReason SelectionDeleteReason() const;
  void DeleteSelectionRecorded();
  void DeleteRangeRecorded(TBufferCoord From, TBufferCoord To, TSynChangeReason Reason);

  // Command internals.
  void MoveCaretAndSelection(const TBufferCoord& ptBefore, const TBufferCoord& ptAfter, bool SelectionCommand);
  void MoveCaretToDisplay(const TDisplayCoord& Target, bool SelectionCommand);
  // Where a selecting move from the caret goes on from: sets the anchor unless a selection holds one.
  void AnchorSelection(const TBufferCoord& Caret);
  void MoveCaretHorz(int DX, bool SelectionCommand);
  void MoveCaretVert(int DY, bool SelectionCommand);
  void DoHomeKey(bool Selection);
  void DoEndKey(bool Selection);
  void DoPageMove(TSynPadorCommand Command, bool Selection);
  void DoTypeText(std::u16string Text);
  void DoBackspace();
  void DoDeleteChar();
  void DoDeleteLine();
  void DoLineBreak(bool MoveCaret);
  void DoTab();
  void DoShiftTab();
  void DoBlockIndent(bool KeepFirstColumn = false);
  void DoBlockUnindent();
  void DoCaseChange(TSynPadorCommand Command);
  void DoScrollLine(int Delta);
  void DoSetMarker(int Number, const TSynCommandData& Data);
  bool TabIndentApplies() const;
  std::u16string IndentString(int Width) const;
  int LeadingWhiteCount(std::u16string_view Line) const;
  int DisplayWidthOf(std::u16string_view Text) const;

  // Input internals.
  void ComputeScroll(int X, int Y);
  void StopScrollTimer();
  void ShowScrollHintFor(int TopRow);
  void ImagesChanged();

  // Editing state.
  // Where the engine's last insertion ended (the caret may be held back by the column limits).
  TBufferCoord fInsertEnd;
  // Marks the last deletion of a selection moved off their lines, with the lines they stood on.
  std::vector<std::pair<const void*, int>> fMovedMarks;
  std::vector<int> fTrimLines;
  bool fUndoRedoing = false;
  TSynPadMark* fBookMarks[10] = {};
  TSynNotifyEventChain fFreeNotifications{this};
  void* fWatchedImages = nullptr;
  // Input state.
  std::uint16_t fLastKey = 0;
  vk::TShiftState fLastShift = 0;
  std::string fAltCode;
  bool fIgnoreNextWMChar = false;
  bool fMouseCaptured = false;
  int fMouseDownX = 0;
  int fMouseDownY = 0;
  int fLastMouseX = 0;
  int fCursor = crIBeam;
  int fScrollDeltaX = 0;
  int fScrollDeltaY = 0;
  int fMouseWheelAccumulator = 0;
  bool fDragging = false;
  std::unique_ptr<platform::ITimer> fScrollTimer;

  ISynPadHost* fHost = nullptr;
  std::unique_ptr<TSynPadStringList> fLines;
  std::unique_ptr<TSynPadUndoList> fUndoList;
  std::unique_ptr<TSynPadUndoList> fRedoList;
  std::unique_ptr<TSynGutter> fGutter;
  std::unique_ptr<TSynSelectedColor> fSelectedColor;
  std::unique_ptr<TSynBookMarkOpt> fBookMarkOpt;
  std::unique_ptr<TSynGlyph> fWordWrapGlyph;
  std::unique_ptr<TSynPadKeyStrokes> fKeystrokes;
  std::unique_ptr<TheTextDrawer> fTextDrawer;
  std::unique_ptr<TSynInternalImage> fInternalImage;
  std::unique_ptr<TSynWordWrapPlugin> fWordWrapPlugin;
  std::unique_ptr<platform::ICanvas> fOwnMeasurer;  // until a host supplies one
  // The canvas that measures while no host supplies one, made when first needed.
  platform::ICanvas& OwnMeasurer();
  TSynPadKbdHandler fKbdHandler;
  TSynPadMarkList fMarkList;
  TSynCustomHighlighter* fHighlighter = nullptr;
  TSynPadSearchCustom* fSearchEngine = nullptr;
  TSynFont fFont{"Courier New", 10};

  int fCaretX = 1;
  int fCaretY = 1;
  int fLastCaretX = 1;
  mutable bool fCaretAtEndOfRow = false;
  TBufferCoord fBlockBegin{1, 1};
  TBufferCoord fBlockEnd{1, 1};
  TSynSelectionMode fSelectionMode = smNormal;
  TSynSelectionMode fActiveSelectionMode = smNormal;
  int fTopLine = 1;
  int fLeftChar = 1;
  int fLinesInWindow = 0;
  int fCharsInWindow = 0;
  int fCharWidth = 0;
  int fTextHeight = 0;
  int fTextOffset = 2;
  int fGutterWidth = 0;
  int fMaxScrollWidth = 1024;
  int fRightEdge = 80;
  TColor fRightEdgeColor = 0xC0C0C0;
  TColor fActiveLineColor = syn::clNone;
  TColor fColor = syn::clWindow;
  int fExtraLineSpacing = 0;
  TSynPadCaretType fInsertCaret = ctVerticalLine;
  TSynPadCaretType fOverwriteCaret = ctBlock;
  bool fInserting = true;
  bool fReadOnly = false;
  bool fWantReturns = true;
  bool fWantTabs = false;
  bool fHideSelection = false;
  TScrollStyle fScrollBars = ssBoth;
  TSynBorderStyle fBorderStyle = bsSingle;
  TColor fScrollHintColor = syn::clInfoBk;
  TSynScrollHintFormat fScrollHintFormat = shfTopLineOnly;
  int fTabWidth = 8;
  TSynPadorOptions fOptions = SYNPAD_DEFAULT_OPTIONS;
  bool fShowSpecChar = false;
  bool fModified = false;
  int fPaintLock = 0;
  std::uint16_t fStateFlags = 0;
  TSynStatusChanges fStatusChanges = 0;
  TSynRect fInvalidateRect;
  int fPaintTransientLock = 0;
  bool fDestroying = false;
  int fScrollBarDepth = 0;
  bool fInGutterChange = false;
  bool fFixedPitchRequested = false;
  int fCaretOffsetX = 0;
  int fCaretOffsetY = 0;
  int fCaretWidth = 0;
  int fCaretHeight = 0;
  TSynScrollInfo fScrollInfo[2];
};

// eoScrollPastEol switched on for the duration of a command (the raw bit: no re-clamping, no repaint),
// restored however the command ends.
struct TSynScrollPastEolOn {
  explicit TSynScrollPastEolOn(TCustomSynPad& Ed) : fEd(Ed), fSaved(Ed.fOptions) {
    fEd.fOptions |= SynOpt(eoScrollPastEol);
  }
  ~TSynScrollPastEolOn() { fEd.fOptions = fSaved; }
  TSynScrollPastEolOn(const TSynScrollPastEolOn&) = delete;
  TSynScrollPastEolOn& operator=(const TSynScrollPastEolOn&) = delete;
  TCustomSynPad& fEd;
  TSynPadorOptions fSaved;
};

// Publishes the properties; no behaviour of its own.
class TSynPad : public TCustomSynPad {
 public:
  using TCustomSynPad::TCustomSynPad;
};
