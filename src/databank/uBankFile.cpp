#include "databank/uBankFile.h"

#include <cstring>

#include "databank/uBankMessages.h"
#include "platform/Exceptions.h"
#include "platform/SharedWork.h"
#include "platform/Streams.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
}

// Up to ten bytes from the stream's position; the position is put back.
std::string PeekHead(TStream& stream) {
  const int64_t pos = stream.Position();
  char buf[10];
  int64_t got = stream.Read(buf, sizeof buf);
  stream.SetPosition(pos);
  return std::string(buf, static_cast<size_t>(got < 0 ? 0 : got));
}

void Show(const TBankReadContext& context, int id, const std::string& text = std::string()) {
  if (context.ShowError) context.ShowError(id, text.empty() ? BankMessage(id) : text);
}

}  // namespace

bool IsZipBytes(std::string_view head) {
  return TZipFile::HasZipSignature(head);
}

std::string_view SkipByteOrderMarkAndBlanks(std::string_view bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const size_t first = bytes.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos ? std::string_view() : bytes.substr(first);
}

bool IsPlainXMLBytes(std::string_view head) {
  head = SkipByteOrderMarkAndBlanks(head);
  return StartsWith(head, "<dataroot") || StartsWith(head, "<?xml");
}

bool IsOldFormatBytes(std::string_view head) {
  return StartsWith(SkipByteOrderMarkAndBlanks(head), "<dataroot>");
}

bool LooksLikeText(std::string_view bytes) {
  bytes = bytes.substr(0, std::min<size_t>(bytes.size(), 512));
  if (bytes.empty()) return false;
  for (unsigned char c : bytes)
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
  return true;
}

bool IsZip(TStream& stream) {
  return IsZipBytes(PeekHead(stream));
}
bool IsEnciphered(TStream& stream) {
  const std::string head = PeekHead(stream);
  return !IsZipBytes(head) && !IsPlainXMLBytes(head);
}
bool IsOldFormat(TStream& stream) {
  return IsOldFormatBytes(PeekHead(stream));
}

bool CouldBeCipherLayer(std::string_view bytes) {
  if (bytes.size() < 4) return false;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const uint64_t n = uint64_t(b[0]) | uint64_t(b[1]) << 8 | uint64_t(b[2]) << 16 | uint64_t(b[3]) << 24;
  const uint64_t cipher = bytes.size() - 4;
  return cipher % 16 == 0 && EncipheredSize(n) == bytes.size();
}

bool DecodeBankLayers(std::string bytes, TBankReadContext& context, TBankReadResult& result) {
  result = TBankReadResult();

  if (StartsWith(bytes, "PK")) {
    bool unzipped = false;
    // Only a file that fits the cipher layout is needed again when the archive fails; any other
    // is let go as soon as the archive holds its entry, so a large file is not held twice.
    const bool cipherShaped = CouldBeCipherLayer(bytes);
    if (IsZipBytes(bytes)) {
      TZipFile zip;
      {
        TMemoryStream stream(std::move(bytes));
        zip.LoadFromStream(stream);
        if (cipherShaped) bytes = stream.TakeBytes();
      }
      if (zip.Count() > 0) {
        const TLocalFile& entry = zip.LocalFiles()[0];
        // A header may claim any size; deflate cannot expand data by more than about 1032 times.
        const bool plausible =
            uint64_t(entry.UncompressedSize) <= uint64_t(entry.CompressedData.size()) * MaxDeflateRatio + 64;
        // What cannot fit is refused before the unpacking takes memory it can never finish with.
        if (plausible && uint64_t(entry.UncompressedSize) > context.MemoryAvailable) {
          result.Reason = NotEnoughMemoryToUnpackText(entry.UncompressedSize, context.MemoryAvailable);
          return false;
        }
        std::string data;
        if (plausible && zip.GetUncompressed(0, data) == TZipCheck::zcOk && !data.empty()) {
          result.EntryName = zip.GetFileName(0);
          result.Compressed = true;
          bytes = std::move(data);
          unzipped = true;
        }
      }
    }
    if (!unzipped && !cipherShaped) {
      Show(context, SCouldNotDecompressBank);
      return false;
    }
  }

  if (IsPlainXMLBytes(bytes)) {
    result.XML = std::move(bytes);
    return true;
  }

  // The cipher layer: a length word and whole blocks. Anything else is not a databank, and the user
  // is not asked for a password that could never help.
  if (!CouldBeCipherLayer(bytes) || LooksLikeText(bytes)) {
    result.Reason = SNotADataBank;
    return false;
  }
  result.Enciphered = true;
  if (context.Password.empty() && context.AskPassword) {
    std::string answer;
    result.PasswordAsked = true;
    if (!context.AskPassword(answer)) {
      Show(context, SCouldNotDecypherBank);
      return false;
    }
    context.Password = answer;
  }
  try {
    result.XML = DecipherDataBank(std::move(bytes), DataBankKey(context.Password));
  } catch (const Exception&) {
    Show(context, SCouldNotDecypherBank);
    return false;
  }
  return true;
}

void TEncodedBank::WriteTo(TStream& stream) {
  if (Zip)
    Zip->SaveToStream(stream);
  else
    stream.WriteString(Bytes);
}

bool EncodeBankFile(std::string xml, const TBankWriteLayers& layers,
                    const std::function<void(int id, const std::string& text)>& showError, TEncodedBank& out) {
  auto show = [&](int id) {
    if (showError) showError(id, BankMessage(id));
  };
  std::string data = std::move(xml);
  if (!layers.Password.empty()) {
    try {
      data = EncipherDataBank(data, DataBankKey(layers.Password));
    } catch (const Exception&) {
      show(SCouldNotCypherBank);
      return false;
    }
  }
  if (!layers.Compress) {
    out.Zip.reset();
    out.Bytes = std::move(data);
    return true;
  }
  try {
    auto zip = std::make_unique<TZipFile>();
    zip->AddFile(layers.EntryName);
    if (!zip->SetUncompressed(0, data)) {
      show(SCouldNotCompressBank);
      return false;
    }
    out.Bytes.clear();
    out.Zip = std::move(zip);
  } catch (const Exception&) {
    show(SCouldNotCompressBank);
    return false;
  }
  return true;
}

bool EncodeBankLayers(std::string xml, const TBankWriteLayers& layers,
                      const std::function<void(int id, const std::string& text)>& showError, std::string& out) {
  TEncodedBank encoded;
  if (!EncodeBankFile(std::move(xml), layers, showError, encoded)) return false;
  if (!encoded.Zip) {
    out = std::move(encoded.Bytes);
    return true;
  }
  try {
    TMemoryStream stream;
    encoded.WriteTo(stream);
    out = stream.TakeBytes();
  } catch (const Exception&) {
    if (showError) showError(SCouldNotCompressBank, BankMessage(SCouldNotCompressBank));
    return false;
  }
  return true;
}

namespace {
// The XML is handed to the layers in pieces of this size when they work on one thread: large enough
// that they run at full speed, small enough that a databank of any size costs only a few in memory.
constexpr std::size_t kXMLPiece = std::size_t{1} << 20;
}  // namespace

TBankLayerWriter::TBankLayerWriter(TStream& out, const TBankWriteLayers& layers, std::uint64_t xmlBytes,
                                   std::optional<TDeflateSharing> sharing)
    : out_(out) {
  // Deflate keeps each thread's processor busy; a databank large enough gives every one pieces of
  // its own.
  if (!sharing)
    sharing = TDeflateSharing{
        .Shares = platform::SharedWorkShares({.Bytes = static_cast<std::size_t>(xmlBytes), .ScalesWithThreads = true})};
  pieceBytes_ = sharing->Shares > 1 ? sharing->Shares * sharing->PieceBytes : kXMLPiece;
  // Outermost first: the archive's header, then the cipher's length word inside it.
  if (layers.Compress) zip_ = std::make_unique<TZipEntryWriter>(out, layers.EntryName, *sharing);
  if (!layers.Password.empty())
    cipher_ = std::make_unique<TDataBankEncipherer>(
        DataBankKey(layers.Password), xmlBytes, [this](std::string_view bytes) { Pass(bytes); }, sharing->Shares);
}

TBankLayerWriter::~TBankLayerWriter() = default;

void TBankLayerWriter::Pass(std::string_view bytes) {
  if (zip_)
    zip_->Write(bytes);
  else
    out_.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TBankLayerWriter::Write(std::string& xml) {
  if (cipher_)
    cipher_->Write(xml);
  else
    Pass(xml);
}

void TBankLayerWriter::Finish() {
  if (cipher_) cipher_->Finish();
  if (zip_) zip_->Finish();
}
