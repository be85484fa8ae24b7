#include "editor/SynUnicode.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/CodePage.h"
#include "platform/EditorServices.h"
#include "platform/WideChar.h"

namespace {

// Case tables for all 65536 code units, built once: the per-character services are far too slow
// for scanning and sorting otherwise.
struct CaseTables {
  std::array<char16_t, 65536> upper;
  std::array<char16_t, 65536> lower;
  std::array<char16_t, 65536> fold;
  CaseTables() {
    for (unsigned c = 0; c < 65536; ++c) {
      const auto ch = static_cast<char16_t>(c);
      upper[c] = widechar::ToUpper(ch);
      lower[c] = widechar::ToLower(ch);
      fold[c] = editorservices::FoldUnit(ch);
    }
  }
};

const CaseTables& Tables() {
  static const std::unique_ptr<CaseTables> tables = std::make_unique<CaseTables>();
  return *tables;
}

// Windows-1252 bytes to UTF-16 through a table of the 256 bytes: loading a large file converts every
// byte. Dest holds S.size() units.
void AnsiToWideInto(std::string_view S, char16_t* Dest) {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) t[b] = codepage::Cp1252ToChar(static_cast<unsigned char>(b));
    return t;
  }();
  for (size_t i = 0; i < S.size(); ++i) Dest[i] = table[static_cast<unsigned char>(S[i])];
}

// Update bracket that is closed on every way out, exceptions included.
class UpdateBracket {
 public:
  explicit UpdateBracket(TWideStrings& s) : s_(s) { s_.BeginUpdate(); }
  ~UpdateBracket() { s_.EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  TWideStrings& s_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TWideStrings

TWideStrings::TWideStrings() = default;
TWideStrings::~TWideStrings() = default;

void TWideStrings::AssignTo(TWideStrings& Dest) const {
  if (&Dest == this) return;
  UpdateBracket bracket(Dest);
  Dest.Clear();
  Dest.AddStrings(this);
}

void TWideStrings::AssignTo(std::vector<std::string>& Dest, std::vector<TWideObject>* DestObjects) const {
  Dest.clear();
  if (DestObjects) DestObjects->clear();
  const int n = GetCount();
  Dest.reserve(n);
  for (int i = 0; i < n; ++i) {
    Dest.push_back(WideToAnsi(Get(i)));
    if (DestObjects) DestObjects->push_back(GetObject(i));
  }
}

void TWideStrings::Assign(const TWideStrings& Source) {
  if (&Source == this) return;
  UpdateBracket bracket(*this);
  Clear();
  AddStrings(&Source);
}

void TWideStrings::Assign(const std::vector<std::string>& Source, const std::vector<TWideObject>* Objects) {
  UpdateBracket bracket(*this);
  Clear();
  AddStrings(Source, Objects);
}

void TWideStrings::ConfirmNarrowing(bool& Allowed) {
  if (OnConfirmNarrowing) OnConfirmNarrowing(this, Allowed);
}

int TWideStrings::GetCapacity() const {
  return GetCount();
}

TWideObject TWideStrings::GetObject(int) const {
  return nullptr;
}

std::u16string TWideStrings::GetTextStr() const {
  return JoinWithSeparator(u"\r\n");
}

void TWideStrings::SetCapacity(int) {}

void TWideStrings::SetUpdateState(bool) {}

int TWideStrings::Add(const std::u16string& S) {
  const int result = GetCount();
  Insert(result, S);
  return result;
}

int TWideStrings::AddObject(const std::u16string& S, TWideObject AObject) {
  const int result = Add(S);
  PutObject(result, AObject);
  return result;
}

void TWideStrings::AddStrings(const std::vector<std::string>& Strings, const std::vector<TWideObject>* Objects) {
  const unsigned cp = LocaleCodePage();
  UpdateBracket bracket(*this);
  for (size_t i = 0; i < Strings.size(); ++i) {
    TWideObject obj = (Objects && i < Objects->size()) ? (*Objects)[i] : nullptr;
    AddObject(AnsiToWideInCodePage(Strings[i], cp), obj);
  }
}

void TWideStrings::AddStrings(const TWideStrings* Strings) {
  if (!Strings) throw EAssertionFailed("Assertion failed (SynUnicode): AddStrings from a missing list");
  UpdateBracket bracket(*this);
  // Adding a list to itself must stop at the original count.
  const int n = Strings->GetCount();
  for (int i = 0; i < n; ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
}

void TWideStrings::Exchange(int Index1, int Index2) {
  UpdateBracket bracket(*this);
  std::u16string tempString = Get(Index1);
  TWideObject tempObject = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, tempString);
  PutObject(Index2, tempObject);
}

std::u16string TWideStrings::JoinWithSeparator(std::u16string_view Separator) const {
  const int n = GetCount();
  if (n == 0) return {};
  std::vector<std::u16string> parts;
  parts.reserve(n);
  size_t size = Separator.size() * static_cast<size_t>(n - 1);
  for (int i = 0; i < n; ++i) {
    parts.push_back(Get(i));
    size += parts.back().size();
  }
  std::u16string result;
  result.reserve(size);
  for (int i = 0; i < n; ++i) {
    if (i > 0) result.append(Separator);
    result.append(parts[i]);
  }
  return result;
}

int TWideStrings::IndexOf(std::u16string_view S) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (WideCompareText(Get(i), S) == 0) return i;
  return -1;
}

void TWideStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead);
  LoadFromStream(stream);
}

void TWideStrings::LoadFromStream(TStream& Stream) {
  UpdateBracket bracket(*this);
  const int64_t size = Stream.Size() - Stream.Position();
  unsigned char bom[2] = {0, 0};
  const int64_t got = size > 0 ? Stream.Read(bom, 2) : 0;
  // Only two bytes actually read can form a byte-order mark.
  const bool le = got == 2 && bom[0] == 0xFF && bom[1] == 0xFE;
  const bool be = got == 2 && bom[0] == 0xFE && bom[1] == 0xFF;
  if (le || be) {
    fSaveAsUnicode = true;
    const int64_t chars = (size - 2) / 2;
    std::u16string text(static_cast<size_t>(chars), u'\0');
    if (chars > 0) Stream.ReadBuffer(text.data(), chars * 2);
    // The bytes on disk are little-endian (after the LE mark) or big-endian; put them in host order.
    for (auto& ch : text) {
      const auto* b = reinterpret_cast<const unsigned char*>(&ch);
      ch = be ? static_cast<char16_t>((b[0] << 8) | b[1]) : static_cast<char16_t>(b[0] | (b[1] << 8));
    }
    SetText(text);
  } else {
    fSaveAsUnicode = false;
    if (got > 0) Stream.Seek(-got, TSeekOrigin::soCurrent);
    // Converted in pieces straight into the wide text: no second copy of a large file in memory.
    std::u16string text(static_cast<size_t>(size > 0 ? size : 0), u'\0');
    std::string piece;
    int64_t done = 0;
    while (done < size) {
      const int64_t n = std::min<int64_t>(size - done, 1 << 16);
      piece.resize(static_cast<size_t>(n));
      Stream.ReadBuffer(piece.data(), n);
      AnsiToWideInto(piece, text.data() + done);
      done += n;
    }
    SetText(text);
  }
}

void TWideStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  UpdateBracket bracket(*this);
  std::u16string tempString = Get(CurIndex);
  TWideObject tempObject = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, tempString, tempObject);
}

void TWideStrings::SaveToFile(const std::string& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(stream);
}

void TWideStrings::SaveToStream(TStream& Stream) {
  const std::u16string text = GetTextStr();
  bool allowed = true;
  fSaveCompleted = false;
  // Ask only when the single-byte code page really cannot hold every character.
  if (!fSaveAsUnicode && OnConfirmNarrowing && !codepage::IsCp1252Representable(text)) ConfirmNarrowing(allowed);
  if (!allowed) return;
  if (fSaveAsUnicode) {
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(static_cast<char>(0xFF));
    bytes.push_back(static_cast<char>(0xFE));
    for (char16_t ch : text) {
      bytes.push_back(static_cast<char>(ch & 0xFF));
      bytes.push_back(static_cast<char>(ch >> 8));
    }
    Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  } else {
    const std::string bytes = WideToAnsi(text);
    if (!bytes.empty()) Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  fSaveCompleted = true;
}

void TWideStrings::SetText(std::u16string_view Text) {
  UpdateBracket bracket(*this);
  Clear();
  const size_t n = Text.size();
  size_t p = 0;
  // A NUL ends the text, as it ends the buffer the lines were read from.
  while (p < n && Text[p] != 0) {
    const size_t start = p;
    while (p < n) {
      const char16_t c = Text[p];
      if (c == 0 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x2028 || c == 0x2029) break;
      ++p;
    }
    Add(std::u16string(Text.substr(start, p - start)));
    if (p < n && Text[p] != 0) {
      const char16_t c = Text[p];
      ++p;
      if (c == 0x0D && p < n && Text[p] == 0x0A) ++p;
    }
  }
}

void TWideStrings::BeginUpdate() {
  if (fUpdateCount == 0) SetUpdateState(true);
  ++fUpdateCount;
}

void TWideStrings::EndUpdate() {
  --fUpdateCount;
  if (fUpdateCount == 0) SetUpdateState(false);
}

bool TWideStrings::Equals(const TWideStrings& Strings) const {
  const int n = GetCount();
  if (n != Strings.GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != Strings.Get(i)) return false;
  return true;
}

void TWideStrings::InsertObject(int Index, const std::u16string& S, TWideObject AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TWideStrings::Error(const char* Msg, int Data) const {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, Msg, Data);
  throw EStringListError(buffer);
}

// ---------------------------------------------------------------------------------------------
// TWideStringList

TWideStringList::~TWideStringList() {
  // No notifications while dying.
  OnChange = nullptr;
  OnChanging = nullptr;
  fList.clear();
  fCount = 0;
}

void TWideStringList::CheckIndex(int Index) const {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) Error(SListIndexError, Index);
}

std::u16string TWideStringList::Get(int Index) const {
  CheckIndex(Index);
  return fList[Index].FString;
}

const std::u16string& TWideStringList::StringRef(int Index) const {
  CheckIndex(Index);
  return fList[Index].FString;
}

int TWideStringList::GetCapacity() const {
  return static_cast<int>(fList.size());
}

int TWideStringList::GetCount() const {
  return fCount;
}

TWideObject TWideStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return fList[Index].FObject;
}

void TWideStringList::Put(int Index, const std::u16string& S) {
  if (fSorted) Error(SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  fList[Index].FString = S;
  Changed();
}

void TWideStringList::PutObject(int Index, TWideObject AObject) {
  CheckIndex(Index);
  Changing();
  fList[Index].FObject = AObject;
  Changed();
}

void TWideStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < 0) NewCapacity = 0;
  fList.resize(static_cast<size_t>(NewCapacity));
  if (NewCapacity < fCount) fCount = NewCapacity;
}

void TWideStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

void TWideStringList::Grow() {
  const int cap = GetCapacity();
  int delta;
  if (cap > 64)
    delta = cap / 4;
  else if (cap > 8)
    delta = 16;
  else
    delta = 4;
  SetCapacity(cap + delta);
}

void TWideStringList::InsertItem(int Index, const std::u16string& S) {
  Changing();
  if (fCount == GetCapacity()) Grow();
  for (int i = fCount; i > Index; --i) fList[i] = std::move(fList[i - 1]);
  fList[Index].FString = S;
  fList[Index].FObject = nullptr;
  ++fCount;
  Changed();
}

int TWideStringList::Add(const std::u16string& S) {
  int result;
  if (!fSorted) {
    result = fCount;
  } else if (Find(S, result)) {
    switch (fDuplicates) {
      case dupIgnore:
        return result;
      case dupError:
        Error(SDuplicateString, 0);
      case dupAccept:
        break;
    }
  }
  InsertItem(result, S);
  return result;
}

void TWideStringList::Clear() {
  if (fCount == 0) return;
  Changing();
  fList.clear();
  fList.shrink_to_fit();
  fCount = 0;
  Changed();
}

void TWideStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  for (int i = Index; i < fCount - 1; ++i) fList[i] = std::move(fList[i + 1]);
  --fCount;
  fList[fCount] = TWideStringItem{};
  Changed();
}

void TWideStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(fList[Index1], fList[Index2]);
  Changed();
}

int TWideStringList::IndexOf(std::u16string_view S) const {
  if (!fSorted) return TWideStrings::IndexOf(S);
  int result;
  if (!Find(S, result)) result = -1;
  return result;
}

void TWideStringList::Insert(int Index, const std::u16string& S) {
  if (fSorted) Error(SSortedListError, 0);
  if (static_cast<unsigned>(Index) > static_cast<unsigned>(fCount)) Error(SListIndexError, Index);
  InsertItem(Index, S);
}

void TWideStringList::Move(int CurIndex, int NewIndex) {
  // The base moves by Delete and Insert; on a sorted list the Insert would raise after the item was
  // already gone, so refuse first.
  if (fSorted && CurIndex != NewIndex) Error(SSortedListError, 0);
  TWideStrings::Move(CurIndex, NewIndex);
}

void TWideStringList::Changed() {
  if (fUpdateCount == 0 && OnChange) OnChange(this);
}

void TWideStringList::Changing() {
  if (fUpdateCount == 0 && OnChanging) OnChanging(this);
}

bool TWideStringList::Find(std::u16string_view S, int& Index) const {
  bool result = false;
  int l = 0;
  int h = fCount - 1;
  while (l <= h) {
    const int i = static_cast<int>((static_cast<unsigned>(l) + static_cast<unsigned>(h)) >> 1);
    const int c = WideCompareText(fList[i].FString, S);
    if (c < 0) {
      l = i + 1;
    } else {
      h = i - 1;
      if (c == 0) {
        result = true;
        if (fDuplicates != dupAccept) l = i;
      }
    }
  }
  Index = l;
  return result;
}

void TWideStringList::QuickSort(int L, int R) {
  // Recurse on the smaller part and loop on the larger, so the depth stays logarithmic.
  while (L < R) {
    int i = L;
    int j = R;
    const std::u16string pivot = fList[static_cast<unsigned>(L + R) >> 1].FString;
    do {
      while (WideCompareText(fList[i].FString, pivot) < 0) ++i;
      while (WideCompareText(fList[j].FString, pivot) > 0) --j;
      if (i <= j) {
        std::swap(fList[i], fList[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - L < R - i) {
      if (L < j) QuickSort(L, j);
      L = i;
    } else {
      if (i < R) QuickSort(i, R);
      R = j;
    }
  }
}

void TWideStringList::Sort() {
  if (fSorted || fCount < 2) return;
  Changing();
  QuickSort(0, fCount - 1);
  Changed();
}

void TWideStringList::SetSorted(bool Value) {
  if (fSorted == Value) return;
  if (Value) Sort();
  fSorted = Value;
}

// ---------------------------------------------------------------------------------------------
// Free routines

size_t WStrLen(const char16_t* Str) {
  size_t n = 0;
  if (!Str) return 0;
  while (Str[n]) ++n;
  return n;
}

char16_t* WStrEnd(char16_t* Str) {
  return Str + WStrLen(Str);
}

char16_t* WStrCopy(char16_t* Dest, const char16_t* Source) {
  const size_t n = WStrLen(Source);
  std::memmove(Dest, Source, (n + 1) * sizeof(char16_t));
  return Dest;
}

char16_t* WStrLCopy(char16_t* Dest, const char16_t* Source, size_t MaxLen) {
  size_t n = 0;
  while (n < MaxLen && Source[n]) {
    Dest[n] = Source[n];
    ++n;
  }
  Dest[n] = 0;
  return Dest;
}

char16_t* WStrCat(char16_t* Dest, const char16_t* Source) {
  WStrCopy(WStrEnd(Dest), Source);
  return Dest;
}

char16_t* WStrAlloc(size_t Size) {
  const size_t bytes = Size * 2 + 4;
  auto* block = static_cast<unsigned char*>(std::malloc(bytes));
  if (!block) throw std::bad_alloc();
  const auto stored = static_cast<uint32_t>(bytes);
  std::memcpy(block, &stored, 4);
  return reinterpret_cast<char16_t*>(block + 4);
}

void WStrDispose(char16_t* Str) {
  if (!Str) return;
  std::free(reinterpret_cast<unsigned char*>(Str) - 4);
}

static inline int CodePointOrder(char16_t c) {
  if (c >= 0xD800 && c <= 0xDFFF) return c + 0x2000;
  if (c >= 0xE000) return c - 0x800;
  return c;
}

int WStrLComp(const char16_t* Str1, const char16_t* Str2, size_t MaxLen) {
  if (MaxLen == 0) return 0;
  size_t i = 0;
  for (;;) {
    const int a = CodePointOrder(Str1[i]);
    const int b = CodePointOrder(Str2[i]);
    if (a != b || Str1[i] == 0 || Str2[i] == 0 || i + 1 >= MaxLen) return a - b;
    ++i;
  }
}

void StrSwapByteOrder(char16_t* Str) {
  if (!Str) return;
  for (; *Str; ++Str) *Str = static_cast<char16_t>((*Str >> 8) | (*Str << 8));
}

char16_t WideCharToUpper(char16_t C) {
  return Tables().upper[C];
}
char16_t WideCharToLower(char16_t C) {
  return Tables().lower[C];
}
char16_t WideCharFold(char16_t C) {
  return Tables().fold[C];
}

void WideBufferToUpper(char16_t* Buffer, size_t Count) {
  const auto& t = Tables().upper;
  for (size_t i = 0; i < Count; ++i) Buffer[i] = t[Buffer[i]];
}

void WideBufferToLower(char16_t* Buffer, size_t Count) {
  const auto& t = Tables().lower;
  for (size_t i = 0; i < Count; ++i) Buffer[i] = t[Buffer[i]];
}

std::u16string WideUpperCase(std::u16string_view S) {
  std::u16string result(S);
  WideBufferToUpper(result.data(), result.size());
  return result;
}

std::u16string WideLowerCase(std::u16string_view S) {
  std::u16string result(S);
  WideBufferToLower(result.data(), result.size());
  return result;
}

bool IsWideCharAlpha(char16_t C) {
  return widechar::IsLetter(C);
}
bool IsWideCharAlphaNumeric(char16_t C) {
  return widechar::IsLetterOrDigit(C);
}

int WideCompareText(std::u16string_view S1, std::u16string_view S2) {
  const auto& f = Tables().fold;
  const size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t a = f[S1[i]];
    const char16_t b = f[S2[i]];
    if (a != b) return a < b ? -1 : 1;
  }
  if (S1.size() == S2.size()) return 0;
  return S1.size() < S2.size() ? -1 : 1;
}

bool WideSameText(std::u16string_view S1, std::u16string_view S2) {
  return S1.size() == S2.size() && WideCompareText(S1, S2) == 0;
}

int WideCompareStr(std::u16string_view S1, std::u16string_view S2) {
  const int c = S1.compare(S2);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::u16string WideStringOfChar(char16_t C, int Count) {
  if (Count <= 0) return {};
  return std::u16string(static_cast<size_t>(Count), C);
}

std::u16string WideTrim(std::u16string_view S) {
  size_t l = 0;
  size_t r = S.size();
  while (l < r && S[l] < 0x21) ++l;
  while (r > l && S[r - 1] < 0x21) --r;
  return std::u16string(S.substr(l, r - l));
}

unsigned LocaleCodePage(unsigned) {
  return CP_WINDOWS_1252;
}

unsigned KeyboardLayoutCodePage() {
  return CP_WINDOWS_1252;
}

char16_t KeyCharToWide(char C) {
  return codepage::Cp1252ToChar(static_cast<unsigned char>(C));
}

std::u16string AnsiToWideInCodePage(std::string_view S, unsigned CodePage) {
  if (CodePage == CP_UTF8_CODEPAGE) return codepage::Utf8ToUtf16(S);
  if (CodePage == CP_LATIN1) {
    std::u16string result(S.size(), u'\0');
    for (size_t i = 0; i < S.size(); ++i) result[i] = static_cast<unsigned char>(S[i]);
    return result;
  }
  return AnsiToWide(S);
}

std::u16string AnsiToWide(std::string_view S) {
  std::u16string result(S.size(), u'\0');
  AnsiToWideInto(S, result.data());
  return result;
}

std::string WideToAnsi(std::u16string_view S) {
  return codepage::Utf16ToCp1252(S);
}

bool ClipboardProvidesText() {
  return editorservices::ClipboardHasText();
}

std::u16string ReadClipboardWideText() {
  return editorservices::ReadClipboardText();
}

void WriteClipboardWideText(std::u16string_view S) {
  if (S.empty()) return;
  editorservices::WriteClipboardText(S);
}
