// Fuzz target: the zip reader on arbitrary bytes. Loading, extracting every entry and saving again
// must never crash, hang or allocate beyond what the input justifies; what comes out must pass the
// checks it claims to have passed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "protection/uZipFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream in(std::string(reinterpret_cast<const char*>(data), size));
  TZipFile zip;
  bool loaded = zip.LoadFromStream(in);
  if (in.Position() > static_cast<int64_t>(size)) std::abort();
  for (int i = 0; i < zip.Count() && i < 8; ++i) {
    std::string out;
    TZipCheck check = zip.GetUncompressed(i, out);
    const TLocalFile& local = zip.LocalFiles()[static_cast<size_t>(i)];
    if (check == TZipCheck::zcOk) {
      if (out.size() != local.UncompressedSize || ZipCRC32(out) != local.CRC32) std::abort();
    } else if (!out.empty()) {
      std::abort();
    }
    if (local.FileName.size() != local.FileNameLength || local.CompressedData.size() != local.CompressedSize)
      std::abort();
  }
  if (loaded && zip.Count() > 0) {
    // What was read writes back and reads again to the same entries.
    TMemoryStream out;
    try {
      zip.SaveToStream(out);
    } catch (const Exception&) {
      return 0;
    }
    out.SetPosition(0);
    TZipFile again;
    if (!again.LoadFromStream(out) || again.Count() != zip.Count()) std::abort();
    for (int i = 0; i < zip.Count(); ++i)
      if (again.LocalFiles()[static_cast<size_t>(i)].CompressedData !=
          zip.LocalFiles()[static_cast<size_t>(i)].CompressedData)
        std::abort();
  }
  return 0;
}
