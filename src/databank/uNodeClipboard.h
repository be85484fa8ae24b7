// The node clipboard: a folder or record with its whole subtree, carried under a private clipboard
// format so that it can be pasted in this or another running copy of the program.
//
// A block holds the node's XML text as the writer gives it for one node (no declaration, UTF-8),
// followed by one NUL byte. Reading takes the block only up to its first NUL (or its end, for a block
// some other program put there without one) and accepts it only when it parses and its first element
// is a folder or a record.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TxevXMLFrozen2;
class TxevXMLNode2;
class TxevXMLParser2;

inline constexpr const char* kXMLNodeFormat = "application/x-cf-xmlnode";

// The block for node.
std::string XMLNodePayload(const TxevXMLParser2& writer, const TxevXMLNode2* node);
// The text of a block: everything before its first NUL.
std::string_view XMLNodePayloadText(std::string_view block);
// A detached copy of the block's node, parsed inside a temporary "root" element; nullptr when the
// text does not parse or its first element is neither a folder nor a record.
std::unique_ptr<TxevXMLNode2> ParseXMLNodePayload(std::string_view block);

// The same through the clipboard of platform/Clipboard.h. The node is frozen as it is now (what did
// not change since the last save is shared with it, so a large subtree costs little), and its block is
// made only when somebody pastes it.
void CopyXMLNodeToClipboard(const TxevXMLNode2* node);
// The clipboard's node text ("" when it offers none).
std::string GetXMLFromClipboard();
// What a paste copies, taken from the clipboard now: while the block is the one this program put
// there, the node as it was frozen then; otherwise another program's block, taken by Make where the
// clipboard can do so beside the window (ReadsBeside), else its text read now.
class TClipboardNodeSource {
 public:
  // A detached copy of the node, made on any thread: from the frozen node (no text is made or
  // parsed), or the text parsed as ParseXMLNodePayload does. nullptr when there is none that parses
  // (or stop answered true while the block was awaited).
  std::unique_ptr<TxevXMLNode2> Make(const std::function<bool()>& stop = {}) const;
  // The work Make is: the elements it makes, or the bytes of the text it parses (0 for a block it
  // takes itself: how large that is shows only then).
  std::size_t Elements() const;
  std::size_t Bytes() const { return block_.size(); }
  // Make takes another program's block from the clipboard: it may wait, and is for a thread beside
  // the window.
  bool ReadsBeside() const { return bool(reader_); }

 private:
  friend TClipboardNodeSource ClipboardNodeSource();
  std::shared_ptr<const TxevXMLFrozen2> frozen_;
  std::string block_;
  std::function<std::optional<std::string>(const std::function<bool()>&)> reader_;
};
TClipboardNodeSource ClipboardNodeSource();
// Stands for the block this program last put on the clipboard while it is still there; nullptr
// otherwise (another program's block, or none).
std::shared_ptr<const void> OwnClipboardNode();
bool ClipboardHasXMLNode();
// At the end of the program: the node this program put on the clipboard goes with it.
void ClearXMLNodeClipboard();
