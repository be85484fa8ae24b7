// The exchangeable search engine of the editor control: the control's search-and-replace operation
// sets the options and the pattern, hands the engine one line at a time, reads back the 1-based
// positions and the lengths of the matches in that line, and asks it for the text that replaces a
// found occurrence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/SynPadMiscClasses.h"
#include "editor/SynPadTypes.h"

// The editor's search options, one byte. The engines read only match case and whole words; the
// other bits belong to the editor's search-and-replace operation.
using TSynSearchOptions = std::uint8_t;
inline constexpr TSynSearchOptions ssoMatchCase = 1;
inline constexpr TSynSearchOptions ssoWholeWord = 2;
inline constexpr TSynSearchOptions ssoBackwards = 4;
inline constexpr TSynSearchOptions ssoEntireScope = 8;
inline constexpr TSynSearchOptions ssoSelectedOnly = 16;
inline constexpr TSynSearchOptions ssoReplace = 32;
inline constexpr TSynSearchOptions ssoReplaceAll = 64;
inline constexpr TSynSearchOptions ssoPrompt = 128;

class TSynPadSearchCustom : public TSynPersistent {
 public:
  TSynPadSearchCustom() = default;
  // Tells the controls that use the engine, so that they drop it.
  ~TSynPadSearchCustom() override { fFreeNotifications.Fire(); }
  TSynPadSearchCustom(const TSynPadSearchCustom&) = delete;
  TSynPadSearchCustom& operator=(const TSynPadSearchCustom&) = delete;

  virtual std::u16string GetPattern() const = 0;
  virtual void SetPattern(const std::u16string& Value) = 0;
  // Length in characters of match Index (0-based).
  virtual int GetLength(int Index) const = 0;
  // 1-based character position of match Index in the last searched line.
  virtual int GetResult(int Index) const = 0;
  virtual int GetResultCount() const = 0;
  virtual void SetOptions(TSynSearchOptions Value) = 0;
  // Finds every match in one line; returns the number found.
  virtual int FindAll(std::u16string_view NewText) = 0;
  // The text that replaces a found occurrence.
  virtual std::u16string Replace(std::u16string_view aOccurrence, std::u16string_view aReplacement) = 0;

  std::u16string Pattern() const { return GetPattern(); }
  int Results(int Index) const { return GetResult(Index); }
  int Lengths(int Index) const { return GetLength(Index); }
  int ResultCount() const { return GetResultCount(); }
  void Options(TSynSearchOptions Value) { SetOptions(Value); }

  // Told when the engine is destroyed.
  void AddFreeNotification(const TSynNotifyMethod& AHandler) { fFreeNotifications.Add(AHandler); }
  void RemoveFreeNotification(const TSynNotifyMethod& AHandler) { fFreeNotifications.Remove(AHandler); }

 private:
  TSynNotifyEventChain fFreeNotifications{this};
};
