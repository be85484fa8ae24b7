// The editor's published option objects (selected colours, gutter, bookmark options, glyph), the
// method chains through which several listeners hear one event, and the shared image-strip cache.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/SynPadTypes.h"
#include "platform/Exceptions.h"

class ESynMethodChain : public Exception {
 public:
  using Exception::Exception;
};

// One listener of a chain. std::function cannot be compared, so a method carries an explicit
// identity: the listening object and a tag that tells its handlers apart. Two methods are equal
// when both identity parts are equal.
struct TSynNotifyMethod {
  const void* Object = nullptr;
  std::uintptr_t Tag = 0;
  TSynNotifyEvent Event;

  bool Assigned() const { return static_cast<bool>(Event); }
  bool SameAs(const TSynNotifyMethod& Other) const { return Object == Other.Object && Tag == Other.Tag; }
};

inline TSynNotifyMethod NotifyMethod(const void* Object, TSynNotifyEvent Event, std::uintptr_t Tag = 0) {
  return TSynNotifyMethod{Object, Tag, std::move(Event)};
}

// Called when a listener raises: set DoContinue false to stop the chain and pass the exception on.
using TSynExceptionEvent = std::function<void(TSynPersistent* Sender, const std::exception& E, bool& DoContinue)>;

class TSynMethodChain : public TSynPersistent {
 public:
  TSynMethodChain() = default;
  ~TSynMethodChain() override = default;

  // Appends the method (duplicates are kept); raises ESynMethodChain for an unassigned one.
  void Add(const TSynNotifyMethod& AEvent);
  // Removes every entry equal to the method; raises ESynMethodChain for an unassigned one.
  void Remove(const TSynNotifyMethod& AEvent);
  // Calls every method from the oldest to the newest, over a snapshot taken first, so a listener
  // may add or remove listeners while the chain runs.
  void Fire();
  int Count() const { return static_cast<int>(fMethods.size()); }

  virtual const char* ClassName() const { return "TSynMethodChain"; }

  TSynExceptionEvent OnException;

 protected:
  virtual void CallMethod(const TSynNotifyMethod& AMethod);

  std::vector<TSynNotifyMethod> fMethods;
};

class TSynNotifyEventChain : public TSynMethodChain {
 public:
  TSynNotifyEventChain() = default;
  explicit TSynNotifyEventChain(TSynPersistent* ASender) : fSender(ASender) {}
  static std::unique_ptr<TSynNotifyEventChain> CreateWithSender(TSynPersistent* ASender) {
    return std::make_unique<TSynNotifyEventChain>(ASender);
  }

  TSynPersistent* Sender() const { return fSender; }
  void SetSender(TSynPersistent* Value) { fSender = Value; }

  const char* ClassName() const override { return "TSynNotifyEventChain"; }

 protected:
  void CallMethod(const TSynNotifyMethod& AMethod) override;

  TSynPersistent* fSender = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Option objects. Each setter stores a different value and then fires OnChange; Assign from an
// object of the same class copies every field and fires OnChange once.

// A font described without the window system: name, point size, style and colour.
class TSynFont : public TSynPersistent {
 public:
  TSynFont(std::string AName, int ASize) : fName(std::move(AName)), fSize(ASize) {}
  void Assign(const TSynFont& Source);
  const std::string& Name() const { return fName; }
  void SetName(const std::string& Value);
  int Size() const { return fSize; }
  void SetSize(int Value);
  TFontStyles Style() const { return fStyle; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  TSynNotifyEvent OnChange;

 private:
  void Changed();
  std::string fName;
  int fSize;
  TFontStyles fStyle = 0;
  TColor fColor = syn::clWindowText;
};

class TSynSelectedColor : public TSynPersistent {
 public:
  void Assign(const TSynSelectedColor& Source);
  TColor Background() const { return fBG; }
  void SetBackground(TColor Value);
  TColor Foreground() const { return fFG; }
  void SetForeground(TColor Value);
  TSynNotifyEvent OnChange;

 private:
  TColor fBG = syn::clHighlight;
  TColor fFG = syn::clHighlightText;
};

enum TSynGutterBorderStyle { gbsNone = 0, gbsMiddle = 1, gbsRight = 2 };

class TSynGutter : public TSynPersistent {
 public:
  TSynGutter();
  void Assign(const TSynGutter& Source);
  // Digits needed for the highest line number shown (only with Visible, AutoSize and line numbers).
  void AutoSizeDigitCount(int LinesCount);
  std::string FormatLineNumber(int Line) const;
  int RealGutterWidth(int CharWidth) const;

  TSynFont& Font() { return fFont; }
  const TSynFont& Font() const { return fFont; }
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  TColor BorderColor() const { return fBorderColor; }
  void SetBorderColor(TColor Value);
  int Width() const { return fWidth; }
  void SetWidth(int Value);
  bool ShowLineNumbers() const { return fShowLineNumbers; }
  void SetShowLineNumbers(bool Value);
  int DigitCount() const { return fDigitCount; }
  void SetDigitCount(int Value);
  bool LeadingZeros() const { return fLeadingZeros; }
  void SetLeadingZeros(bool Value);
  bool ZeroStart() const { return fZeroStart; }
  void SetZeroStart(bool Value);
  int LeftOffset() const { return fLeftOffset; }
  void SetLeftOffset(int Value);
  int RightOffset() const { return fRightOffset; }
  void SetRightOffset(int Value);
  int Cursor() const { return fCursor; }
  void SetCursor(int Value) { fCursor = Value; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  bool UseFontStyle() const { return fUseFontStyle; }
  void SetUseFontStyle(bool Value);
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool Value);
  int AutoSizeDigits() const { return fAutoSizeDigitCount; }
  TSynGutterBorderStyle BorderStyle() const { return fBorderStyle; }
  // Fires OnChange even when the value is unchanged.
  void SetBorderStyle(TSynGutterBorderStyle Value);
  int LineNumberStart() const { return fLineNumberStart; }
  void SetLineNumberStart(int Value);
  bool Gradient() const { return fGradient; }
  void SetGradient(bool Value);
  TColor GradientStartColor() const { return fGradientStartColor; }
  void SetGradientStartColor(TColor Value);
  TColor GradientEndColor() const { return fGradientEndColor; }
  void SetGradientEndColor(TColor Value);
  int GradientSteps() const { return fGradientSteps; }
  void SetGradientSteps(int Value);

  TSynNotifyEvent OnChange;

 private:
  void Changed();
  TSynFont fFont{"Courier New", 8};
  TColor fColor = syn::clBtnFace;
  TColor fBorderColor = syn::clWindow;
  int fWidth = 30;
  bool fShowLineNumbers = false;
  int fDigitCount = 4;
  bool fLeadingZeros = false;
  bool fZeroStart = false;
  int fLeftOffset = 16;
  int fRightOffset = 2;
  int fCursor = 0;
  bool fVisible = true;
  bool fUseFontStyle = true;
  bool fAutoSize = false;
  int fAutoSizeDigitCount = 4;
  TSynGutterBorderStyle fBorderStyle = gbsMiddle;
  int fLineNumberStart = 1;
  bool fGradient = false;
  TColor fGradientStartColor = syn::clWindow;
  TColor fGradientEndColor = syn::clBtnFace;
  int fGradientSteps = 48;
};

// The image list of the bookmark glyphs is the editor's business; the options only keep a handle.
class TSynBookMarkOpt : public TSynPersistent {
 public:
  explicit TSynBookMarkOpt(TSynPersistent* AOwner = nullptr) : fOwner(AOwner) {}
  void Assign(const TSynBookMarkOpt& Source);
  void* BookmarkImages() const { return fBookmarkImages; }
  void SetBookmarkImages(void* Value);
  bool DrawBookmarksFirst() const { return fDrawBookmarksFirst; }
  void SetDrawBookmarksFirst(bool Value);
  // A plain field: no notification.
  bool EnableKeys = true;
  bool GlyphsVisible() const { return fGlyphsVisible; }
  void SetGlyphsVisible(bool Value);
  int LeftMargin() const { return fLeftMargin; }
  void SetLeftMargin(int Value);
  int Xoffset() const { return fXoffset; }
  void SetXoffset(int Value);
  TSynPersistent* Owner() const { return fOwner; }
  TSynNotifyEvent OnChange;

 private:
  void Changed();
  void* fBookmarkImages = nullptr;
  bool fDrawBookmarksFirst = true;
  bool fGlyphsVisible = true;
  int fLeftMargin = 2;
  TSynPersistent* fOwner;
  int fXoffset = 12;
};

// A bitmap without the window system: 0xAARRGGBB pixels, row by row (alpha 0xFF is opaque).
// Resources are loaded through the platform (LoadSynBitmapResource).
class TSynBitmap {
 public:
  TSynBitmap() = default;
  TSynBitmap(int AWidth, int AHeight)
      : fWidth(AWidth), fHeight(AHeight), fPixels(static_cast<size_t>(AWidth) * AHeight) {}
  bool Empty() const { return fWidth <= 0 || fHeight <= 0; }
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  std::uint32_t Pixel(int X, int Y) const { return fPixels[static_cast<size_t>(Y) * fWidth + X]; }
  void SetPixel(int X, int Y, std::uint32_t ARGB) { fPixels[static_cast<size_t>(Y) * fWidth + X] = ARGB; }
  const std::vector<std::uint32_t>& Pixels() const { return fPixels; }
  // Device pixels per logical pixel (2 for the double-resolution resources).
  int Scale() const { return fScale; }
  void SetScale(int Value) { fScale = Value < 1 ? 1 : Value; }
  friend bool operator==(const TSynBitmap&, const TSynBitmap&) = default;

 private:
  int fWidth = 0;
  int fHeight = 0;
  std::vector<std::uint32_t> fPixels;
  int fScale = 1;
};

// Where an image goes in a line: the part of the source (in logical pixels) and its top-left.
struct TSynImagePlacement {
  int SrcX, SrcY, Width, Height;
  int DestX, DestY;
};
// Taller than the line: its middle part of line height at y; else centred vertically in the line.
TSynImagePlacement PlaceImageInLine(int SrcX, int ImageWidth, int ImageHeight, int X, int Y, int LineHeight);

class TSynGlyph : public TSynPersistent {
 public:
  // Loads the internal glyph from the named resource (none for an empty name).
  TSynGlyph(const std::string& ResourceName, TColor MaskColor);
  void Assign(const TSynGlyph& Source);
  // The user glyph's width when it has one, else the internal glyph's, else 0 (logical pixels).
  int Width() const;
  // The image to draw and its transparent colour: the user glyph with MaskColor when it is not
  // empty, else the internal glyph with its own mask colour; nullptr when there is none.
  const TSynBitmap* ImageToDraw(TColor& Mask) const;
  TSynImagePlacement Placement(int X, int Y, int LineHeight) const;

  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  const TSynBitmap& Glyph() const { return fGlyph; }
  void SetGlyph(const TSynBitmap& Value);
  TColor MaskColor() const { return fMaskColor; }
  void SetMaskColor(TColor Value);
  TColor InternalMaskColor() const { return fInternalMaskColor; }
  TSynNotifyEvent OnChange;

 private:
  void Changed();
  bool fVisible = true;
  TSynBitmap fInternalGlyph;
  TColor fInternalMaskColor = syn::clNone;
  TSynBitmap fGlyph;
  TColor fMaskColor = syn::clNone;
};

// A strip of equal-width images from the program's resources, shared by every user through a
// reference-counted cache keyed by the upper-cased resource name.
class TSynInternalImage {
 public:
  TSynInternalImage(const std::string& Name, int Count);
  ~TSynInternalImage();
  TSynInternalImage(const TSynInternalImage&) = delete;
  TSynInternalImage& operator=(const TSynInternalImage&) = delete;

  const TSynBitmap& Images() const { return *fImages; }
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  int Count() const { return fCount; }
  // Placement of image Index (0 .. Count-1) in a line; false for any other index (draws nothing).
  bool Placement(int Index, int X, int Y, int LineHeight, TSynImagePlacement& Result) const;
  // Entries in the shared cache (for tests).
  static int CacheEntries();
  static int CacheUseCount(const std::string& Name);

 private:
  std::string fName;
  std::shared_ptr<const TSynBitmap> fImages;
  int fWidth = 0;
  int fHeight = 0;
  int fCount = 0;
};

// Loads a bitmap resource of the editor by name ("SynPadInternalImages", "SynPadWrapped") at the
// scale the screen wants; an empty bitmap when there is none. Replaceable for tests.
using TSynBitmapLoader = std::function<TSynBitmap(const std::string& Name)>;
void SetSynBitmapLoader(TSynBitmapLoader Loader);
TSynBitmap LoadSynBitmapResource(const std::string& Name);
