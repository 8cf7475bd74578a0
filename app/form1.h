// TForm1: the program's main window and its only menu. A fixed panel of buttons,
// each opening one function modally; the start-up work that needs the message loop
// (caption, lock-server connection, language label, the command-line rebuild); the
// companion watch that ends the program when the suite's main program has gone; Esc,
// F1 and the Ctrl + right click that edits the button mask.
//
// Every way out (Esc, the watch, a failed connection, the rebuild) goes through
// RequestExit: the modal windows still open are rejected, each opener finishes
// (so a browse's CloseBrowse runs), the loops that show a window again stop, and
// FormClose runs once.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace browser {
class TfRol;
}
namespace common {
struct Session;
}

namespace app {

inline constexpr int kMainButtonCount = 32;

// The report list as the "Tisky" loop drives it (the report layer's window).
class SpoolWindow {
 public:
  virtual ~SpoolWindow() = default;
  // Lists the produced reports.
  virtual void SetupSpool() = 0;
  // Shows the list modally.
  virtual void ShowSpool() = 0;
  // The chosen entry (1-based); below 1 after Esc.
  virtual int CurrentEntry() const = 0;
  // The list's line of entry n: the report's name.
  virtual std::string EntryLine(int n) const = 0;
  virtual void CloseBrowse() = 0;
};

// What the main window calls outside itself; the defaults are the program's own,
// tests put their own in place.
struct MainWindowServices {
  std::function<bool()> userSlotTaken;
  // 0 connected, otherwise the connection failed (after its own messages).
  std::function<int(common::Session&)> connectLockServer;
  std::function<void()> keepAlive;
  // F1.
  std::function<void()> showHelp;
  std::function<void(const std::string& report)> printReport;
  MainWindowServices();
};

class TForm1 : public ui::Form {
 public:
  // args: the command-line parameters after the program's name.
  explicit TForm1(std::vector<std::string> args = {});
  ~TForm1() override;

  // ---------------------------------------------------------------- controls
  // The buttons in the window's order, which is also the button mask's order.
  ui::Button& bOpisOrg;
  ui::Button& bSortOrg;
  ui::Button& bAktOrg;
  ui::Button& bTisky;
  ui::Button& bKopCis;
  ui::Button& bOnovCis;
  ui::Button& nFma;
  ui::Button& bStitky;
  ui::Button& bStaraAktCi;
  ui::Button& bAktCi;
  ui::Button& Button2;
  ui::Button& Button4;
  ui::Button& Button5;
  ui::Button& bJazyk;
  ui::Button& bpsc;
  ui::Button& bOrvekOrg;
  ui::Button& bSpotrDane;
  ui::Button& bCisExc;
  ui::Button& CI60x2024;
  ui::Button& bJHcis;
  ui::Button& bJHakt;
  ui::Button& bJHcis01;
  ui::Button& bXsdMat;
  ui::Button& bNactiOIC;
  ui::Button& bXSDmat2;
  ui::Button& bNulujMatrici;
  ui::Button& bPridejDalsi;
  ui::Button& bISCO;
  ui::Button& bDodatecne;
  ui::Button& bZeme;
  ui::Button& bPrDod;
  ui::Button& bMZ_RZD;
  ui::Label& lJazyk;
  ui::Label& Label1;           // "Vytvářím tiskovou sestavu" during the partner print
  ui::ProgressBar& ProgressBar1;
  ui::Timer& Timer1;           // the companion watch, 10 s
  ui::Timer& TimerKeepAlive;   // the lock-server keep-alive, 10 s after the connection
  ui::Timer& TimerEnd;         // looks for a signal noted by its handler, 100 ms

  MainWindowServices services;
  // The report list of "Tisky" (the report layer's window unless a test puts its own).
  SpoolWindow* spool;

  // ---------------------------------------------------------------- state
  bool FirstActivation = true;
  // Set by nothing; cleared at the first activation, read by the old code-list panel.
  bool AccountAdded = false;
  // The result of the lock-server connection (0 = connected or no server).
  int LockServerResult = 0;
  // The program's exit status: 1 after a failed connection or a failed rebuild.
  int ExitStatus = 0;
  const std::vector<std::string>& arguments() const { return args_; }
  // FormClose has run.
  bool closed() const { return closed_; }

  // ---------------------------------------------------------------- events
  // Applies the button mask (the other windows do not exist yet).
  void FormCreate();
  void FormActivate();
  void Timer1Timer();
  void FormKeyDown(int& key, ui::Shift shift);
  void FormMouseDown(ui::MouseButton button, ui::Shift shift);
  // Stops the timers and runs the end-of-run close (EndOfRunClose); runs once.
  void FormClose();
  // Ends the program: rejects the open modal windows, lets their openers finish,
  // then closes this window.
  void RequestExit();
  // A signal was noted: the run ends as by RequestExit, without showing anything.
  void EndBySignal();
  // The run ends where it stands (the display has gone): the modal windows are
  // rejected and FormClose runs now, without their openers finishing.
  void CloseInPlace();
  // Shows "Platí: " + the code-list language, visible when bJazyk is enabled.
  void RefreshLanguageLabel();

  // ---------------------------------------------------------------- buttons
  void bOpisOrgClick();
  void bSortOrgClick() {}
  void bAktOrgClick();
  void bTiskyClick();
  void bKopCisClick();
  void bOnovCisClick();
  void nFmaClick();
  void bStitkyClick();
  void bStaraAktCiClick();
  void bAktCiClick();
  void Button2Click();
  void Button4Click();
  void Button5Click();
  void bJazykClick();
  void bpscClick();
  void bOrvekOrgClick();
  void bSpotrDaneClick();
  void bCisExcClick();
  void CI60x2024Click();
  void bJHcisClick();
  void bJHaktClick();
  void bJHcis01Click();
  void bXsdMatClick();
  void bNactiOICClick();
  void bXSDmat2Click();
  void bNulujMatriciClick();
  void bPridejDalsiClick();
  void bISCOClick();
  void bDodatecneClick();
  void bZemeClick();
  void bPrDodClick();
  void bMZ_RZDClick();
  // Entry points no button of this window calls (the old panel's edit of the
  // combined file, the partner print's selection).
  void bAktCisOldClick();
  void PrintPartners();

  // Runs an action of a button or key: nothing while the program is ending; an exit
  // requested inside it closes the window once the action has returned.
  void RunAction(const std::function<void()>& action);

 private:
  void StopTimers();
  void RejectModalForms();

  std::vector<std::string> args_;
  bool closed_ = false;
  bool exitPending_ = false;
  int actionDepth_ = 0;
};

// The button table: name, caption (UTF-8), position, font (face nullptr and height
// 0: the window's), design state.
struct MainButtonSpec {
  const char* name;
  const char* caption;
  int left, top, width, height;
  const char* face;
  int fontHeight;  // pixels, as the form resource gives it
  bool bold;
  enum State { Usable, Disabled, Hidden } state;
};
extern const std::array<MainButtonSpec, kMainButtonCount> kMainButtons;
// Tab order of the buttons, by name; the first holds the focus at opening.
extern const std::array<const char*, kMainButtonCount> kMainTabOrder;

// The program is ending: loops that show a window again stop.
bool Exiting();

// The end-of-run close, with or without the main window: the program is marked as
// ending, the code lists kept open are closed and the parameter cache flushed, every
// lock entry still held is released and the lock server disconnected. After a noted
// signal it shows nothing (BeginQuietEnd).
void EndOfRunClose();
// Every modal window still running but `keep` gets Cancel, so that its opener goes on.
void LeaveModalForms(const ui::Form* keep = nullptr);

// The main window of the run, nullptr when none exists.
TForm1* RunningMainWindow();

// The end-of-run close of the code-list windows kept open, then the flush of the
// parameter cache; a file that cannot be written is reported. A hook in place runs
// instead (tests).
std::function<void()>& CloseCodeListFormsHook();
void CloseCodeListForms();
// What the command line "CI6160" and the button "Ci6160" run in place of the CI60
// rebuild (tests); true when it was done.
std::function<bool()>& MergeCi60Hook();
// Exactly the one parameter "CI6160": the rebuild runs, then the program ends.
bool IsRebuildCommandLine(const std::vector<std::string>& args);

// What a list button does: the window's set-up routine, the modal show, then the
// window's CloseBrowse (also when the program is ending meanwhile).
void Browse(browser::TfRol& window, const std::function<void()>& setup);

// The notice of a button whose window is not built yet.
void NotImplemented(const std::string& className);

}  // namespace app
