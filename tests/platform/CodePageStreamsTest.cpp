#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/SharedWork.h"
#include "platform/Streams.h"
#include "platform/Timers.h"

using namespace codepage;

namespace {
// How many more threads may be started; negative: as many as the system gives.
std::atomic<int> threadsLeft{-1};
// Threads started so far, by anyone.
std::atomic<int> threadsCreated{0};

// While alive, at most `allowed` threads can be started, as on a system out of threads.
struct TThreadLimit {
  explicit TThreadLimit(int allowed) { threadsLeft = allowed; }
  ~TThreadLimit() { threadsLeft = -1; }
};
}  // namespace

// Stands in for the system's pthread_create (which std::thread and std::async call), so that a test
// can make thread creation fail; otherwise the call goes on to the next definition (the sanitizer's,
// then the C library's).
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) noexcept {
  using TCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto next = reinterpret_cast<TCreate>(dlsym(RTLD_NEXT, "pthread_create"));
  for (int left = threadsLeft.load(); left >= 0;) {
    if (left == 0) return EAGAIN;
    if (threadsLeft.compare_exchange_weak(left, left - 1)) break;
  }
  ++threadsCreated;
  return next(thread, attr, start, arg);
}

TEST(CodePage, EveryByteRoundTripsThroughUtf16AndUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_TRUE(IsCp1252Representable(Cp1252ToUtf8(all)));
}

// Short texts are converted on the stack, long ones in two passes (size, then bytes); both against
// the conversion through UTF-16, on texts dense and sparse in bytes beyond ASCII, at every length
// around the word and the stack limits.
TEST(CodePage, Cp1252ToUtf8MatchesTheConversionThroughUtf16) {
  std::mt19937 rng(1252);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 40; ++n) lengths.push_back(n);
  for (size_t n : {8183u, 8191u, 8192u, 8193u, 8200u, 8207u, 8208u, 30001u}) lengths.push_back(n);
  for (size_t n : lengths)
    for (unsigned highOneIn : {1u, 3u, 20u}) {
      std::string bytes(n, ' ');
      for (char& c : bytes) c = static_cast<char>(rng() % highOneIn == 0 ? 0x80 + rng() % 128 : 0x20 + rng() % 95);
      SCOPED_TRACE(testing::Message() << n << " bytes, one in " << highOneIn << " beyond ASCII");
      ASSERT_EQ(Cp1252ToUtf8(bytes), Utf16ToUtf8(Cp1252ToUtf16(bytes)));
    }
}

TEST(CodePage, HighRangeUsesTheWindowsTable) {
  EXPECT_EQ(Cp1252ToChar(0x80), u'\u20AC');
  EXPECT_EQ(Cp1252ToChar(0x9F), u'\u0178');
  EXPECT_EQ(Cp1252ToChar(0xE9), u'\u00E9');
  EXPECT_EQ(CharToCp1252(U'\u2122'), 0x99);
  EXPECT_EQ(CharToCp1252(U'\u03C0'), -1);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), "\x80");
}

TEST(CodePage, CharactersOutsideAreReplacedAndDetected) {
  std::string text = "a\xE2\x86\x92 \xCF\x80 \xE4\xB8\xAD";  // "a→ π 中"
  EXPECT_FALSE(IsCp1252Representable(text));
  EXPECT_EQ(Utf8ToCp1252(text), "a? ? ?");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_TRUE(IsCp1252Representable(std::string("plain ascii")));
}

TEST(CodePage, SupplementaryPlaneAndMalformedUtf8) {
  std::string emoji = "\xF0\x9F\x98\x80";
  std::u16string wide = Utf8ToUtf16(emoji);
  ASSERT_EQ(wide.size(), 2u);
  EXPECT_EQ(Utf16ToUtf8(wide), emoji);
  EXPECT_EQ(Utf16ToCp1252(wide), "?");  // one code point, one replacement
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_FALSE(IsCp1252Representable(std::string("\xFF")));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// Text said to be UTF-8 made well formed: each byte of each kind of bad sequence becomes U+FFFD in its
// place (a lone surrogate, a stray byte, a cut sequence, overlong forms, beyond U+10FFFF, bytes no
// UTF-8 holds), everything else stays byte for byte, a U+FFFD written in the text included. Random
// mixtures of good and bad pieces, with ASCII runs longer and shorter than a word, against the
// expected bytes built beside them; the result repaired again is left alone.
TEST(CodePage, RepairUtf8ReplacesEachBadByteAndNothingElse) {
  const std::string good[] = {"a",
                              "\xC3\xA9",          // é
                              "\xE2\x82\xAC",      // €
                              "\xEF\xBF\xBD",      // U+FFFD itself
                              "\xF0\x9F\x98\x80",  // an emoji
                              "\xF4\x8F\xBF\xBF",  // U+10FFFF
                              "\xED\x9F\xBF",      // U+D7FF, before the surrogates
                              "\xEE\x80\x80"};     // U+E000, after them
  // The bytes of each bad piece are all bad wherever it stands: a cut sequence ends in ASCII.
  struct Bad {
    std::string bytes;
    size_t replaced;
  };
  const Bad bad[] = {{"\xED\xA0\x80", 3},           // a lone surrogate
                     {"\xED\xBF\xBF", 3},           // its last
                     {"\xFF", 1},                   // a byte no UTF-8 holds
                     {"\xFE", 1},                   //
                     {"\xC0", 1},                   //
                     {"\x80", 1},                   // a stray continuation byte
                     {"\xBF", 1},                   //
                     {"\xF0\x9F\x98x", 3},          // cut, then ASCII
                     {"\xE2\x82x", 2},              //
                     {"\xC3x", 1},                  //
                     {"\xC0\xAF", 2},               // overlong "/"
                     {"\xE0\x80\xAF", 3},           // overlong, three bytes
                     {"\xF0\x80\x80\xAF", 4},       // overlong, four bytes
                     {"\xF4\x90\x80\x80", 4},       // beyond U+10FFFF
                     {"\xF8\x88\x80\x80\x80", 5}};  // a five-byte form
  const std::string fffd = "\xEF\xBF\xBD";
  // Each kind alone, as a line of its own after a first line.
  for (const Bad& b : bad) {
    std::string text = "first line\nab" + b.bytes + "cd";
    const TUtf8Repair r = RepairUtf8(text);
    EXPECT_EQ(r.Replaced, b.replaced) << testing::PrintToString(b.bytes);
    EXPECT_EQ(r.First, 13u);
  }
  std::mt19937 rng(52);
  for (int round = 0; round < 4000; ++round) {
    std::string text, expected;
    size_t replaced = 0, first = std::string::npos;
    const int count = static_cast<int>(rng() % 10);
    for (int k = 0; k < count; ++k) {
      std::string ascii(rng() % 3 == 0 ? rng() % 30 : rng() % 3, 'a');
      for (char& c : ascii) c = static_cast<char>(' ' + rng() % 95);
      text += ascii;
      expected += ascii;
      if (rng() % 3 == 0) {
        const Bad& b = bad[rng() % std::size(bad)];
        if (first == std::string::npos) first = text.size();
        for (unsigned char c : b.bytes) expected += c < 0x80 ? std::string(1, static_cast<char>(c)) : fffd;
        text += b.bytes;
        replaced += b.replaced;
      } else {
        const std::string& g = good[rng() % std::size(good)];
        text += g;
        expected += g;
      }
    }
    SCOPED_TRACE(testing::PrintToString(text));
    std::string repaired = text;
    const TUtf8Repair r = RepairUtf8(repaired);
    EXPECT_EQ(repaired, expected);
    EXPECT_EQ(r.Replaced, replaced);
    EXPECT_EQ(r.First, first);
    EXPECT_EQ(RepairUtf8(repaired).Replaced, 0u);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), expected);  // what an editor would make of it
  }
  // Any bytes at all: the repair is what decoding and encoding again make of them, each U+FFFD of a
  // bad byte counted (the decoder is the program's other reading of UTF-8).
  for (int round = 0; round < 20000; ++round) {
    std::string bytes(rng() % 24, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 4 ? 0x80 + rng() % 0x80 : rng() % 0x80);
    std::string repaired = bytes;
    const TUtf8Repair r = RepairUtf8(repaired);
    ASSERT_EQ(repaired, Utf16ToUtf8(Utf8ToUtf16(bytes))) << testing::PrintToString(bytes);
    size_t written = 0, kept = 0;
    for (size_t at = repaired.find(fffd); at != std::string::npos; at = repaired.find(fffd, at + 3)) ++written;
    for (size_t at = bytes.find(fffd); at != std::string::npos; at = bytes.find(fffd, at + 3)) ++kept;
    ASSERT_EQ(r.Replaced, written - kept) << testing::PrintToString(bytes);
  }
}

// The table and ASCII-run conversions against a reference that decodes one character at a time and
// searches the code page's 256 characters: random texts of ASCII runs (short and longer than a
// word), every character of the code page beyond ASCII, characters outside it and malformed bytes.
TEST(CodePage, TableConversionsAgreeWithACharacterByCharacterReference) {
  auto byteOf = [](char32_t cp) {
    for (int b = 0; b < 256; ++b)
      if (Cp1252ToChar(static_cast<unsigned char>(b)) == cp) return b;
    return -1;
  };
  for (char32_t cp = 0; cp < 0x2200; ++cp)
    ASSERT_EQ(CharToCp1252(cp), byteOf(cp)) << std::hex << static_cast<uint32_t>(cp);
  for (char32_t cp : {U'\uFFFD', U'\uFEFF', U'\U0001F600', U'\U0010FFFF'}) EXPECT_EQ(CharToCp1252(cp), -1);

  struct Piece {
    std::string utf8;
    std::string bytes;  // what Utf8ToCp1252 makes of it
    bool inside;        // every character has a byte
  };
  std::vector<Piece> pieces;
  for (int b = 0x80; b < 0x100; ++b)
    pieces.push_back({Utf16ToUtf8(std::u16string(1, Cp1252ToChar(static_cast<unsigned char>(b)))),
                      std::string(1, static_cast<char>(b)), true});
  for (const char* outside : {"\xE2\x86\x92", "\xCF\x80", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC2\x80", "\xC2\x9F"})
    pieces.push_back({outside, "?", false});
  for (const char* malformed : {"\x80", "\xFF", "\xC3("})
    pieces.push_back({malformed, std::string(malformed) == "\xC3(" ? "?(" : "?", false});

  std::mt19937 rng(29);
  for (int round = 0; round < 3000; ++round) {
    std::string text, expected;
    bool inside = true;
    const int count = static_cast<int>(rng() % 8);
    for (int k = 0; k < count; ++k) {
      std::string ascii(rng() % 3 == 0 ? rng() % 40 : rng() % 4, 'a');
      for (char& c : ascii) c = static_cast<char>(' ' + rng() % 95);
      text += ascii;
      expected += ascii;
      // Mostly characters of the code page, as in real text.
      const Piece& p = rng() % 5 ? pieces[rng() % 128] : pieces[128 + rng() % (pieces.size() - 128)];
      text += p.utf8;
      expected += p.bytes;
      inside = inside && p.inside;
    }
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_EQ(IsCp1252Representable(text), inside);
    EXPECT_EQ(Utf8ToCp1252(text), expected);
    if (inside) {
      EXPECT_EQ(Cp1252ToUtf8(expected), text);
    }
    // In place, behind a head that stays as it is.
    const std::string head =
        "h\xC3\xA9"
        "ad ";
    std::string narrowed = head + text;
    EXPECT_EQ(NarrowUtf8ToCp1252(narrowed, head.size()), inside);
    if (inside) {
      EXPECT_EQ(narrowed, head + expected);
    }
  }
}

TEST(Streams, MemoryStreamReadWriteSeek) {
  TMemoryStream m;
  m.WriteString("hello");
  EXPECT_EQ(m.Size(), 5);
  m.Seek(-2, TSeekOrigin::soEnd);
  EXPECT_EQ(m.ReadRest(), "lo");
  m.SetPosition(7);
  m.WriteString("!");
  EXPECT_EQ(m.Bytes(), std::string("hello\0\0!", 8));
  char buf[4];
  m.SetPosition(6);
  EXPECT_EQ(m.Read(buf, 4), 2);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
}

TEST(Streams, FileStreamErrorsNameThePath) {
  testsupport::TempDir tmp;
  std::string missing = tmp.File("missing.bin");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(missing), std::string::npos);
    EXPECT_NE(e.Message().find("No such file"), std::string::npos);
  }
  EXPECT_THROW(TFileStream(tmp.File("no/such/dir.bin"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(tmp.Path().string(), fmOpenRead), EFOpenError);
}

TEST(Streams, FileStreamAndMemoryStreamAgree) {
  testsupport::TempDir tmp;
  std::string path = tmp.File("data.bin");
  std::string bytes;
  std::mt19937 rng(7);
  for (int i = 0; i < 3'000'000; ++i) bytes += static_cast<char>(rng());
  TMemoryStream src(bytes);
  src.SaveToFile(path);
  EXPECT_EQ(testsupport::ReadFile(path), bytes);
  TFileStream f(path, fmOpenReadWrite);
  f.Seek(10, TSeekOrigin::soBeginning);
  TMemoryStream copy;
  copy.CopyFrom(f, f.Size() - 10);
  EXPECT_EQ(copy.Bytes(), bytes.substr(10));
  f.SetSize(3);
  EXPECT_EQ(f.Size(), 3);
  TMemoryStream back;
  back.LoadFromStream(f);
  EXPECT_EQ(back.Bytes(), bytes.substr(0, 3));
}

// A large file is read in pieces side by side: the bytes are the file's from the position on, in
// order, whatever the pieces' borders, and the position ends after them.
TEST(Streams, ALargeFileReadInPiecesIsTheFileFromThePositionOn) {
  testsupport::TempDir tmp;
  const std::string path = tmp.File("large.bin");
  std::string bytes((size_t{9} << 20) + 4097, '\0');
  std::mt19937 rng(11);
  for (char& c : bytes) c = static_cast<char>(rng());
  TMemoryStream(bytes).SaveToFile(path);
  for (int64_t at : {int64_t{0}, int64_t{3}, int64_t{4096}}) {
    TFileStream f(path, fmOpenRead);
    f.Seek(at, TSeekOrigin::soBeginning);
    const std::string rest = f.ReadRest();
    EXPECT_TRUE(rest == bytes.substr(static_cast<size_t>(at))) << "from " << at << ": " << rest.size() << " bytes";
    EXPECT_EQ(f.Position(), static_cast<int64_t>(bytes.size()));
  }
}

// Shared work runs every share once, the first here; a share that fails is told only after every
// other share has ended, so none is still running over what the caller frees.
TEST(SharedWork, EveryShareRunsOnceAndAFailureWaitsForTheOthers) {
  std::vector<std::atomic<int>> runs(6);
  std::thread::id first;
  platform::RunShared(runs.size(), [&](size_t k) {
    if (k == 0) first = std::this_thread::get_id();
    ++runs[k];
  });
  for (const std::atomic<int>& n : runs) EXPECT_EQ(n.load(), 1);
  EXPECT_EQ(first, std::this_thread::get_id());
  platform::RunShared(0, [](size_t) { FAIL() << "no share to run"; });

  std::atomic<int> ended{0};
  EXPECT_THROW(platform::RunShared(4,
                                   [&](size_t k) {
                                     if (k == 1) throw std::runtime_error("share 1");
                                     std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                     ++ended;
                                   }),
               std::runtime_error);
  EXPECT_EQ(ended.load(), 3);
  EXPECT_GE(platform::SharedWorkThreads(), 1u);
  EXPECT_LE(platform::SharedWorkThreads(), 4u);
  // A search takes every processor up to eight, and never fewer threads than other work.
  EXPECT_GE(platform::SharedSearchThreads(), platform::SharedWorkThreads());
  EXPECT_EQ(platform::SharedSearchThreads(), std::clamp(std::thread::hardware_concurrency(), 1u, 8u));

  // Many small runs one after the other: helpers started late find every share taken (this thread
  // takes what they have not) and end without touching work that is gone by then.
  for (int round = 0; round < 2000; ++round) {
    auto counts = std::make_unique<std::atomic<int>[]>(4);
    platform::RunShared(4, [&counts](size_t k) { ++counts[k]; });
    for (int k = 0; k < 4; ++k) ASSERT_EQ(counts[k].load(), 1) << round;
  }
  // The one place that decides: small work is not shared, large work is shared among the threads.
  EXPECT_EQ(platform::SharedWorkShares({}), 1u);
  EXPECT_EQ(platform::SharedWorkShares({.Nodes = 8}), 1u);
  EXPECT_EQ(platform::SharedWorkShares({.Nodes = 1000, .Bytes = 100000}), 1u);
  EXPECT_EQ(platform::SharedWorkShares({.Nodes = 1000000}), platform::SharedWorkThreads());
  EXPECT_EQ(platform::SharedWorkShares({.Bytes = std::size_t{1} << 30}), platform::SharedWorkThreads());
  // Work that scales with threads takes as many as a search does.
  EXPECT_EQ(platform::SharedWorkShares({.Bytes = std::size_t{1} << 30, .ScalesWithThreads = true}),
            platform::SharedSearchThreads());
  EXPECT_EQ(platform::SharedWorkShares({.Nodes = 8, .ScalesWithThreads = true}), 1u);
  // A search through a handful of subtrees is shared as a search is.
  EXPECT_EQ(platform::SharedWorkShares({.Searched = 7}), 1u);
  EXPECT_EQ(platform::SharedWorkShares({.Searched = 8}), platform::SharedSearchThreads());
}

// Work behind the window gives way to it: the thread that says so, and every share it runs, has a
// nice value above the window's (the helpers take it over from the thread that starts them); the
// thread that did not say so keeps its own.
TEST(SharedWork, WorkBehindTheWindowGivesWayHelpersIncluded) {
  auto nice = [] { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))); };
  const int window = nice();
  if (window >= 19) GTEST_SKIP() << "the tests run at the lowest priority already";
  std::vector<int> seen(8, window);
  int behind = window;
  std::thread([&] {
    platform::YieldProcessorsToTheWindow();
    behind = nice();
    platform::RunShared(seen.size(), [&](size_t k) { seen[k] = nice(); });
  }).join();
  EXPECT_GT(behind, window);
  for (const int share : seen) EXPECT_EQ(share, behind);
  EXPECT_EQ(nice(), window);
  // The helpers that ran it are the pool's, kept for work of that priority: the window's own shares,
  // and its jobs beside, run at its priority; so do they after a share that gave way on a helper.
  const std::thread::id self = std::this_thread::get_id();
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    std::vector<int> now(8, -100);
    platform::RunShared(now.size(), [&](size_t k) {
      now[k] = nice();
      // Long enough for every helper to take a share.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (round == 1 && std::this_thread::get_id() != self) platform::YieldProcessorsToTheWindow();
    });
    for (const int share : now) EXPECT_EQ(share, window);
    std::atomic<int> beside{-100};
    platform::RunBeside([&] { beside = nice(); });
    for (int i = 0; i < 10000 && beside == -100; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(beside.load(), window);
  }
  std::atomic<int> behindBeside{-100};
  std::thread([&] {
    platform::YieldProcessorsToTheWindow();
    platform::RunBeside([&] { behindBeside = nice(); });
  }).join();
  for (int i = 0; i < 10000 && behindBeside == -100; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(behindBeside.load(), behind);
}

// When no thread (or too few) can be had for a pool, the shares no helper took run on this thread,
// share 0 first and then in order, each once; with no thread at all, every share runs here. A failing
// share is still told after every other share has run. (A fresh pool for each: its helpers start with
// its first work, and are then kept.)
TEST(SharedWork, SharesRunHereWhenNoThreadCanBeHad) {
  const std::thread::id self = std::this_thread::get_id();
  for (const int threads : {0, 1, 3}) {
    SCOPED_TRACE(threads);
    std::mutex mutex;
    std::vector<size_t> here;
    std::vector<int> runs(5, 0);
    {
      TThreadLimit limit(threads);
      platform::TWorkPool pool(4);
      ASSERT_NO_THROW(pool.RunShared(runs.size(), [&](size_t k) {
        std::lock_guard<std::mutex> lock(mutex);
        ++runs[k];
        if (std::this_thread::get_id() == self) here.push_back(k);
      }));
      EXPECT_EQ(pool.ThreadsStarted(), size_t(threads));
    }
    EXPECT_EQ(runs, std::vector<int>(5, 1));
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(here.front(), 0u);
    EXPECT_TRUE(std::is_sorted(here.begin(), here.end()));
    if (threads == 0) {
      EXPECT_EQ(here, (std::vector<size_t>{0, 1, 2, 3, 4}));
    }
  }
  TThreadLimit none(0);
  platform::TWorkPool pool(4);
  std::vector<size_t> ran;
  EXPECT_THROW(pool.RunShared(4,
                              [&](size_t k) {
                                ran.push_back(k);
                                if (k == 1) throw std::runtime_error("share 1");
                              }),
               std::runtime_error);
  EXPECT_EQ(ran, (std::vector<size_t>{0, 1, 2, 3}));
  // A job beside, with no thread to be had, is made here before RunBeside returns.
  std::thread::id madeOn;
  pool.RunBeside([&] { madeOn = std::this_thread::get_id(); });
  EXPECT_EQ(madeOn, self);
}

// RunShared nested in its shares, level after level, each with more shares than the pool has threads
// and some waiting a little so that helpers are busy elsewhere when work arrives: every share runs
// once, nothing waits for ever (a helper never waits for a helper), and a failure deep down reaches
// the outermost caller with every other share ended. Watched from here: a hang fails the test.
TEST(SharedWork, NestedSharesNeverWaitForEachOtherAndFailuresReachTheCaller) {
  for (const size_t threads : {size_t(1), size_t(3)}) {
    SCOPED_TRACE(threads);
    platform::TWorkPool pool(threads);
    constexpr int kLevels = 5;
    constexpr size_t kShares = 5;  // more than the threads
    std::atomic<int> leaves{0}, ended{0};
    std::function<void(int, size_t)> level = [&](int depth, size_t k) {
      if (depth == kLevels) {
        if (k % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        ++leaves;
        return;
      }
      pool.RunShared(kShares, [&, depth](size_t j) { level(depth + 1, j); });
    };
    auto run = std::async(std::launch::async, [&] { pool.RunShared(kShares, [&](size_t k) { level(1, k); }); });
    if (run.wait_for(std::chrono::seconds(120)) != std::future_status::ready) {
      ADD_FAILURE() << "nested shares still waiting after two minutes";
      std::abort();  // the threads cannot be freed: end before the test run hangs
    }
    EXPECT_NO_THROW(run.get());
    int expected = 1;
    for (int i = 0; i < kLevels; ++i) expected *= int(kShares);
    EXPECT_EQ(leaves.load(), expected);

    // A failure three levels down: thrown again from each level up to the outermost caller, after
    // every share that was not stopped by it has ended.
    std::function<void(int, size_t)> failing = [&](int depth, size_t k) {
      if (depth == 3 && k == 2) throw std::runtime_error("deep share");
      if (depth == 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++ended;
        return;
      }
      pool.RunShared(kShares, [&, depth](size_t j) { failing(depth + 1, j); });
    };
    auto fails = std::async(std::launch::async, [&] { pool.RunShared(2, [&](size_t k) { failing(1, k); }); });
    ASSERT_EQ(fails.wait_for(std::chrono::seconds(120)), std::future_status::ready);
    EXPECT_THROW(fails.get(), std::runtime_error);
    const int endedThen = ended.load();
    // Two top shares, five at level 2, five at level 3 of which one fails: 2 * 5 * 4 leaves of level 4.
    EXPECT_EQ(endedThen, 2 * 5 * 4 * int(kShares));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ended.load(), endedThen);  // nothing of it still running
    // The pool is whole afterwards, and started no thread beyond its size.
    std::atomic<int> after{0};
    pool.RunShared(16, [&](size_t) { ++after; });
    EXPECT_EQ(after.load(), 16);
    EXPECT_EQ(pool.ThreadsStarted(), threads);
  }
}

// The program's helpers are started once: many shared runs and jobs beside start no thread after
// the first, and each job beside runs on a helper while its caller goes on; its completion reaches
// the event loop as a posted call (no timer runs), and a failure it let through is thrown there.
TEST(SharedWork, TheProgramsHelpersAreStartedOnceAndReused) {
  platform::RunShared(8, [](size_t) {});  // the pool as the program's first work finds it
  platform::RunBeside([] {});
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const int before = threadsCreated.load();
  const size_t started = platform::SharedWorkPool().ThreadsStarted();
  EXPECT_GE(started, 1u);
  for (int round = 0; round < 500; ++round) {
    std::atomic<int> runs{0};
    platform::RunShared(1 + round % 8, [&](size_t) { ++runs; });
    ASSERT_EQ(runs.load(), 1 + round % 8);
  }
  platform::FakeEventLoop loop;
  platform::ScopedEventLoop scoped(loop);
  const std::thread::id self = std::this_thread::get_id();
  std::vector<std::thread::id> on(50);
  std::atomic<int> done{0};
  for (size_t j = 0; j < on.size(); ++j)
    platform::RunBeside([&, j] {
      on[j] = std::this_thread::get_id();
      platform::PostCall([&] { ++done; });
    });
  platform::RunBeside([] { throw std::runtime_error("beside"); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (loop.PendingPosts() < on.size() + 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(loop.RunningTimers(), 0u);
  EXPECT_EQ(done.load(), 0);  // posted, not yet run: the loop runs them
  EXPECT_THROW(loop.ProcessPosted(), std::runtime_error);
  loop.ProcessPosted();
  EXPECT_EQ(done.load(), int(on.size()));
  for (const std::thread::id id : on) EXPECT_NE(id, self);
  EXPECT_EQ(threadsCreated.load(), before);
  EXPECT_EQ(platform::SharedWorkPool().ThreadsStarted(), started);
}
