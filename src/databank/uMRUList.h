// A most-recently-used list: newest entry first, no duplicates, at most MaxCount entries.
// The recent databank files and the find history keep one each. Whether two entries are "the same"
// depends on the list: file paths on Linux differ by letter case, search phrases do not.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class TMRUCase {
  IgnoreCase,  // the default: "Foo" and "foo" are one entry (find history)
  MatchCase,   // byte comparison (file paths)
};

class TMRUList {
 public:
  explicit TMRUList(TMRUCase caseMode = TMRUCase::IgnoreCase) : caseMode_(caseMode) {}

  int MaxCount = 10;

  // Puts s first; an equal entry elsewhere is removed and the oldest entries go beyond MaxCount.
  void Add(const std::string& s);
  // Deletes every entry equal to s.
  void Remove(const std::string& s);

  int IndexOf(std::string_view s) const;
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
  const std::string& Strings(int index) const { return items_.at(static_cast<size_t>(index)); }
  void Delete(int index);
  void Clear() { items_.clear(); }
  const std::vector<std::string>& Items() const { return items_; }

  // The list as text, one entry per line, each ended by CR LF.
  std::string Text() const;
  // Replaces the entries by the lines of text (CR LF, LF or CR end a line; a final line break adds
  // no empty entry). Entries are taken as they are: no de-duplication, no cut to MaxCount.
  void SetText(std::string_view text);

  bool SameText(std::string_view a, std::string_view b) const;

 private:
  TMRUCase caseMode_;
  std::vector<std::string> items_;
};

// Compares two UTF-8 texts without regard to letter case (simple case folding of every character;
// a byte that is no well-formed UTF-8 compares as itself).
bool SameTextIgnoreCase(std::string_view a, std::string_view b);
