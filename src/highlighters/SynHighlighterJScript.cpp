#include "highlighters/SynHighlighterJScript.h"

namespace {

const TSynHashKeywordTable& JScriptKeywords() {
  static const TSynHashKeywordTable table = [] {
    // Each word's group is the kind it gives.
    auto words = SynKeywordWords(
        {
            u"abstract",  u"boolean",    u"break",        u"byte",        u"callee",     u"case",     u"catch",
            u"char",      u"class",      u"const",        u"constructor", u"continue",   u"debugger", u"default",
            u"delete",    u"do",         u"double",       u"else",        u"enum",       u"export",   u"extends",
            u"false",     u"final",      u"finally",      u"float",       u"for",        u"function", u"goto",
            u"if",        u"implements", u"import",       u"in",          u"instanceof", u"int",      u"interface",
            u"long",      u"NaN",        u"native",       u"new",         u"null",       u"package",  u"private",
            u"protected", u"prototype",  u"public",       u"return",      u"short",      u"start",    u"static",
            u"super",     u"switch",     u"synchronized", u"this",        u"throw",      u"throws",   u"transient",
            u"true",      u"try",        u"typeof",       u"var",         u"void",       u"while",    u"with",
        },
        TSynJScriptSyn::tkKey);
    auto events = SynKeywordWords(
        {
            u"onAbort",     u"onBlur",     u"onChange", u"onClick",  u"onDblClick",  u"onError",     u"onFocus",
            u"onKeyDown",   u"onKeyPress", u"onKeyUp",  u"onLoad",   u"onMouseDown", u"onMouseMove", u"onMouseOut",
            u"onMouseOver", u"onMouseUp",  u"onReset",  u"onSelect", u"onSubmit",    u"onUnload",
        },
        TSynJScriptSyn::tkEvent);
    auto objects = SynKeywordWords(
        {
            u"abs",
            u"acos",
            u"action",
            u"alert",
            u"align",
            u"alinkColor",
            u"all",
            u"All",
            u"anchor",
            u"Anchor",
            u"anchors",
            u"appCodeName",
            u"Applet",
            u"applets",
            u"appName",
            u"appVersion",
            u"Area",
            u"arguments",
            u"Arguments",
            u"Array",
            u"asin",
            u"atan",
            u"atan2",
            u"back",
            u"background",
            u"bgColor",
            u"big",
            u"blink",
            u"blur",
            u"body",
            u"bold",
            u"Boolean",
            u"border",
            u"bottom",
            u"Button",
            u"call",
            u"caller",
            u"captureEvents",
            u"ceil",
            u"charAt",
            u"charCodeAt",
            u"Checkbox",
            u"checked",
            u"clear",
            u"clearInterval",
            u"clearTimeout",
            u"click",
            u"close",
            u"closed",
            u"color",
            u"complete",
            u"concat",
            u"confirm",
            u"cookie",
            u"cos",
            u"current",
            u"Date",
            u"defaultChecked",
            u"defaultSelected",
            u"defaultStatus",
            u"defaultValue",
            u"description",
            u"display",
            u"document",
            u"domain",
            u"E",
            u"elements",
            u"Embed",
            u"embeds",
            u"enabledPlugin",
            u"encoding",
            u"escape",
            u"eval",
            u"event",
            u"exp",
            u"fgColor",
            u"filename",
            u"FileUpload",
            u"find",
            u"fixed",
            u"Float",
            u"floor",
            u"focus",
            u"fontcolor",
            u"fontsize",
            u"form",
            u"Form",
            u"forms",
            u"forward",
            u"Frame",
            u"frames",
            u"fromCharCode",
            u"Function",
            u"getDate",
            u"getDay",
            u"getElementById",
            u"getFullYear",
            u"getHours",
            u"getMilliseconds",
            u"getMinutes",
            u"getMonth",
            u"getSeconds",
            u"getTime",
            u"getTimezoneOffset",
            u"getUTCDate",
            u"getUTCDay",
            u"getUTCFullYear",
            u"getUTCHours",
            u"getUTCMilliseconds",
            u"getUTCMinutes",
            u"getUTCMonth",
            u"getUTCSeconds",
            u"getYear",
            u"Global",
            u"go",
            u"handleEvent",
            u"hash",
            u"height",
            u"Hidden",
            u"history",
            u"History",
            u"home",
            u"host",
            u"hostname",
            u"href",
            u"hspace",
            u"Image",
            u"images",
            u"index",
            u"indexOf",
            u"Infinity",
            u"innerHeight",
            u"innerWidth",
            u"input",
            u"isFinite",
            u"isNaN",
            u"italics",
            u"java",
            u"javaEnabled",
            u"join",
            u"lastIndexOf",
            u"lastModified",
            u"Layer",
            u"layers",
            u"left",
            u"length",
            u"link",
            u"Link",
            u"linkColor",
            u"links",
            u"LN10",
            u"LN2",
            u"location",
            u"Location",
            u"locationbar",
            u"log",
            u"LOG10E",
            u"LOG2E",
            u"logon",
            u"lowsrc",
            u"match",
            u"Math",
            u"max",
            u"MAX_VALUE",
            u"menubar",
            u"method",
            u"MimeType",
            u"mimeTypes",
            u"min",
            u"MIN_VALUE",
            u"moveBy",
            u"moveTo",
            u"name",
            u"navigator",
            u"Navigator",
            u"NEGATIVE_INFINITY",
            u"netscape",
            u"next",
            u"Null",
            u"Number",
            u"Object",
            u"open",
            u"opener",
            u"Option",
            u"options",
            u"outerHeight",
            u"outerWidth",
            u"Packages",
            u"pageX",
            u"pageXOffset",
            u"pageY",
            u"pageYOffset",
            u"parent",
            u"parse",
            u"parseFloat",
            u"parseInt",
            u"Password",
            u"pathname",
            u"personalbar",
            u"PI",
            u"platform",
            u"Plugin",
            u"plugins",
            u"port",
            u"POSITIVE_INFINITY",
            u"pow",
            u"previous",
            u"print",
            u"prompt",
            u"protocol",
            u"Radio",
            u"random",
            u"referrer",
            u"refresh",
            u"RegExp",
            u"releaseEvents",
            u"reload",
            u"replace",
            u"reset",
            u"Reset",
            u"resizeBy",
            u"resizeTo",
            u"reverse",
            u"right",
            u"round",
            u"routeEvent",
            u"screen",
            u"scroll",
            u"scrollbars",
            u"scrollBy",
            u"scrollTo",
            u"search",
            u"select",
            u"Select",
            u"selected",
            u"selectedIndex",
            u"self",
            u"setDate",
            u"setFullYear",
            u"setHours",
            u"setInterval",
            u"setMilliseconds",
            u"setMinutes",
            u"setMonth",
            u"setSeconds",
            u"setTime",
            u"setTimeout",
            u"setUTCDate",
            u"setUTCFullYear",
            u"setUTCHours",
            u"setUTCMilliseconds",
            u"setUTCMinutes",
            u"setUTCMonth",
            u"setUTCSeconds",
            u"setYear",
            u"sin",
            u"slice",
            u"small",
            u"sort",
            u"split",
            u"sqrt",
            u"SQRT1_2",
            u"SQRT2",
            u"src",
            u"status",
            u"statusbar",
            u"stop",
            u"strike",
            u"String",
            u"style",
            u"sub",
            u"submit",
            u"Submit",
            u"substr",
            u"substring",
            u"suffixes",
            u"sup",
            u"tags",
            u"taint",
            u"taintEnabled",
            u"tan",
            u"target",
            u"text",
            u"Text",
            u"Textarea",
            u"title",
            u"toGMTString",
            u"toLocaleString",
            u"toLowerCase",
            u"toolbar",
            u"top",
            u"toSource",
            u"toString",
            u"toUpperCase",
            u"toUTCString",
            u"type",
            u"undefined",
            u"Undefined",
            u"unescape",
            u"untaint",
            u"unwatch",
            u"URL",
            u"userAgent",
            u"UTC",
            u"value",
            u"valueOf",
            u"visibility",
            u"vlinkColor",
            u"vspace",
            u"watch",
            u"width",
            u"window",
            u"Window",
            u"write",
            u"writeln",
            u"zIndex",
        },
        TSynJScriptSyn::tkNonReservedKey);
    words.insert(words.end(), events.begin(), events.end());
    words.insert(words.end(), objects.begin(), objects.end());
    return TSynHashKeywordTable(751, 148, 5153, SynIsWordChar, std::move(words));
  }();
  return table;
}

using K = TSynJScriptSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Identifier", &K::IdentifierAttri},
    {K::tkNonReservedKey, "Non-reserved Keyword", &K::NonReservedKeyAttri},
    {K::tkEvent, "Event", &K::EventAttri},
};

}  // namespace

TSynJScriptSyn::TSynJScriptSyn() : TSynFamilyHighlighter("TSynJScriptSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  JScriptKeywords();
  FinishCreate(rsUnknown);
}

const TSynHashKeywordTable* TSynJScriptSyn::KeywordTable() const {
  return &JScriptKeywords();
}

std::u16string TSynJScriptSyn::GetSampleSource() const {
  return u"// Syntax highlighting\n"
         u"function printNumber()\n"
         u"{\n"
         u"  var number = 1234;\n"
         u"  var x;\n"
         u"  document.write(\"The number is \" + number);\n"
         u"  for (var i = 0; i <= number; i++)\n"
         u"  {\n"
         u"    x++;\n"
         u"    x--;\n"
         u"    x += 1.0;\n"
         u"  }\n"
         u"  i += @; /* illegal character */\n"
         u"}\n"
         u"body.onLoad = printNumber;";
}

void TSynJScriptSyn::Next() {
  fTokenPos = Run;
  if (fRange == rsANSI) {
    CommentProc();
  } else {
    const char16_t c = At(Run);
    const char16_t n = At(Run + 1);
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
      case u'\'':
        StringProc();
        break;
      case u'/':
        SlashProc();
        break;
      case u'.':
        SymbolProc(n == u'.' && At(Run + 2) == u'.' ? 3 : 1);
        break;
      case u'&':
        SymbolProc(n == u'&' || n == u'=' ? 2 : 1);
        break;
      case u'|':
        SymbolProc(n == u'|' || n == u'=' ? 2 : 1);
        break;
      case u'+':
        SymbolProc(n == u'+' || n == u'=' ? 2 : 1);
        break;
      case u'-':
        SymbolProc(n == u'-' || n == u'=' || n == u'>' ? 2 : 1);
        break;
      case u'*':
      case u'%':
        SymbolProc(n == u'=' ? 2 : 1);
        break;
      case u'!':
      case u'(':
      case u')':
      case u',':
      case u':':
      case u';':
      case u'<':
      case u'=':
      case u'>':
      case u'?':
      case u'[':
      case u']':
      case u'{':
      case u'}':
      case u'~':
        SymbolProc(1);
        break;
      default:
        if (SynIsDigit(c))
          NumberProc();
        else if (c <= 32)
          SpaceProc();
        else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')
          IdentProc();
        else
          UnknownProc();  // # $ @ \ ^ ` and everything from 127 up
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynJScriptSyn::IdentProc() {
  const int index = HashLookup(JScriptKeywords());
  fTokenId = index >= 0 ? JScriptKeywords().At(index).Group : static_cast<std::uint8_t>(tkIdentifier);
  Run += fStringLen;
}

void TSynJScriptSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynJScriptSyn::NumberProc() {
  fTokenId = tkNumber;
  const int start = Run;
  bool hex = false;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (SynIsDigit(c)) {
      ++Run;
    } else if (c == u'.') {
      if (At(Run + 1) == u'.') return;
      ++Run;
    } else if ((c == u'x' || c == u'X') && Run == start + 1 && At(start) == u'0' && SynIsHexDigit(At(Run + 1))) {
      hex = true;
      ++Run;
    } else if (hex && SynIsHexDigit(c)) {
      ++Run;
    } else {
      return;
    }
  }
}

void TSynJScriptSyn::StringProc() {
  fTokenId = tkString;
  const char16_t quote = At(Run);
  if (At(Run + 1) == quote && At(Run + 2) == quote) Run += 2;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == quote && At(Run - 1) != u'\\') {
      ++Run;
      return;
    }
    ++Run;
  }
}

void TSynJScriptSyn::CommentScan() {
  fTokenId = tkComment;
  if (!SkipPast(u'*', u'/')) return;
  fRange = rsUnknown;
}

void TSynJScriptSyn::CommentProc() {
  // At the run position, each time: the open comment is also entered at its line's terminator.
  if (LineEndProc()) return;
  CommentScan();
}

void TSynJScriptSyn::SlashProc() {
  const char16_t n = At(Run + 1);
  if (n == u'/') {
    fTokenId = tkComment;
    while (!IsEndChar(At(Run))) ++Run;
  } else if (n == u'*') {
    fRange = rsANSI;
    Run += 2;
    CommentScan();
  } else {
    SymbolProc(n == u'=' ? 2 : 1);
  }
}
