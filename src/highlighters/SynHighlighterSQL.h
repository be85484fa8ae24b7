// SQL in eight dialects. The dialect chooses the keyword vocabulary (reserved words, data types,
// functions and, for some dialects, exceptions, packages, procedural words, console and comment
// commands), the identifier characters and a few lexical rules (variables, delimited identifiers,
// "#" and conditional comments). Table names given by the owner are coloured as such.
#pragma once

#include <memory>
#include <string_view>

#include "editor/SynUnicode.h"
#include "highlighters/SynHighlighterFamily.h"
#include "highlighters/SynHighlighterHashEntries.h"

enum TSQLDialect : std::uint8_t {
  sqlStandard,
  sqlInterbase6,
  sqlMSSQL7,
  sqlMySQL,
  sqlOracle,
  sqlSybase,
  sqlIngres,
  sqlMSSQL2K
};
inline constexpr int SQLDialectCount = 8;

// The enum name of a dialect ("sqlOracle"), and the dialect of a name (false for an unknown one).
const char* SQLDialectName(TSQLDialect dialect);
bool SQLDialectFromName(std::string_view name, TSQLDialect& dialect);

class TSynSQLSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkComment,
    tkDatatype,
    tkDefaultPackage,
    tkException,
    tkFunction,
    tkIdentifier,
    tkKey,
    tkNull,
    tkNumber,
    tkSpace,
    tkPLSQL,
    tkSQLPlus,
    tkString,
    tkSymbol,
    tkTableName,
    tkUnknown,
    tkVariable,
    tkConditionalComment,
    tkDelimitedIdentifier
  };
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsComment = 1, rsString = 2, rsConditionalComment = 3 };

  TSynSQLSyn();
  ~TSynSQLSyn() override;

  std::u16string GetSampleSource() const override;
  // The keyword text of a token kind in the current dialect; empty when the dialect has none.
  std::u16string GetKeywords(int TokenKind) const override;
  bool IsIdentChar(char16_t AChar) const override;
  // True when the word (any case) is a data type, package, exception, function, reserved word or
  // procedural word of the current dialect.
  bool IsKeyword(std::u16string_view AKeyword) const override;
  void Next() override;

  TSQLDialect SQLDialect() const { return fDialect; }
  // A different dialect rebuilds the keyword table and announces an attribute change.
  void SetSQLDialect(TSQLDialect Value);
  // The owner's table names; any change of the list rebuilds the table of names once.
  TWideStringList& TableNames() { return *fTableNames; }
  const TWideStringList& TableNames() const { return *fTableNames; }
  void SetTableNames(const TWideStrings& Value);

  // The keyword table of a dialect, shared by every instance (names are not in it).
  static const TSynHashEntryList& DialectKeywords(TSQLDialect dialect);
  // The bucket of a word in a dialect: h := h * 2 + v over its identifier characters, mod 256;
  // length receives the number of identifier characters.
  static int HashKey(const char16_t* start, TSQLDialect dialect, int& length);
  static bool IsDialectIdentChar(TSQLDialect dialect, char16_t c);

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* ConditionalCommentAttri = nullptr;
  TSynHighlighterAttributes* DataTypeAttri = nullptr;
  TSynHighlighterAttributes* DefaultPackageAttri = nullptr;
  TSynHighlighterAttributes* DelimitedIdentifierAttri = nullptr;
  TSynHighlighterAttributes* ExceptionAttri = nullptr;
  TSynHighlighterAttributes* FunctionAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* PLSQLAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* SQLPlusAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* TableNameAttri = nullptr;
  TSynHighlighterAttributes* VariableAttri = nullptr;

 private:
  void RebuildTableNames();
  // The kind of the identifier at the run position; sets its length.
  int IdentKind();
  void IdentProc();
  void NumberProc();
  void StringScan();
  void CommentScan();
  void ToLineEnd(std::uint8_t kind);
  void DelimitedProc(char16_t close);
  void SlashProc();
  void VariableProc();
  void SymbolProc(int length);

  TSQLDialect fDialect = sqlStandard;
  std::unique_ptr<TWideStringList> fTableNames;
  // The table names that are no keyword of the dialect, lower-cased, in the dialect's buckets.
  TSynHashEntryList fTableNameEntries;
};
