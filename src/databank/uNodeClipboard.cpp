#include "databank/uNodeClipboard.h"

#include "databank/uDataBankContent.h"
#include "platform/Clipboard.h"
#include "xml/xevXMLParser2.h"

std::string XMLNodePayload(const TxevXMLParser2& writer, const TxevXMLNode2* node) {
  std::string block;
  writer.WriteXML(block, node, false);
  block += '\0';
  return block;
}

std::string_view XMLNodePayloadText(std::string_view block) {
  const size_t nul = block.find('\0');
  return nul == std::string_view::npos ? block : block.substr(0, nul);
}

std::unique_ptr<TxevXMLNode2> ParseXMLNodePayload(std::string_view block) {
  const std::string_view text = XMLNodePayloadText(block);
  std::string wrapped;
  wrapped.reserve(text.size() + 13);
  wrapped += "<root>";
  wrapped += text;
  wrapped += "</root>";
  TxevXMLParser2 temp;
  if (!temp.LoadXML(std::move(wrapped)) || temp.Name() != "root") return nullptr;
  TxevXMLNode2* first = temp.FirstChild();
  if (!bank::IsTreeNode(first)) return nullptr;
  return temp.ExtractNode(first);  // taken out of the temporary document, not copied
}

void CopyXMLNodeToClipboard(const TxevXMLNode2* node) {
  if (!node) return;
  auto frozen = std::make_shared<const TxevXMLFrozen2>(*node);
  auto make = [frozen] {
    std::string block;
    frozen->WriteXML(block);
    block += '\0';
    return block;
  };
  platform::Clipboard().WriteLater(kXMLNodeFormat, std::move(make), frozen);
}

std::shared_ptr<const void> OwnClipboardNode() {
  return platform::Clipboard().OwnerOf(kXMLNodeFormat);
}

TClipboardNodeSource ClipboardNodeSource() {
  TClipboardNodeSource source;
  if (const std::shared_ptr<const void> own = OwnClipboardNode())
    source.frozen_ = std::static_pointer_cast<const TxevXMLFrozen2>(own);
  else if (!(source.reader_ = platform::Clipboard().ReaderOf(kXMLNodeFormat)))
    source.block_ = GetXMLFromClipboard();
  return source;
}

std::unique_ptr<TxevXMLNode2> TClipboardNodeSource::Make(const std::function<bool()>& stop) const {
  if (frozen_) return frozen_->Thaw();
  if (!reader_) return ParseXMLNodePayload(block_);
  const std::optional<std::string> block = reader_(stop);
  return block ? ParseXMLNodePayload(*block) : nullptr;
}

std::size_t TClipboardNodeSource::Elements() const {
  return frozen_ ? frozen_->Elements() : 0;
}

std::string GetXMLFromClipboard() {
  const auto block = platform::Clipboard().Read(kXMLNodeFormat);
  return block ? std::string(XMLNodePayloadText(*block)) : std::string();
}

bool ClipboardHasXMLNode() {
  return platform::Clipboard().HasFormat(kXMLNodeFormat);
}

void ClearXMLNodeClipboard() {
  platform::Clipboard().ClearOwned(kXMLNodeFormat);
}
