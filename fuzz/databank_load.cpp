// Fuzz target: any bytes as a databank file through the whole load road (zip layer, cipher layer
// with the password prompt answered "pw", XML store, old-format conversion). Every input must end in
// either an opened databank or at least one message to the user; a databank that opened is saved
// and opened again. Crashes, hangs and oversized allocations are caught by the sanitizers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "databank/uBankSession.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/databank_load.XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (!made) std::abort();
    return std::string(made);
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
  const std::string saved = Dir() + "/saved.xdb2";
  if (!WriteAll(path, data, size)) std::abort();

  platform::ScriptedUIServices ui;
  ui.PushFilePassword(std::string("pw"));
  TBankSession::TOptions options;
  options.RenameOldFiles = false;
  TBankSession session(nullptr, options, &ui, &loop);
  session.OpenBank(path);
  const bool opened = !session.FileName().empty();
  const bool told = !ui.CallsOf(platform::ScriptedUIServices::Kind::Message).empty();
  if (opened == told) std::abort();  // a failure must say so; a success must not complain
  if (!opened) return 0;

  // What opened can be written through the same layers and read back.
  if (!session.SaveBankFile(saved)) std::abort();
  platform::ScriptedUIServices ui2;
  ui2.PushFilePassword(std::string("pw"));
  TBankSession again(nullptr, options, &ui2, &loop);
  again.SetPassword(session.Password());
  TXMLDataBase2 copy;
  again.LoadBankFile(saved, &copy);
  ::unlink(saved.c_str());
  return 0;
}
