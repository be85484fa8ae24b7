#include "highlighters/SynHighlighterPerl.h"

namespace {

using K = TSynPerlSyn;

bool IsPerlIdent(char16_t c) {
  return c == u'$' || c == u'%' || c == u'@' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || c == u'_' ||
         (c >= u'a' && c <= u'z');
}

// The keyword groups carry the token kind they give.
const TSynHashKeywordTable& PerlKeywords() {
  static const TSynHashKeywordTable table = [] {
    auto words = SynKeywordWords(
        {
            // BEGIN GENERATED PerlKey
            u"abs",
            u"accept",
            u"alarm",
            u"atan2",
            u"bind",
            u"binmode",
            u"bless",
            u"caller",
            u"chdir",
            u"chmod",
            u"chomp",
            u"chop",
            u"chown",
            u"chr",
            u"chroot",
            u"close",
            u"closedir",
            u"connect",
            u"cos",
            u"crypt",
            u"dbmclose",
            u"dbmopen",
            u"defined",
            u"delete",
            u"die",
            u"do",
            u"dump",
            u"each",
            u"else",
            u"elsif",
            u"endgrent",
            u"endhostent",
            u"endnetent",
            u"endprotoent",
            u"endpwent",
            u"endservent",
            u"eof",
            u"eval",
            u"exec",
            u"exists",
            u"exit",
            u"exp",
            u"fcntl",
            u"fileno",
            u"flock",
            u"for",
            u"foreach",
            u"fork",
            u"format",
            u"formline",
            u"getc",
            u"getgrent",
            u"getgrgid",
            u"getgrnam",
            u"gethostbyaddr",
            u"gethostbyname",
            u"gethostent",
            u"getlogin",
            u"getnetbyaddr",
            u"getnetbyname",
            u"getnetent",
            u"getpeername",
            u"getpgrp",
            u"getppid",
            u"getpriority",
            u"getprotobyname",
            u"getprotobynumber",
            u"getprotoent",
            u"getpwent",
            u"getpwnam",
            u"getpwuid",
            u"getservbyname",
            u"getservbyport",
            u"getservent",
            u"getsockname",
            u"getsockopt",
            u"glob",
            u"gmtime",
            u"goto",
            u"grep",
            u"hex",
            u"if",
            u"import",
            u"index",
            u"int",
            u"ioctl",
            u"join",
            u"keys",
            u"kill",
            u"last",
            u"lc",
            u"lcfirst",
            u"length",
            u"link",
            u"listen",
            u"local",
            u"localtime",
            u"log",
            u"lstat",
            u"m",
            u"map",
            u"mkdir",
            u"msgctl",
            u"msgget",
            u"msgrcv",
            u"msgsnd",
            u"my",
            u"next",
            u"no",
            u"oct",
            u"open",
            u"opendir",
            u"ord",
            u"pack",
            u"package",
            u"pipe",
            u"pop",
            u"pos",
            u"print",
            u"push",
            u"q",
            u"qq",
            u"quotemeta",
            u"qw",
            u"qx",
            u"rand",
            u"read",
            u"readdir",
            u"readlink",
            u"recv",
            u"redo",
            u"ref",
            u"rename",
            u"require",
            u"reset",
            u"return",
            u"reverse",
            u"rewinddir",
            u"rindex",
            u"rmdir",
            u"scalar",
            u"seek",
            u"seekdir",
            u"select",
            u"semctl",
            u"semget",
            u"semop",
            u"send",
            u"setgrent",
            u"sethostent",
            u"setnetent",
            u"setpgrp",
            u"setpriority",
            u"setprotoent",
            u"setpwent",
            u"setservent",
            u"setsockopt",
            u"shift",
            u"shmctl",
            u"shmget",
            u"shmread",
            u"shmwrite",
            u"shutdown",
            u"sin",
            u"sleep",
            u"socket",
            u"socketpair",
            u"sort",
            u"splice",
            u"split",
            u"sprintf",
            u"sqrt",
            u"srand",
            u"stat",
            u"study",
            u"sub",
            u"substr",
            u"symlink",
            u"syscall",
            u"sysread",
            u"system",
            u"syswrite",
            u"tell",
            u"telldir",
            u"tie",
            u"time",
            u"times",
            u"tr",
            u"truncate",
            u"uc",
            u"ucfirst",
            u"umask",
            u"undef",
            u"unless",
            u"unlink",
            u"unpack",
            u"unshift",
            u"untie",
            u"use",
            u"utime",
            u"values",
            u"vec",
            u"wait",
            u"waitpid",
            u"wantarray",
            u"warn",
            u"while",
            u"write",
            // END GENERATED PerlKey
        },
        K::tkKey);
    const auto operators = SynKeywordWords(
        {
            // BEGIN GENERATED PerlOperator
            u"and", u"cmp", u"eq", u"ge", u"gt", u"le", u"lt", u"ne", u"not", u"or", u"xor",
            // END GENERATED PerlOperator
        },
        K::tkOperator);
    const auto pragmas = SynKeywordWords(
        {
            // BEGIN GENERATED PerlPragma
            u"constant", u"diagnostics", u"integer", u"less", u"locale", u"sigtrap", u"strict", u"subs", u"vars",
            // END GENERATED PerlPragma
        },
        K::tkPragma);
    const auto variables = SynKeywordWords(
        {
            // BEGIN GENERATED PerlVariable
            u"$ACCUMULATOR",
            u"$ARG",
            u"$ARGV",
            u"$BASETIME",
            u"$CHILD_ERROR",
            u"$DEBUGGING",
            u"$EFFECTIVE_GROUP_ID",
            u"$EFFECTIVE_USER_ID",
            u"$EGID",
            u"$ENV",
            u"$ERRNO",
            u"$EUID",
            u"$EVAL_ERROR",
            u"$EXECUTABLE_NAME",
            u"$FORMAT_FORMFEED",
            u"$FORMAT_LINE_BREAK_CHARACTERS",
            u"$FORMAT_LINES_LEFT",
            u"$FORMAT_LINES_PER_PAGE",
            u"$FORMAT_NAME",
            u"$FORMAT_PAGE_NUMBER",
            u"$FORMAT_TOP_NAME",
            u"$GID",
            u"$INPLACE_EDIT",
            u"$INPUT_LINE_NUMBER",
            u"$INPUT_RECORD_SEPARATOR",
            u"$LAST_PAREN_MATCH",
            u"$LIST_SEPARATOR",
            u"$MATCH",
            u"$MULTILINE_MATCHING",
            u"$NR",
            u"$OFMT",
            u"$ORS",
            u"$OS_ERROR",
            u"$OUTPUT_AUTOFLUSH",
            u"$OUTPUT_FIELD_SEPARATOR",
            u"$PERL_VERSION",
            u"$PERLDB",
            u"$PID",
            u"$POSTMATCH",
            u"$PREMATCH",
            u"$PROCESS_ID",
            u"$PROGRAM_NAME",
            u"$REAL_GROUP_ID",
            u"$REAL_USER_ID",
            u"$RS",
            u"$SIG",
            u"$SUBSCRIPT_SEPARATOR",
            u"$SUBSEP",
            u"$SYSTEM_FD_MAX",
            u"$UID",
            u"$WARNING",
            u"%INC",
            u"@ARGV",
            u"@INC",
            // END GENERATED PerlVariable
        },
        K::tkVariable);
    for (const auto* group : {&operators, &pragmas, &variables})
      words.insert(words.end(), group->begin(), group->end());
    return TSynHashKeywordTable(975, 515, 2423, IsPerlIdent, std::move(words));
  }();
  return table;
}

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkOperator, "Operator", &K::OperatorAttri},
    {K::tkPragma, "Pragma", &K::PragmaAttri, syn::fsBold},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Illegal Char", &K::InvalidAttri},
    {K::tkVariable, "Variable", &K::VariableAttri, syn::fsBold},
};

}  // namespace

TSynPerlSyn::TSynPerlSyn() : TSynFamilyHighlighter("TSynPerlSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  PerlKeywords();
  FinishCreate(0);
}

const TSynHashKeywordTable* TSynPerlSyn::KeywordTable() const {
  return &PerlKeywords();
}

bool TSynPerlSyn::IsIdentChar(char16_t AChar) const {
  return IsPerlIdent(AChar);
}

std::u16string TSynPerlSyn::GetSampleSource() const {
  return u"#!/usr/bin/perl\n"
         u"use strict;\n"
         u"# Count the words of each line\n"
         u"my %count;\n"
         u"while (my $line = <STDIN>) {\n"
         u"  chomp $line;\n"
         u"  $count{$_}++ for split /\\s+/, $line;\n"
         u"}\n"
         u"print \"$_: $count{$_}\\n\" foreach sort keys %count;\n"
         u"exit 0 if $ARGV[0] eq 'quiet';";
}

void TSynPerlSyn::Next() {
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
    case u'#':
      CommentProc();
      break;
    case u'"':
      DoubleQuoteProc();
      break;
    case u'\'':
      SingleQuoteProc();
      break;
    case u'&':
      OperatorProc({u"&&=", u"&&", u"&=", u"&"});
      break;
    case u'|':
      OperatorProc({u"||=", u"||", u"|=", u"|"});
      break;
    case u'*':
      OperatorProc({u"**=", u"**", u"*=", u"*"});
      break;
    case u'<':
      OperatorProc({u"<<=", u"<<", u"<=>", u"<=", u"<"});
      break;
    case u'>':
      OperatorProc({u">>=", u">>", u">=", u">"});
      break;
    case u'=':
      OperatorProc({u"==", u"=>", u"=~", u"="});
      break;
    case u'!':
      OperatorProc({u"!=", u"!~", u"!"});
      break;
    case u'-':
      OperatorProc({u"--", u"-=", u"->", u"-"});
      break;
    case u'+':
      OperatorProc({u"++", u"+=", u"+"});
      break;
    case u'/':
      OperatorProc({u"/=", u"/"});
      break;
    case u'^':
      OperatorProc({u"^=", u"^"});
      break;
    case u':':
      OperatorProc({u"::", u":"});
      break;
    case u'(':
    case u')':
    case u',':
    case u';':
    case u'?':
    case u'[':
    case u'\\':
    case u']':
    case u'{':
    case u'}':
    case u'~':
      SymbolProc(1);
      break;
    default:
      if (c <= 32)
        SpaceProc();
      else if (c == u'.' || SynIsDigit(c))
        NumberOrDotProc();
      else if (c == u'$' || c == u'%' || c == u'@' || c == u'_' || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        WordProc();
      else
        UnknownProc();  // "`" and everything from 127 up
  }
  TSynFamilyHighlighter::Next();
}

void TSynPerlSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynPerlSyn::OperatorProc(std::initializer_list<std::u16string_view> spellings) {
  // Longest first: the lists are written that way, except "<=>" after "<<", which cannot both match.
  size_t best = 1;
  for (auto s : spellings) {
    bool match = true;
    for (size_t i = 0; i < s.size() && match; ++i) match = At(Run + static_cast<int>(i)) == s[i];
    if (match && s.size() > best) best = s.size();
  }
  SymbolProc(static_cast<int>(best));
}

void TSynPerlSyn::WordProc() {
  const char16_t c = At(Run);
  const char16_t n = At(Run + 1);
  if (c == u'$') {
    // Punctuation variables: $_, $1, $!, $/ ... two characters.
    if (n == u'_' || n == u'`' || n == u'|' || n == u'~' || (n >= u'!' && n <= u'+') || (n >= u'-' && n <= u'@') ||
        n == u'[' || n == u'\\' || n == u']') {
      fTokenId = tkVariable;
      Run += 2;
      return;
    }
    if (n == u'^') {
      const char16_t v = At(Run + 2);
      if (v == u'A' || v == u'D' || v == u'F' || v == u'I' || v == u'L' || v == u'P' || v == u'T' || v == u'W' ||
          v == u'X') {
        fTokenId = tkVariable;
        Run += 3;
        return;
      }
      if (IsEndChar(v)) {
        fTokenId = tkVariable;
        Run += 2;
        return;
      }
    }
  } else if (c == u'%' || c == u'x') {
    // The hash sigil and the repetition operator stand alone at the line end or before "=".
    if (IsEndChar(n)) {
      SymbolProc(1);
      return;
    }
    if (n == u'=') {
      SymbolProc(2);
      return;
    }
  }
  const int index = HashLookup(PerlKeywords());
  fTokenId = index < 0 ? static_cast<std::uint8_t>(tkIdentifier) : PerlKeywords().At(index).Group;
  Run += fStringLen;
}

void TSynPerlSyn::NumberOrDotProc() {
  if (At(Run) == u'.') {
    const char16_t n = At(Run + 1);
    if (n == u'_' || (n >= u'A' && n <= u'Z') || (n >= u'a' && n <= u'z')) {
      SymbolProc(1);
      return;
    }
    if (n == u'.') {
      SymbolProc(At(Run + 2) == u'.' ? 3 : 2);
      return;
    }
    if (n == u'=') {
      SymbolProc(2);
      return;
    }
  }
  fTokenId = tkNumber;
  ++Run;
  for (;;) {
    const char16_t c = At(Run);
    if (c == u'.') {
      if (At(Run + 1) == u'.') break;
    } else if (c == u'-') {
      const char16_t before = At(Run - 1);
      if (before != u'e' && before != u'E') break;
    } else if (!(SynIsDigit(c) || c == u'_' || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f') || c == u'X' ||
                 c == u'x')) {
      break;
    }
    ++Run;
  }
}

void TSynPerlSyn::CommentProc() {
  fTokenId = tkComment;
  do ++Run;
  while (!IsEndChar(At(Run)));
}

void TSynPerlSyn::DoubleQuoteProc() {
  fTokenId = tkString;
  if (At(Run + 1) == u'"' && At(Run + 2) == u'"') Run += 2;
  ++Run;
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == u'"') {
      // Escaped by an odd run of backslashes right before it (never further back than the token).
      int slashes = 0;
      for (int p = Run - 1; p > fTokenPos && At(p) == u'\\'; --p) ++slashes;
      if (slashes % 2 == 0) {
        ++Run;
        return;
      }
    }
    ++Run;
  }
}

void TSynPerlSyn::SingleQuoteProc() {
  fTokenId = tkString;
  ++Run;
  while (!IsEndChar(At(Run)) && At(Run) != u'\'') ++Run;
  if (At(Run) == u'\'') ++Run;
}
