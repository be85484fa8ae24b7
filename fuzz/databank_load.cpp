// Fuzz target: any bytes as a databank file through the whole load road (zip layer, cipher layer
// with the password prompt answered "pw", XML store, old-format conversion). Every input must end in
// either an opened databank or at least one message to the user; an opened one warns only of text read
// as UTF-8 that was not, which it then holds as U+FFFD. A databank that opened is wrapped up again
// through the save road's layers (cipher, zip archive streamed out as into the file) in memory, which
// must succeed, then unwrapped, which must give the same bytes back, and parsed again without a byte
// replaced.
// Writing and syncing a real file per input would hold the target to a few runs a second; the file
// side of saving has tests of its own. Crashes, hangs and oversized allocations are caught by the
// sanitizers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ScriptedUIServices.h"
#include "databank/uBankFile.h"
#include "databank/uBankSession.h"
#include "platform/Streams.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "protection/uZipFile.h"  // TEncodedBank holds the archive

namespace {

// The folder's name lives in a fixed buffer, so that the clean-up at exit never meets a destroyed
// string.
char g_dir[64];

const std::string& Dir() {
  static const std::string dir = [] {
    // In memory where the system has such a folder: rewriting a file on a disk file system per
    // input costs more than the rest of a run.
    std::snprintf(g_dir, sizeof g_dir, "%s/databank_load.XXXXXX",
                  ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (!::mkdtemp(g_dir)) std::abort();
    std::atexit([] {
      char file[96];
      std::snprintf(file, sizeof file, "%s/input.xdb2", g_dir);
      ::unlink(file);
      ::rmdir(g_dir);
    });
    return std::string(g_dir);
  }();
  return dir;
}

bool WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static platform::FakeEventLoop loop;
  const std::string path = Dir() + "/input.xdb2";
  if (!WriteAll(path, data, size)) std::abort();

  platform::ScriptedUIServices ui;
  ui.PushFilePassword(std::string("pw"));
  TBankSession::TOptions options;
  options.RenameOldFiles = false;
  TBankSession session(nullptr, options, &ui, &loop);
  session.OpenBank(path);
  const bool opened = !session.FileName().empty();
  bool told = false, warned = false;
  for (const auto& box : ui.CallsOf(platform::ScriptedUIServices::Kind::Message))
    (box.caption == "Warning" ? warned : told) = true;
  if (opened == told) std::abort();  // a failure must say so; a success must not complain
  // The one warning of an open: text read as UTF-8 that was not, which is U+FFFD in memory now.
  if (warned && (!opened || session.Bank()->InvalidUtf8Bytes() == 0)) std::abort();
  if (!opened) return 0;

  // What opened is written through the same layers and read back.
  std::string xml = session.Bank()->EncodedXML();
  const std::string expected = xml;
  TBankWriteLayers layers;
  layers.Password = session.Password();
  layers.Compress = session.Compress();
  layers.EntryName = "input.xdb2";
  auto fail = [](int, const std::string& text) {
    std::fprintf(stderr, "databank_load: the save road failed: %s\n", text.c_str());
    std::abort();
  };
  TEncodedBank encoded;
  if (!EncodeBankFile(std::move(xml), layers, fail, encoded)) std::abort();
  TMemoryStream file;
  encoded.WriteTo(file);
  TBankReadContext context;
  context.Password = session.Password();
  context.ShowError = fail;
  TBankReadResult back;
  if (!DecodeBankLayers(file.TakeBytes(), context, back)) std::abort();
  // The layers give back exactly the bytes they wrapped; those are parsed again as a load would.
  if (back.XML != expected) {
    std::fprintf(stderr, "databank_load: the layers did not give back what they wrapped\n");
    std::abort();
  }
  TXMLDataBase2 copy;
  copy.LoadEncodedXML(std::move(back.XML));
  // What opened holds only well-formed text: written and read again, nothing is replaced.
  if (copy.InvalidUtf8Bytes() != 0) std::abort();
  return 0;
}
