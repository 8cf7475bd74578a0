#include "ui/qt/qt_backend.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QFileInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTimer>
#include <xcb/xcb.h>

#include <algorithm>
#include <clocale>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/process.h"
#include "common/winpath.h"
#include "ui/handlers.h"
#include "ui/keys.h"
#include "ui/printfile.h"
#include "ui/qt/convert.h"
#include "ui/qt/grid_widget.h"
#include "ui/qt/painter_canvas.h"
#include "ui/qt/translations.h"

namespace ui::qt {

namespace {

enum class Role { Main, Viewport, Header, Inner };

struct Owner {
  Control* control;
  Role role;
};

class PaintBoxWidget : public QWidget {
 public:
  PaintBoxWidget(PaintBox& box, QWidget* parent) : QWidget(parent), box_(box) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PainterCanvas canvas(p);
    canvas.font = box_.font();
    canvas.brushColor = box_.color();
    if (box_.onPaint) box_.onPaint(box_, canvas);
  }

 private:
  PaintBox& box_;
};

class PanelWidget : public QFrame {
 public:
  PanelWidget(ui::Panel& panel, QWidget* parent) : QFrame(parent), panel_(panel) {}

 protected:
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    if (panel_.text().empty()) return;
    QPainter p(this);
    p.setPen(ToQColor(panel_.font().color));
    p.drawText(rect(), Qt::AlignCenter, ToQ(panel_.text()));
  }

 private:
  ui::Panel& panel_;
};

}  // namespace

namespace {

class FormView;

class Bridge : public QObject {
 public:
  explicit Bridge(QtBackend::Impl& impl) : impl_(impl) {}
  // Whatever an event's handling throws past its handler's own guard is shown too:
  // no error leaves through Qt's event loop.
  bool eventFilter(QObject* obj, QEvent* ev) override {
    bool taken = false;
    RunHandler([&] { taken = Filter(obj, ev); });
    return taken;
  }

 private:
  bool Filter(QObject* obj, QEvent* ev);
  QtBackend::Impl& impl_;
};

// The window of a form: a scroll area whose content holds the control widgets; its
// size is the form's client area.
class FormView : public QWidget {
 public:
  FormView(QtBackend::Impl& impl, Form& form);
  Form& form;
  QScrollArea* scroll;
  QWidget* content;
  std::unordered_map<std::uint64_t, QWidget*> widgets;
  bool applying = false;
  // The form's menu bar above the client area, its actions and their items.
  QMenuBar* menu = nullptr;
  std::vector<std::pair<QAction*, MenuItem*>> menuActions;
  int MenuHeight() const { return menu ? menu->sizeHint().height() : 0; }
  void BuildMenu();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  bool event(QEvent* e) override;

 private:
  QtBackend::Impl& impl_;
};

struct FormPeer : Form::Peer {
  QPointer<FormView> view;
  ~FormPeer() override { delete view.data(); }
};

}  // namespace

struct QtBackend::Impl {
  explicit Impl(QtBackend& self) : self(self), bridge(*this) {
    flushTimer.setSingleShot(true);
    flushTimer.setInterval(0);
    QObject::connect(&flushTimer, &QTimer::timeout, [this] { Flush(); });
    pollTimer.setInterval(kPollMs);
    QObject::connect(&pollTimer, &QTimer::timeout, [this] {
      if (this->self.onPoll) this->self.onPoll();
    });
    pollTimer.start();
  }

  static constexpr int kPollMs = 100;

  QtBackend& self;
  Bridge bridge;
  QTimer flushTimer;
  QTimer pollTimer;
  std::unordered_map<const QObject*, Owner> owners;
  std::unordered_map<Timer*, QTimer*> timers;
  std::unordered_map<Form*, QEventLoop*> loops;
  std::unordered_set<Form*> pending;
  int syncing = 0;
  bool displayLost = false;
  std::string currentPrinter;
  std::string chosenPdf;  // the file of "Print to file" in the last print dialog
  QEventLoop* mainLoop = nullptr;
  Form* mainForm = nullptr;

  static FormView* ViewOf(const Form& f) {
    auto* peer = dynamic_cast<FormPeer*>(f.peer());
    return peer ? peer->view.data() : nullptr;
  }

  FormView* Ensure(Form& f) {
    if (FormView* v = ViewOf(f)) return v;
    auto peer = std::make_unique<FormPeer>();
    peer->view = new FormView(*this, f);
    FormView* v = peer->view;
    f.SetPeer(std::move(peer));
    Sync(f, true);
    return v;
  }

  void Watch(QObject* obj, Control* c, Role role) {
    owners[obj] = {c, role};
    obj->installEventFilter(&bridge);
  }

  void Unwatch(QWidget* w) {
    owners.erase(w);
    for (QObject* child : w->findChildren<QObject*>()) owners.erase(child);
  }

  void Flush() {
    if (syncing || displayLost) return;
    auto forms = std::move(pending);
    pending.clear();
    for (Form* f : forms) Sync(*f, false);
  }

  void Sync(Form& f, bool all);
  QWidget* Create(FormView& v, Control& c);
  void SyncControl(FormView& v, Control& c, bool all);
  void SyncGrid(GridWidget& w, Grid& g, unsigned d);
  void SyncTabOrder(FormView& v);
  void SyncContent(FormView& v);
  void FocusActive(FormView& v);
  bool Key(QObject* obj, const Owner& owner, QKeyEvent* e);
  bool Mouse(QObject* obj, const Owner& owner, QEvent* e);
};

namespace {

FormView::FormView(QtBackend::Impl& impl, Form& f) : form(f), impl_(impl) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(false);
  content = new QWidget;
  content->setAutoFillBackground(false);
  scroll->setWidget(content);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  impl_.Watch(this, &form, Role::Main);
  impl_.Watch(content, &form, Role::Main);
  QObject::connect(scroll->horizontalScrollBar(), &QScrollBar::valueChanged, [this](int x) {
    if (!impl_.syncing) form.UserScroll(x, form.scrollPos().y);
  });
  QObject::connect(scroll->verticalScrollBar(), &QScrollBar::valueChanged, [this](int y) {
    if (!impl_.syncing) form.UserScroll(form.scrollPos().x, y);
  });
}

void FormView::BuildMenu() {
  MenuBar* bar = form.menuBar();
  if (!bar || menu) return;
  menu = new QMenuBar(this);
  menu->setNativeMenuBar(false);
  auto choose = [this, bar](MenuItem* item) {
    bar->Choose(*item);
    impl_.Flush();
  };
  for (const auto& e : bar->entries()) {
    if (e->items.empty()) {
      QAction* a = menu->addAction(ToQ(e->item.caption));
      QObject::connect(a, &QAction::triggered, [choose, item = &e->item] { choose(item); });
      menuActions.emplace_back(a, &e->item);
      continue;
    }
    QMenu* sub = menu->addMenu(ToQ(e->item.caption));
    menuActions.emplace_back(sub->menuAction(), &e->item);
    for (const auto& item : e->items) {
      if (item->caption == "-") {
        sub->addSeparator();
        continue;
      }
      QAction* a = sub->addAction(ToQ(item->caption));
      QObject::connect(a, &QAction::triggered, [choose, i = item.get()] { choose(i); });
      menuActions.emplace_back(a, item.get());
    }
  }
  menu->setGeometry(0, 0, width(), MenuHeight());
  menu->show();
}

void FormView::closeEvent(QCloseEvent* e) {
  if (applying || !form.visible()) return e->accept();
  e->ignore();
  form.UserClose();
  impl_.Flush();
}

void FormView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int menuHeight = MenuHeight();
  if (menu) menu->setGeometry(0, 0, width(), menuHeight);
  impl_.SyncContent(*this);
  if (applying || impl_.syncing) return;
  bool frame = form.borderStyle() != BorderStyle::None;
  form.UserSetGeometry(
      {x(), y(), width() + (frame ? kFrameWidth : 0), height() - menuHeight + (frame ? kFrameHeight : 0)});
  impl_.Flush();
}

void FormView::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (applying || impl_.syncing) return;
  // While a window is being shown its move is reported before its frame is placed: the
  // position is taken once the move's events are done, unless the form moved it since.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (applying || impl_.syncing || (form.dirty() & dirty::Geometry)) return;
        form.UserSetBounds({x(), y(), form.width(), form.height()});
      },
      Qt::QueuedConnection);
}

bool FormView::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && form.visible() && !impl_.syncing) {
    form.UserActivate();
    impl_.Flush();
  }
  return QWidget::event(e);
}

// A field holding a file mask ("*.csv") has it selected however the field is entered,
// also by a click, so that a name typed there replaces the mask.
void SelectMaskOnEntry(QLineEdit* edit) {
  QTimer::singleShot(0, edit, [edit] {
    const QString text = edit->text();
    if (edit->hasFocus() && !edit->hasSelectedText() && (text.contains('*') || text.contains('?'))) edit->selectAll();
  });
}

bool Bridge::Filter(QObject* obj, QEvent* ev) {
  auto it = impl_.owners.find(obj);
  if (it == impl_.owners.end()) return false;
  Owner owner = it->second;
  switch (ev->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (owner.role == Role::Main || owner.role == Role::Inner)
        return impl_.Key(obj, owner, static_cast<QKeyEvent*>(ev));
      return false;
    case QEvent::FocusIn:
      if ((owner.role == Role::Main || owner.role == Role::Inner) && owner.control->kind() != ControlKind::Form &&
          !impl_.syncing) {
        owner.control->form().UserFocus(owner.control);
        impl_.Flush();
      }
      if (auto* edit = qobject_cast<QLineEdit*>(obj)) SelectMaskOnEntry(edit);
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      return impl_.Mouse(obj, owner, ev);
    case QEvent::Enter:
      if (owner.role != Role::Inner) owner.control->form().DispatchMouseEnter(*owner.control);
      impl_.Flush();
      return false;
    case QEvent::Leave:
      if (owner.role != Role::Inner) owner.control->form().DispatchMouseLeave(*owner.control);
      impl_.Flush();
      return false;
    default: return false;
  }
}

bool IsScrollArea(ControlKind k) { return k == ControlKind::ListBox || k == ControlKind::Memo; }

// The character a key event types, in Windows-1250; 0 for none.
char CharOf(const QKeyEvent* e, int vkey, Shift s) {
  if (Has(s, Shift::Alt)) return 0;
  if (Has(s, Shift::Ctrl) || vkey == vk::Enter || vkey == vk::Esc || vkey == vk::Back || vkey == vk::Tab)
    return CharForKey(vkey, s);
  QString text = e->text();
  if (text.size() != 1 || text[0].unicode() < 32 || text[0].unicode() == 127) return 0;
  std::string b = FromQ(text);
  if (b.size() != 1 || (b[0] == '?' && text[0] != QChar('?'))) return 0;
  return b[0];
}

}  // namespace

bool QtBackend::Impl::Key(QObject* obj, const Owner& owner, QKeyEvent* e) {
  Control& target = *owner.control;
  Form& form = target.form();
  auto alive = target.AliveToken();
  int vkey = VirtualKeyOf(e->key(), e->modifiers());
  Shift shift = ShiftOf(e->modifiers());
  if (e->key() == Qt::Key_Backtab) shift |= Shift::Shift;
  // A modal form that has its result takes no more keys while its loop winds down.
  if (form.modalDone()) return true;
  if (e->type() == QEvent::KeyRelease) {
    if (vkey && !e->isAutoRepeat()) form.DispatchKeyUp(target, vkey, shift);
    Flush();
    if (!alive.expired()) obj->event(e);
    return true;
  }
  bool keyPass = true;
  if (vkey) keyPass = form.DispatchKeyDown(target, vkey, shift);
  char ch = CharOf(e, VirtualKeyOf(e->key(), e->modifiers()), shift);
  char typed = ch;
  bool charPass = true;
  if (ch && !alive.expired() && form.visible() && !form.modalDone()) charPass = form.DispatchKeyPress(target, typed);
  Flush();
  if (alive.expired() || !form.visible() || form.modalDone()) return true;
  auto u = static_cast<unsigned char>(typed);
  bool printable = charPass && u >= 32 && u != 127;
  if ((!keyPass && printable) || (keyPass && printable && typed != ch)) {
    // The native control types the (possibly replaced) character only.
    QKeyEvent text(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ToQ(std::string(1, typed)));
    obj->event(&text);
    Flush();
    return true;
  }
  if (!keyPass || !charPass) return true;
  obj->event(e);
  Flush();
  return true;
}

bool QtBackend::Impl::Mouse(QObject* obj, const Owner& owner, QEvent* ev) {
  Control& c = *owner.control;
  if (owner.role == Role::Inner) return false;
  if (owner.role == Role::Main && IsScrollArea(c.kind())) return false;  // their viewport reports
  auto* me = static_cast<QMouseEvent*>(ev);
  Form& form = c.form();
  FormView* v = ViewOf(form);
  if (!v) return false;
  QWidget* area = c.kind() == ControlKind::Form ? v->content : v->widgets[c.id()];
  if (!area) return false;
  QPoint p = area->mapFromGlobal(me->globalPosition().toPoint());
  Shift shift = ShiftOf(me->modifiers(), me->buttons());
  MouseButton button = me->button() == Qt::RightButton    ? MouseButton::Right
                       : me->button() == Qt::MiddleButton ? MouseButton::Middle
                                                          : MouseButton::Left;
  auto alive = c.AliveToken();
  switch (ev->type()) {
    case QEvent::MouseButtonPress:
      if (button == MouseButton::Left && c.kind() == ControlKind::Grid) {
        auto& g = static_cast<Grid&>(c);
        Point cell = g.MouseToCell(p.x(), p.y());
        if (cell.x >= g.fixedCols() && cell.y >= g.fixedRows()) g.UserSelectCell(cell.x, cell.y);
      } else if (button == MouseButton::Left && c.kind() == ControlKind::ListBox) {
        auto* list = static_cast<QListWidget*>(v->widgets[c.id()]);
        int row = list->indexAt(list->viewport()->mapFromGlobal(me->globalPosition().toPoint())).row();
        if (row >= 0) static_cast<ListBox&>(c).UserSelect(row);
      }
      if (!alive.expired()) form.DispatchMouseDown(c, button, shift, p.x(), p.y());
      break;
    case QEvent::MouseButtonRelease: {
      form.DispatchMouseUp(c, button, ShiftOf(me->modifiers()), p.x(), p.y());
      bool clickable = c.kind() != ControlKind::Button && c.kind() != ControlKind::CheckBox &&
                       c.kind() != ControlKind::RadioButton && c.kind() != ControlKind::ListBox &&
                       c.kind() != ControlKind::ComboBox && c.kind() != ControlKind::ScrollBar;
      if (clickable && button == MouseButton::Left && !alive.expired() && area->rect().contains(p))
        form.DispatchClick(c);
      break;
    }
    case QEvent::MouseButtonDblClick:
      form.DispatchMouseDown(c, button, shift | Shift::Double, p.x(), p.y());
      if (!alive.expired() && button == MouseButton::Left) form.DispatchDblClick(c);
      break;
    default: form.DispatchMouseMove(c, shift, p.x(), p.y()); break;
  }
  Flush();
  if (alive.expired()) return true;
  if (owner.role == Role::Viewport || owner.role == Role::Header) return false;
  obj->event(ev);  // native handling without passing the event on to the parent:
  ev->accept();    // a widget that ignores it (the form's client area, a label) would pass it on
  return true;
}

void QtBackend::Impl::Sync(Form& f, bool all) {
  FormView* v = ViewOf(f);
  if (!v) return;
  ++syncing;
  unsigned d = all ? dirty::All : f.dirty();
  if (d & dirty::Text) v->setWindowTitle(ToQ(f.caption()));
  if (d & dirty::Style) {
    QPalette pal = v->palette();
    pal.setColor(QPalette::Window, ToQColor(f.color()));
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
      pal.setColor(g, QPalette::WindowText, ToQColor(f.font().color));
    v->setPalette(pal);
    v->setFont(ToQFont(f.font()));
    Qt::WindowFlags flags = Qt::Window;
    if (f.borderStyle() == BorderStyle::None) flags |= Qt::FramelessWindowHint;
    if (f.borderStyle() == BorderStyle::ToolWindow) flags |= Qt::Tool;
    if (f.topmost()) flags |= Qt::WindowStaysOnTopHint;
    if (v->windowFlags() != flags) {
      bool shown = v->isVisible();
      v->applying = true;
      v->setWindowFlags(flags);
      if (shown) v->show();
      v->applying = false;
    }
  }
  if (all) v->BuildMenu();
  for (auto& [action, item] : v->menuActions) {
    action->setEnabled(item->enabled);
    action->setVisible(item->visible);
    action->setCheckable(item->checked);
    action->setChecked(item->checked);
  }
  if (d & dirty::Geometry) {
    v->applying = true;
    v->move(f.left(), f.top());
    v->resize(std::max(1, f.clientWidth()), std::max(1, f.clientHeight()) + v->MenuHeight());
    v->applying = false;
  }
  bool created = false, states = false;
  for (const auto& c : f.controls()) {
    bool fresh = !v->widgets.count(c->id());
    created |= fresh;
    states |= (c->dirty() & (dirty::State | dirty::Geometry)) != 0;
    SyncControl(*v, *c, fresh || all);
  }
  if (created || states || all) SyncTabOrder(*v);
  if (created || states || all || (d & (dirty::Scroll | dirty::Geometry))) SyncContent(*v);
  if (d & dirty::Selection) FocusActive(*v);
  f.ClearDirty();
  f.ClearChangePending();
  --syncing;
}

void QtBackend::Impl::SyncContent(FormView& v) {
  Form& f = v.form;
  // The scrolling area leaves the menu bar above it and the bottom-aligned controls below.
  const QRect room = v.rect().adjusted(0, v.MenuHeight(), 0, -f.BottomAlignedHeight());
  if (v.scroll->geometry() != room) v.scroll->setGeometry(room);
  QSize port = room.size();
  ++syncing;
  if (f.autoScroll()) {
    Point extent = f.ContentExtent();
    v.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v.scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v.content->resize(std::max(port.width(), extent.x), std::max(port.height(), extent.y));
    v.scroll->horizontalScrollBar()->setValue(f.scrollPos().x);
    v.scroll->verticalScrollBar()->setValue(f.scrollPos().y);
  } else {
    v.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v.scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v.content->resize(port);
  }
  --syncing;
}

void QtBackend::Impl::SyncTabOrder(FormView& v) {
  std::vector<Control*> order;
  for (const auto& c : v.form.controls()) {
    QWidget* w = v.widgets[c->id()];
    if (!w || w->focusPolicy() == Qt::NoFocus) continue;
    order.push_back(c.get());
  }
  std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) { return a->tabOrder() < b->tabOrder(); });
  for (std::size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(v.widgets[order[i - 1]->id()], v.widgets[order[i]->id()]);
}

void QtBackend::Impl::FocusActive(FormView& v) {
  if (!v.form.visible() || !v.isVisible()) return;
  Control* c = v.form.activeControl();
  QWidget* w = c ? v.widgets[c->id()] : nullptr;
  if (w && w->isVisible() && w->isEnabled()) {
    QWidget* target = w->focusProxy() ? w->focusProxy() : w;
    if (QApplication::focusWidget() != target) target->setFocus(Qt::OtherFocusReason);
  } else if (!c) {
    v.setFocus(Qt::OtherFocusReason);
  }
}

QWidget* QtBackend::Impl::Create(FormView& v, Control& c) {
  QWidget* parent = v.content;
  if (c.parent()) parent = v.widgets.at(c.parent()->id());
  QWidget* w = nullptr;
  Form& form = c.form();
  auto flushAfter = [this] { Flush(); };
  switch (c.kind()) {
    case ControlKind::Label: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);
      w = l;
      break;
    }
    case ControlKind::Edit: {
      auto* e = new QLineEdit(parent);
      auto& edit = static_cast<Edit&>(c);
      QObject::connect(e, &QLineEdit::textEdited, [this, &edit, flushAfter](const QString& t) {
        if (syncing) return;
        edit.UserSetText(FromQ(t));
        flushAfter();
      });
      QObject::connect(e, &QLineEdit::selectionChanged, [this, e, &edit] {
        if (!syncing && e->hasSelectedText()) edit.UserSetSelection(e->selectionStart(), e->selectionLength());
      });
      QObject::connect(e, &QLineEdit::cursorPositionChanged, [this, e, &edit](int, int now) {
        if (!syncing && !e->hasSelectedText()) edit.UserSetSelection(now, 0);
      });
      w = e;
      break;
    }
    case ControlKind::Button: {
      auto* b = new QPushButton(parent);
      b->setAutoDefault(false);
      QObject::connect(b, &QPushButton::clicked, [&form, &c, flushAfter] {
        form.DispatchClick(c);
        flushAfter();
      });
      w = b;
      break;
    }
    case ControlKind::CheckBox: {
      auto* b = new QCheckBox(parent);
      auto& check = static_cast<CheckBox&>(c);
      QObject::connect(b, &QCheckBox::clicked, [&check, flushAfter](bool on) {
        if (check.checked() != on) check.UserToggle();
        else if (check.onClick) RunHandler([&] { check.onClick(check); });
        flushAfter();
      });
      w = b;
      break;
    }
    case ControlKind::RadioButton: {
      auto* b = new QRadioButton(parent);
      b->setAutoExclusive(false);
      auto& radio = static_cast<RadioButton&>(c);
      QObject::connect(b, &QRadioButton::clicked, [b, &radio, flushAfter] {
        radio.UserCheck();
        b->setChecked(radio.checked());
        flushAfter();
      });
      w = b;
      break;
    }
    case ControlKind::ComboBox: {
      auto* b = new QComboBox(parent);
      auto& combo = static_cast<ComboBox&>(c);
      QObject::connect(b, QOverload<int>::of(&QComboBox::activated), [this, &combo, flushAfter](int i) {
        if (syncing) return;
        combo.UserSelect(i);
        flushAfter();
      });
      QObject::connect(b, &QComboBox::editTextChanged, [this, &combo, flushAfter](const QString& t) {
        if (syncing || combo.style() != ComboStyle::DropDown) return;
        combo.UserSetText(FromQ(t));
        flushAfter();
      });
      w = b;
      break;
    }
    case ControlKind::ListBox: {
      auto* l = new QListWidget(parent);
      auto& list = static_cast<ListBox&>(c);
      l->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
      QObject::connect(l, &QListWidget::currentRowChanged, [this, &list, flushAfter](int row) {
        if (syncing || row < 0 || row == list.itemIndex()) return;
        list.UserSelect(row);
        flushAfter();
      });
      QObject::connect(l->verticalScrollBar(), &QScrollBar::valueChanged, [this, &list](int top) {
        if (!syncing) list.UserScroll(top);
      });
      Watch(l->viewport(), &c, Role::Viewport);
      w = l;
      break;
    }
    case ControlKind::Memo: {
      auto* m = new QPlainTextEdit(parent);
      auto& memo = static_cast<Memo&>(c);
      QObject::connect(m, &QPlainTextEdit::textChanged, [this, m, &memo, flushAfter] {
        if (syncing) return;
        memo.UserSetText(FromQ(m->toPlainText()));
        flushAfter();
      });
      Watch(m->viewport(), &c, Role::Viewport);
      w = m;
      break;
    }
    case ControlKind::Image: {
      auto* l = new QLabel(parent);
      w = l;
      break;
    }
    case ControlKind::Panel: w = new PanelWidget(static_cast<Panel&>(c), parent); break;
    case ControlKind::ProgressBar: {
      auto* p = new QProgressBar(parent);
      p->setTextVisible(false);
      w = p;
      break;
    }
    case ControlKind::ScrollBar: {
      auto* s = new QScrollBar(parent);
      auto& bar = static_cast<ScrollBar&>(c);
      QObject::connect(s, &QScrollBar::valueChanged, [this, &bar, flushAfter](int value) {
        if (syncing) return;
        bar.UserSetPosition(value);
        flushAfter();
      });
      w = s;
      break;
    }
    case ControlKind::SpinEdit: {
      auto* b = new QSpinBox(parent);
      auto& spin = static_cast<SpinEdit&>(c);
      QObject::connect(b, QOverload<int>::of(&QSpinBox::valueChanged), [this, &spin, flushAfter](int value) {
        if (syncing) return;
        spin.UserSetText(std::to_string(value));
        flushAfter();
      });
      w = b;
      break;
    }
    case ControlKind::Grid: w = new GridWidget(static_cast<Grid&>(c), parent); break;
    case ControlKind::PaintBox: w = new PaintBoxWidget(static_cast<PaintBox&>(c), parent); break;
    case ControlKind::Form: throw std::logic_error("a form is not a control of another form");
  }
  Watch(w, &c, Role::Main);
  bool focusable = c.kind() == ControlKind::Edit || c.kind() == ControlKind::Button ||
                   c.kind() == ControlKind::CheckBox || c.kind() == ControlKind::RadioButton ||
                   c.kind() == ControlKind::ComboBox || c.kind() == ControlKind::ListBox ||
                   c.kind() == ControlKind::Memo || c.kind() == ControlKind::Grid ||
                   c.kind() == ControlKind::ScrollBar || c.kind() == ControlKind::SpinEdit;
  if (!focusable) w->setFocusPolicy(Qt::NoFocus);
  v.widgets[c.id()] = w;
  return w;
}

namespace {

// The background in every state; the text colour only while enabled, so that a
// disabled control greys its text as the style does. A filled background is
// painted in `background` (buttons would otherwise fill with their button colour).
void SetColors(QWidget* w, QPalette::ColorRole background, Color back, Color text, bool fill) {
  QPalette pal = w->palette();
  pal.setColor(background, ToQColor(back));
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
    for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      pal.setColor(g, r, ToQColor(text));
  w->setPalette(pal);
  if (fill) w->setBackgroundRole(background);
  w->setAutoFillBackground(fill);
}

Qt::CursorShape QtCursor(CursorShape c) {
  switch (c) {
    case CursorShape::SizeAll: return Qt::SizeAllCursor;
    case CursorShape::SizeNWSE: return Qt::SizeFDiagCursor;
    case CursorShape::SizeWE: return Qt::SizeHorCursor;
    case CursorShape::SizeNS: return Qt::SizeVerCursor;
    case CursorShape::Hand: return Qt::PointingHandCursor;
    case CursorShape::Wait: return Qt::WaitCursor;
    case CursorShape::IBeam: return Qt::IBeamCursor;
    default: return Qt::ArrowCursor;
  }
}

void ShowPicture(QLabel* l, const Image& img) {
  if (img.picture().empty()) {
    l->clear();
    return;
  }
  QPixmap pix = QPixmap::fromImage(ToQImage(img.picture()));
  l->setAlignment(img.center() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
  if (img.stretch() && img.proportional()) {
    l->setScaledContents(false);
    l->setPixmap(pix.scaled(l->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
  } else {
    l->setScaledContents(img.stretch());
    l->setPixmap(pix);
  }
}

}  // namespace

void QtBackend::Impl::SyncControl(FormView& v, Control& c, bool all) {
  QWidget* w = v.widgets.count(c.id()) ? v.widgets[c.id()] : Create(v, c);
  unsigned d = all ? dirty::All : c.dirty();
  bool cells = c.kind() == ControlKind::Grid && static_cast<Grid&>(c).dirtyCells().width > 0;
  if (!d && !cells) return;
  if (d & dirty::Geometry) {
    // A bottom-aligned control sits on the window below the scrolling area.
    QWidget* parent = c.parent() ? w->parentWidget() : c.alignBottom() ? static_cast<QWidget*>(&v) : v.content;
    if (w->parentWidget() != parent) {
      w->setParent(parent);
      d |= dirty::State;
    }
    w->setGeometry(c.left(), c.top() + (c.alignBottom() ? v.MenuHeight() : 0), c.width(), c.height());
  }
  if (d & dirty::State) {
    w->setVisible(c.visible());
    w->setEnabled(c.enabled());
  }
  if (d & dirty::Style) {
    w->setFont(ToQFont(c.font()));
    w->setCursor(QtCursor(c.cursor()));
    w->setMouseTracking(static_cast<bool>(c.onMouseMove));
  }
  switch (c.kind()) {
    case ControlKind::Label: {
      auto* l = static_cast<QLabel*>(w);
      auto& label = static_cast<Label&>(c);
      if (d & dirty::Text) l->setText(ToQ(label.text()));
      if (d & dirty::Style) {
        Qt::Alignment a = label.alignment() == Alignment::Right    ? Qt::AlignRight
                          : label.alignment() == Alignment::Center ? Qt::AlignHCenter
                                                                   : Qt::AlignLeft;
        l->setAlignment(a | Qt::AlignTop);
        l->setWordWrap(label.wordWrap());
        SetColors(l, QPalette::Window, label.color(), label.font().color, !label.transparent());
      }
      // A left-aligned single-line label grows to its text rather than cut it: the
      // face standing in for the Windows one may be a few pixels wider.
      if (d & (dirty::Geometry | dirty::Text | dirty::Style)) {
        int width = c.width();
        if (label.alignment() == Alignment::Left && !label.wordWrap())
          width = std::max(width, l->fontMetrics().horizontalAdvance(l->text()));
        if (l->width() != width) l->resize(width, c.height());
      }
      break;
    }
    case ControlKind::Edit: {
      auto* e = static_cast<QLineEdit*>(w);
      auto& edit = static_cast<Edit&>(c);
      if ((d & dirty::Text) && FromQ(e->text()) != edit.text()) e->setText(ToQ(edit.text()));
      if (d & dirty::State) {
        e->setReadOnly(edit.readOnly());
        e->setMaxLength(edit.maxLength() > 0 ? std::max<int>(edit.maxLength(), static_cast<int>(edit.text().size()))
                                             : 32767);
      }
      if (d & dirty::Style) {
        e->setFrame(edit.border() != BorderKind::None);
        e->setEchoMode(edit.passwordChar() ? QLineEdit::Password : QLineEdit::Normal);
        SetColors(e, QPalette::Base, edit.color(), edit.font().color, false);
      }
      if (d & dirty::Selection) {
        if (edit.selLength() > 0) e->setSelection(edit.selStart(), edit.selLength());
        else e->setCursorPosition(edit.selStart());
      }
      break;
    }
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
      auto* b = static_cast<QAbstractButton*>(w);
      if (d & dirty::Text) b->setText(ToQ(c.text()));
      if (d & dirty::State) {
        if (c.kind() == ControlKind::CheckBox) b->setChecked(static_cast<CheckBox&>(c).checked());
        if (c.kind() == ControlKind::RadioButton) b->setChecked(static_cast<RadioButton&>(c).checked());
      }
      if (d & dirty::Style)
        SetColors(b, c.kind() == ControlKind::Button ? QPalette::Button : QPalette::Window, c.color(),
                  c.font().color, c.kind() != ControlKind::Button);
      break;
    }
    case ControlKind::ComboBox: {
      auto* b = static_cast<QComboBox*>(w);
      auto& combo = static_cast<ComboBox&>(c);
      if (d & dirty::Style) {
        bool editable = combo.style() == ComboStyle::DropDown;
        if (b->isEditable() != editable) {
          b->setEditable(editable);
          if (editable && b->lineEdit()) Watch(b->lineEdit(), &c, Role::Inner);
        }
        SetColors(b, QPalette::Base, combo.color(), combo.font().color, false);
      }
      if (d & dirty::Items) {
        b->clear();
        for (const auto& item : combo.items()) b->addItem(ToQ(item));
      }
      if (d & (dirty::Items | dirty::Current | dirty::Text)) {
        b->setCurrentIndex(combo.itemIndex());
        if (b->isEditable()) b->setEditText(ToQ(combo.text()));
      }
      break;
    }
    case ControlKind::ListBox: {
      auto* l = static_cast<QListWidget*>(w);
      auto& list = static_cast<ListBox&>(c);
      if (d & dirty::Items) {
        l->clear();
        for (const auto& item : list.items()) l->addItem(ToQ(item));
      }
      if (d & (dirty::Items | dirty::Current)) l->setCurrentRow(list.itemIndex());
      if (d & (dirty::Items | dirty::Scroll)) l->verticalScrollBar()->setValue(list.topIndex());
      if (d & dirty::Style) SetColors(l, QPalette::Base, list.color(), list.font().color, false);
      break;
    }
    case ControlKind::Memo: {
      auto* m = static_cast<QPlainTextEdit*>(w);
      auto& memo = static_cast<Memo&>(c);
      if (d & dirty::Text) {
        std::string joined;
        for (std::size_t i = 0; i < memo.lines().size(); ++i) joined += (i ? "\n" : "") + memo.lines()[i];
        if (FromQ(m->toPlainText()) != joined) m->setPlainText(ToQ(joined));
      }
      if (d & dirty::State) m->setReadOnly(memo.readOnly());
      if (d & dirty::Style) {
        m->setLineWrapMode(memo.wordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        auto policy = [](bool on) { return on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff; };
        ScrollBars s = memo.scrollBars();
        m->setVerticalScrollBarPolicy(policy(s == ScrollBars::Vertical || s == ScrollBars::Both));
        m->setHorizontalScrollBarPolicy(policy(s == ScrollBars::Horizontal || s == ScrollBars::Both));
        SetColors(m, QPalette::Base, memo.color(), memo.font().color, false);
      }
      break;
    }
    case ControlKind::Image:
      if (d & (dirty::Picture | dirty::Geometry)) ShowPicture(static_cast<QLabel*>(w), static_cast<Image&>(c));
      break;
    case ControlKind::Panel: {
      auto* p = static_cast<QFrame*>(w);
      auto& panel = static_cast<Panel&>(c);
      if (d & dirty::Style) {
        p->setFrameShape(panel.bevel() == Bevel::None && panel.border() == BorderKind::None ? QFrame::NoFrame
                                                                                           : QFrame::Panel);
        p->setFrameShadow(panel.bevel() == Bevel::Lowered ? QFrame::Sunken : QFrame::Raised);
        SetColors(p, QPalette::Window, panel.color(), panel.font().color, true);
      }
      if (d & dirty::Text) p->update();
      break;
    }
    case ControlKind::ProgressBar: {
      auto* p = static_cast<QProgressBar*>(w);
      auto& bar = static_cast<ProgressBar&>(c);
      if (d & dirty::State) {
        p->setRange(bar.min(), bar.max());
        p->setValue(bar.position());
      }
      break;
    }
    case ControlKind::ScrollBar: {
      auto* s = static_cast<QScrollBar*>(w);
      auto& bar = static_cast<ScrollBar&>(c);
      if (d & dirty::Style) s->setOrientation(bar.vertical() ? Qt::Vertical : Qt::Horizontal);
      if (d & dirty::State) {
        s->setRange(bar.min(), bar.max());
        s->setValue(bar.position());
        s->setSingleStep(bar.smallChange);
        s->setPageStep(std::max(bar.largeChange, bar.pageSize()));
      }
      break;
    }
    case ControlKind::SpinEdit: {
      auto* b = static_cast<QSpinBox*>(w);
      auto& spin = static_cast<SpinEdit&>(c);
      if (d & dirty::State) b->setRange(spin.min(), spin.max());
      if (d & (dirty::Text | dirty::State)) {
        b->setSingleStep(spin.increment);
        if (b->value() != spin.value()) b->setValue(spin.value());
      }
      if (d & dirty::Style) SetColors(b, QPalette::Base, spin.color(), spin.font().color, false);
      break;
    }
    case ControlKind::Grid: SyncGrid(*static_cast<GridWidget*>(w), static_cast<Grid&>(c), d); break;
    case ControlKind::PaintBox:
      if (d & (dirty::Picture | dirty::Style | dirty::Text)) w->update();
      break;
    case ControlKind::Form: break;
  }
  c.ClearDirty();
}

void QtBackend::Impl::SyncGrid(GridWidget& w, Grid& g, unsigned d) {
  if (d & dirty::Style) {
    SetColors(&w, QPalette::Base, g.color(), g.font().color, false);
    w.Restyle();
  }
  if (d || g.dirtyCells().width > 0) w.update();
  g.ClearDirtyCells();
}

// ---------------------------------------------------------------- QtBackend

namespace {

QtBackend* g_qt = nullptr;
QtMessageHandler g_previousHandler = nullptr;

// The toolkit's word that the X server has gone comes right before it ends the process.
void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (g_previousHandler) g_previousHandler(type, context, text);
  static bool lost = false;
  if (g_qt && !lost && SaysDisplayLost(text)) {
    lost = true;
    g_qt->DisplayLost();
  }
}

}  // namespace

bool SaysDisplayLost(const QString& text) { return text.startsWith(QLatin1String("The X11 connection broke")); }

bool DisplayConnectionLost() {
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return false;
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return xcb_connection_has_error(c) != 0;
}

QtBackend::QtBackend() : impl_(std::make_unique<Impl>(*this)), previous_(HasBackend() ? &CurrentBackend() : nullptr) {
  if (!QApplication::instance()) throw std::logic_error("the Qt back end needs a QApplication");
  // The toolkit took the C library's locale from the system as it started: the numbers
  // the program and its libraries write keep their point whatever the desktop's language.
  std::setlocale(LC_NUMERIC, "C");
  g_qt = this;
  g_previousHandler = qInstallMessageHandler(OnQtMessage);
  if (QStyleFactory::keys().contains("Fusion")) QApplication::setStyle("Fusion");
  InstallToolkitTranslations();
  impl_->currentPrinter = QPrinterInfo::defaultPrinterName().toStdString();
  SetBackend(this);
}

QtBackend::~QtBackend() {
  qInstallMessageHandler(g_previousHandler);
  g_qt = nullptr;
  for (auto& [timer, qtimer] : impl_->timers) delete qtimer;
  impl_->timers.clear();
  SetBackend(previous_);
}

void QtBackend::DisplayLost() {
  impl_->displayLost = true;
  if (onDisplayLost) onDisplayLost();
}

void QtBackend::CloseNativeDialogs() {
  if (impl_->displayLost) return;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || dynamic_cast<FormView*>(w)) continue;
    if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
    else if (auto* menu = qobject_cast<QMenu*>(w)) menu->close();
  }
}

QWidget* QtBackend::WidgetOf(const Form& form) const { return Impl::ViewOf(form); }

QWidget* QtBackend::WidgetOf(const Control& control) const {
  FormView* v = Impl::ViewOf(control.form());
  if (!v) return nullptr;
  if (&control == &control.form()) return v;
  auto it = v->widgets.find(control.id());
  return it == v->widgets.end() ? nullptr : it->second;
}

QWidget* QtBackend::Realize(Form& form) { return impl_->Ensure(form); }

void QtBackend::Flush() { impl_->Flush(); }

void QtBackend::FormChanged(Form& form) {
  impl_->pending.insert(&form);
  if (!impl_->flushTimer.isActive()) impl_->flushTimer.start();
}

void QtBackend::FormDestroyed(Form& form) {
  impl_->pending.erase(&form);
  if (FormView* v = Impl::ViewOf(form)) impl_->Unwatch(v);
  if (auto it = impl_->loops.find(&form); it != impl_->loops.end()) it->second->quit();
}

void QtBackend::ControlRemoved(Form& form, Control& control) {
  FormView* v = Impl::ViewOf(form);
  if (!v) return;
  auto it = v->widgets.find(control.id());
  if (it == v->widgets.end()) return;
  QWidget* w = it->second;
  v->widgets.erase(it);
  impl_->Unwatch(w);
  w->hide();
  w->deleteLater();
}

void QtBackend::FormShown(Form& form) {
  FormView* v = impl_->Ensure(form);
  impl_->Sync(form, false);
  // A window shown while a modal one runs belongs to it, so that it takes input.
  if (!ModalForms().empty() && ModalForms().back() != &form) {
    if (FormView* owner = Impl::ViewOf(*ModalForms().back())) {
      v->applying = true;
      v->setParent(owner, v->windowFlags());
      v->applying = false;
    }
  }
  v->show();
  v->raise();
  v->activateWindow();
  impl_->FocusActive(*v);
}

void QtBackend::FormHidden(Form& form) {
  if (FormView* v = Impl::ViewOf(form)) {
    v->applying = true;
    v->hide();
    v->setWindowModality(Qt::NonModal);
    v->applying = false;
  }
  if (&form == impl_->mainForm && impl_->mainLoop) impl_->mainLoop->quit();
  impl_->Flush();
}

void QtBackend::RunModal(Form& form) {
  FormView* v = impl_->Ensure(form);
  impl_->Flush();
  impl_->Sync(form, false);
  v->setWindowModality(Qt::ApplicationModal);
  v->show();
  v->raise();
  v->activateWindow();
  impl_->FocusActive(*v);
  QEventLoop loop;
  impl_->loops[&form] = &loop;
  while (!form.modalDone()) loop.exec();
  impl_->loops.erase(&form);
}

void QtBackend::ModalEnded(Form& form) {
  if (auto it = impl_->loops.find(&form); it != impl_->loops.end()) it->second->quit();
}

void QtBackend::Run(Form& mainForm) {
  QEventLoop loop;
  impl_->mainLoop = &loop;
  impl_->mainForm = &mainForm;
  mainForm.Show();
  while (mainForm.visible()) loop.exec();
  impl_->mainLoop = nullptr;
  impl_->mainForm = nullptr;
}

void QtBackend::ProcessMessages() {
  impl_->Flush();
  QCoreApplication::processEvents();
  impl_->Flush();
}

void QtBackend::TimerChanged(Timer& timer) {
  QTimer*& q = impl_->timers[&timer];
  if (!q) {
    q = new QTimer;
    QObject::connect(q, &QTimer::timeout, [this, &timer] {
      timer.Fire();
      impl_->Flush();
    });
  }
  if (timer.enabled()) q->start(std::max(timer.interval(), 1));
  else q->stop();
}

void QtBackend::TimerDestroyed(Timer& timer) {
  if (auto it = impl_->timers.find(&timer); it != impl_->timers.end()) {
    it->second->stop();
    it->second->deleteLater();
    impl_->timers.erase(it);
  }
}

std::int64_t QtBackend::NowMs() { return common::MonotonicMs(); }

MenuItem* QtBackend::Popup(PopupMenu& menu, Point screen) {
  impl_->Flush();
  QMenu q;
  std::unordered_map<QAction*, MenuItem*> actions;
  for (const auto& item : menu.items()) {
    if (!item->visible) continue;
    if (item->caption == "-") {
      q.addSeparator();
      continue;
    }
    QAction* a = q.addAction(ToQ(item->caption));
    a->setEnabled(item->enabled);
    a->setCheckable(item->checked);
    a->setChecked(item->checked);
    actions[a] = item.get();
  }
  QAction* chosen = q.exec(QPoint(screen.x, screen.y));
  return chosen ? actions[chosen] : nullptr;
}

int QtBackend::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) {
  impl_->Flush();
  QMessageBox::Icon qicon = icon == MsgIcon::Information ? QMessageBox::Information
                            : icon == MsgIcon::Warning   ? QMessageBox::Warning
                            : icon == MsgIcon::Error     ? QMessageBox::Critical
                            : icon == MsgIcon::Question  ? QMessageBox::Question
                                                         : QMessageBox::NoIcon;
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  switch (buttons) {
    case MsgButtons::Ok: set = QMessageBox::Ok; break;
    case MsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MsgButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; break;
  }
  QMessageBox box(qicon, ToQ(caption), ToQ(text), set);
  int r = box.exec();
  switch (r) {
    case QMessageBox::Ok: return mr::Ok;
    case QMessageBox::Yes: return mr::Yes;
    case QMessageBox::No: return mr::No;
    case QMessageBox::Retry: return mr::Retry;
    default: return mr::Cancel;
  }
}

void QtBackend::Beep(BeepKind) { QApplication::beep(); }

bool QtBackend::ChooseFont(Font& font) {
  // The dialog opens on the font's own face, style and size; what the user leaves
  // as it was shown keeps the value it had (its name, not the face it stands for).
  QFont given = ToQFont(font);
  given.setStyleName(StyleNameOf(given));
  QFontDialog dialog(given);
  const QFont shown = dialog.currentFont();
  if (dialog.exec() != QDialog::Accepted) return false;
  const QFont chosen = dialog.selectedFont();
  const Font picked = FromQFont(chosen, font.color);
  if (chosen.family() != shown.family()) font.name = picked.name;
  if (chosen.pointSize() != shown.pointSize()) font.size = picked.size;
  if (chosen.bold() != shown.bold() || chosen.italic() != shown.italic()) {
    font.bold = picked.bold;
    font.italic = picked.italic;
  }
  if (chosen.underline() != shown.underline()) font.underline = picked.underline;
  if (chosen.strikeOut() != shown.strikeOut()) font.strikeOut = chosen.strikeOut();
  return true;
}

bool QtBackend::ChooseColor(Color& color) {
  QColor c = QColorDialog::getColor(ToQColor(color));
  if (!c.isValid()) return false;
  color = FromQColor(c);
  return true;
}

bool QtBackend::ChooseOpenFile(FileDialogRequest& request) {
  // "Texty|*.txt|Vše|*.*" -> "Texty (*.txt);;Vše (*.*)"
  QStringList parts = ToQ(request.filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i] + " (" + parts[i + 1].replace(';', ' ') + ")";
  if (parts.size() == 1 && !parts[0].isEmpty()) filters << parts[0];
  QString dir = QString::fromStdString(request.directory);
  if (!request.fileName.empty()) dir += (dir.isEmpty() ? "" : "/") + QString::fromStdString(request.fileName);
  QString file = QFileDialog::getOpenFileName(nullptr, ToQ(request.title), dir, filters.join(";;"));
  if (file.isEmpty()) return false;
  request.fileName = file.toStdString();
  return true;
}

bool QtBackend::ChooseFolder(FolderDialogRequest& request) {
  QString dir = QFileDialog::getExistingDirectory(nullptr, ToQ(request.title), QString::fromStdString(request.directory));
  if (dir.isEmpty()) return false;
  request.directory = dir.toStdString();
  return true;
}

bool QtBackend::ChoosePrinter(const std::string& job) {
  QPrinter printer;
  if (!impl_->currentPrinter.empty() && impl_->currentPrinter != "PDF")
    printer.setPrinterName(QString::fromStdString(impl_->currentPrinter));
  QPrintDialog dialog(&printer);
  // "Print to file" offers the file the job goes to without a printer. The name the
  // user leaves there is checked before the dialog's own check: a relative one is taken
  // in the start folder, and one that cannot be written is said with the reason.
  const std::string offered = PrintFileOf(DefaultPrintFile(pdfFolder, job));
  auto* file = dialog.findChild<QLineEdit*>("filename");
  auto* buttons = dialog.findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
  if (file && buttons) {
    file->setText(QString::fromStdString(offered));
    QObject::disconnect(buttons, &QDialogButtonBox::accepted, &dialog, nullptr);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
      if (!file->isEnabled()) return dialog.accept();  // a printer, not a file
      const std::string path = PrintFilePath(file->text().toStdString());
      if (path == offered) (void)common::MakeDirs(pdfFolder);  // as the print to it would
      if (const std::string why = PrintFileProblem(path); !why.empty()) {
        QMessageBox::warning(&dialog, dialog.windowTitle(), ToQ(PrintFileFailureText(path, why)));
        return;
      }
      file->setText(QString::fromStdString(path));
      // The job's own file is overwritten without a question; another file asks first.
      if (path == offered || !QMetaObject::invokeMethod(&dialog, "_q_checkFields")) dialog.accept();
    });
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  // "Print to file": the next print goes to the file chosen there.
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
  impl_->currentPrinter = toFile ? "PDF" : printer.printerName().toStdString();
  impl_->chosenPdf = toFile ? printer.outputFileName().toStdString() : std::string();
  return true;
}

Rect QtBackend::WorkArea() {
  if (workArea.width > 0) return workArea;
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return {0, 0, 1024, 768};
  QRect r = s->availableGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

int QtBackend::PixelsPerInch() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? static_cast<int>(s->logicalDotsPerInch() + 0.5) : 96;
}

Bitmap QtBackend::GrabForm(Form& form) {
  FormView* v = impl_->Ensure(form);
  impl_->Flush();
  return FromQImage(v->grab().toImage());
}

std::vector<std::string> QtBackend::PrinterNames() {
  std::vector<std::string> names;
  for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(n.toStdString());
  if (!pdfOutput.empty()) names.push_back("PDF");
  return names;
}

std::string QtBackend::CurrentPrinter() { return pdfOutput.empty() ? impl_->currentPrinter : "PDF"; }

bool QtBackend::SetCurrentPrinter(const std::string& name) {
  auto names = PrinterNames();
  if (std::find(names.begin(), names.end(), name) == names.end()) return false;
  impl_->currentPrinter = name;
  return true;
}

namespace {

class QtPrinter : public PrinterCanvas {
 public:
  QtPrinter(std::unique_ptr<QPrinter> printer, const std::string& title, std::string pdf, bool open)
      : printer_(std::move(printer)), pdf_(std::move(pdf)), open_(open) {
    printer_->setDocName(ToQ(title));
    if (!pdf_.empty()) {
      if (const std::string why = PrintFileProblem(pdf_); !why.empty()) throw PrintFailed(PrintFileFailureText(pdf_, why));
    }
    if (!painter_.begin(printer_.get())) {
      if (!pdf_.empty()) throw PrintFailed(PrintFileFailureText(pdf_, common::Cz("soubor nelze otevřít")));
      throw PrintFailed(common::Cz("Na tiskárně ") + FromQ(printer_->printerName()) + common::Cz(" nelze tisknout"));
    }
  }
  ~QtPrinter() override {
    if (!done_) Abort();
  }
  void TextOut(int x, int y, std::string_view text) override { PaintText(painter_, *this, x, y, text); }
  void FillRect(Rect r) override { PaintFill(painter_, *this, r); }
  void FrameRect(Rect r) override { PaintFrame(painter_, *this, r); }
  void Line(Point a, Point b) override { PaintLine(painter_, *this, a, b); }
  bool StretchDraw(Rect r, const Bitmap& picture) override { return PaintPicture(painter_, r, picture); }
  int TextWidth(std::string_view text) override { return MeasureWidth(painter_, *this, text); }
  int TextHeight(std::string_view) override { return MeasureHeight(painter_, *this); }
  int PageWidth() const override { return Page().width(); }
  int PageHeight() const override { return Page().height(); }
  int DpiX() const override { return printer_->resolution(); }
  int DpiY() const override { return printer_->resolution(); }
  int PageNumber() const override { return page_; }
  void NewPage() override {
    printer_->newPage();
    ++page_;
  }
  void EndDoc() override {
    if (done_) return;
    const bool ended = painter_.end();
    done_ = true;
    if (pdf_.empty()) return;
    // The writer does not say when the disk took only part of the file: its end tells.
    if (!ended || !PrintFileComplete(pdf_)) throw PrintFailed(DiscardCutPrintFile(pdf_));
    // A print into a file: the user is told where it is, and the desktop's viewer
    // opens it where one is installed.
    if (open_) (void)common::OpenDocument(pdf_);
    common::MessageOk(common::Cz("Tisk je uložen v souboru ") + common::Utf8ToWin1250(pdf_));
  }
  void Abort() override {
    if (done_) return;
    printer_->abort();
    painter_.end();
    done_ = true;
  }

 private:
  QRect Page() const { return printer_->pageLayout().paintRectPixels(printer_->resolution()); }
  std::unique_ptr<QPrinter> printer_;
  QPainter painter_;
  std::string pdf_;
  bool open_ = false;
  int page_ = 1;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<PrinterCanvas> QtBackend::BeginPrint(const std::string& title, PageOrientation orientation) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (orientation == PageOrientation::Landscape) printer->setPageOrientation(QPageLayout::Landscape);
  std::string pdf = pdfOutput;
  if (pdf.empty() && impl_->currentPrinter == "PDF" && !impl_->chosenPdf.empty()) {
    pdf = impl_->chosenPdf;  // the file chosen in the print dialog, for the print that follows it
    impl_->chosenPdf.clear();
  } else if (pdf.empty() && (impl_->currentPrinter.empty() || impl_->currentPrinter == "PDF" ||
                             QPrinterInfo::availablePrinterNames().isEmpty())) {
    // No printer, or PDF chosen in the print dialog: a PDF file named after the job.
    (void)common::MakeDirs(pdfFolder);  // a folder that cannot be made is said by the print
    pdf = PrintFileOf(DefaultPrintFile(pdfFolder, title));
  }
  if (!pdf.empty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
  } else {
    printer->setPrinterName(QString::fromStdString(impl_->currentPrinter));
  }
  return std::make_unique<QtPrinter>(std::move(printer), title, pdf, !pdf.empty() && pdf != pdfOutput && openPdf);
}

}  // namespace ui::qt
