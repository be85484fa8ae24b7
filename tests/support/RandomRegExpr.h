// Random expressions in the single-byte engine's syntax, for property tests of its search
// shortcuts: literal runs, escapes, sets (one member, a case pair, ranges, negated), anchors,
// groups with alternatives, and the repeats *, + and ? over any of them. Many do not compile
// ("*+ operand could be empty", "too many ()"): those are cases too.
#pragma once

#include <random>
#include <string>
#include <vector>

class TRandomRegExpr {
 public:
  // literals: the pieces a literal run is made of (no operator among them, unless meant);
  // members: the pieces a set holds (letters and the like).
  TRandomRegExpr(std::mt19937& rng, std::vector<std::string> literals, std::vector<std::string> members)
      : rng_(rng), literals_(std::move(literals)), members_(std::move(members)) {}

  std::string Expression(int depth = 2) { return Alternatives(depth); }

 private:
  std::mt19937& rng_;
  std::vector<std::string> literals_, members_;

  int Below(int n) { return int(rng_() % unsigned(n)); }
  const std::string& Pick(const std::vector<std::string>& from) { return from[size_t(Below(int(from.size())))]; }

  std::string Alternatives(int depth) {
    std::string out = Sequence(depth);
    for (int n = Below(10) < 7 ? 0 : 1 + Below(2); n > 0; --n) out += "|" + Sequence(depth);
    return out;
  }
  std::string Sequence(int depth) {
    std::string out;
    for (int n = 1 + Below(5); n > 0; --n) {
      out += Atom(depth);
      if (Below(10) < 3) out += "*+?"[Below(3)];
    }
    return out;
  }
  std::string Set() {
    static const char* const escapes[] = {"\\d", "\\w", "\\x41", "-"};
    std::string out = Below(4) == 0 ? "[^" : "[";
    switch (Below(4)) {
      case 0:  // one member: a literal in the compiled program
        return out + Pick(members_) + "]";
      case 1: {  // a letter in both cases, when it is one
        const std::string& m = Pick(members_);
        std::string other = m;
        if (m.size() == 1 && ((m[0] | 0x20) >= 'a' && (m[0] | 0x20) <= 'z')) other[0] = char(m[0] ^ 0x20);
        return out + m + other + "]";
      }
      case 2:
        return out + Pick(members_) + "-" + Pick(members_) + "]";  // an inverted range does not compile
      default:
        return out + Pick(members_) + escapes[Below(4)] + "]";
    }
  }
  std::string Atom(int depth) {
    static const char* const escapes[] = {"\\d", "\\D", "\\w", "\\W", "\\?", "\\(", "\\x41", "\\x3F", "\\t"};
    const int k = Below(100);
    if (k < 45) {
      std::string run;
      for (int n = 1 + Below(3); n > 0; --n) run += Pick(literals_);
      return run;
    }
    if (k < 52) return ".";
    if (k < 62) return escapes[Below(9)];
    if (k < 74) return Set();
    if (k < 78) return "^";
    if (k < 82) return "$";
    if (depth > 0) return "(" + Alternatives(depth - 1) + ")";
    return Pick(literals_);
  }
};
