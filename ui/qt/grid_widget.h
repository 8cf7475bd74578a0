// A grid's widget: paints the cells straight from the Grid (fixed rows and columns,
// the current row or cell, grid lines) with laid-out texts kept between paints, so
// that a key rewriting a whole page repaints quickly. Keys move the current cell,
// the wheel scrolls, and with colSizing a drag on a header divider sets a width.
#pragma once
#include <QStaticText>
#include <QWidget>
#include <string>
#include <unordered_map>

#include "ui/controls.h"

namespace ui::qt {

class GridWidget : public QWidget {
 public:
  GridWidget(Grid& grid, QWidget* parent);
  // The text a cell shows (the mark character 17 as a triangle).
  static QString DisplayText(const std::string& cell);
  // Styles changed: fonts and colours are taken anew.
  void Restyle();
  int paints() const { return paints_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  const QStaticText& Laid(const std::string& cell);
  int DividerAt(int x, int y) const;  // column whose right edge is under x in the header, -1
  Grid& grid_;
  QFont font_;
  std::unordered_map<std::string, QStaticText> texts_;  // laid-out texts by cell text
  int textHeight_ = 0;
  int resizing_ = -1, resizeStart_ = 0, resizeFrom_ = 0;
  int paints_ = 0;
};

}  // namespace ui::qt
