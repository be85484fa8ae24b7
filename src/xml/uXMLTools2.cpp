#include "xml/uXMLTools2.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

int NextPathToken(std::string_view path, std::string& segment, char delimiter, int start) {
  segment.clear();
  const int n = static_cast<int>(path.size());
  if (start < 1 || start > n) return 0;
  size_t from = static_cast<size_t>(start - 1);
  size_t hit = path.find(delimiter, from);
  if (hit == std::string_view::npos) {
    segment.assign(path.substr(from));
    return n + 2;
  }
  segment.assign(path.substr(from, hit - from));
  return static_cast<int>(hit) + 2;
}

int XMLStrToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (hex) {
    // Hexadecimal is a bit pattern: it wraps to 32 bits, so "$FFFFFFFF" is -1.
    uint32_t v = 0;
    for (int d; i < text.size() && (d = HexDigit(text[i])) >= 0; ++i) v = v * 16u + static_cast<uint32_t>(d);
    if (negative) v = 0u - v;
    return static_cast<int32_t>(v);
  }
  // Decimal stops at the last digit that still fits the signed 32-bit range.
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int64_t next = v * 10 + (text[i] - '0');
    if (next > limit) break;
    v = next;
  }
  return static_cast<int32_t>(negative ? -v : v);
}

const TxevXMLNode2* XMLFindPath(const TxevXMLNode2* node, std::string_view path) {
  std::string segment;
  for (int pos = NextPathToken(path, segment, '\\', 1); node && pos > 0; pos = NextPathToken(path, segment, '\\', pos))
    node = node->FindNode(segment, false);
  return node;
}

TxevXMLNode2* XMLFindPath(TxevXMLNode2* node, std::string_view path) {
  return const_cast<TxevXMLNode2*>(XMLFindPath(static_cast<const TxevXMLNode2*>(node), path));
}

TxevXMLNode2* XMLForcePath(TxevXMLNode2* node, std::string_view path) {
  if (!node) return nullptr;
  std::vector<std::string> segments;
  std::string segment;
  for (int pos = NextPathToken(path, segment, '\\', 1); pos > 0; pos = NextPathToken(path, segment, '\\', pos)) {
    // An element without a name would be written as "</>" and break the file.
    if (segment.empty()) return nullptr;
    segments.push_back(segment);
  }
  for (std::string& s : segments) {
    TxevXMLNode2* next = node->FindNode(s, false);
    node = next ? next : node->AddChild(std::move(s));
  }
  return node;
}

bool XMLPathGetText(const TxevXMLNode2* node, std::string_view path, std::string& text) {
  const TxevXMLNode2* n = XMLFindPath(node, path);
  if (!n) return false;
  text = n->Text();
  return true;
}

std::string XMLPathReadString(const TxevXMLNode2* node, std::string_view path, const std::string& def) {
  const TxevXMLNode2* n = XMLFindPath(node, path);
  return n ? n->Text() : def;
}

int XMLPathReadInteger(const TxevXMLNode2* node, std::string_view path, int def) {
  const TxevXMLNode2* n = XMLFindPath(node, path);
  return n ? XMLStrToInt(n->Text()) : def;
}

bool XMLPathReadBool(const TxevXMLNode2* node, std::string_view path, bool def) {
  const TxevXMLNode2* n = XMLFindPath(node, path);
  return n ? LowerAscii(n->Text()) == "true" : def;
}

bool XMLPathWriteString(TxevXMLNode2* node, std::string_view path, std::string value) {
  TxevXMLNode2* n = XMLForcePath(node, path);
  if (!n) return false;
  n->SetText(std::move(value));
  return true;
}

bool XMLPathWriteInteger(TxevXMLNode2* node, std::string_view path, int value) {
  return XMLPathWriteString(node, path, std::to_string(value));
}

bool XMLPathWriteBool(TxevXMLNode2* node, std::string_view path, bool value) {
  return XMLPathWriteString(node, path, value ? "true" : "false");
}

std::string XMLPathReadInherited(const TxevXMLNode2* node, std::string_view path, const std::string& def) {
  for (; node; node = node->Parent())
    if (const TxevXMLNode2* n = XMLFindPath(node, path)) return n->Text();
  return def;
}

std::string XMLGetAttrDef(const TxevXMLNode2* node, std::string_view name, const std::string& def) {
  if (!node) return def;
  int i = node->IndexOfAttribute(name);
  if (i < 0) return def;
  const std::string& value = node->Attributes()[i]->Value();
  return value.empty() ? def : value;
}

void XMLSetAttr(TxevXMLNode2* node, std::string_view name, std::string value) {
  if (node) node->SetAttribute(name, std::move(value));
}

int XMLGetAttrInteger(const TxevXMLNode2* node, std::string_view name, int def) {
  std::string value = XMLGetAttrDef(node, name, "");
  return value.empty() ? def : XMLStrToInt(value);
}

void XMLSetAttrInteger(TxevXMLNode2* node, std::string_view name, int value) {
  XMLSetAttr(node, name, std::to_string(value));
}

bool XMLGetAttrBool(const TxevXMLNode2* node, std::string_view name, bool def) {
  std::string value = XMLGetAttrDef(node, name, "");
  return value.empty() ? def : value == "1";
}

void XMLSetAttrBool(TxevXMLNode2* node, std::string_view name, bool value) {
  XMLSetAttr(node, name, value ? "1" : "0");
}

void XMLDeleteAttr(TxevXMLNode2* node, std::string_view name) {
  if (!node) return;
  int i = node->IndexOfAttribute(name);
  if (i >= 0) node->RemoveAttribute(node->Attributes()[i]);
}

bool XMLSwapSiblings(TxevXMLNode2* a, TxevXMLNode2* b) {
  if (!a || !b || !a->Parent() || a->Parent() != b->Parent()) return false;
  int ia = a->IndexInParent();
  int ib = b->IndexInParent();
  if (ia < 0 || ib < 0) return false;
  a->Parent()->ExchangeChildren(ia, ib);
  a->indexHint_ = ib;
  b->indexHint_ = ia;
  return true;
}

size_t XMLCountNearTop(const TxevXMLNode2* node) {
  if (!node) return 0;
  size_t count = 0;
  for (const TxevXMLNode2* a : node->Children()) {
    count += 1 + static_cast<size_t>(a->Children().Count());
    for (const TxevXMLNode2* b : a->Children()) count += static_cast<size_t>(b->Children().Count());
  }
  // Most of a tree nested deeper than three levels lies below them: a document read from a text
  // knows how many elements that made.
  if (const auto* doc = dynamic_cast<const TxevXMLParser2*>(node)) count = std::max(count, doc->ParsedElements());
  return count;
}

std::string MakeXMLName(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const bool keep =
        c == '.' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!keep) c = '_';
  }
  return out;
}
