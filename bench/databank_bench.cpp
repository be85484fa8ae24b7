// The databank file pipeline at scale: the canonical databank (canonical_bank.h: 50,000 records holding
// 57 MB of code text in 1,250 folders) is opened (read, layers, parse, ID scan; no tree) and saved (XML text, layers,
// atomic write) plain, compressed, enciphered and both. Baselines on the same bytes: zlib deflate/inflate alone and the
// AES cipher layer alone, so the pipeline's own cost can be read off as a ratio. Peak memory of an open and a save is
// measured in a forked child (VmHWM after clearing it).
// BM_SaveSharedLayers times the save of the canonical databank of 200,000 records as the writer's thread makes it
// (the snapshot written to XML in pieces through the layers into a file), compressed and enciphered+compressed, with
// the layers' work on that one thread beside the same shared among threads, in the same run.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ScriptedUIServices.h"
#include "canonical_bank.h"
#include "databank/uBankFile.h"
#include "databank/uBankSession.h"
#include "databank/uDataBankContent.h"
#include "platform/SharedWork.h"
#include "platform/Streams.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "protection/uDataBankCipher.h"
#include "xml/uXMLBase2.h"

namespace {

enum Variant { vPlain, vCompressed, vEnciphered, vBoth };
const char* const kNames[] = {"plain", "compressed", "enciphered", "both"};

TBankWriteLayers LayersOf(int v) {
  TBankWriteLayers l;
  l.Password = (v == vEnciphered || v == vBoth) ? "bench password" : "";
  l.Compress = v == vCompressed || v == vBoth;
  l.EntryName = "bench.xdb2";
  return l;
}

struct Corpus {
  canonical::TBenchDir dir{"databank_bench"};
  std::string xml;  // the plain file's bytes
  std::string files[4];
  platform::FakeEventLoop loop;
  platform::ScriptedUIServices ui;

  Corpus() {
    TXMLDataBase2 db;
    canonical::Fill(db);
    xml = db.EncodedXML();
    TBankSession::TOptions options;
    TBankSession session(nullptr, options, &ui, &loop);
    for (int v = 0; v < 4; ++v) {
      files[v] = dir.File(std::string("bank-") + kNames[v] + ".xdb2");
      if (!session.SaveBankFile(files[v], &db, LayersOf(v))) std::abort();
    }
  }
};

Corpus& TheCorpus() {
  static Corpus corpus;
  return corpus;
}

void OpenOnce(Corpus& c, int v, TXMLDataBase2& db) {
  TBankSession::TOptions options;
  TBankSession session(nullptr, options, &c.ui, &c.loop);
  session.SetPassword(LayersOf(v).Password);
  if (!session.LoadBankFile(c.files[v], &db)) std::abort();
  benchmark::DoNotOptimize(bank::LoadedNextNodeID(db));
}

void BM_Open(benchmark::State& state) {
  Corpus& c = TheCorpus();
  const int v = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto db = std::make_unique<TXMLDataBase2>();
    OpenOnce(c, v, *db);
    state.PauseTiming();
    db.reset();  // freeing the document is not part of the open
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.xml.size()));
  state.SetLabel(kNames[v]);
}

void BM_Save(benchmark::State& state) {
  Corpus& c = TheCorpus();
  const int v = static_cast<int>(state.range(0));
  TXMLDataBase2 db;
  OpenOnce(c, vPlain, db);
  TBankSession::TOptions options;
  TBankSession session(nullptr, options, &c.ui, &c.loop);
  const std::string target = c.dir.File(std::string("saved-") + kNames[v] + ".xdb2");
  for (auto _ : state) {
    if (!session.SaveBankFile(target, &db, LayersOf(v))) std::abort();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.xml.size()));
  state.SetLabel(kNames[v]);
}

// The layers alone, on the same bytes: what the pipeline's compressed and enciphered roads add to.
void BM_BaselineDeflate(benchmark::State& state) {
  Corpus& c = TheCorpus();
  std::string out(compressBound(c.xml.size()), '\0');
  for (auto _ : state) {
    uLongf len = out.size();
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(c.xml.data()),
                  c.xml.size(), Z_DEFAULT_COMPRESSION) != Z_OK)
      std::abort();
    benchmark::DoNotOptimize(len);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.xml.size()));
}

void BM_BaselineInflate(benchmark::State& state) {
  Corpus& c = TheCorpus();
  std::string packed(compressBound(c.xml.size()), '\0');
  uLongf plen = packed.size();
  compress2(reinterpret_cast<Bytef*>(packed.data()), &plen, reinterpret_cast<const Bytef*>(c.xml.data()), c.xml.size(),
            Z_DEFAULT_COMPRESSION);
  std::string out(c.xml.size(), '\0');
  for (auto _ : state) {
    uLongf len = out.size();
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(packed.data()), plen) !=
        Z_OK)
      std::abort();
    benchmark::DoNotOptimize(len);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.xml.size()));
}

void BM_BaselineEncipher(benchmark::State& state) {
  Corpus& c = TheCorpus();
  const TAESKey128 key = DataBankKey("bench password");
  for (auto _ : state) benchmark::DoNotOptimize(EncipherDataBank(c.xml, key));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.xml.size()));
}

void BM_BaselineDecipher(benchmark::State& state) {
  Corpus& c = TheCorpus();
  const TAESKey128 key = DataBankKey("bench password");
  const std::string layer = EncipherDataBank(c.xml, key);
  for (auto _ : state) benchmark::DoNotOptimize(DecipherDataBank(std::string(layer), key));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.xml.size()));
}

using canonical::ReadStatusKb;

// Peak resident memory of one open (or open + save) in a child process, above what the child held
// before, as a multiple of the XML size.
double PeakRatio(int v, bool save) {
  Corpus& c = TheCorpus();
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long before = ReadStatusKb("VmRSS:");
    {
      TXMLDataBase2 db;
      OpenOnce(c, v, db);
      if (save) {
        TBankSession::TOptions options;
        TBankSession session(nullptr, options, &c.ui, &c.loop);
        if (!session.SaveBankFile(c.dir.File("peak.xdb2"), &db, LayersOf(v))) std::_Exit(3);
      }
    }
    const long peak = ReadStatusKb("VmHWM:");
    const double ratio = (peak - before) * 1024.0 / static_cast<double>(c.xml.size());
    if (::write(fds[1], &ratio, sizeof ratio) != sizeof ratio) std::_Exit(4);
    std::_Exit(0);
  }
  ::close(fds[1]);
  double ratio = -1;
  if (::read(fds[0], &ratio, sizeof ratio) != sizeof ratio) ratio = -1;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return ratio;
}

void BM_PeakMemory(benchmark::State& state) {
  const int v = static_cast<int>(state.range(0));
  double open = 0, both = 0;
  for (auto _ : state) {
    open = PeakRatio(v, false);
    both = PeakRatio(v, true);
  }
  state.counters["open_x_xml"] = open;
  state.counters["open_save_x_xml"] = both;
  state.counters["xml_MB"] = static_cast<double>(TheCorpus().xml.size()) / 1e6;
  state.SetLabel(kNames[v]);
}

}  // namespace

// The save of the canonical databank of that many thousand records through its layers (range 1: 1 compressed, 3
// enciphered and compressed) into a file, from its snapshot as the writer's thread has it: measured, written to XML in
// pieces, enciphered, deflated, written. Each iteration saves once with the layers on the writing thread alone (the
// road before their work was shared) and once with the size deciding how to share it (one share per processor, at
// most eight). Reported: the wall time of each (one_thread_ms, shared_ms; the iteration's time is the shared one),
// the processor time of the process for each (one_thread_cpu_ms, shared_cpu_ms), shared_ms / one_thread_ms
// (x_one_thread), the threads (shares) and the sizes of the XML and of each file.
void BM_SaveSharedLayers(benchmark::State& state) {
  const int thousands = static_cast<int>(state.range(0));
  const int variant = static_cast<int>(state.range(1));
  static std::map<int, std::unique_ptr<TXMLDataBase2>> banks;
  std::unique_ptr<TXMLDataBase2>& bank = banks[thousands];
  if (!bank) {
    bank = std::make_unique<TXMLDataBase2>();
    canonical::Fill(*bank, 0, canonical::TText::NonAscii, thousands);
  }
  Corpus& c = TheCorpus();
  const std::unique_ptr<const TXMLDataBase2Snapshot> snapshot = bank->Snapshot();
  const TXMLDataBase2Snapshot::TEncoding encoding = snapshot->MeasureEncodedXML();
  auto cpuMs = [] {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  };
  const size_t shares = platform::SharedWorkShares({.Bytes = encoding.Bytes, .ScalesWithThreads = true});
  auto save = [&](const std::string& path, std::optional<TDeflateSharing> sharing, double& wall, double& cpu) {
    const double cpu0 = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    {
      TFileStream file(path, fmCreate);
      TBankLayerWriter layers(file, LayersOf(variant), encoding.Bytes, sharing);
      snapshot->WriteEncodedXML(encoding, layers.PieceBytes(), [&layers](std::string& piece) { layers.Write(piece); });
      layers.Finish();
    }
    wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    cpu = cpuMs() - cpu0;
    return static_cast<double>(std::filesystem::file_size(path));
  };
  double one = 0, oneCpu = 0, shared = 0, sharedCpu = 0, oneSize = 0, sharedSize = 0;
  for (auto _ : state) {
    oneSize = save(c.dir.File("one-thread.xdb2"), TDeflateSharing{.Shares = 1}, one, oneCpu);
    sharedSize = save(c.dir.File("shared.xdb2"), std::nullopt, shared, sharedCpu);
    state.SetIterationTime(shared / 1000);
  }
  state.counters["one_thread_ms"] = one;
  state.counters["one_thread_cpu_ms"] = oneCpu;
  state.counters["shared_ms"] = shared;
  state.counters["shared_cpu_ms"] = sharedCpu;
  state.counters["x_one_thread"] = shared / one;
  state.counters["shares"] = static_cast<double>(shares);
  state.counters["xml_MB"] = static_cast<double>(encoding.Bytes) / 1e6;
  state.counters["one_thread_file_MB"] = oneSize / 1e6;
  state.counters["shared_file_MB"] = sharedSize / 1e6;
  state.SetLabel(kNames[variant]);
}

BENCHMARK(BM_Open)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Save)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BaselineDeflate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BaselineInflate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BaselineEncipher)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BaselineDecipher)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakMemory)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveSharedLayers)
    ->ArgsProduct({{200}, {vCompressed, vBoth}})
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
