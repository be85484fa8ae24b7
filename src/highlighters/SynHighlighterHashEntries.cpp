#include "highlighters/SynHighlighterHashEntries.h"

#include "editor/SynUnicode.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"

TSynHashEntry::TSynHashEntry(std::u16string keyword, int kind)
    : fKeyLen(static_cast<int>(keyword.size())), fKeyword(std::move(keyword)), fKind(kind) {}

TSynHashEntry::~TSynHashEntry() {
  // Free the chain iteratively: each step detaches the next entry before the current one dies.
  std::unique_ptr<TSynHashEntry> p = std::move(fNext);
  while (p) p = std::move(p->fNext);
}

void TSynHashEntry::AddEntry(std::unique_ptr<TSynHashEntry>& head, std::unique_ptr<TSynHashEntry> newEntry) {
  if (!newEntry) return;
  // Equal keywords have equal lengths, so every possible duplicate lies before the insertion point.
  std::unique_ptr<TSynHashEntry>* slot = &head;
  while (*slot) {
    TSynHashEntry* e = slot->get();
    if (WideSameText(e->fKeyword, newEntry->fKeyword))
      throw Exception("Keyword \"" + codepage::Utf16ToUtf8(e->fKeyword) + "\" already in list");
    if (newEntry->fKeyLen < e->fKeyLen) break;
    slot = &e->fNext;
  }
  newEntry->fNext = std::move(*slot);
  *slot = std::move(newEntry);
}

TSynHashEntry* TSynHashEntryList::Items(int hashValue) const {
  if (hashValue < 0 || hashValue >= Count()) return nullptr;
  return fList[static_cast<size_t>(hashValue)].get();
}

void TSynHashEntryList::SetItems(int hashValue, std::unique_ptr<TSynHashEntry> entry) {
  if (hashValue < 0) return;
  if (hashValue >= Count()) fList.resize(static_cast<size_t>(hashValue) + 1);
  TSynHashEntry::AddEntry(fList[static_cast<size_t>(hashValue)], std::move(entry));
}

void TSynHashEntryList::Clear() {
  fList.clear();
}

void EnumerateKeywords(int kind, std::u16string_view keywordText, const TSynIsIdentChar& isIdentChar,
                       const TSynAddKeyword& addKeyword) {
  if (!addKeyword || keywordText.empty() || !isIdentChar) return;
  size_t i = 0;
  const size_t n = keywordText.size();
  while (i < n) {
    while (i < n && !isIdentChar(keywordText[i])) ++i;
    size_t start = i;
    while (i < n && isIdentChar(keywordText[i])) ++i;
    if (i > start) addKeyword(std::u16string(keywordText.substr(start, i - start)), kind);
  }
}

const TSynHashEntry* FindHashEntry(const TSynHashEntryList& list, int hashValue, std::u16string_view token) {
  const int len = static_cast<int>(token.size());
  for (const TSynHashEntry* e = list.Items(hashValue); e && e->KeywordLen() <= len; e = e->Next())
    if (e->KeywordLen() == len && std::u16string_view(e->Keyword()) == token) return e;
  return nullptr;
}
