// Random expressions in the single-byte engine's syntax, for property tests of its search
// shortcuts: literal runs, escapes, sets (one member, a case pair, ranges, negated), anchors,
// groups with alternatives, and the repeats *, + and ? over any of them. Many do not compile
// ("*+ operand could be empty", "too many ()"): those are cases too.
//
// Each expression comes with a sample: a text made to match it, one alternative and one count of
// each repeat chosen at random (an anchor or a negated set may spoil it). Subjects built around
// samples reach the shapes that random texts almost never match.
#pragma once

#include <random>
#include <string>
#include <vector>

class TRandomRegExpr {
 public:
  struct TCase {
    std::string Expression, Sample;
  };

  // literals: the pieces a literal run is made of, an escape among them standing for the byte it
  // names ("\\?", "\\x00"); members: the pieces a set holds (letters and the like).
  TRandomRegExpr(std::mt19937& rng, std::vector<std::string> literals, std::vector<std::string> members)
      : rng_(rng), literals_(std::move(literals)), members_(std::move(members)) {}

  TCase Next(int depth = 2) { return Alternatives(depth); }

  // Off: no atom that takes any byte of a kind ("." and negated sets, \D and \W) or a "?".
  bool AnyBytes = true;

  // The k-th subject for made: for odd k its sample between up to three random pieces of
  // alphabet on each side (for k == 3 with one byte dropped: a near miss), for even k up to
  // maxPieces random pieces.
  std::string Subject(const TCase& made, const std::vector<std::string>& alphabet, int k, int maxPieces) {
    auto random = [&](int most) {
      std::string s;
      for (int n = Below(most + 1); n > 0; --n) s += Pick(alphabet);
      return s;
    };
    std::string out = k % 2 ? random(3) + made.Sample + random(3) : random(maxPieces);
    if (k == 3 && !out.empty()) out.erase(size_t(Below(int(out.size()))), 1);
    return out;
  }

 private:
  std::mt19937& rng_;
  std::vector<std::string> literals_, members_;

  int Below(int n) { return int(rng_() % unsigned(n)); }
  const std::string& Pick(const std::vector<std::string>& from) { return from[size_t(Below(int(from.size())))]; }

  static std::string SampleOf(const std::string& piece) {
    static const char* const escapes[][2] = {{"\\d", "7"}, {"\\D", "x"},   {"\\w", "q"},   {"\\W", "+"}, {"\\?", "?"},
                                             {"\\(", "("}, {"\\x41", "A"}, {"\\x3F", "?"}, {"\\t", "\t"}};
    if (piece.empty() || piece[0] != '\\') return piece;
    if (piece == "\\x00") return std::string(1, '\0');
    for (const auto& e : escapes)
      if (piece == e[0]) return e[1];
    return piece.substr(1);
  }

  TCase Alternatives(int depth) {
    std::vector<TCase> alternatives{Sequence(depth)};
    for (int n = Below(10) < 7 ? 0 : 1 + Below(2); n > 0; --n) alternatives.push_back(Sequence(depth));
    TCase out;
    for (const TCase& a : alternatives) out.Expression += (out.Expression.empty() ? "" : "|") + a.Expression;
    out.Sample = alternatives[size_t(Below(int(alternatives.size())))].Sample;
    return out;
  }
  TCase Sequence(int depth) {
    TCase out;
    for (int n = 1 + Below(5); n > 0; --n) {
      TCase atom = Atom(depth);
      int times = 1;
      if (Below(10) < 3) {
        const char repeat = "*+?"[Below(3)];
        atom.Expression += repeat;
        times = repeat == '+' ? 1 + Below(2) : Below(repeat == '*' ? 3 : 2);
      }
      out.Expression += atom.Expression;
      for (; times > 0; --times) out.Sample += atom.Sample;
    }
    return out;
  }
  TCase Set() {
    static const char* const extras[] = {"\\d", "\\w", "\\x41", "-"};
    const bool negated = AnyBytes && Below(4) == 0;
    const std::string open = negated ? "[^" : "[";
    const std::string& m = Pick(members_);
    TCase out{"", negated ? "+" : m};
    switch (Below(4)) {
      case 0:  // one member: a literal in the compiled program
        out.Expression = open + m + "]";
        break;
      case 1: {  // a letter in both cases, when it is one
        std::string other = m;
        if (m.size() == 1 && (m[0] | 0x20) >= 'a' && (m[0] | 0x20) <= 'z') other[0] = char(m[0] ^ 0x20);
        out.Expression = open + m + other + "]";
        break;
      }
      case 2:  // an inverted range does not compile
        out.Expression = open + m + "-" + Pick(members_) + "]";
        break;
      default:
        out.Expression = open + m + extras[Below(4)] + "]";
    }
    return out;
  }
  TCase Atom(int depth) {
    // The last four take bytes of any kind or a "?".
    static const char* const escapes[] = {"\\d", "\\w", "\\(", "\\x41", "\\t", "\\D", "\\W", "\\?", "\\x3F"};
    const int k = Below(100);
    if (k < 45) {
      TCase run;
      for (int n = 1 + Below(3); n > 0; --n) {
        const std::string& piece = Pick(literals_);
        run.Expression += piece;
        run.Sample += SampleOf(piece);
      }
      return run;
    }
    if (k < 52 && AnyBytes) return {".", SampleOf(Pick(literals_))};
    if (k < 62) {
      const std::string e = escapes[Below(AnyBytes ? 9 : 5)];
      return {e, SampleOf(e)};
    }
    if (k < 74) return Set();
    if (k < 78) return {"^", ""};
    if (k < 82) return {"$", ""};
    if (depth > 0) {
      TCase inner = Alternatives(depth - 1);
      return {"(" + inner.Expression + ")", inner.Sample};
    }
    const std::string& piece = Pick(literals_);
    return {piece, SampleOf(piece)};
  }
};
