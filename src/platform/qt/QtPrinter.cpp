#include "platform/qt/QtPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QRandomGenerator>
#include <cstdio>

namespace platform {

TQtPrinter::TQtPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TQtPrinter::~TQtPrinter() {
  if (Printing()) Abort();
}

bool TQtPrinter::ToFile() const {
  return printer_->outputFormat() == QPrinter::PdfFormat;
}

void TQtPrinter::SetOutputFile(const std::string& path, int dpi) {
  if (path.empty()) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return;
  }
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setOutputFileName(QString::fromStdString(path));
  printer_->setResolution(dpi);
  printer_->setPageSize(QPageSize(QPageSize::A4));
  // A file has no unprintable strips: the canvas covers the whole sheet.
  printer_->setFullPage(true);
  printer_->setPageMargins(QMarginsF(0, 0, 0, 0));
}

void TQtPrinter::RefreshPrinters() {
  names_.clear();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) names_.push_back(name.toStdString());
}

std::string TQtPrinter::PrinterName() const {
  if (ToFile()) return Printing() && !target_.empty() ? target_ : printer_->outputFileName().toStdString();
  return printer_->printerName().toStdString();
}

bool TQtPrinter::Metrics(PrinterMetrics& metrics) const {
  // Without a system printer only a chosen PDF file can be printed on.
  if (!ToFile() && (printer_->printerName().isEmpty() || !printer_->isValid())) return false;
  const int res = printer_->resolution();
  const QPageLayout layout = printer_->pageLayout();
  const QRect full = layout.fullRectPixels(res);
  const QRect paint = printer_->fullPage() ? full : layout.paintRectPixels(res);
  metrics.physicalWidth = full.width();
  metrics.physicalHeight = full.height();
  metrics.printableWidth = paint.width();
  metrics.printableHeight = paint.height();
  metrics.offsetX = paint.left() - full.left();
  metrics.offsetY = paint.top() - full.top();
  metrics.dpiX = res;
  metrics.dpiY = res;
  return true;
}

void TQtPrinter::SetTitle(const std::string& title) {
  printer_->setDocName(QString::fromStdString(title));
}

ICanvas& TQtPrinter::BeginDoc() {
  if (Printing()) throw EPrinter("A print job is already running.");
  // The print engine makes its own copies; the device must not multiply them again.
  printer_->setCopyCount(1);
  if (ToFile()) {
    // A hidden file in the target's folder, so the rename at the end stays on one file system.
    const QString target = printer_->outputFileName();
    const QFileInfo info(target);
    QString part;
    do {
      part = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".") +
             QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".part");
    } while (QFileInfo::exists(part));
    target_ = target.toStdString();
    partFile_ = part.toStdString();
    printer_->setOutputFileName(part);
  }
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(printer_.get())) {
    painter_.reset();
    DropPartFile();
    const std::string target = PrinterName();
    throw EPrinter(target.empty() ? "There is no printer to print on."
                                  : "Printing on \"" + target + "\" could not be started.");
  }
  canvas_ = std::make_unique<TQtCanvas>(*painter_);
  return *canvas_;
}

void TQtPrinter::NewPage() {
  if (!Printing()) return;
  if (!printer_->newPage()) throw EPrinter("The printer refused a new page.");
}

void TQtPrinter::Finish() {
  canvas_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
  painter_.reset();
}

void TQtPrinter::DropPartFile() {
  if (!partFile_.empty()) QFile::remove(QString::fromStdString(partFile_));
  if (!target_.empty()) printer_->setOutputFileName(QString::fromStdString(target_));
  partFile_.clear();
  target_.clear();
}

void TQtPrinter::EndDoc() {
  if (!Printing()) return;
  const std::string name = PrinterName();
  canvas_.reset();
  bool ok = painter_->end();
  painter_.reset();
  if (ok && !partFile_.empty()) {
    ok = std::rename(partFile_.c_str(), target_.c_str()) == 0;
    if (ok) partFile_.clear();
  }
  DropPartFile();
  if (!ok) throw EPrinter("The document could not be finished on \"" + name + "\".");
}

void TQtPrinter::Abort() {
  if (!Printing()) return;
  printer_->abort();
  Finish();
  // A file cut off in the middle is no document: it goes, and the target keeps what it held.
  DropPartFile();
}

TQtMeasuringCanvas::TQtMeasuringCanvas()
    : QImage(1, 1, QImage::Format_ARGB32),
      QPainter(static_cast<QImage*>(this)),
      TQtCanvas(*static_cast<QPainter*>(this)) {}

TQtMeasuringCanvas::~TQtMeasuringCanvas() = default;

}  // namespace platform
