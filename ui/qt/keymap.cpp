#include <QtCore/Qt>

#include "ui/keys.h"
#include "ui/qt/qt_backend.h"

namespace ui::qt {

int VirtualKeyOf(int k, Qt::KeyboardModifiers modifiers) {
  bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (keypad) {
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return vk::Num(k - Qt::Key_0);
    switch (k) {
      case Qt::Key_Asterisk: return vk::NumStar;
      case Qt::Key_Plus: return vk::NumPlus;
      case Qt::Key_Minus: return vk::NumMinus;
      case Qt::Key_Slash: return vk::NumSlash;
      case Qt::Key_Period:
      case Qt::Key_Comma: return vk::NumDecimal;
      case Qt::Key_Enter: return vk::Enter;
      default: break;
    }
  }
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return vk::A + (k - Qt::Key_A);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return vk::Digit0 + (k - Qt::Key_0);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return vk::F1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Escape: return vk::Esc;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::Enter;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    case Qt::Key_Pause: return vk::Pause;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_PageUp: return vk::PgUp;
    case Qt::Key_PageDown: return vk::PgDn;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control: return vk::Ctrl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return vk::Alt;
    case Qt::Key_CapsLock: return vk::CapsLock;
    case Qt::Key_NumLock: return vk::NumLock;
    case Qt::Key_ScrollLock: return vk::ScrollLock;
    case Qt::Key_Clear: return vk::Clear;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return vk::Semicolon;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return vk::Equals;
    case Qt::Key_Comma:
    case Qt::Key_Less: return vk::Comma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return vk::Minus;
    case Qt::Key_Period:
    case Qt::Key_Greater: return vk::Period;
    case Qt::Key_Slash:
    case Qt::Key_Question: return vk::Slash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return vk::Backquote;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return vk::LBracket;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return vk::Backslash;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return vk::RBracket;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return vk::Quote;
    // The digit row of a Czech keyboard: + ě š č ř ž ý á í é (Qt keys are the upper-case letters)
    case 0x11A: return vk::Digit(2);
    case 0x160: return vk::Digit(3);
    case 0x10C: return vk::Digit(4);
    case 0x158: return vk::Digit(5);
    case 0x17D: return vk::Digit(6);
    case Qt::Key_Yacute: return vk::Digit(7);
    case Qt::Key_Aacute: return vk::Digit(8);
    case Qt::Key_Iacute: return vk::Digit(9);
    case Qt::Key_Eacute: return vk::Digit(0);
    default: return 0;
  }
}

Shift ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons buttons) {
  Shift s = Shift::None;
  if (m.testFlag(Qt::ShiftModifier)) s |= Shift::Shift;
  if (m.testFlag(Qt::ControlModifier)) s |= Shift::Ctrl;
  if (m.testFlag(Qt::AltModifier)) s |= Shift::Alt;
  if (buttons.testFlag(Qt::LeftButton)) s |= Shift::Left;
  if (buttons.testFlag(Qt::RightButton)) s |= Shift::Right;
  if (buttons.testFlag(Qt::MiddleButton)) s |= Shift::Middle;
  return s;
}

}  // namespace ui::qt
