// A window: its controls, timers and menus, modal show and close, focus, and the
// dispatch of the user's keys and mouse to the handlers.
//
// Window classes either derive from Form or own one; they create their controls
// with Add<T>() (at construction or at run time) and set the handlers.
//
// Key dispatch (both back ends): with keyPreview the form's onKeyDown sees the key
// first; if it did not swallow the key, the focused control's onKeyDown; if neither
// did, the control's own handling (editing, Tab to the next control, ...). The key
// press (character) follows the same road, and so does the key-up.
//
// Activation: onShow runs each time the form is shown; onActivate runs when it is
// shown and again whenever it becomes the active form anew (for instance after a
// modal form opened over it closes). The focused control then gets onEnter at show.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/components.h"
#include "ui/controls.h"

namespace ui {

enum class BorderStyle { Sizeable, Dialog, Single, None, ToolWindow };
enum class CloseAction { None, Hide };

// Window frame the layer assumes around a form's client area (outer size = client
// size + these), so that stored window sizes mean the same on every back end.
constexpr int kFrameWidth = 8;     // left + right border
constexpr int kFrameHeight = 31;   // caption + top + bottom border

class Form : public Control {
 public:
  explicit Form(std::string name);
  ~Form() override;

  // --- Contents ---
  template <class T>
  T& Add(std::string name, Control* parent = nullptr) {
    auto owned = std::make_unique<T>(Control::Passkey{}, *this, std::move(name), parent);
    T& ref = *owned;
    Adopt(std::move(owned));
    return ref;
  }
  // Removes and destroys a control (and the controls inside it).
  void Remove(Control& control);
  Timer& AddTimer(std::string name, int intervalMs = 1000);
  void RemoveTimer(Timer& timer);
  PopupMenu& AddPopupMenu(std::string name);
  // The window's menu bar, made on first use.
  MenuBar& AddMenuBar();
  MenuBar* menuBar() const { return menuBar_.get(); }

  Control* Find(std::string_view name) const;
  template <class T>
  T* FindAs(std::string_view name) const { return dynamic_cast<T*>(Find(name)); }
  Timer* FindTimer(std::string_view name) const;
  PopupMenu* FindPopupMenu(std::string_view name) const;
  // Controls in creation order ("the window's order").
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  const std::vector<std::unique_ptr<Timer>>& timers() const { return timers_; }
  const std::vector<std::unique_ptr<PopupMenu>>& popupMenus() const { return menus_; }
  // Controls directly inside `parent` (nullptr: directly on the form).
  std::vector<Control*> ChildrenOf(const Control* parent) const;

  // --- Window properties ---
  const std::string& caption() const { return text(); }
  void SetCaption(std::string c) { SetText(std::move(c)); }
  BorderStyle borderStyle() const { return borderStyle_; }
  void SetBorderStyle(BorderStyle s);
  bool topmost() const { return topmost_; }
  void SetTopmost(bool v);
  bool keyPreview = false;
  bool autoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool v);
  // Scroll position of the client area (with autoScroll).
  Point scrollPos() const { return scroll_; }
  void ScrollTo(int x, int y);
  // Outer geometry (left, top, width, height) is the Control geometry; the client
  // area is that less the frame (none for BorderStyle::None).
  int clientWidth() const;
  int clientHeight() const;
  void SetClientSize(int w, int h);
  // Size the content needs: the right and bottom edges of the outermost controls
  // (those held at the bottom left out).
  Point ContentExtent() const;
  // The bottom-aligned controls stacked up from the client area's bottom edge; the
  // height they take, the scrolling room being the client height less it.
  void AlignControls();
  int BottomAlignedHeight() const;

  // --- Showing and closing ---
  // Shows the form modally and returns its modal result when it closes.
  int ShowModal();
  // Shows it without waiting (a modeless window); hiding a modal form ends its run.
  void SetVisible(bool v) override;
  void SetBounds(int left, int top, int width, int height) override;
  using Control::SetBounds;
  void BringToFront();
  // Asks the form to close: onCloseQuery may refuse, onClose may keep it open.
  void Close();
  int modalResult() const { return modalResult_; }
  // A non-zero result closes a modal form.
  void SetModalResult(int result);
  bool showingModal() const { return modal_; }
  // The modal run has finished (a result is set); back ends leave their loop.
  bool modalDone() const { return modal_ && modalDone_; }
  bool active() const;

  // --- Focus ---
  Control* activeControl() const { return activeControl_; }
  // Moves the focus (fires onExit and onEnter when the form is shown).
  void FocusControl(Control* c);
  // Next focusable control in tab order after `from` (backwards with forward=false).
  Control* NextTabControl(Control* from, bool forward = true) const;

  // --- Events ---
  std::function<void(Form&)> onShow, onHide, onActivate, onDeactivate, onResize;
  std::function<void(Form&, CloseAction&)> onClose;
  std::function<void(Form&, bool& canClose)> onCloseQuery;

  // --- Back end side ---
  // Dispatch of user input; each returns false when a handler swallowed it. A
  // handler that throws ends there: its error is shown (ui/handlers.h).
  bool DispatchKeyDown(Control& target, int& key, Shift shift);
  bool DispatchKeyPress(Control& target, char& ch);
  bool DispatchKeyUp(Control& target, int& key, Shift shift);
  void DispatchMouseDown(Control& target, MouseButton b, Shift shift, int x, int y);
  // Also opens the target's popup menu after a right button.
  void DispatchMouseUp(Control& target, MouseButton b, Shift shift, int x, int y);
  void DispatchMouseMove(Control& target, Shift shift, int x, int y);
  void DispatchClick(Control& target);
  void DispatchDblClick(Control& target);
  void DispatchMouseEnter(Control& target);
  void DispatchMouseLeave(Control& target);
  // The focus moved by the user's doing.
  void UserFocus(Control* c);
  // The user moved or resized the window, or asked to close it (close button).
  void UserSetGeometry(const Rect& outer);
  void UserScroll(int x, int y);
  void UserClose();
  // The window became active by the user's doing (clicking it).
  void UserActivate();

  // Something changed that the back end must mirror.
  void MarkChanged();
  bool changePending() const { return changePending_; }
  void ClearChangePending() { changePending_ = false; }

  // A back end's own object for this form, destroyed with it.
  struct Peer {
    virtual ~Peer() = default;
  };
  Peer* peer() const { return peer_.get(); }
  void SetPeer(std::unique_ptr<Peer> p) { peer_ = std::move(p); }

 private:
  void Adopt(std::unique_ptr<Control> c);
  void RemoveTree(Control* c);
  void FocusInitial();
  bool RunCloseHandlers();
  void FinishClose();
  void MakeActive();

  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Timer>> timers_;
  std::vector<std::unique_ptr<PopupMenu>> menus_;
  std::unique_ptr<MenuBar> menuBar_;
  Control* activeControl_ = nullptr;
  BorderStyle borderStyle_ = BorderStyle::Sizeable;
  bool topmost_ = false, autoScroll_ = false;
  Point scroll_;
  int modalResult_ = mr::None;
  bool modal_ = false, modalDone_ = false, closing_ = false;
  bool changePending_ = false;
  int nextTabOrder_ = 0;
  unsigned focusSerial_ = 0;
  Control* exiting_ = nullptr;
  std::unique_ptr<Peer> peer_;
};

// The form that has the keyboard: the innermost modal form, else the form activated
// last among those shown; nullptr when none is shown.
Form* ActiveForm();
// Forms shown modally, outermost first.
const std::vector<Form*>& ModalForms();
// Every form now shown (modal or not), in the order they were shown.
const std::vector<Form*>& ShownForms();

}  // namespace ui
