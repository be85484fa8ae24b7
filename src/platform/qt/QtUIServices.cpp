#include "platform/qt/QtUIServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPushButton>
#include <QUrl>

#include "platform/Application.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtPrinter.h"

namespace platform {

namespace {
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
}  // namespace

QWidget* DefaultOwner(QWidget* owner) {
  if (owner) return owner;
  if (QWidget* active = QApplication::activeWindow()) return active;
  // The program's window, where it is shown but has not the keyboard (the desktop gave it to another
  // program): a box stands on it, so that one can tell which program asks.
  if (auto* backend = dynamic_cast<QtApplicationBackend*>(TApplication::Instance().Backend()))
    if (QWidget* main = backend->MainWindow(); main && main->isVisible()) return main;
  return nullptr;
}

QMessageBox* QtUIServices::BuildMessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                           MsgIcon icon, QWidget* owner) {
  auto* box = new QMessageBox(DefaultOwner(owner));
  box->setWindowTitle(Q(caption));
  box->setText(Q(text));
  box->setTextFormat(Qt::PlainText);
  switch (icon) {
    case MsgIcon::None:
      box->setIcon(QMessageBox::NoIcon);
      break;
    case MsgIcon::Error:
      box->setIcon(QMessageBox::Critical);
      break;
    case MsgIcon::Question:
      box->setIcon(QMessageBox::Question);
      break;
    case MsgIcon::Warning:
      box->setIcon(QMessageBox::Warning);
      break;
    case MsgIcon::Information:
      box->setIcon(QMessageBox::Information);
      break;
  }
  // Buttons in the classic order; each carries its dialog result. The first is the default button
  // unless the box has a safer one.
  struct B {
    const char* text;
    int result;
    QMessageBox::ButtonRole role;
  };
  std::vector<B> list;
  std::size_t defaultButton = 0;
  switch (buttons) {
    case MsgButtons::Ok:
      list = {{"OK", mrOk, QMessageBox::AcceptRole}};
      break;
    case MsgButtons::OkCancel:
      list = {{"OK", mrOk, QMessageBox::AcceptRole}, {"Cancel", mrCancel, QMessageBox::RejectRole}};
      break;
    case MsgButtons::AbortRetryIgnore:
      list = {{"&Abort", mrAbort, QMessageBox::RejectRole},
              {"&Retry", mrRetry, QMessageBox::AcceptRole},
              {"&Ignore", mrIgnore, QMessageBox::ActionRole}};
      break;
    case MsgButtons::YesNoCancel:
      list = {{"&Yes", mrYes, QMessageBox::YesRole},
              {"&No", mrNo, QMessageBox::NoRole},
              {"Cancel", mrCancel, QMessageBox::RejectRole}};
      break;
    case MsgButtons::YesNo:
      list = {{"&Yes", mrYes, QMessageBox::YesRole}, {"&No", mrNo, QMessageBox::NoRole}};
      break;
    case MsgButtons::RetryCancel:
      list = {{"&Retry", mrRetry, QMessageBox::AcceptRole}, {"Cancel", mrCancel, QMessageBox::RejectRole}};
      break;
    case MsgButtons::OverwriteSaveAsCancel:
      list = {{"&Overwrite", mrOverwrite, QMessageBox::DestructiveRole},
              {"Save &As...", mrSaveAs, QMessageBox::AcceptRole},
              {"Cancel", mrCancel, QMessageBox::RejectRole}};
      defaultButton = 1;  // Enter never replaces another program's file
      break;
  }
  const int dismiss = DismissResult(buttons);
  for (std::size_t i = 0; i < list.size(); ++i) {
    QPushButton* b = box->addButton(QString::fromLatin1(list[i].text), list[i].role);
    b->setProperty("dialogResult", list[i].result);
    if (i == defaultButton) box->setDefaultButton(b);
    if (list[i].result == dismiss) box->setEscapeButton(b);
  }
  return box;
}

int QtUIServices::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                             WindowHandle owner) {
  std::unique_ptr<QMessageBox> box(BuildMessageBox(text, caption, buttons, icon, WidgetOf(owner)));
  box->exec();
  QAbstractButton* clicked = box->clickedButton();
  if (!clicked) return DismissResult(buttons);
  bool ok = false;
  int r = clicked->property("dialogResult").toInt(&ok);
  return ok ? r : DismissResult(buttons);
}

QStringList QtUIServices::NameFilters(const std::string& filter) {
  QStringList result;
  for (const auto& [desc, patterns] : ParseFileFilter(filter)) result << Q(FileFilterName(desc, patterns));
  return result;
}

namespace {

bool RunFileDialog(const FileDialogOptions& o, std::string& path, QWidget* owner, bool save) {
  QFileDialog dlg(DefaultOwner(owner), Q(o.title));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : (o.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
  QStringList filters = QtUIServices::NameFilters(o.filter);
  if (!filters.isEmpty()) dlg.setNameFilters(filters);
  if (!o.defaultExt.empty()) {
    std::string ext = o.defaultExt.front() == '.' ? o.defaultExt.substr(1) : o.defaultExt;
    dlg.setDefaultSuffix(Q(ext));
  }
  dlg.setOption(QFileDialog::DontConfirmOverwrite, !o.overwritePrompt);
  QString preset = Q(o.fileName);
  if (!o.initialDir.empty()) dlg.setDirectory(Q(o.initialDir));
  if (!preset.isEmpty()) {
    QFileInfo fi(preset);
    if (fi.isAbsolute()) dlg.setDirectory(fi.absolutePath());
    dlg.selectFile(fi.fileName());
  }
  // The process's current folder is never changed by a dialog here.
  if (dlg.exec() != QDialog::Accepted) return false;
  const QStringList files = dlg.selectedFiles();
  if (files.isEmpty()) return false;
  path = files.first().toStdString();
  return true;
}

}  // namespace

bool QtUIServices::OpenFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner) {
  return RunFileDialog(options, path, WidgetOf(owner), false);
}

bool QtUIServices::SaveFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner) {
  return RunFileDialog(options, path, WidgetOf(owner), true);
}

bool QtUIServices::AskPassword(std::string& password, WindowHandle owner) {
  return PasswordPrompt ? PasswordPrompt(password, WidgetOf(owner)) : false;
}

bool QtUIServices::AskFilePassword(const std::string& fileName, std::string& password, WindowHandle owner) {
  return FilePasswordPrompt ? FilePasswordPrompt(fileName, std::string(), password, WidgetOf(owner)) : false;
}

bool QtUIServices::AskFilePasswordAgain(const std::string& fileName, const std::string& why, std::string& password,
                                        WindowHandle owner) {
  return FilePasswordPrompt ? FilePasswordPrompt(fileName, why, password, WidgetOf(owner)) : false;
}

bool QtUIServices::AskSetPassword(SetPasswordAnswer& answer, WindowHandle owner) {
  return SetPasswordPrompt ? SetPasswordPrompt(answer, WidgetOf(owner)) : false;
}

bool QtUIServices::AskChangePassword(ChangePasswordAnswer& answer, WindowHandle owner) {
  return ChangePasswordPrompt ? ChangePasswordPrompt(answer, WidgetOf(owner)) : false;
}

bool QtUIServices::InputBox(const std::string& caption, const std::string& prompt, std::string& value,
                            WindowHandle owner) {
  return InputPrompt ? InputPrompt(caption, prompt, value, WidgetOf(owner)) : false;
}

void QtUIServices::ShowException(const std::string& message) {
  // The error handler's box: the application's title, the message, OK and the error icon.
  MessageBox(message, TApplication::Instance().Title, MsgButtons::Ok, MsgIcon::Error, NoWindow);
}

bool QtUIServices::OpenUrl(const std::string& url) {
  QUrl u(Q(url), QUrl::StrictMode);
  if (!u.isValid() || u.isEmpty()) return false;
  return QDesktopServices::openUrl(u);
}

bool QtUIServices::PrintDialog(PrintDialogOptions& options, WindowHandle owner) {
  auto* desktop = dynamic_cast<TQtPrinter*>(&Printer());
  QPrinter fallback(QPrinter::HighResolution);
  QPrinter& printer = desktop ? desktop->Device() : fallback;
  QPrintDialog dialog(&printer, DefaultOwner(WidgetOf(owner)));
  QAbstractPrintDialog::PrintDialogOptions enabled = QAbstractPrintDialog::PrintPageRange |
                                                     QAbstractPrintDialog::PrintToFile |
                                                     QAbstractPrintDialog::PrintCollateCopies;
  if (options.allowSelection) enabled |= QAbstractPrintDialog::PrintSelection;
  dialog.setOptions(enabled);
  dialog.setMinMax(options.minPage, std::max(options.minPage, options.maxPage));
  dialog.setFromTo(options.fromPage, options.toPage);
  dialog.setPrintRange(options.range == PrintDialogOptions::Range::Pages       ? QAbstractPrintDialog::PageRange
                       : options.range == PrintDialogOptions::Range::Selection ? QAbstractPrintDialog::Selection
                                                                               : QAbstractPrintDialog::AllPages);
  const bool ok = dialog.exec() == QDialog::Accepted;
  if (ok) {
    switch (dialog.printRange()) {
      case QAbstractPrintDialog::PageRange:
        options.range = PrintDialogOptions::Range::Pages;
        break;
      case QAbstractPrintDialog::Selection:
        options.range = PrintDialogOptions::Range::Selection;
        break;
      default:
        options.range = PrintDialogOptions::Range::All;
        break;
    }
    options.fromPage = printer.fromPage();
    options.toPage = printer.toPage();
    options.copies = std::max(1, printer.copyCount());
  }
  // Copies are made by the caller; the device prints each page it is given once.
  printer.setCopyCount(1);
  return ok;
}

bool QtUIServices::FontDialog(FontChoice& font, WindowHandle owner) {
  QFont initial = MapFont(font.name);
  initial.setPointSize(std::max(1, font.size));
  initial.setBold(font.style & 1);
  initial.setItalic(font.style & 2);
  initial.setUnderline(font.style & 4);
  initial.setStrikeOut(font.style & 8);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, DefaultOwner(WidgetOf(owner)));
  if (!ok) return false;
  font.name = chosen.family().toStdString();
  font.size = chosen.pointSize() > 0 ? chosen.pointSize() : font.size;
  font.style = (chosen.bold() ? 1u : 0u) | (chosen.italic() ? 2u : 0u) | (chosen.underline() ? 4u : 0u) |
               (chosen.strikeOut() ? 8u : 0u);
  return true;
}

bool QtUIServices::ColorDialog(TColor& color, WindowHandle owner) {
  const QColor chosen = QColorDialog::getColor(ToQColor(color, Qt::black), DefaultOwner(WidgetOf(owner)));
  if (!chosen.isValid()) return false;
  color = RGB(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
              static_cast<std::uint8_t>(chosen.blue()));
  return true;
}

}  // namespace platform
