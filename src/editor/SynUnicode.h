// The editor family's UTF-16 vocabulary: an abstract list of wide strings with attached objects, a
// sortable concrete list, loading and saving with byte-order marks, line splitting, and free
// routines on wide characters and strings. A wide character is one UTF-16 code unit; nothing here
// pairs surrogates.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadTypes.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

// Always true: the wide path of every routine is taken; the single-byte emulation is not built.
inline constexpr bool IsNT = true;

enum TSynEncoding { seUTF8, seUTF16LE, seUTF16BE, seAnsi };

// Index and sorted-list violations of the string lists.
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

// Raised where the design has an assertion failure (a programming error, not a user case).
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";

// Objects attached to list items are untyped and not owned.
using TWideObject = void*;

using TConfirmNarrowingEvent = std::function<void(TSynPersistent* Sender, bool& Allowed)>;

class TWideStrings : public TSynPersistent {
 public:
  TWideStrings();
  ~TWideStrings() override;
  TWideStrings(const TWideStrings&) = delete;
  TWideStrings& operator=(const TWideStrings&) = delete;

  // Clears Dest and adds every string with its object, inside Dest's update bracket.
  virtual void AssignTo(TWideStrings& Dest) const;
  // Clears Dest and adds every string converted to the single-byte code page, with its object.
  virtual void AssignTo(std::vector<std::string>& Dest, std::vector<TWideObject>* DestObjects = nullptr) const;
  virtual void Assign(const TWideStrings& Source);
  // Single-byte source (strings in the program's code page, optional objects of the same count).
  virtual void Assign(const std::vector<std::string>& Source, const std::vector<TWideObject>* Objects = nullptr);
  virtual void ConfirmNarrowing(bool& Allowed);
  virtual std::u16string Get(int Index) const = 0;
  virtual int GetCapacity() const;
  virtual int GetCount() const = 0;
  virtual TWideObject GetObject(int Index) const;
  virtual std::u16string GetTextStr() const;
  virtual void Put(int Index, const std::u16string& S) = 0;
  virtual void PutObject(int Index, TWideObject AObject) = 0;
  virtual void SetCapacity(int NewCapacity);
  virtual void SetUpdateState(bool Updating);
  virtual int Add(const std::u16string& S);
  virtual int AddObject(const std::u16string& S, TWideObject AObject);
  virtual void AddStrings(const std::vector<std::string>& Strings, const std::vector<TWideObject>* Objects = nullptr);
  // Raises EAssertionFailed for a missing list.
  virtual void AddStrings(const TWideStrings* Strings);
  void AddStrings(const TWideStrings& Strings) { AddStrings(&Strings); }
  virtual void Clear() = 0;
  virtual void Delete(int Index) = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual std::u16string JoinWithSeparator(std::u16string_view Separator) const;
  virtual int IndexOf(std::u16string_view S) const;
  virtual void Insert(int Index, const std::u16string& S) = 0;
  virtual void LoadFromFile(const std::string& FileName);
  virtual void LoadFromStream(TStream& Stream);
  virtual void Move(int CurIndex, int NewIndex);
  virtual void SaveToFile(const std::string& FileName);
  virtual void SaveToStream(TStream& Stream);
  // Splits the text into lines (the line buffer of the editor overrides this with its own rules).
  virtual void SetText(std::u16string_view Text);

  void BeginUpdate();
  void EndUpdate();
  bool Equals(const TWideStrings& Strings) const;
  void InsertObject(int Index, const std::u16string& S, TWideObject AObject);
  // Raises EStringListError with Msg formatted with Data (Msg may hold one "%d").
  [[noreturn]] void Error(const char* Msg, int Data) const;

  std::u16string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::u16string& S) { Put(Index, S); }
  TWideObject Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TWideObject AObject) { PutObject(Index, AObject); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }
  std::u16string Text() const { return GetTextStr(); }
  bool SaveAsUnicode() const { return fSaveAsUnicode; }
  void SetSaveAsUnicode(bool Value) { fSaveAsUnicode = Value; }
  bool SaveCompleted() const { return fSaveCompleted; }

  // Asked before a list holding characters without a single-byte code is saved as single-byte text.
  TConfirmNarrowingEvent OnConfirmNarrowing;

 protected:
  int fUpdateCount = 0;
  bool fSaveCompleted = false;
  bool fSaveAsUnicode = true;
};

enum TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

struct TWideStringItem {
  std::u16string FString;
  TWideObject FObject = nullptr;
};

class TWideStringList : public TWideStrings {
 public:
  TWideStringList() = default;
  ~TWideStringList() override;

  std::u16string Get(int Index) const override;
  int GetCapacity() const override;
  int GetCount() const override;
  TWideObject GetObject(int Index) const override;
  void Put(int Index, const std::u16string& S) override;
  void PutObject(int Index, TWideObject AObject) override;
  void SetCapacity(int NewCapacity) override;
  void SetUpdateState(bool Updating) override;
  int Add(const std::u16string& S) override;
  void Clear() override;
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  int IndexOf(std::u16string_view S) const override;
  void Insert(int Index, const std::u16string& S) override;
  // Forbidden on a sorted list (raises before anything is removed).
  void Move(int CurIndex, int NewIndex) override;

  virtual void Changed();
  virtual void Changing();
  // Bisection search (case-insensitive); Index receives the position found or the insertion point.
  virtual bool Find(std::u16string_view S, int& Index) const;
  virtual void Sort();

  // Read access without a copy.
  const std::u16string& StringRef(int Index) const;

  bool Sorted() const { return fSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return fDuplicates; }
  void SetDuplicates(TDuplicates Value) { fDuplicates = Value; }

  TSynNotifyEvent OnChange;
  TSynNotifyEvent OnChanging;

 protected:
  void InsertItem(int Index, const std::u16string& S);
  void CheckIndex(int Index) const;
  void Grow();
  void QuickSort(int L, int R);

  std::vector<TWideStringItem> fList;  // its size is the capacity
  int fCount = 0;
  bool fSorted = false;
  TDuplicates fDuplicates = dupIgnore;
};

// ---- Free routines on NUL-terminated buffers ----
size_t WStrLen(const char16_t* Str);
char16_t* WStrEnd(char16_t* Str);
char16_t* WStrCopy(char16_t* Dest, const char16_t* Source);
char16_t* WStrLCopy(char16_t* Dest, const char16_t* Source, size_t MaxLen);
char16_t* WStrCat(char16_t* Dest, const char16_t* Source);
// A buffer for Size characters; its byte size (2*Size + 4) sits in the 4 bytes before the pointer.
char16_t* WStrAlloc(size_t Size);
void WStrDispose(char16_t* Str);
// Code-point order: surrogates sort above every other BMP character.
int WStrLComp(const char16_t* Str1, const char16_t* Str2, size_t MaxLen);
void StrSwapByteOrder(char16_t* Str);

// ---- Case mapping and character classes (per code unit, length kept) ----
char16_t WideCharToUpper(char16_t C);
char16_t WideCharToLower(char16_t C);
void WideBufferToUpper(char16_t* Buffer, size_t Count);
void WideBufferToLower(char16_t* Buffer, size_t Count);
std::u16string WideUpperCase(std::u16string_view S);
std::u16string WideLowerCase(std::u16string_view S);
bool IsWideCharAlpha(char16_t C);
bool IsWideCharAlphaNumeric(char16_t C);
// Simple case folding of one code unit.
char16_t WideCharFold(char16_t C);

// The one case-insensitive ordering of the program: fold each code unit, then compare ordinally.
// Deterministic on every machine and in every locale. Returns <0, 0 or >0.
int WideCompareText(std::u16string_view S1, std::u16string_view S2);
bool WideSameText(std::u16string_view S1, std::u16string_view S2);
// Ordinal code-unit comparison (the case-sensitive ordering).
int WideCompareStr(std::u16string_view S1, std::u16string_view S2);

std::u16string WideStringOfChar(char16_t C, int Count);
// S without leading and trailing characters below U+0021.
std::u16string WideTrim(std::u16string_view S);

// ---- Code pages: the program's single-byte code page is Windows-1252 ----
inline constexpr unsigned CP_WINDOWS_1252 = 1252;
inline constexpr unsigned CP_LATIN1 = 28591;
inline constexpr unsigned CP_UTF8_CODEPAGE = 65001;
unsigned LocaleCodePage(unsigned Locale = 0);
unsigned KeyboardLayoutCodePage();
char16_t KeyCharToWide(char C);
// Windows-1252 for every code page except Latin-1 (28591) and UTF-8 (65001).
std::u16string AnsiToWideInCodePage(std::string_view S, unsigned CodePage);
std::u16string AnsiToWide(std::string_view S);
std::string WideToAnsi(std::u16string_view S);

// ---- Clipboard text ----
bool ClipboardProvidesText();
std::u16string ReadClipboardWideText();
void WriteClipboardWideText(std::u16string_view S);
