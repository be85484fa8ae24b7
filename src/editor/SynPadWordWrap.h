// Word wrap: breaks each buffer line into display rows no wider than the editor's visible columns,
// and converts between buffer and display positions through those rows. It works against a small
// host interface (the editor control implements it), so it needs no widget.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadTypes.h"
#include "platform/Exceptions.h"

// What the editor asks of a buffer plug-in.
class ISynPadBufferPlugin {
 public:
  virtual ~ISynPadBufferPlugin() = default;
  virtual TDisplayCoord BufferToDisplayPos(const TBufferCoord& Pos) = 0;
  virtual TBufferCoord DisplayToBufferPos(const TDisplayCoord& Pos) = 0;
  virtual int RowCount() const = 0;
  virtual int GetRowLength(int Row) const = 0;
  // Lines counted from 0; the result is the change in the number of display rows.
  virtual int LinesInserted(int Index, int Count) = 0;
  virtual int LinesDeleted(int Index, int Count) = 0;
  virtual int LinesPutted(int Index, int Count) = 0;
  virtual void Reset() = 0;
  virtual void DisplayChanged() = 0;
};

// What the word wrap asks of the editor.
class ISynWordWrapHost {
 public:
  virtual ~ISynWordWrapHost() = default;
  // Visible text columns (never negative).
  virtual int WrapCharsInWindow() const = 0;
  virtual bool WrapIsWordBreakChar(char16_t AChar) const = 0;
  virtual int WrapLineCount() const = 0;
  // The tab-expanded text of line Index (from 0), without wide-glyph fillers.
  virtual std::u16string WrapExpandedLine(int Index) const = 0;
  virtual int WrapTabWidth() const = 0;
  // Cells of one UTF-16 unit: ceil(measured width / char width), at least 1.
  virtual int WrapCharCells(char16_t AChar) const = 0;
  // Changes whenever the cell measurement changes (font, style set, spacing); a change rewraps.
  virtual std::uint32_t WrapCellsVersion() const { return 0; }
};

// Fills the cells after the first one of a wide glyph in an expanded line; fillers stand in front of
// their glyph.
inline constexpr char16_t SynWrapFiller = 0xE000;

// Puts cells-1 fillers in front of every character that occupies more than one cell.
std::u16string ExpandAtWideGlyphs(std::u16string_view S, const std::function<int(char16_t)>& CharCells);

inline constexpr const char* SSynWordWrapNotOwned = "TSynWordWrapPlugin must be owned by TCustomSynPad";

class TSynWordWrapPlugin : public ISynPadBufferPlugin {
 public:
  // Raises Exception "TSynWordWrapPlugin must be owned by TCustomSynPad" without a host.
  explicit TSynWordWrapPlugin(ISynWordWrapHost* AOwner);
  ~TSynWordWrapPlugin() override = default;

  TDisplayCoord BufferToDisplayPos(const TBufferCoord& Pos) override;
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& Pos) override;
  int RowCount() const override;
  // Raises EListError "List index out of bounds (%d)" outside 1 .. RowCount.
  int GetRowLength(int Row) const override;
  int LinesInserted(int Index, int Count) override;
  // Returns the negative number of rows removed.
  int LinesDeleted(int Index, int Count) override;
  int LinesPutted(int Index, int Count) override;
  void Reset() override;
  // Rewraps when the visible column count or the cell measurement changed.
  void DisplayChanged() override;

  int LineCount() const { return fLineCount; }
  int MinRowLength() const { return fMinRowLength; }
  int MaxRowLength() const { return fMaxRowLength; }
  // Rows of line Line (from 1): first row and number of rows.
  int LineRowStart(int Line) const;
  int LineRowCount(int Line) const;
  // The row lengths one line would get, for tests and callers that need them without storing.
  std::vector<std::uint8_t> WrapLine(std::u16string_view ExpandedLine);

 private:
  std::u16string WrapText(int Index);
  int CharCells(char16_t AChar);
  // Recomputes lines Index .. Index+NewCount-1 in place of OldCount lines there; returns the row delta.
  int ReplaceLines(int Index, int OldCount, int NewCount);
  void GrowLines(int Needed);
  void GrowRows(int Needed);

  ISynWordWrapHost* fOwner;
  std::vector<int> fLineOffsets;  // cumulative rows per line
  std::vector<std::uint8_t> fRowLengths;
  int fLineCount = 0;
  std::uint8_t fMinRowLength = 0;
  std::uint8_t fMaxRowLength = 0;
  std::uint32_t fCellsVersion = 0;
  // Cell count per UTF-16 unit, 0 while not yet asked: measuring per character is far too slow.
  std::vector<std::uint8_t> fCellCache;
};
