// The editor control's BufferToDisplayPos and DisplayToBufferPos against a Python transcription of
// the rules (tests/interop/editor_coords.py) on 10,000 random positions in random texts with tabs,
// wide glyphs, surrogate pairs, combining marks and control characters.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "SynPadRecordingHost.h"
#include "TestSupport.h"

namespace {

TEST(EditorCoordsInterop, MatchesThePythonTranscription) {
  REQUIRE_TOOL(python, "python3");
  std::mt19937 rng(2024);
  const char16_t alphabet[] = {u'a',   u'Z',   u' ',   u'\t',  u'\t',  0x4E2D, 0xAC00, 0xFF21,
                               0xD83D, 0xDE00, 0x0301, 0x200B, 0x0007, 0x00E9, u'_'};
  std::ostringstream script;
  std::vector<std::pair<TSynRecordingHost*, std::unique_ptr<TSynPad>>> pads;
  struct Query {
    size_t pad;
    bool toDisplay;
    int a, b;
  };
  std::vector<Query> queries;
  std::vector<std::unique_ptr<TSynRecordingHost>> hosts;
  for (size_t t = 0; t < 100; ++t) {
    hosts.push_back(std::make_unique<TSynRecordingHost>());
    auto pad = std::make_unique<TSynPad>(hosts.back().get());
    const int tab = 1 + static_cast<int>(rng() % 10);
    pad->SetTabWidth(tab);
    std::u16string text;
    const int lines = 1 + static_cast<int>(rng() % 6);
    script << "T " << tab << "\n";
    for (int l = 0; l < lines; ++l) {
      std::u16string line;
      const int len = static_cast<int>(rng() % 50);
      for (int i = 0; i < len; ++i) line.push_back(alphabet[rng() % std::size(alphabet)]);
      script << "L ";
      char hex[8];
      for (char16_t c : line) {
        std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(c));
        script << hex;
      }
      script << "\n";
      text += line;
      if (l + 1 < lines) text += u"\n";
    }
    pad->SetText(text);
    ASSERT_EQ(pad->LineCount(), lines);
    for (int q = 0; q < 100; ++q) {
      const bool toDisplay = rng() % 2 == 0;
      const int a = static_cast<int>(rng() % 70) - 2, b = static_cast<int>(rng() % (lines + 3)) - 1;
      queries.push_back(Query{t, toDisplay, a, b});
      script << (toDisplay ? "B " : "D ") << a << " " << b << "\n";
    }
    pads.emplace_back(hosts.back().get(), std::move(pad));
  }
  const std::string py = std::string(TESSARYN_SOURCE_DIR) + "/tests/interop/editor_coords.py";
  const testsupport::ProcessResult r = testsupport::RunProcess(python, {py}, script.str());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream answers(r.out);
  int mismatches = 0;
  for (const Query& q : queries) {
    int x = 0, y = 0;
    ASSERT_TRUE(answers >> x >> y) << "python gave fewer answers";
    TSynPad& e = *pads[q.pad].second;
    std::pair<int, int> ours;
    if (q.toDisplay) {
      const TDisplayCoord d = e.BufferToDisplayPos(TBufferCoord{q.a, q.b});
      ours = {d.Column, d.Row};
    } else {
      const TBufferCoord b = e.DisplayToBufferPos(TDisplayCoord{q.a, q.b});
      ours = {b.Char, b.Line};
    }
    if (ours != std::make_pair(x, y) && ++mismatches <= 10)
      ADD_FAILURE() << (q.toDisplay ? "b2d " : "d2b ") << q.a << " " << q.b << " in text " << q.pad << ": ours "
                    << ours.first << " " << ours.second << ", python " << x << " " << y;
  }
  EXPECT_EQ(mismatches, 0) << "of " << queries.size();
  EXPECT_EQ(queries.size(), 10000u);
}

}  // namespace
