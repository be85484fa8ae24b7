// Links in plain text: addresses that begin with one of twelve scheme prefixes, addresses that begin
// with "www", and bare e-mail addresses. Everything else is plain words and blanks. No range is kept
// across lines. The link opener makes the found links clickable; a callback lets the owner colour
// links already visited differently.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "highlighters/SynHighlighterFamily.h"

class TSynURISyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkNull = 0,  // beyond the line end
    tkSpace = 1,
    tkFtpLink = 2,
    tkGopherLink = 3,
    tkHttpLink = 4,
    tkHttpsLink = 5,
    tkMailtoLink = 6,  // also a bare e-mail address
    tkNewsLink = 7,
    tkNntpLink = 8,
    tkProspero = 9,
    tkTelnetLink = 10,
    tkWaisLink = 11,
    tkWebLink = 12,  // "www"
    tkUnknown = 13,  // other text
    tkNullChar = 14  // the line's terminating NUL
  };

  // Answers whether a link text (as written) has been visited.
  using TAlreadyVisitedURIFunc = std::function<bool(std::u16string_view URI)>;

  TSynURISyn();
  ~TSynURISyn() override;

  // 1 identifier, 4 whitespace, 6 URI, 7 Visited URI; nullptr for the others.
  TSynHighlighterAttributes* GetDefaultAttribute(int Index) const override;
  TSynHighlighterAttributes* GetTokenAttribute() const override;
  std::u16string GetSampleSource() const override;
  bool IsIdentChar(char16_t AChar) const override;
  void DoSetLine(std::u16string_view Value, int LineNumber) override;
  void Next() override;

  void SetAlreadyVisitedURIFunc(TAlreadyVisitedURIFunc Value) { fAlreadyVisitedURI = std::move(Value); }
  const TAlreadyVisitedURIFunc& AlreadyVisitedURIFunc() const { return fAlreadyVisitedURI; }

  // The prefix table: slot 0..15 of the prefix hash; an empty text for the slots without prefix.
  static std::u16string_view PrefixOfSlot(int Slot);

  TSynHighlighterAttributes* URIAttri = nullptr;
  TSynHighlighterAttributes* VisitedURIAttri = nullptr;
  // Owned, but not in the attribute list.
  TSynHighlighterAttributes* SpaceAttri() const { return fSpaceAttri.get(); }
  TSynHighlighterAttributes* IdentifierAttri() const { return fIdentifierAttri.get(); }

 private:
  void NullProc();
  void CRProc();
  void LFProc();
  void SpaceProc();
  void AlphaProc();
  void UnknownProc();
  bool MailAddress();
  bool LinkTest(int PrefixEnd, bool WebLink);

  std::unique_ptr<TSynHighlighterAttributes> fSpaceAttri;
  std::unique_ptr<TSynHighlighterAttributes> fIdentifierAttri;
  TAlreadyVisitedURIFunc fAlreadyVisitedURI;
  // A failed e-mail scan [fNoMailFrom, fNoMailTo) of this line: any later start inside it fails too,
  // since its scan ends at the same place and sees no more than the first one did.
  int fNoMailFrom = -1;
  int fNoMailTo = -1;
};
