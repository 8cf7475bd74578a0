#include "ui/qt/translations.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QTreeView>
#include <algorithm>
#include <cstring>

#include "common/numbers.h"
#include "ui/qt/convert.h"

namespace ui::qt {

namespace {

// What the toolkit's Czech translation lacks in the dialogs the program shows.
class MissingCzech : public QTranslator {
 public:
  QString translate(const char* context, const char* source, const char* = nullptr, int = -1) const override {
    static const struct {
      const char *context, *source, *czech;
    } kTexts[] = {
        {"QAbstractFileIconProvider", "Folder", "Složka"},
        {"QAbstractFileIconProvider", "Drive", "Disková jednotka"},
        {"QPrintSettingsOutput", "Pages", "Strany"},
        {"QPrintSettingsOutput", "Double Sided Printing", "Oboustranný tisk"},
        {"QPrintSettingsOutput", "Off", "Vypnuto"},
        {"QPrintSettingsOutput", "Long side binding", "Vazba na delší straně"},
        {"QPrintSettingsOutput", "Short side binding", "Vazba na kratší straně"},
        {"QPrintSettingsOutput",
         "Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. "
         "E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
         "Strany nebo rozsahy oddělené čárkami; rozsah jsou dvě čísla spojená pomlčkou. Například 3,5-7,9 vytiskne "
         "strany 3, 5, 6, 7 a 9."},
        {"QPrintDialog", "Invalid Pages Definition", "Chybně zadané strany"},
        {"QPrintDialog",
         "%1 does not follow the correct syntax. Please use ',' to separate ranges and pages, '-' to define ranges and "
         "make sure ranges do not intersect with each other.",
         "%1 nejsou správně zapsané strany: strany a rozsahy se oddělují čárkou, rozsah jsou dvě čísla spojená "
         "pomlčkou a rozsahy se nesmějí překrývat."},
        {"QPrintDialog", "Duplex Settings Conflicts", "Rozpor v nastavení oboustranného tisku"},
        {"QPrintDialog", "There are conflicts in duplex settings. Do you want to fix them?",
         "Nastavení oboustranného tisku si odporuje s jinými volbami. Chcete ho opravit?"},
        // The printer's properties ("Vlastnosti"): the tab of its own options and their conflicts.
        {"QPrintPropertiesWidget", "Advanced", "Rozšířené"},
        {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them.",
         "Některé volby si odporují. Opravte je, prosím."},
        {"QPrintPropertiesDialog", "Page Setup Conflicts", "Rozpor v nastavení stránky"},
        {"QPrintPropertiesDialog", "There are conflicts in page setup options. Do you want to fix them?",
         "Volby nastavení stránky si odporují. Chcete je opravit?"},
        {"QPrintPropertiesDialog", "Advanced Option Conflicts", "Rozpor v rozšířených volbách"},
        {"QPrintPropertiesDialog", "There are conflicts in some advanced options. Do you want to fix them?",
         "Některé rozšířené volby si odporují. Chcete je opravit?"},
    };
    if (!context || !source) return {};
    for (const auto& t : kTexts)
      if (std::strcmp(t.context, context) == 0 && std::strcmp(t.source, source) == 0) return QString::fromUtf8(t.czech);
    return {};
  }
  bool isEmpty() const override { return false; }
};

// The file dialog's size and date columns as the Czech locale writes them: the
// toolkit's file model takes them from the system's locale.
class CzechFileColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (files && role == Qt::DisplayRole && (index.column() == 1 || index.column() == 3)) {
      const QModelIndex source = mapToSource(index);
      if (index.column() == 3) return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
      if (files->isDir(source)) return QIdentityProxyModel::data(index, role);
      // Bytes agree with their count ("1 bajt", "2 bajty", "229 bajtů"); larger sizes as the locale has them.
      const qint64 size = files->size(source);
      if (size < 1024) return ToQ(common::CzCount(size, "bajt", "bajty", "bajtů"));
      return QLocale().formattedDataSize(size);
    }
    return QIdentityProxyModel::data(index, role);
  }
};

// The toolkit sizes a file dialog's columns for English samples and cuts longer texts:
// they follow what they show, and the dialog opens wide enough for Czech ones.
void FitFileColumns(QFileDialog& dialog) {
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  for (int column = 1; column < header->count(); ++column) header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  const QFontMetrics metrics(view->font());
  const QLocale czech;
  const QString samples[] = {czech.formattedDataSize(1023 * 1024 - 1), QString::fromUtf8("prostý textový dokument"),
                             czech.toString(QDateTime(QDate(2026, 12, 31), QTime(23, 59)), QLocale::ShortFormat)};
  int wanted = header->sectionSize(0) + dialog.width() - view->viewport()->width();
  for (const QString& sample : samples) wanted += metrics.horizontalAdvance(sample) + 2 * metrics.averageCharWidth();
  if (const QScreen* screen = dialog.screen()) wanted = std::min(wanted, screen->availableGeometry().width());
  if (dialog.width() < wanted) dialog.resize(wanted, dialog.height());
}

// Gives every file dialog of the toolkit, also one its print dialog opens, those columns.
class FileDialogWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show)
      if (auto* dialog = qobject_cast<QFileDialog*>(watched))
        if (!dynamic_cast<CzechFileColumns*>(dialog->proxyModel())) {
          dialog->setProxyModel(new CzechFileColumns(dialog));
          FitFileColumns(*dialog);
        }
    return false;
  }
};

}  // namespace

bool InstallToolkitTranslations() {
  static QTranslator translator;
  static MissingCzech missing;
  static FileDialogWatch watch;
  static const bool loaded =
      translator.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  static QCoreApplication* installedIn = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (!loaded || !app) return false;
  if (installedIn != app) {
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::installTranslator(&missing);
    app->installEventFilter(&watch);
    // The toolkit's own number, date and file-type texts; the program's stored, printed
    // and parsed numbers do not go through the toolkit's locale.
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    installedIn = app;
  }
  return true;
}

}  // namespace ui::qt
