#include "highlighters/SynHighlighterUNIXShellScript.h"

#include "editor/SynUnicode.h"

namespace {

using K = TSynUNIXShellScriptSyn;

// As listed; "g++" is kept although a word never holds "+", so it can never be found.
const std::vector<std::u16string>& DefaultKeyWords() {
  static const std::vector<std::u16string> list = *MakeKeywordList({
      // BEGIN GENERATED ShellKey
      u"awk",   u"banner",   u"basename", u"bdiff", u"bg",    u"break", u"case",     u"cat",      u"cc",
      u"cd",    u"chdir",    u"chgrp",    u"chmod", u"chown", u"clear", u"compress", u"continue", u"cp",
      u"cpio",  u"cut",      u"date",     u"dd",    u"diff",  u"df",    u"do",       u"done",     u"dtpad",
      u"echo",  u"elif",     u"else",     u"esac",  u"eval",  u"exit",  u"export",   u"expr",     u"fg",
      u"fi",    u"finger",   u"fold",     u"for",   u"ftp",   u"g++",   u"gcc",      u"getopts",  u"grep",
      u"gzip",  u"head",     u"hash",     u"if",    u"in",    u"jobs",  u"kill",     u"ld",       u"login",
      u"ln",    u"ls",       u"make",     u"mkdir", u"mt",    u"mv",    u"newgrp",   u"nohup",    u"paste",
      u"ping",  u"perl",     u"pg",       u"pr",    u"ps",    u"pwd",   u"od",       u"rcp",      u"read",
      u"remsh", u"return",   u"rm",       u"rsh",   u"rwho",  u"sed",   u"set",      u"sh",       u"shift",
      u"stop",  u"strings",  u"strip",    u"sync",  u"tail",  u"tar",   u"telnet",   u"test",     u"times",
      u"then",  u"tput",     u"trap",     u"true",  u"tty",   u"type",  u"ulimit",   u"umask",    u"unset",
      u"until", u"uudecode", u"uuencode", u"vi",    u"wait",  u"wc",    u"while",    u"who",      u"xtern",
      u"zcat",  u"zip",
      // END GENERATED ShellKey
  });
  return list;
}

const TSynKeywordList& DefaultSecondKeyWords() {
  static const TSynKeywordList list = MakeKeywordList({
      // BEGIN GENERATED ShellSecond
      u"cdpath",  u"editor", u"home",      u"ifs",        u"lang",    u"lc_type", u"lc_messages", u"ld_library_path",
      u"logname", u"mail",   u"mailcheck", u"mailpath",   u"manpath", u"path",    u"ps1",         u"ps2",
      u"pwd",     u"shacct", u"shell",     u"shlib_path", u"term",    u"termcap", u"tz",
      // END GENERATED ShellSecond
  });
  return list;
}

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic, 0x008000},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold, 0x800000},
    {K::tkNumber, "Number", &K::NumberAttri, 0, 0xFF0000},
    {K::tkSecondKey, "Second Reserved Word", &K::SecondKeyAttri},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri, 0, 0x000080},
    {K::tkSymbol, "Symbol", &K::SymbolAttri, 0, 0x0000FF},
    {K::tkVariable, "Variable", &K::VariableAttri, 0, 0x800080},
    {K::tkUnknown, "Symbol", &K::SymbolAttri},
};

}  // namespace

TSynUNIXShellScriptSyn::TSynUNIXShellScriptSyn()
    : TSynFamilyHighlighter("TSynUNIXShellScriptSyn"), fSecondKeys(DefaultSecondKeyWords()) {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, nullptr);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  DefaultKeyWords();
  FinishCreate(0);
}

const std::vector<std::u16string>& TSynUNIXShellScriptSyn::KeyWords() {
  return DefaultKeyWords();
}

void TSynUNIXShellScriptSyn::SetSecondKeyWords(const std::vector<std::u16string>& Value) {
  fSecondKeys = MakeKeywordList(Value);
  AttributeChanged(nullptr);
}

void TSynUNIXShellScriptSyn::SetSecondKeyWords(const TWideStrings& Value) {
  fSecondKeys = MakeKeywordList(Value);
  AttributeChanged(nullptr);
}

bool TSynUNIXShellScriptSyn::IsKeyword(std::u16string_view AKeyword) const {
  return SortedKeywordListHas(DefaultKeyWords(), WideUpperCase(AKeyword));
}

bool TSynUNIXShellScriptSyn::IsSecondKeyWord(std::u16string_view AKeyword) const {
  return SortedKeywordListHas(*fSecondKeys, WideUpperCase(AKeyword));
}

std::u16string TSynUNIXShellScriptSyn::GetSampleSource() const {
  return u"#!/bin/sh\n"
         u"# Back up the home folder\n"
         u"TARGET=${HOME}/backup.tar\n"
         u"if test -f $TARGET; then\n"
         u"  echo \"replacing $TARGET\"\n"
         u"fi\n"
         u"tar cf $TARGET .bashrc docs 2>/dev/null | wc -l\n"
         u"exit 0";
}

void TSynUNIXShellScriptSyn::Next() {
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
    case u'$':
      VariableProc();
      break;
    case u'"':
    case u'\'':
      StringProc();
      break;
    case u'#':
      CommentProc();
      break;
    case u'.':
      DotProc();
      break;
    case u'/':
    case u'(':
    case u'{':
    case u';':
    case u'<':
      SymbolProc();
      break;
    default:
      if (c <= 32)
        SpaceProc();
      else if (SynIsAsciiLetter(c) || c == u'_')
        WordProc();
      else if (SynIsDigit(c))
        SimpleNumberProc(tkNumber);
      else
        UnknownProc();
  }
  TSynFamilyHighlighter::Next();
}

std::u16string_view TSynUNIXShellScriptSyn::UpperToken(int start, int length) {
  fUpperBuf.assign(fLine + start, static_cast<size_t>(length));
  WideBufferToUpper(fUpperBuf.data(), fUpperBuf.size());
  return fUpperBuf;
}

void TSynUNIXShellScriptSyn::WordProc() {
  while (SynIsWordChar(At(Run))) ++Run;
  const std::u16string_view word = UpperToken(fTokenPos, Run - fTokenPos);
  if (SortedKeywordListHas(DefaultKeyWords(), word))
    fTokenId = tkKey;
  else if (SortedKeywordListHas(*fSecondKeys, word))
    fTokenId = tkSecondKey;
  else
    fTokenId = tkIdentifier;
}

void TSynUNIXShellScriptSyn::VariableProc() {
  fTokenId = tkVariable;
  ++Run;
  if (IsEndChar(At(Run))) return;
  const char16_t first = At(Run);
  ++Run;
  if (first == u'{') {
    while (SynIsWordChar(At(Run))) ++Run;
    if (At(Run) == u'}') ++Run;
  } else {
    while (SynIsWordChar(At(Run))) ++Run;
  }
}

void TSynUNIXShellScriptSyn::StringProc() {
  fTokenId = tkString;
  const char16_t quote = At(Run);
  if (At(Run + 1) == quote && At(Run + 2) == quote) Run += 2;
  ++Run;
  while (!IsEndChar(At(Run)) && At(Run) != quote) ++Run;
  if (At(Run) == quote) ++Run;
}

void TSynUNIXShellScriptSyn::CommentProc() {
  fTokenId = tkComment;
  do ++Run;
  while (!IsEndChar(At(Run)));
}

void TSynUNIXShellScriptSyn::DotProc() {
  // A hidden file name (".bashrc") is one identifier; a lone dot a symbol.
  if (SynIsAsciiLetter(At(Run + 1))) {
    fTokenId = tkIdentifier;
    ++Run;
    while (SynIsAsciiLetter(At(Run))) ++Run;
  } else {
    SymbolProc();
  }
}

void TSynUNIXShellScriptSyn::SymbolProc() {
  fTokenId = tkSymbol;
  ++Run;
}
