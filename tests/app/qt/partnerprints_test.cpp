// The money order and the label window on the Qt back end: the order printed into a
// PDF file, the label window shown with its menu bar and spin boxes; both files are
// left in the build folder for a reviewer to look at.
#include <QFile>
#include <QMenuBar>
#include <QSpinBox>
#include <QWidget>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "partners/poukazka.h"
#include "partners/stitky.h"
#include "reports/formimage.h"
#include "tests/app/appkit.h"
#include "ui/qt/qt_backend.h"

namespace {

struct QtPartnerPrints : apptest::AppTest {
  ui::qt::QtBackend qt;
  ~QtPartnerPrints() override {
    partners::DestroyLabelWindows();
    partners::DestroyMoneyOrderWindow();
  }
};

TEST_F(QtPartnerPrints, MoneyOrderGoesIntoAPdfFile) {
  qt.pdfOutput = APP_QT_OUTPUT_DIR "/money_order.pdf";
  QFile::remove(QString::fromStdString(qt.pdfOutput));
  partners::TfPoukazkA& form = partners::fPoukazkA();
  partners::SetEditTextByName(form, "hEdit10", "====1234");
  partners::SetEditTextByName(form, "hEdit3", common::Cz("jedentisíc"));
  partners::SetEditTextByName(form, "hEdit13", common::Cz("Žluťoučký kůň s.r.o."));
  form.Image1.Hide();
  ASSERT_TRUE(reports::PrintFormImage(form, 0, 0, 1.0, 1.0));
  form.Image1.Show();
  QFile pdf(QString::fromStdString(qt.pdfOutput));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
}

TEST_F(QtPartnerPrints, LabelWindowShowsItsMenuBarAndSpinBoxes) {
  partners::TfStitky& w = partners::fStitky();
  w.Show();
  QWidget* window = qt.WidgetOf(w);
  ASSERT_NE(window, nullptr);
  auto* menu = window->findChild<QMenuBar*>();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 3);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("Výber adres"));
  auto* spin = qobject_cast<QSpinBox*>(qt.WidgetOf(w.SpinEdit1));
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->value(), 2);
  EXPECT_EQ(spin->maximum(), 9);
  EXPECT_TRUE(window->grab().save(QString(APP_QT_OUTPUT_DIR) + "/labels.png"));
  w.Hide();
}

}  // namespace
