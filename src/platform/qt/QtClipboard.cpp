// The desktop's clipboard behind platform::Clipboard() and behind the service that puts text
// together with private blocks on it (both installed with the other Qt services), so every write of
// private formats goes through one function. On X11 and Wayland the data stays with the program
// that put it there and is handed out on request, so a copy made here can be pasted into
// another running copy for as long as this one runs.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/qt/XSelection.h"

namespace platform {

namespace {

QClipboard* DesktopClipboard() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  return QGuiApplication::clipboard();
}

// Replaces the clipboard's content by the text (none when empty) and the blocks under their formats.
void SetContent(QClipboard& clipboard, std::u16string_view text,
                const std::vector<std::pair<std::string, std::string>>& blocks) {
  auto* data = new QMimeData;
  if (!text.empty())
    data->setText(QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
  for (const auto& [format, bytes] : blocks)
    data->setData(QString::fromStdString(format), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  clipboard.setMimeData(data);  // the clipboard owns it
}

// A block made when it is first asked for (by this program or, through the desktop, by another), and
// the owner it stands for.
class TDeferredData : public QMimeData {
 public:
  TDeferredData(const std::string& format, std::function<std::string()> make, std::shared_ptr<const void> owner)
      : format_(QString::fromStdString(format)), make_(std::move(make)), owner_(std::move(owner)) {}
  bool hasFormat(const QString& mimeType) const override { return mimeType == format_; }
  QStringList formats() const override { return {format_}; }
  const std::shared_ptr<const void>& Owner() const { return owner_; }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType) const override {
    if (mimeType != format_) return {};
    if (make_) {
      const std::string bytes = std::exchange(make_, nullptr)();
      made_ = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return made_;
  }

 private:
  QString format_;
  mutable std::function<std::string()> make_;
  mutable QByteArray made_;
  std::shared_ptr<const void> owner_;
};

// Under X11 a private block this program puts on the clipboard is offered from a helper thread
// of its own (XSelection.h), and another program's is taken on the paste's own thread: neither
// window waits while a large block goes across. Text, and every platform but X11, go through Qt.
class QtClipboard : public IClipboard {
 public:
  bool HasFormat(const std::string& format) const override {
    if (TXSelectionOwner* x = TXSelectionOwner::Instance(); x && x->OwnerOf(format)) return true;
    QClipboard* cb = DesktopClipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    return data && data->hasFormat(QString::fromStdString(format));
  }
  std::optional<std::string> Read(const std::string& format) const override {
    QClipboard* cb = DesktopClipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    const QString name = QString::fromStdString(format);
    if (!data || !data->hasFormat(name)) return std::nullopt;
    const QByteArray bytes = data->data(name);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  void Write(const std::string& format, const std::string& bytes) override {
    if (QClipboard* cb = DesktopClipboard()) SetContent(*cb, {}, {{format, bytes}});
  }
  void WriteLater(const std::string& format, std::function<std::string()> make,
                  std::shared_ptr<const void> owner) override {
    QClipboard* cb = DesktopClipboard();
    if (!cb) return;
    if (TXSelectionOwner* x = TXSelectionOwner::Instance(); x && x->Offer(format, make, owner)) return;
    cb->setMimeData(new TDeferredData(format, std::move(make), std::move(owner)));  // the clipboard owns it
  }
  std::shared_ptr<const void> OwnerOf(const std::string& format) const override {
    if (TXSelectionOwner* x = TXSelectionOwner::Instance())
      if (std::shared_ptr<const void> owner = x->OwnerOf(format)) return owner;
    // Only this program makes such blocks, and the clipboard drops ours once another program puts
    // its own there (not every platform tells who owns the clipboard).
    QClipboard* cb = DesktopClipboard();
    if (!cb) return nullptr;
    const auto* data = dynamic_cast<const TDeferredData*>(cb->mimeData());
    return data && data->hasFormat(QString::fromStdString(format)) ? data->Owner() : nullptr;
  }
  void ClearOwned(const std::string& format) override {
    if (TXSelectionOwner* x = TXSelectionOwner::Instance(); x && x->OwnerOf(format)) x->Release();
    QClipboard* cb = DesktopClipboard();
    // Clearing data another program owns would destroy what it offers; ours goes away with us anyway.
    if (cb && cb->ownsClipboard() && HasFormat(format)) cb->clear();
  }
  TReader ReaderOf(const std::string& format) const override {
    if (!XSelectionAvailable()) return {};
    return [format](const std::function<bool()>& stop) { return ReadXSelection(format, 10000, stop); };
  }
};

}  // namespace

IClipboard* QtFormatClipboard() {
  static QtClipboard clipboard;
  return DesktopClipboard() ? &clipboard : nullptr;
}

void QtWriteClipboardTextAndData(std::u16string_view text,
                                 const std::vector<std::pair<std::string, std::string>>& data) {
  QClipboard* cb = DesktopClipboard();
  if (cb && !text.empty()) SetContent(*cb, text, data);
}

}  // namespace platform
