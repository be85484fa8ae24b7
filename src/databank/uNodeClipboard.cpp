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
  const TxevXMLNode2* first = temp.FirstChild();
  if (!bank::IsTreeNode(first)) return nullptr;
  return first->CloneNode();
}

void CopyXMLNodeToClipboard(const TxevXMLParser2& writer, const TxevXMLNode2* node) {
  if (node) platform::Clipboard().Write(kXMLNodeFormat, XMLNodePayload(writer, node));
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
