// The print preview control: one page of a print engine as a sheet on the work space, at the whole
// page, the page width or a percentage. A thin shell over TSynPadPrintPreviewModel: it paints
// through the canvas, forwards scroll bars, wheel and size, and carries out the model's requests.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <functional>

#include "printing/SynPadPrintPreviewModel.h"

class QLabel;
class QScrollBar;

class TSynPadPrintPreview : public QAbstractScrollArea, private ISynPreviewHost {
  Q_OBJECT

 public:
  explicit TSynPadPrintPreview(QWidget* parent = nullptr);
  ~TSynPadPrintPreview() override;

  TSynPadPrintPreviewModel& Model() { return fModel; }

  TSynPadPrint* SynPadPrint() const { return fModel.SynPadPrint(); }
  void SetSynPadPrint(TSynPadPrint* Value) { fModel.SetSynPadPrint(Value); }
  TSynPreviewScale ScaleMode() const { return fModel.ScaleMode(); }
  void SetScaleMode(TSynPreviewScale Value) { fModel.SetScaleMode(Value); }
  int ScalePercent() const { return fModel.ScalePercent(); }
  void SetScalePercent(int Value) { fModel.SetScalePercent(Value); }
  int PageNumber() const { return fModel.PageNumber(); }
  void FirstPage() { fModel.FirstPage(); }
  void LastPage() { fModel.LastPage(); }
  void NextPage() { fModel.NextPage(); }
  void PreviousPage() { fModel.PreviousPage(); }
  // Lays the pages out again (on a measuring canvas at the printer's resolution); raises when the
  // layout cannot be made.
  void UpdatePreview();

  std::function<void(Qt::MouseButton Button)> OnMouseDown;

  // The shared hint window, for tests (nullptr until first shown).
  static QLabel* HintWindow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  int ClientWidth() const override;
  int ClientHeight() const override;
  int ScreenPixelsPerInchX() const override;
  int ScreenPixelsPerInchY() const override;
  void Invalidate() override;
  void ScrollWindow(int dx, int dy) override;
  void SetScrollBar(bool Horizontal, const TSynScrollBarInfo& Info) override;
  void ShowScrollHint(const std::string& Text) override;
  void HideScrollHint() override;

  void BarAction(bool Horizontal, int Action);

  TSynPadPrintPreviewModel fModel{this};
  TSynScrollBarInfo fHorz, fVert;
  bool fSettingBars = false;
};
