#include "editor/SynPadMiscClasses.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "editor/SynPadMiscProcs.h"
#include "platform/EditorServices.h"

// ---------------------------------------------------------------------------------------------
// Method chains

void TSynMethodChain::Add(const TSynNotifyMethod& AEvent) {
  if (!AEvent.Assigned())
    throw ESynMethodChain(std::string(ClassName()) + ".Entry : the parameter `AEvent' must be specified.");
  fMethods.push_back(AEvent);
}

void TSynMethodChain::Remove(const TSynNotifyMethod& AEvent) {
  if (!AEvent.Assigned())
    throw ESynMethodChain(std::string(ClassName()) + ".Remove: the parameter `AEvent' must be specified.");
  for (size_t i = fMethods.size(); i-- > 0;)
    if (fMethods[i].SameAs(AEvent)) fMethods.erase(fMethods.begin() + static_cast<std::ptrdiff_t>(i));
}

void TSynMethodChain::Fire() {
  const std::vector<TSynNotifyMethod> snapshot = fMethods;
  for (const auto& method : snapshot) {
    try {
      CallMethod(method);
    } catch (const std::exception& e) {
      if (!OnException) throw;
      bool doContinue = true;
      OnException(this, e, doContinue);
      if (!doContinue) throw;
    }
  }
}

void TSynMethodChain::CallMethod(const TSynNotifyMethod& AMethod) {
  AMethod.Event(this);
}

void TSynNotifyEventChain::CallMethod(const TSynNotifyMethod& AMethod) {
  AMethod.Event(fSender);
}

// ---------------------------------------------------------------------------------------------
// Option objects

namespace {

template <class T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

void TSynFont::Changed() {
  if (OnChange) OnChange(this);
}
void TSynFont::Assign(const TSynFont& Source) {
  if (&Source == this) return;
  fName = Source.fName;
  fSize = Source.fSize;
  fStyle = Source.fStyle;
  fColor = Source.fColor;
  Changed();
}
void TSynFont::SetName(const std::string& Value) {
  if (Store(fName, Value)) Changed();
}
void TSynFont::SetSize(int Value) {
  if (Store(fSize, Value)) Changed();
}
void TSynFont::SetStyle(TFontStyles Value) {
  if (Store(fStyle, Value)) Changed();
}
void TSynFont::SetColor(TColor Value) {
  if (Store(fColor, Value)) Changed();
}

void TSynSelectedColor::Assign(const TSynSelectedColor& Source) {
  if (&Source == this) return;
  fBG = Source.fBG;
  fFG = Source.fFG;
  if (OnChange) OnChange(this);
}
void TSynSelectedColor::SetBackground(TColor Value) {
  if (Store(fBG, Value) && OnChange) OnChange(this);
}
void TSynSelectedColor::SetForeground(TColor Value) {
  if (Store(fFG, Value) && OnChange) OnChange(this);
}

TSynGutter::TSynGutter() {
  fFont.OnChange = [this](TSynPersistent*) { Changed(); };
}

void TSynGutter::Changed() {
  if (OnChange) OnChange(this);
}

void TSynGutter::Assign(const TSynGutter& Source) {
  if (&Source == this) return;
  {
    // The font's own notification would fire a second change.
    TSynNotifyEvent saved = std::move(fFont.OnChange);
    fFont.OnChange = nullptr;
    fFont.Assign(Source.fFont);
    fFont.OnChange = std::move(saved);
  }
  fColor = Source.fColor;
  fBorderColor = Source.fBorderColor;
  fWidth = Source.fWidth;
  fShowLineNumbers = Source.fShowLineNumbers;
  fDigitCount = Source.fDigitCount;
  fLeadingZeros = Source.fLeadingZeros;
  fZeroStart = Source.fZeroStart;
  fLeftOffset = Source.fLeftOffset;
  fRightOffset = Source.fRightOffset;
  fCursor = Source.fCursor;
  fVisible = Source.fVisible;
  fUseFontStyle = Source.fUseFontStyle;
  fAutoSize = Source.fAutoSize;
  fAutoSizeDigitCount = Source.fAutoSizeDigitCount;
  fBorderStyle = Source.fBorderStyle;
  fLineNumberStart = Source.fLineNumberStart;
  fGradient = Source.fGradient;
  fGradientStartColor = Source.fGradientStartColor;
  fGradientEndColor = Source.fGradientEndColor;
  fGradientSteps = Source.fGradientSteps;
  Changed();
}

void TSynGutter::AutoSizeDigitCount(int LinesCount) {
  if (fVisible && fAutoSize && fShowLineNumbers) {
    int highest;
    if (fZeroStart)
      highest = LinesCount - 1;
    else if (fLineNumberStart > 1)
      highest = LinesCount + fLineNumberStart - 1;
    else
      highest = LinesCount;
    const int digits = std::max(static_cast<int>(std::to_string(highest).size()), fDigitCount);
    if (digits != fAutoSizeDigitCount) {
      fAutoSizeDigitCount = digits;
      Changed();
    }
  } else {
    fAutoSizeDigitCount = fDigitCount;
  }
}

std::string TSynGutter::FormatLineNumber(int Line) const {
  int shown;
  if (fZeroStart)
    shown = Line - 1;
  else if (fLineNumberStart > 1)
    shown = Line + fLineNumberStart - 1;
  else
    shown = Line;
  std::string digits = std::to_string(shown);
  if (static_cast<int>(digits.size()) < fAutoSizeDigitCount)
    digits.insert(0, static_cast<size_t>(fAutoSizeDigitCount) - digits.size(), fLeadingZeros ? '0' : ' ');
  if (fLeadingZeros) {
    // Every leading blank but the last position becomes a zero.
    for (size_t i = 0; i + 1 < digits.size() && digits[i] == ' '; ++i) digits[i] = '0';
  }
  return digits;
}

int TSynGutter::RealGutterWidth(int CharWidth) const {
  if (!fVisible) return 0;
  if (fShowLineNumbers) return fLeftOffset + fRightOffset + fAutoSizeDigitCount * CharWidth + 2;
  return fWidth;
}

void TSynGutter::SetColor(TColor Value) {
  if (Store(fColor, Value)) Changed();
}
void TSynGutter::SetBorderColor(TColor Value) {
  if (Store(fBorderColor, Value)) Changed();
}
void TSynGutter::SetWidth(int Value) {
  if (Store(fWidth, std::max(Value, 0))) Changed();
}
void TSynGutter::SetShowLineNumbers(bool Value) {
  if (Store(fShowLineNumbers, Value)) Changed();
}
void TSynGutter::SetDigitCount(int Value) {
  Value = MinMax(Value, 2, 12);
  if (Store(fDigitCount, Value)) {
    fAutoSizeDigitCount = fDigitCount;
    Changed();
  }
}
void TSynGutter::SetLeadingZeros(bool Value) {
  if (Store(fLeadingZeros, Value)) Changed();
}
void TSynGutter::SetZeroStart(bool Value) {
  if (Store(fZeroStart, Value)) Changed();
}
void TSynGutter::SetLeftOffset(int Value) {
  if (Store(fLeftOffset, std::max(Value, 0))) Changed();
}
void TSynGutter::SetRightOffset(int Value) {
  if (Store(fRightOffset, std::max(Value, 0))) Changed();
}
void TSynGutter::SetVisible(bool Value) {
  if (Store(fVisible, Value)) Changed();
}
void TSynGutter::SetUseFontStyle(bool Value) {
  if (Store(fUseFontStyle, Value)) Changed();
}
void TSynGutter::SetAutoSize(bool Value) {
  if (Store(fAutoSize, Value)) Changed();
}
void TSynGutter::SetBorderStyle(TSynGutterBorderStyle Value) {
  fBorderStyle = Value;
  Changed();
}
void TSynGutter::SetLineNumberStart(int Value) {
  Value = std::max(Value, 0);
  if (Store(fLineNumberStart, Value)) {
    fZeroStart = Value == 0;
    Changed();
  }
}
void TSynGutter::SetGradient(bool Value) {
  if (Store(fGradient, Value)) Changed();
}
void TSynGutter::SetGradientStartColor(TColor Value) {
  if (Store(fGradientStartColor, Value)) Changed();
}
void TSynGutter::SetGradientEndColor(TColor Value) {
  if (Store(fGradientEndColor, Value)) Changed();
}
void TSynGutter::SetGradientSteps(int Value) {
  if (Store(fGradientSteps, std::max(Value, 2))) Changed();
}

void TSynBookMarkOpt::Changed() {
  if (OnChange) OnChange(this);
}
void TSynBookMarkOpt::Assign(const TSynBookMarkOpt& Source) {
  if (&Source == this) return;
  fBookmarkImages = Source.fBookmarkImages;
  fDrawBookmarksFirst = Source.fDrawBookmarksFirst;
  EnableKeys = Source.EnableKeys;
  fGlyphsVisible = Source.fGlyphsVisible;
  fLeftMargin = Source.fLeftMargin;
  fXoffset = Source.fXoffset;
  Changed();
}
void TSynBookMarkOpt::SetBookmarkImages(void* Value) {
  if (Store(fBookmarkImages, Value)) Changed();
}
void TSynBookMarkOpt::SetDrawBookmarksFirst(bool Value) {
  if (Store(fDrawBookmarksFirst, Value)) Changed();
}
void TSynBookMarkOpt::SetGlyphsVisible(bool Value) {
  if (Store(fGlyphsVisible, Value)) Changed();
}
void TSynBookMarkOpt::SetLeftMargin(int Value) {
  if (Store(fLeftMargin, Value)) Changed();
}
void TSynBookMarkOpt::SetXoffset(int Value) {
  if (Store(fXoffset, Value)) Changed();
}

// ---------------------------------------------------------------------------------------------
// Images

TSynImagePlacement PlaceImageInLine(int SrcX, int ImageWidth, int ImageHeight, int X, int Y, int LineHeight) {
  if (ImageHeight > LineHeight)
    return TSynImagePlacement{SrcX, (ImageHeight - LineHeight) / 2, ImageWidth, LineHeight, X, Y};
  return TSynImagePlacement{SrcX, 0, ImageWidth, ImageHeight, X, Y + (LineHeight - ImageHeight) / 2};
}

namespace {

TSynBitmapLoader& Loader() {
  static TSynBitmapLoader loader;
  return loader;
}

}  // namespace

void SetSynBitmapLoader(TSynBitmapLoader NewLoader) {
  Loader() = std::move(NewLoader);
}

TSynBitmap LoadSynBitmapResource(const std::string& Name) {
  if (Loader()) return Loader()(Name);
  int scale = 0, w = 0, h = 0;
  std::vector<std::uint32_t> pixels;
  if (!editorservices::LoadEditorBitmap(Name, scale, w, h, pixels)) return {};
  TSynBitmap bmp(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.SetPixel(x, y, pixels[static_cast<size_t>(y) * w + x]);
  bmp.SetScale(scale);
  return bmp;
}

TSynGlyph::TSynGlyph(const std::string& ResourceName, TColor MaskColor) {
  if (!ResourceName.empty()) {
    fInternalGlyph = LoadSynBitmapResource(ResourceName);
    fInternalMaskColor = MaskColor;
  }
}

void TSynGlyph::Changed() {
  if (OnChange) OnChange(this);
}

void TSynGlyph::Assign(const TSynGlyph& Source) {
  if (&Source == this) return;
  fInternalGlyph = Source.fInternalGlyph;
  fInternalMaskColor = Source.fInternalMaskColor;
  fVisible = Source.fVisible;
  fGlyph = Source.fGlyph;
  fMaskColor = Source.fMaskColor;
  Changed();
}

int TSynGlyph::Width() const {
  if (!fGlyph.Empty()) return fGlyph.Width() / fGlyph.Scale();
  if (!fInternalGlyph.Empty()) return fInternalGlyph.Width() / fInternalGlyph.Scale();
  return 0;
}

const TSynBitmap* TSynGlyph::ImageToDraw(TColor& Mask) const {
  if (!fGlyph.Empty()) {
    Mask = fMaskColor;
    return &fGlyph;
  }
  if (!fInternalGlyph.Empty()) {
    Mask = fInternalMaskColor;
    return &fInternalGlyph;
  }
  return nullptr;
}

TSynImagePlacement TSynGlyph::Placement(int X, int Y, int LineHeight) const {
  TColor mask;
  const TSynBitmap* img = ImageToDraw(mask);
  if (!img) return TSynImagePlacement{0, 0, 0, 0, X, Y};
  return PlaceImageInLine(0, img->Width() / img->Scale(), img->Height() / img->Scale(), X, Y, LineHeight);
}

void TSynGlyph::SetVisible(bool Value) {
  if (Store(fVisible, Value)) Changed();
}
void TSynGlyph::SetGlyph(const TSynBitmap& Value) {
  fGlyph = Value;
  Changed();
}
void TSynGlyph::SetMaskColor(TColor Value) {
  if (Store(fMaskColor, Value)) Changed();
}

namespace {

struct ImageCacheEntry {
  int useCount = 0;
  std::shared_ptr<const TSynBitmap> bitmap;
};

// One process-wide cache, keyed by the upper-cased resource name.
std::map<std::string, ImageCacheEntry>& ImageCache() {
  static std::map<std::string, ImageCacheEntry> cache;
  return cache;
}

std::string UpperName(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace

TSynInternalImage::TSynInternalImage(const std::string& Name, int Count) : fName(UpperName(Name)), fCount(Count) {
  ImageCacheEntry& entry = ImageCache()[fName];
  if (!entry.bitmap) entry.bitmap = std::make_shared<const TSynBitmap>(LoadSynBitmapResource(Name));
  ++entry.useCount;
  fImages = entry.bitmap;
  const int stripWidth = fImages->Empty() ? 0 : fImages->Width() / fImages->Scale();
  fWidth = Count > 0 ? (stripWidth + Count / 2) / Count : 0;
  fHeight = fImages->Empty() ? 0 : fImages->Height() / fImages->Scale();
}

TSynInternalImage::~TSynInternalImage() {
  auto& cache = ImageCache();
  auto it = cache.find(fName);
  if (it != cache.end() && --it->second.useCount <= 0) cache.erase(it);
}

bool TSynInternalImage::Placement(int Index, int X, int Y, int LineHeight, TSynImagePlacement& Result) const {
  if (Index < 0 || Index >= fCount || fImages->Empty()) return false;
  Result = PlaceImageInLine(Index * fWidth, fWidth, fHeight, X, Y, LineHeight);
  return true;
}

int TSynInternalImage::CacheEntries() {
  return static_cast<int>(ImageCache().size());
}

int TSynInternalImage::CacheUseCount(const std::string& Name) {
  auto it = ImageCache().find(UpperName(Name));
  return it == ImageCache().end() ? 0 : it->second.useCount;
}
