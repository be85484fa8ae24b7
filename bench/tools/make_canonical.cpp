// make_canonical FILE: writes the canonical databank of the benchmarks (canonical_bank.h) to FILE, for
// scripted runs of the real program.
#include <fstream>
#include <iostream>

#include "canonical_bank.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_canonical FILE\n";
    return 2;
  }
  TXMLDataBase2 db;
  canonical::Fill(db);
  std::ofstream out(argv[1], std::ios::binary);
  out << db.EncodedXML();
  return out.good() ? 0 : 1;
}
