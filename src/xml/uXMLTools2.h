// Typed access to a node tree by "\"-separated paths of element names and by attribute name, plus
// small tree helpers. These fix the stored formats: "true"/"false" in element text, "1"/"0" in
// attributes, decimal integers read leniently.
//
// Every function accepts a null node: reads then give the default, finds give nullptr, writes do
// nothing.
#pragma once

#include <string>
#include <string_view>

#include "xml/xevXMLParser2.h"

// The segment of path that begins at start (1-based) and ends before the next delimiter or at the end,
// and the position after that delimiter (path length + 2 at the end); 0 and an empty segment when
// start is below 1 or past the end.
int NextPathToken(std::string_view path, std::string& segment, char delimiter, int start);

// Reads integer text leniently as a signed 32-bit number: leading blanks, an optional sign, decimal
// digits, or hexadecimal ones after "$", "x", "X", "0x" or "0X". Invalid text gives the value of its
// leading digits (with its sign), empty text 0. Hexadecimal wraps to 32 bits; a decimal number stops
// at the last digit that still fits.
int XMLStrToInt(std::string_view text);

// Follows each segment to the first child of that exact name; the node itself for an empty path.
TxevXMLNode2* XMLFindPath(TxevXMLNode2* node, std::string_view path);
const TxevXMLNode2* XMLFindPath(const TxevXMLNode2* node, std::string_view path);
// The same walk, creating each missing element at the end of its parent's children. A path with an
// empty segment (a leading or doubled "\") is refused: nullptr, and nothing is created.
TxevXMLNode2* XMLForcePath(TxevXMLNode2* node, std::string_view path);

// True and the element's text when the path exists (text is left unchanged otherwise).
bool XMLPathGetText(const TxevXMLNode2* node, std::string_view path, std::string& text);
// The element's text (an empty one too), or the default when the element is missing.
std::string XMLPathReadString(const TxevXMLNode2* node, std::string_view path, const std::string& def);
// The element's text as an integer (an empty element gives 0), or the default when missing.
int XMLPathReadInteger(const TxevXMLNode2* node, std::string_view path, int def);
// True when the lower-cased text is "true"; the default when the element is missing.
bool XMLPathReadBool(const TxevXMLNode2* node, std::string_view path, bool def);
// Force the path, then SetText. False when the path was refused (see XMLForcePath).
bool XMLPathWriteString(TxevXMLNode2* node, std::string_view path, std::string value);
bool XMLPathWriteInteger(TxevXMLNode2* node, std::string_view path, int value);
bool XMLPathWriteBool(TxevXMLNode2* node, std::string_view path, bool value);
// The path below the node, else below each ancestor in turn; the first element found (even an empty
// one) gives its text; the default when none has it.
std::string XMLPathReadInherited(const TxevXMLNode2* node, std::string_view path, const std::string& def);

// The value, or the default when the attribute is absent or empty.
std::string XMLGetAttrDef(const TxevXMLNode2* node, std::string_view name, const std::string& def);
void XMLSetAttr(TxevXMLNode2* node, std::string_view name, std::string value);
int XMLGetAttrInteger(const TxevXMLNode2* node, std::string_view name, int def);
void XMLSetAttrInteger(TxevXMLNode2* node, std::string_view name, int value);
// True exactly for "1"; false for any other non-empty value; the default when absent or empty.
bool XMLGetAttrBool(const TxevXMLNode2* node, std::string_view name, bool def);
void XMLSetAttrBool(TxevXMLNode2* node, std::string_view name, bool value);
void XMLDeleteAttr(TxevXMLNode2* node, std::string_view name);

// Exchanges the places of two children of the same parent; false (nothing changed) otherwise.
bool XMLSwapSiblings(TxevXMLNode2* a, TxevXMLNode2* b);

// The elements in the first three levels below node, or for a document, when more, the elements its
// last parse made (edits since are not counted): a cheap guess at the size of a walk over the whole
// tree, for deciding whether to share the walk among threads (0 for nullptr).
size_t XMLCountNearTop(const TxevXMLNode2* node);
// Every byte other than ".", "0"-"9", "A"-"Z", "_", "a"-"z" becomes "_"; the length is unchanged.
std::string MakeXMLName(std::string_view text);
