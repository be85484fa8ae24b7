#include "databank/gui/TreeImages.h"

#include <QPainter>
#include <QPolygonF>

#include "ui/ImgList_Override.h"

namespace {

// Eight colours, as (fill, edge) pairs.
struct Hue {
  QRgb fill, edge;
};
constexpr Hue kHues[8] = {
    {0xFFF2C94C, 0xFFB58A12},  // yellow
    {0xFF6FA8DC, 0xFF2F5E8E},  // blue
    {0xFF8BC96B, 0xFF3E7A2A},  // green
    {0xFFE07A6A, 0xFF9A3426},  // red
    {0xFFB08BD6, 0xFF6A4596},  // purple
    {0xFFF0A24B, 0xFFA65F12},  // orange
    {0xFFB4B4B4, 0xFF6A6A6A},  // grey
    {0xFF5FC2B8, 0xFF237A72},  // teal
};

// A painter over one 16-unit cell of a strip at the given scale, drawing on half-unit lines so that
// one-unit strokes stay sharp at both scales.
class Cell {
 public:
  Cell(QImage& strip, int index, int scale) : p_(&strip) {
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.translate(index * 16 * scale, 0);
    p_.scale(scale, scale);
  }
  QPainter& P() { return p_; }

 private:
  QPainter p_;
};

QImage NewStrip(int count, int scale) {
  QImage strip(16 * scale * count, 16 * scale, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  return strip;
}

void DrawFolder(QPainter& p, const Hue& hue, bool open) {
  const QColor fill = QColor::fromRgba(hue.fill), edge = QColor::fromRgba(hue.edge);
  p.setPen(QPen(edge, 1));
  // The back with its tab.
  p.setBrush(open ? fill.darker(115) : fill);
  p.drawPolygon(QPolygonF({{1.5, 13.5}, {1.5, 3.5}, {6.5, 3.5}, {7.5, 4.5}, {14.5, 4.5}, {14.5, 13.5}}));
  if (!open) {
    p.setPen(QPen(fill.lighter(130), 1));
    p.drawLine(QPointF(2.5, 6.5), QPointF(13.5, 6.5));
    return;
  }
  // The front flap, tilted open.
  p.setBrush(fill.lighter(112));
  p.drawPolygon(QPolygonF({{1.5, 13.5}, {3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}}));
}

void DrawRecord(QPainter& p, const Hue& hue, bool marked) {
  const QColor ink = QColor::fromRgba(hue.edge);
  // A page with its corner folded.
  p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({{3.5, 1.5}, {9.5, 1.5}, {12.5, 4.5}, {12.5, 14.5}, {3.5, 14.5}}));
  p.setBrush(QColor(0xE4, 0xE4, 0xE4));
  p.drawPolygon(QPolygonF({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}));
  // Lines of code, indented as code is.
  p.setPen(QPen(ink, 1));
  const double lines[][2] = {{5, 9}, {6, 11}, {6, 10}, {5, 8}};
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(lines[i][0], 6.5 + 2 * i), QPointF(lines[i][1], 6.5 + 2 * i));
  if (marked) {
    p.setBrush(QColor::fromRgba(hue.fill));
    p.drawEllipse(QRectF(9.5, 9.5, 5, 5));
  }
}

}  // namespace

QImage TreeImageStrip(int resourceId, int scale) {
  if (scale < 1) scale = 1;
  if (resourceId >= kFolderStripFirst && resourceId <= kFolderStripLast) {
    const Hue& hue = kHues[resourceId - kFolderStripFirst];
    QImage strip = NewStrip(2, scale);
    for (int open = 0; open < 2; ++open) {
      Cell cell(strip, open, scale);
      DrawFolder(cell.P(), hue, open == 1);
    }
    return strip;
  }
  if (resourceId >= kRecordStripFirst && resourceId <= kRecordStripLast) {
    const int n = resourceId - kRecordStripFirst;
    QImage strip = NewStrip(1, scale);
    Cell cell(strip, 0, scale);
    DrawRecord(cell.P(), kHues[n % 8], n >= 8);
    return strip;
  }
  return QImage();
}

TTreeImageRanges LoadTreeImageStrips(TImageList& list) {
  list.BeginUpdate();
  list.Clear();
  auto load = [&list](int first, int last) {
    for (int id = first; id <= last; ++id) {
      const QImage strip = TreeImageStrip(id, 1);
      if (!strip.isNull()) list.Add(strip, TreeImageStrip(id, 2));
    }
  };
  TTreeImageRanges ranges;
  ranges.FolderFirst = 0;
  load(kFolderStripFirst, kFolderStripLast);
  ranges.FolderLast = list.Count() - 1;
  ranges.RecordFirst = list.Count();
  load(kRecordStripFirst, kRecordStripLast);
  ranges.RecordLast = list.Count() - 1;
  list.EndUpdate();
  return ranges;
}
