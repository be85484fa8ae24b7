// Command-line probe over the XML model and the databank store.
//   xmlprobe parse FILE      parse raw bytes; print GetXML (exit 0) or LastError (exit 1)
//   xmlprobe store IN OUT    load IN and save OUT with the store's encoding and atomic write
//   xmlprobe get FILE PATH   print the text at the "\"-path below the root ("" when missing)
// Usage errors and anything unexpected: a message on stderr, exit 2.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"
#include "xml/xevStrings.h"
#include "xml/xevXMLParser2.h"

namespace {

void Print(const std::string& bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

int Usage() {
  std::fprintf(stderr,
               "usage: xmlprobe parse FILE\n"
               "       xmlprobe store IN OUT\n"
               "       xmlprobe get FILE PATH\n");
  return 2;
}

// Loads a store from the file without side effects beside it; 1 and the message when it fails.
int LoadStore(TXMLDataBase2& db, const std::string& file) {
  try {
    TFileStream in(file, fmOpenRead);
    if (db.LoadFromStream(in)) return 0;
    Print(in.Size() == 0 ? "Empty file \"" + file + "\"." : db.LastError());
    std::printf("\n");
    return 1;
  } catch (const Exception& e) {
    Print(e.Message() + "\n");
    return 1;
  }
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "parse" && argc == 3) {
    std::string bytes;
    try {
      bytes = LoadStringFromFile(argv[2]);
    } catch (const Exception& e) {
      std::fprintf(stderr, "%s\n", e.Message().c_str());
      return 2;
    }
    TxevXMLParser2 doc;
    if (doc.LoadXML(std::move(bytes))) {
      Print(doc.GetXML());
      return 0;
    }
    Print(doc.LastError());
    return 1;
  }
  if (command == "store" && argc == 4) {
    TXMLDataBase2 db;
    if (int rc = LoadStore(db, argv[2])) return rc;
    try {
      db.SaveToFile(argv[3], false);
    } catch (const Exception& e) {
      Print(e.Message() + "\n");
      return 1;
    }
    return 0;
  }
  if (command == "get" && argc == 4) {
    TXMLDataBase2 db;
    if (int rc = LoadStore(db, argv[2])) return rc;
    Print(XMLPathReadString(db.Root(), argv[3], "") + "\n");
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xmlprobe: %s\n", e.what());
    return 2;
  } catch (...) {
    std::fprintf(stderr, "xmlprobe: unexpected failure\n");
    return 2;
  }
}
