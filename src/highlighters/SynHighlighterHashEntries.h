// Keyword tables filled at run time from a keyword text: buckets indexed by a hash value that the
// highlighter computes, each bucket a chain of entries ordered by ascending keyword length. Used by
// the highlighters whose vocabulary is a long text (style sheets, the SQL dialects).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One keyword of a bucket. An entry owns the rest of its chain.
class TSynHashEntry {
 public:
  TSynHashEntry(std::u16string keyword, int kind);
  virtual ~TSynHashEntry();
  TSynHashEntry(const TSynHashEntry&) = delete;
  TSynHashEntry& operator=(const TSynHashEntry&) = delete;

  // Inserts newEntry into the chain that starts at head (head is updated to the chain's new head),
  // keeping the chain ordered by ascending keyword length; equal lengths keep their insertion order.
  // A keyword already in the chain (compared without regard to case) raises Exception with
  // `Keyword "<existing keyword>" already in list` and leaves the chain as it was. A missing
  // newEntry changes nothing.
  static void AddEntry(std::unique_ptr<TSynHashEntry>& head, std::unique_ptr<TSynHashEntry> newEntry);

  TSynHashEntry* Next() const { return fNext.get(); }
  int KeywordLen() const { return fKeyLen; }
  const std::u16string& Keyword() const { return fKeyword; }
  int Kind() const { return fKind; }

 private:
  std::unique_ptr<TSynHashEntry> fNext;
  int fKeyLen;
  std::u16string fKeyword;
  int fKind;
};

// Chain heads by hash value. Reading past the end gives nullptr; writing past it lengthens the list.
class TSynHashEntryList {
 public:
  TSynHashEntryList() = default;
  TSynHashEntryList(const TSynHashEntryList&) = delete;
  TSynHashEntryList& operator=(const TSynHashEntryList&) = delete;

  TSynHashEntry* Items(int hashValue) const;
  // Enters entry under hashValue (a negative value is ignored and the entry dropped).
  void SetItems(int hashValue, std::unique_ptr<TSynHashEntry> entry);
  void Clear();
  int Count() const { return static_cast<int>(fList.size()); }

 private:
  std::vector<std::unique_ptr<TSynHashEntry>> fList;
};

using TSynIsIdentChar = std::function<bool(char16_t)>;
using TSynAddKeyword = std::function<void(const std::u16string& keyword, int kind)>;

// Cuts keywordText into the longest runs of characters that pass isIdentChar and calls
// addKeyword(run, kind) for each, case kept. Nothing happens without addKeyword or text.
void EnumerateKeywords(int kind, std::u16string_view keywordText, const TSynIsIdentChar& isIdentChar,
                       const TSynAddKeyword& addKeyword);

// The lookup every user of these lists does: walks the chain while the entry's keyword is not longer
// than the token and returns the entry whose keyword equals token code unit by code unit, or nullptr.
const TSynHashEntry* FindHashEntry(const TSynHashEntryList& list, int hashValue, std::u16string_view token);
