#include "databank/uBankMessages.h"

#include <map>

const std::string& BankMessage(int id) {
  static const std::map<int, std::string> table = {
      {SCouldNotOpenBank, "Could not open DataBank!"},
      {SCouldNotSaveXMLStream, "Could not save XML Stream!"},
      {SCouldNotCompressBank, "Could not compress DataBank!"},
      {SCouldNotDecompressBank, "Could not decompress DataBank!"},
      {SCouldNotCypherBank, "Could not cypher DataBank!"},
      {SCouldNotDecypherBank, "Could not decypher DataBank!"},
      {SDataChanged, "Data has been changed. Do you want to save?"},
      {SInvalidPassword, "Invalid Password"},
  };
  static const std::string none;
  auto it = table.find(id);
  return it == table.end() ? none : it->second;
}

std::string FileDoesNotExistText(const std::string& path) {
  std::string text = SFileDoesNotExist;
  const size_t at = text.find("%s");
  return text.replace(at, 2, path);
}
