#include "ui/qt/grid_widget.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "ui/keys.h"
#include "ui/qt/convert.h"
#include "ui/qt/qt_backend.h"

namespace ui::qt {

GridWidget::GridWidget(Grid& grid, QWidget* parent) : QWidget(parent), grid_(grid) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  Restyle();
}

QString GridWidget::DisplayText(const std::string& cell) {
  QString s = ToQ(cell);
  s.replace(QChar(0x11), QChar(0x25C4));
  return s;
}

void GridWidget::Restyle() {
  font_ = ToQFont(grid_.font());
  texts_.clear();
  textHeight_ = QFontMetrics(font_).height();
  update();
}

const QStaticText& GridWidget::Laid(const std::string& cell) {
  auto it = texts_.find(cell);
  if (it != texts_.end()) return it->second;
  if (texts_.size() > 8192) texts_.clear();
  QStaticText st(DisplayText(cell));
  st.setTextFormat(Qt::PlainText);
  st.prepare(QTransform(), font_);
  return texts_.emplace(cell, std::move(st)).first->second;
}

void GridWidget::paintEvent(QPaintEvent* e) {
  ++paints_;
  QPainter p(this);
  const QPalette& pal = palette();
  QColor base = ToQColor(grid_.color()), fixed = ToQColor(grid_.fixedColor()), ink = ToQColor(grid_.font().color);
  QColor highlight = pal.color(QPalette::Highlight), highlightText = pal.color(QPalette::HighlightedText);
  p.fillRect(e->rect(), base);
  p.setFont(font_);
  const int line = grid_.gridLineWidth(), rowHeight = grid_.rowHeight();
  // Columns and rows in view, with their left and top edges.
  std::vector<std::pair<int, int>> cols, rows;
  int x = 0;
  for (int c = 0; c < grid_.colCount() && x < width(); ++c) {
    if (c >= grid_.fixedCols() && c < grid_.leftCol()) continue;
    cols.emplace_back(c, x);
    x += grid_.colWidth(c) + line;
  }
  int y = 0;
  for (int r = 0; r < grid_.rowCount() && y < height(); ++r) {
    if (r >= grid_.fixedRows() && r < grid_.topRow()) continue;
    rows.emplace_back(r, y);
    y += rowHeight + line;
  }
  bool focused = hasFocus();
  for (auto [r, top] : rows) {
    if (top + rowHeight < e->rect().top() || top > e->rect().bottom()) continue;
    bool fixedRow = r < grid_.fixedRows();
    for (auto [c, left] : cols) {
      int w = grid_.colWidth(c);
      bool fixedCell = fixedRow || c < grid_.fixedCols();
      bool current = !fixedCell && r == grid_.row() && (grid_.rowSelect() || c == grid_.col());
      QRect cell(left, top, w, rowHeight);
      if (fixedCell) p.fillRect(cell, fixed);
      else if (current) p.fillRect(cell, focused || grid_.rowSelect() ? highlight : base.darker(110));
      const std::string& text = grid_.Cell(c, r);
      if (text.empty() || (text.size() == 1 && text[0] == ' ')) continue;
      const QStaticText& st = Laid(text);
      const QColor& pen = current ? highlightText : ink;
      if (p.pen().color() != pen) p.setPen(pen);
      QPointF at(left + 2, top + (rowHeight - textHeight_) / 2.0);
      if (st.size().width() + 2 > w) {
        p.save();
        p.setClipRect(cell);
        p.drawStaticText(at, st);
        p.restore();
      } else {
        p.drawStaticText(at, st);
      }
    }
  }
  if (line > 0) {
    QPen pen(QColor(160, 160, 160));
    pen.setWidth(line);
    pen.setCosmetic(true);
    p.setPen(pen);
    std::vector<QLine> lines;
    for (auto [c, left] : cols) {
      int edge = left + grid_.colWidth(c) + (line - 1) / 2;
      lines.emplace_back(edge, 0, edge, y);
    }
    for (auto [r, top] : rows) {
      int edge = top + rowHeight + (line - 1) / 2;
      lines.emplace_back(0, edge, x, edge);
    }
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
  }
}

void GridWidget::keyPressEvent(QKeyEvent* e) {
  if (!grid_.UserMoveByKey(VirtualKeyOf(e->key(), e->modifiers()))) return QWidget::keyPressEvent(e);
  update();
}

int GridWidget::DividerAt(int x, int y) const {
  if (!grid_.colSizing() || grid_.fixedRows() == 0 || y >= grid_.rowHeight()) return -1;
  for (int c = 0; c < grid_.colCount(); ++c) {
    Rect r = grid_.CellRect(c, 0);
    if (r.width == 0 && r.height == 0) continue;
    if (std::abs(x - r.right()) <= 2) return c;
  }
  return -1;
}

void GridWidget::mousePressEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  int divider = e->button() == Qt::LeftButton ? DividerAt(p.x(), p.y()) : -1;
  if (divider >= 0) {
    resizing_ = divider;
    resizeStart_ = p.x();
    resizeFrom_ = grid_.colWidth(divider);
  }
  update();
}

void GridWidget::mouseMoveEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  if (resizing_ >= 0) {
    grid_.UserSetColWidth(resizing_, std::max(0, resizeFrom_ + p.x() - resizeStart_));
    update();
    return;
  }
  bool over = DividerAt(p.x(), p.y()) >= 0;
  if (over) setCursor(Qt::SplitHCursor);
  else if (cursor().shape() == Qt::SplitHCursor) unsetCursor();
}

void GridWidget::mouseReleaseEvent(QMouseEvent*) { resizing_ = -1; }

void GridWidget::wheelEvent(QWheelEvent* e) {
  int steps = e->angleDelta().y() / 40;
  if (steps == 0) return;
  grid_.UserScroll(grid_.topRow() - steps, grid_.leftCol());
  update();
}

}  // namespace ui::qt
