// Both engines on searches that explode for a backtracking matcher: they end with their own limit
// error, soon, and answer the next search as usual; the repeats the search steps over in one go
// stay linear on long lines.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/CodePage.h"
#include "regex/RegExpr.h"
#include "regex/SynRegExpr.h"

namespace {

struct Case {
  const char* expr;
  std::string subject;
  bool runaway;  // ends with the limit error
  bool matches;  // otherwise: the answer
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(RunawaySearch, BothEnginesStopWithTheirOwnErrorOrStayLinear) {
  const std::string letters(40000, 'a');
  const Case cases[] = {
      {"(a|b)*[xy]", letters, true, false},
      {"(a+)+b", std::string(30, 'a') + "cb", true, false},
      {"(a|a)*b", std::string(40, 'a') + "cb", true, false},
      {"[a-z_][a-z0-9_]*\\(", "(" + letters, false, false},
      {"[a-z_][a-z0-9_]*\\(", "(" + letters + "(", false, true},
      {"a*x", letters + "bx", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expr);
    // A bound far below the default keeps the sanitizer build quick; the default only takes longer.
    synregexpr::TRegExpr wide;
    wide.SetBacktrackLimit(1000000);
    wide.SetExpression(codepage::Cp1252ToUtf16(c.expr));
    regexpr::TRegExpr byte;
    byte.SetBacktrackLimit(1000000);
    byte.SetExpression(c.expr);
    const std::u16string wideSubject = codepage::Cp1252ToUtf16(c.subject);
    auto t0 = std::chrono::steady_clock::now();
    if (c.runaway) {
      try {
        wide.Exec(wideSubject);
        ADD_FAILURE() << "wide engine: no error";
      } catch (const synregexpr::ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, synregexpr::reeBacktrackLimitExceeded);
        EXPECT_EQ(e.Message(), "TRegExpr(exec): Backtrack Limit Exceeded");
      }
      EXPECT_THROW(
          {
            try {
              byte.Exec(c.subject);
            } catch (const regexpr::ERegExpr& e) {
              EXPECT_EQ(e.Message(), "Exec: backtrack limit exceeded");
              throw;
            }
          },
          regexpr::ERegExpr);
    } else {
      EXPECT_EQ(wide.Exec(wideSubject), c.matches);
      EXPECT_EQ(byte.Exec(c.subject), c.matches);
    }
    EXPECT_LT(Seconds(t0), 20.0);  // generous for sanitizer builds; quadratic work takes minutes
    // The engines are not left in a broken state.
    EXPECT_TRUE(wide.Exec(u"xbab(ayx"));
    EXPECT_TRUE(byte.Exec("xbab(ayx"));
  }
}
