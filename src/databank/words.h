// The word splitter of the record search: a list of strings that Split appends the words of a text
// to. A word is a maximal run of bytes that are not delimiters; with KeepDelimiters set, each
// delimiter that is also in KeepSet is appended where it stands, as an item of its own.
// Words are cut at single bytes, so UTF-8 text splits correctly at any ASCII delimiters.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

// A set of bytes.
class TCharSet {
 public:
  TCharSet() = default;
  // The bytes of chars.
  explicit TCharSet(std::string_view chars) {
    for (char c : chars) Add(c);
  }
  void Add(char c) { bits_.set(static_cast<unsigned char>(c)); }
  bool Has(char c) const { return bits_.test(static_cast<unsigned char>(c)); }

 private:
  std::bitset<256> bits_;
};

// The delimiters of the text matcher: backspace, tab, line feed, carriage return, space, ",", ";"
// and "|".
const TCharSet& WordDelimiters();

class TWords {
 public:
  bool KeepDelimiters = false;
  TCharSet KeepSet{"\r"};
  std::vector<std::string> Items;

  // Appends the words of text (the list is not cleared first).
  void Split(std::string_view text, const TCharSet& delimiters);
  int Count() const { return static_cast<int>(Items.size()); }
  const std::string& operator[](int index) const { return Items.at(static_cast<size_t>(index)); }
  void Clear() { Items.clear(); }
};
