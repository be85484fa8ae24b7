// Fuzz target: the databank decipherer on arbitrary bytes, in its buffer and stream forms. Bad
// layouts must end in the layer's errors, never in a crash, a hang or an allocation beyond the input;
// both forms must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "protection/uDataBankCipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TAESKey128 key = DataBankKey("fuzz");
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string fromBuffer;
  bool bufferOk = true;
  try {
    fromBuffer = DecipherDataBank(std::string_view(bytes), key);
  } catch (const Exception&) {
    bufferOk = false;
  }
  TMemoryStream in(bytes), out;
  bool streamOk = true;
  try {
    DecipherDataBank(in, "fuzz", out);
  } catch (const Exception&) {
    streamOk = false;
  }
  if (bufferOk != streamOk) std::abort();
  if (bufferOk) {
    if (out.Bytes() != fromBuffer || fromBuffer.size() + 4 > size) std::abort();
    // A layer that deciphers also enciphers back to the same bytes when its padding was zeros.
    std::string again = EncipherDataBank(fromBuffer, key);
    if (again.size() != size) std::abort();
  }
  return 0;
}
