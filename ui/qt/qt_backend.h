// The Qt 6 Widgets back end. It shows any Form generically: each control becomes a
// widget at its geometry (a grid a table view over the grid's cells), forwards the
// user's keys, mouse and focus to the form's dispatch, and mirrors afterwards only
// what the handlers changed. Modal forms run in nested event loops, timers are
// QTimers, dialogs Qt's, printing QPrinter (or a PDF file when pdfOutput is set).
// It holds no window logic. A QApplication must exist first.
#pragma once
#include <QtCore/Qt>
#include <functional>
#include <memory>
#include <string>

#include "ui/backend.h"

class QString;
class QWidget;

namespace ui::qt {

class QtBackend : public Backend {
 public:
  // Becomes the current back end until destroyed.
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // The window of a form and the widget of a control, once the form has been shown
  // (or Realize called); nullptr before.
  QWidget* WidgetOf(const Form& form) const;
  QWidget* WidgetOf(const Control& control) const;
  // Creates the form's window without showing it.
  QWidget* Realize(Form& form);
  // Mirrors every pending change now (normally done after each event).
  void Flush();
  // When not empty, print jobs are written to this PDF file instead of a printer.
  std::string pdfOutput;
  // "Print to file" in the print dialog sends the next job to the file chosen there;
  // without a printer (or with PDF chosen otherwise) jobs go to "<pdfFolder>\<job>.pdf"
  // (relative to the start folder). A job written to a PDF file says where it is and,
  // unless it is pdfOutput or openPdf is off, is opened when finished.
  std::string pdfFolder = "tisk";
  bool openPdf = true;
  // When its width is above 0, the desktop work area the windows are fitted to
  // instead of the screen's (tests).
  Rect workArea;
  // Runs on the main thread when the X server has gone, before the toolkit ends the
  // process; from then on nothing is mirrored to the screen.
  std::function<void()> onDisplayLost;
  // Runs every 100 ms on the main thread from the back end's making on, in whatever
  // loop runs then (the main window's, a modal window's, a message box's, a dialog's).
  std::function<void()> onPoll;

  void CloseNativeDialogs() override;

  void FormShown(Form& form) override;
  void FormHidden(Form& form) override;
  void RunModal(Form& form) override;
  void ModalEnded(Form& form) override;
  void FormChanged(Form& form) override;
  void FormDestroyed(Form& form) override;
  void ControlRemoved(Form& form, Control& control) override;
  void Run(Form& mainForm) override;
  void ProcessMessages() override;
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;
  std::int64_t NowMs() override;
  MenuItem* Popup(PopupMenu& menu, Point screen) override;
  int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override;
  void Beep(BeepKind kind) override;
  bool ChooseFont(Font& font) override;
  bool ChooseColor(Color& color) override;
  bool ChooseOpenFile(FileDialogRequest& request) override;
  bool ChooseFolder(FolderDialogRequest& request) override;
  bool ChoosePrinter(const std::string& job) override;
  Rect WorkArea() override;
  int PixelsPerInch() override;
  Bitmap GrabForm(Form& form) override;
  std::vector<std::string> PrinterNames() override;
  std::string CurrentPrinter() override;
  bool SetCurrentPrinter(const std::string& name) override;
  std::unique_ptr<PrinterCanvas> BeginPrint(const std::string& title, PageOrientation orientation) override;

  struct Impl;
  // The toolkit said that the X server has gone.
  void DisplayLost();

 private:
  std::unique_ptr<Impl> impl_;
  Backend* previous_;
};

// The virtual key of a Qt key (0 when it has none); keypad keys when the keypad
// modifier is set. The Czech letters of the digit row give the digit keys.
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);
Shift ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);

// The toolkit's word that its X connection broke, before it ends the process.
bool SaysDisplayLost(const QString& text);
// The toolkit's own X connection has broken: a round trip on it fails. False on a
// platform without one.
bool DisplayConnectionLost();

}  // namespace ui::qt
