// make_canonical [--kept] FILE [THOUSANDS [ID]]: writes the canonical databank of the benchmarks
// (canonical_bank.h) to FILE, for scripted runs of the real program; with THOUSANDS, a databank of
// that many thousand records of the same folders; with ID, saved with that node as the one last
// selected (the program selects it when it opens the databank). With --kept, shaped as people keep
// their databanks (TShape::Kept), its last selected record in the middle of the tree unless ID says
// otherwise.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "canonical_bank.h"

int main(int argc, char** argv) {
  const bool kept = argc >= 2 && std::strcmp(argv[1], "--kept") == 0;
  if (kept) {
    --argc;
    ++argv;
  }
  const int thousands = argc >= 3 ? std::atoi(argv[2]) : canonical::kRecords / 1000;
  if (argc < 2 || argc > 4 || thousands <= 0) {
    std::cerr << "usage: make_canonical [--kept] FILE [THOUSANDS [ID]]\n";
    return 2;
  }
  TXMLDataBase2 db;
  canonical::Fill(db, 0, canonical::TText::NonAscii, thousands,
                  kept ? canonical::TShape::Kept : canonical::TShape::Canonical);
  if (argc == 4)
    db.WriteInteger(bank::skLastPosition, std::atoi(argv[3]));
  else if (kept)
    db.WriteInteger(bank::skLastPosition, canonical::MiddleRecordID(thousands));
  std::ofstream out(argv[1], std::ios::binary);
  out << db.EncodedXML();
  return out.good() ? 0 : 1;
}
