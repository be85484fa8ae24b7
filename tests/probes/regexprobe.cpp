// regexprobe: runs both regular-expression engines over JSON Lines read from stdin, one JSON line
// out per line in.
//   in:  {"engine":"wide"|"byte","op":"exec"|"all"|"replace"|"substitute"|"compile","expr":..,
//         "subject":..,"modifiers":..,"template":..,"usesub":bool}
//   out: {"ok":true} | {"match":false} | {"match":true,"groups":[[pos,len],...]} |
//        {"matches":[[pos,len],...]} | {"result":..} | {"error":code,"message":..}
// Strings carry UTF-16 code units one per JSON character (lone surrogates as \uXXXX); for the
// byte engine each character U+0000..U+00FF is one byte. The reader is our own small JSON reader
// because lone surrogates must pass through, which a strict UTF-8 JSON library refuses.
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "regex/RegExpr.h"
#include "regex/SynRegExpr.h"

namespace {

struct Value {
  enum Kind { Null, Bool, Number, String, Composite } kind = Null;
  bool b = false;
  double num = 0;
  std::u16string str;
};

class Reader {
 public:
  explicit Reader(const std::string& t) : t_(t) {}

  bool ParseObject(std::map<std::string, Value>& out) {
    Ws();
    if (!Eat('{')) return false;
    Ws();
    if (Eat('}')) return Ws(), i_ == t_.size();
    for (;;) {
      Ws();
      std::u16string key;
      if (!ParseString(key)) return false;
      Ws();
      if (!Eat(':')) return false;
      Ws();
      Value v;
      if (!ParseValue(v)) return false;
      // A key outside ASCII names no field of ours; its value is read and dropped.
      std::string k;
      bool ascii = true;
      for (char16_t c : key) {
        if (c > 0x7F) ascii = false;
        k += char(c);
      }
      if (ascii) out[k] = std::move(v);
      Ws();
      if (Eat(',')) continue;
      if (!Eat('}')) return false;
      Ws();
      return i_ == t_.size();
    }
  }

 private:
  void Ws() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\r' || t_[i_] == '\n')) ++i_;
  }
  bool Eat(char c) {
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool Lit(const char* w) {
    std::string s(w);
    if (t_.compare(i_, s.size(), s) != 0) return false;
    i_ += s.size();
    return true;
  }
  bool ParseValue(Value& v, int depth = 0) {
    if (i_ >= t_.size()) return false;
    char c = t_[i_];
    // Arrays and objects carry nothing we read (extra fields of a corpus line); they are checked
    // and skipped, nested no deeper than a corpus ever needs.
    if (c == '[' || c == '{') {
      if (depth >= 64) return false;
      const char close = c == '[' ? ']' : '}';
      ++i_;
      Ws();
      if (Eat(close)) return v.kind = Value::Composite, true;
      for (;;) {
        Ws();
        Value item;
        if (c == '{') {
          std::u16string key;
          if (!ParseString(key)) return false;
          Ws();
          if (!Eat(':')) return false;
          Ws();
        }
        if (!ParseValue(item, depth + 1)) return false;
        Ws();
        if (Eat(',')) continue;
        if (!Eat(close)) return false;
        v.kind = Value::Composite;
        return true;
      }
    }
    if (c == '"') {
      v.kind = Value::String;
      return ParseString(v.str);
    }
    if (Lit("true")) {
      v.kind = Value::Bool;
      v.b = true;
      return true;
    }
    if (Lit("false")) {
      v.kind = Value::Bool;
      return true;
    }
    if (Lit("null")) return true;
    if (c == '-' || (c >= '0' && c <= '9')) {
      std::size_t start = i_;
      ++i_;
      while (i_ < t_.size() && (std::isdigit(static_cast<unsigned char>(t_[i_])) || t_[i_] == '.' || t_[i_] == 'e' ||
                                t_[i_] == 'E' || t_[i_] == '+' || t_[i_] == '-'))
        ++i_;
      try {
        v.num = std::stod(t_.substr(start, i_ - start));
      } catch (...) {
        return false;
      }
      v.kind = Value::Number;
      return true;
    }
    return false;
  }
  int Hex4() {
    if (i_ + 4 > t_.size()) return -1;
    int v = 0;
    for (int k = 0; k < 4; ++k) {
      char c = t_[i_ + k];
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= c - '0';
      else if (c >= 'a' && c <= 'f')
        v |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        v |= c - 'A' + 10;
      else
        return -1;
    }
    i_ += 4;
    return v;
  }
  bool ParseString(std::u16string& out) {
    if (!Eat('"')) return false;
    for (;;) {
      if (i_ >= t_.size()) return false;
      unsigned char c = static_cast<unsigned char>(t_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        ++i_;
        if (i_ >= t_.size()) return false;
        char e = t_[i_++];
        switch (e) {
          case '"':
            out += u'"';
            break;
          case '\\':
            out += u'\\';
            break;
          case '/':
            out += u'/';
            break;
          case 'b':
            out += u'\b';
            break;
          case 'f':
            out += u'\f';
            break;
          case 'n':
            out += u'\n';
            break;
          case 'r':
            out += u'\r';
            break;
          case 't':
            out += u'\t';
            break;
          case 'u': {
            int v = Hex4();
            if (v < 0) return false;
            out += char16_t(v);
            break;
          }
          default:
            return false;
        }
        continue;
      }
      // UTF-8 sequence to a code point, then to UTF-16.
      char32_t cp;
      int extra;
      if (c < 0x80) {
        cp = c;
        extra = 0;
      } else if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1F;
        extra = 1;
      } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0F;
        extra = 2;
      } else if ((c & 0xF8) == 0xF0) {
        cp = c & 0x07;
        extra = 3;
      } else {
        return false;
      }
      ++i_;
      for (int k = 0; k < extra; ++k) {
        if (i_ >= t_.size()) return false;
        unsigned char cc = static_cast<unsigned char>(t_[i_++]);
        if ((cc & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (cc & 0x3F);
      }
      if (cp > 0x10FFFF) return false;
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
      } else {
        out += char16_t(cp);
      }
    }
  }

  const std::string& t_;
  std::size_t i_ = 0;
};

std::string Quote(std::u16string_view s) {
  std::string out = "\"";
  for (char16_t c : s) {
    switch (c) {
      case u'"':
        out += "\\\"";
        break;
      case u'\\':
        out += "\\\\";
        break;
      case u'\n':
        out += "\\n";
        break;
      case u'\r':
        out += "\\r";
        break;
      case u'\t':
        out += "\\t";
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += char(c);
        } else {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
          out += buf;
        }
    }
  }
  return out + "\"";
}

std::string QuoteBytes(std::string_view s) {
  std::u16string w;
  for (unsigned char c : s) w += char16_t(c);
  return Quote(w);
}

const std::string kBadInput = "{\"error\":-1,\"message\":\"bad input\"}";

std::string RunWide(const std::map<std::string, Value>& in, const std::string& op) {
  auto str = [&](const char* k) -> const Value* {
    auto it = in.find(k);
    if (it == in.end() || it->second.kind != Value::String) return nullptr;
    return &it->second;
  };
  const Value* expr = str("expr");
  if (!expr) return kBadInput;
  synregexpr::TRegExpr re;
  try {
    if (auto it = in.find("modifiers"); it != in.end() && it->second.kind != Value::Null) {
      if (it->second.kind != Value::String) return kBadInput;
      re.SetModifierStr(it->second.str);
    }
    re.SetExpression(expr->str);
    if (op == "compile") {
      re.Compile();
      return "{\"ok\":true}";
    }
    const Value* subject = str("subject");
    if (!subject) return kBadInput;
    if (op == "exec") {
      if (!re.Exec(subject->str)) return "{\"match\":false}";
      std::string out = "{\"match\":true,\"groups\":[";
      for (int i = 0; i < synregexpr::NSUBEXP; ++i) {
        if (i) out += ",";
        out += "[" + std::to_string(re.MatchPos(i)) + "," + std::to_string(re.MatchLen(i)) + "]";
      }
      return out + "]}";
    }
    if (op == "all") {
      std::string out = "{\"matches\":[";
      int count = 0;
      if (re.Exec(subject->str)) {
        do {
          if (count) out += ",";
          out += "[" + std::to_string(re.MatchPos(0)) + "," + std::to_string(re.MatchLen(0)) + "]";
          ++count;
        } while (count < 100000 && re.ExecNext());
      }
      return out + "]}";
    }
    const Value* tmpl = str("template");
    if (!tmpl) return kBadInput;
    if (op == "replace") {
      bool usesub = false;
      if (auto it = in.find("usesub"); it != in.end()) {
        if (it->second.kind != Value::Bool) return kBadInput;
        usesub = it->second.b;
      }
      return "{\"result\":" + Quote(re.Replace(subject->str, tmpl->str, usesub)) + "}";
    }
    if (op == "substitute") {
      if (!re.Exec(subject->str)) return "{\"match\":false}";
      return "{\"result\":" + Quote(re.Substitute(tmpl->str)) + "}";
    }
    return kBadInput;
  } catch (const synregexpr::ERegExpr& e) {
    std::u16string msg(e.Message().begin(), e.Message().end());
    return "{\"error\":" + std::to_string(e.ErrorCode) + ",\"message\":" + Quote(msg) + "}";
  }
}

bool ToBytes(const std::u16string& s, std::string& out) {
  for (char16_t c : s) {
    if (c > 0xFF) return false;
    out += char(c);
  }
  return true;
}

std::string RunByte(const std::map<std::string, Value>& in, const std::string& op) {
  auto it = in.find("expr");
  if (it == in.end() || it->second.kind != Value::String) return kBadInput;
  std::string expr, subject;
  if (!ToBytes(it->second.str, expr)) return kBadInput;
  if (op != "compile" && op != "exec") return kBadInput;
  if (op == "exec") {
    auto st = in.find("subject");
    if (st == in.end() || st->second.kind != Value::String || !ToBytes(st->second.str, subject)) return kBadInput;
  }
  regexpr::TRegExpr re;
  try {
    re.SetExpression(expr);
    if (op == "compile") return "{\"ok\":true}";
    return re.Exec(subject) ? "{\"match\":true}" : "{\"match\":false}";
  } catch (const Exception& e) {
    return "{\"error\":0,\"message\":" + QuoteBytes(e.Message()) + "}";
  }
}

std::string RunLine(const std::string& line) {
  std::map<std::string, Value> in;
  Reader reader(line);
  if (!reader.ParseObject(in)) return kBadInput;
  auto engine = in.find("engine");
  auto op = in.find("op");
  if (engine == in.end() || op == in.end() || engine->second.kind != Value::String || op->second.kind != Value::String)
    return kBadInput;
  std::string opName(op->second.str.begin(), op->second.str.end());
  if (engine->second.str == u"wide") return RunWide(in, opName);
  if (engine->second.str == u"byte") return RunByte(in, opName);
  return kBadInput;
}

}  // namespace

int main() {
  std::ios::sync_with_stdio(false);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string out;
    try {
      out = RunLine(line);
    } catch (const std::exception&) {
      out = kBadInput;
    }
    std::cout << out << '\n' << std::flush;
  }
  return 0;
}
