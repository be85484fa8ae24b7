#include "highlighters/SynHighlighterTclTk.h"

#include "editor/SynUnicode.h"

namespace {

const TSynKeywordList& DefaultKeys() {
  static const TSynKeywordList list = MakeKeywordList({
      // BEGIN GENERATED TclKey
      u"after",
      u"append",
      u"array",
      u"bell",
      u"bgerror",
      u"binary",
      u"bind",
      u"bindidproc",
      u"bindproc",
      u"bindtags",
      u"bitmap",
      u"break",
      u"button",
      u"canvas",
      u"catch",
      u"cd",
      u"checkbutton",
      u"clipboard",
      u"clock",
      u"close",
      u"concat",
      u"continue",
      u"destroy",
      u"else",
      u"entry",
      u"eof",
      u"error",
      u"eval",
      u"event",
      u"exec",
      u"exit",
      u"expr",
      u"fblocked",
      u"fconfigure",
      u"fcopy",
      u"file",
      u"fileevent",
      u"filename",
      u"flush",
      u"focus",
      u"font",
      u"for",
      u"foreach",
      u"format",
      u"frame",
      u"gets",
      u"glob",
      u"global",
      u"grab",
      u"grid",
      u"history",
      u"http",
      u"if",
      u"image",
      u"incr",
      u"info",
      u"interp",
      u"join",
      u"label",
      u"lappend",
      u"library",
      u"lindex",
      u"linsert",
      u"list",
      u"listbox",
      u"llength",
      u"load",
      u"loadtk",
      u"lower",
      u"lrange",
      u"lreplace",
      u"lsearch",
      u"lsort",
      u"menu",
      u"message",
      u"namespace",
      u"namespupd",
      u"open",
      u"option",
      u"options",
      u"pack",
      u"package",
      u"photo",
      u"pid",
      u"pkg_mkindex",
      u"place",
      u"proc",
      u"puts",
      u"pwd",
      u"radiobutton",
      u"raise",
      u"read",
      u"regexp",
      u"registry",
      u"regsub",
      u"rename",
      u"resource",
      u"return",
      u"rgb",
      u"safebase",
      u"scale",
      u"scan",
      u"seek",
      u"selection",
      u"send",
      u"sendout",
      u"set",
      u"socket",
      u"source",
      u"split",
      u"string",
      u"subst",
      u"switch",
      u"tcl",
      u"tclvars",
      u"tell",
      u"text",
      u"then",
      u"time",
      u"tk",
      u"tk_bisque",
      u"tk_choosecolor",
      u"tk_dialog",
      u"tk_focusfollowsmouse",
      u"tk_focusnext",
      u"tk_focusprev",
      u"tk_getopenfile",
      u"tk_getsavefile",
      u"tk_messagebox",
      u"tk_optionmenu",
      u"tk_popup",
      u"tk_setpalette",
      u"tkerror",
      u"tkvars",
      u"tkwait",
      u"toplevel",
      u"trace",
      u"unknown",
      u"unset",
      u"update",
      u"uplevel",
      u"upvar",
      u"variable",
      u"vwait",
      u"while",
      u"winfo",
      u"wm",
      // END GENERATED TclKey
  });
  return list;
}

const TSynKeywordList& EmptyList() {
  static const TSynKeywordList list = MakeKeywordList(std::vector<std::u16string>{});
  return list;
}

using K = TSynTclTkSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkSecondKey, "Second Reserved Word", &K::SecondKeyAttri, syn::fsBold},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Symbol", &K::SymbolAttri},
};

}  // namespace

TSynTclTkSyn::TSynTclTkSyn() : TSynFamilyHighlighter("TSynTclTkSyn"), fKeys(DefaultKeys()), fSecondKeys(EmptyList()) {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  FinishCreate(0);
}

const std::vector<std::u16string>& TSynTclTkSyn::DefaultKeyWords() {
  return *DefaultKeys();
}

void TSynTclTkSyn::SetKeyWords(const std::vector<std::u16string>& Value) {
  fKeys = MakeKeywordList(Value);
  AttributeChanged(nullptr);
}

void TSynTclTkSyn::SetKeyWords(const TWideStrings& Value) {
  fKeys = MakeKeywordList(Value);
  AttributeChanged(nullptr);
}

void TSynTclTkSyn::SetSecondKeyWords(const std::vector<std::u16string>& Value) {
  fSecondKeys = MakeKeywordList(Value);
  AttributeChanged(nullptr);
}

void TSynTclTkSyn::SetSecondKeyWords(const TWideStrings& Value) {
  fSecondKeys = MakeKeywordList(Value);
  AttributeChanged(nullptr);
}

bool TSynTclTkSyn::IsKeyword(std::u16string_view AKeyword) const {
  return SortedKeywordListHas(*fKeys, WideUpperCase(AKeyword));
}

bool TSynTclTkSyn::IsSecondKeyWord(std::u16string_view AKeyword) const {
  return SortedKeywordListHas(*fSecondKeys, WideUpperCase(AKeyword));
}

std::u16string TSynTclTkSyn::GetSampleSource() const {
  return u"#!/usr/bin/wish\n"
         u"# A button that counts its clicks\n"
         u"set count 0\n"
         u"proc click {} {\n"
         u"  global count\n"
         u"  incr count\n"
         u"  puts \"clicked $count times\"\n"
         u"}\n"
         u"button .b -text \"Click\" -command click\n"
         u"pack .b -padx 10 -pady 1.5e1";
}

void TSynTclTkSyn::Next() {
  fTokenPos = Run;
  const char16_t c = At(Run);
  switch (c) {
    case 0:
      NullProc();
      break;
    case 10:
      LFProc();
      break;
    case 13:
      CRProc();
      break;
    case u'"':
      StringProc();
      break;
    case u'#':
    case u'/':
      CommentOrSymbolProc();
      break;
    case u'(':
    case u'{':
    case u';':
      SymbolProc();
      break;
    default:
      if (c <= 32)
        SpaceProc();
      else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')
        WordProc();
      else if (SynIsDigit(c))
        SimpleNumberProc(tkNumber);
      else
        UnknownProc();
  }
  TSynFamilyHighlighter::Next();
}

void TSynTclTkSyn::WordProc() {
  while (SynIsWordChar(At(Run))) ++Run;
  fUpperBuf.assign(fLine + fTokenPos, static_cast<size_t>(Run - fTokenPos));
  WideBufferToUpper(fUpperBuf.data(), fUpperBuf.size());
  if (SortedKeywordListHas(*fKeys, fUpperBuf))
    fTokenId = tkKey;
  else if (SortedKeywordListHas(*fSecondKeys, fUpperBuf))
    fTokenId = tkSecondKey;
  else
    fTokenId = tkIdentifier;
}

void TSynTclTkSyn::StringProc() {
  fTokenId = tkString;
  if (At(Run + 1) == u'"' && At(Run + 2) == u'"') Run += 2;
  ++Run;
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == u'"' && At(Run - 2) != u'\\') return;
  }
}

void TSynTclTkSyn::CommentOrSymbolProc() {
  if (At(Run + 1) == u'*') {
    SymbolProc();
    return;
  }
  fTokenId = tkComment;
  do ++Run;
  while (!IsEndChar(At(Run)));
}

void TSynTclTkSyn::SymbolProc() {
  fTokenId = tkSymbol;
  ++Run;
}
