#include <sstream>

#include "common/encoding.h"
#include "ui/headless/headless.h"

namespace ui::headless {

namespace {

// Program text as a reader sees it: UTF-8, the mark character 17 as a triangle,
// other control characters as \xNN.
std::string Visible(const std::string& cp1250, bool quoted) {
  std::string out;
  for (char ch : cp1250) {
    auto u = static_cast<unsigned char>(ch);
    if (u == 17) {
      out += "\x01";  // replaced after conversion
    } else if (u == '\n' && quoted) {
      out += "\\n";
    } else if (u == '\r' && quoted) {
      out += "\\r";
    } else if (u < 32) {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[u >> 4];
      out += hex[u & 15];
    } else if (u == '"' && quoted) {
      out += "\\\"";
    } else {
      out += ch;
    }
  }
  std::string utf8 = common::Win1250ToUtf8(out);
  std::string marked;
  for (char ch : utf8) {
    if (ch == '\x01') marked += "\u25C4";
    else marked += ch;
  }
  return quoted ? "\"" + marked + "\"" : marked;
}

class Writer {
 public:
  Writer(const Form& form, const SnapshotOptions& options) : form_(form), opt_(options) {}

  std::string Run() {
    out_ << "form " << form_.name() << " " << Visible(form_.caption(), true);
    if (form_.showingModal()) out_ << " modal";
    if (!form_.visible()) out_ << " hidden";
    if (opt_.geometry) Geometry(form_);
    out_ << "\n";
    if (const MenuBar* bar = form_.menuBar()) Menu(*bar);
    Children(nullptr, 1);
    return out_.str();
  }

 private:
  static std::string ItemText(const MenuItem& item) {
    return Visible(item.caption, true) + (item.enabled ? "" : " disabled") + (item.checked ? " [x]" : "");
  }
  void Menu(const MenuBar& bar) {
    for (const auto& e : bar.entries()) {
      if (!e->item.visible) continue;
      out_ << "  menu " << ItemText(e->item) << "\n";
      for (const auto& item : e->items)
        if (item->visible) out_ << "    item " << ItemText(*item) << "\n";
    }
  }

  void Geometry(const Control& c) {
    out_ << " @" << c.left() << "," << c.top() << " " << c.width() << "x" << c.height();
  }

  void Children(const Control* parent, int depth) {
    for (Control* c : form_.ChildrenOf(parent)) {
      if (!c->visible() && !opt_.hidden) continue;
      One(*c, depth);
      if (c->kind() == ControlKind::Panel) Children(c, depth + 1);
    }
  }

  void One(const Control& c, int depth) {
    std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
    out_ << pad << KindName(c.kind()) << " " << c.name();
    switch (c.kind()) {
      case ControlKind::Edit: {
        const auto& e = static_cast<const Edit&>(c);
        out_ << " " << (e.passwordChar() ? std::string(e.text().size(), '*') : Visible(e.text(), true));
        if (e.readOnly()) out_ << " readonly";
        if (e.maxLength()) out_ << " max=" << e.maxLength();
        break;
      }
      case ControlKind::SpinEdit: {
        const auto& e = static_cast<const SpinEdit&>(c);
        out_ << " " << Visible(e.text(), true) << " " << e.min() << ".." << e.max();
        break;
      }
      case ControlKind::CheckBox:
        out_ << " " << Visible(c.text(), true) << (static_cast<const CheckBox&>(c).checked() ? " [x]" : " [ ]");
        break;
      case ControlKind::RadioButton:
        out_ << " " << Visible(c.text(), true) << (static_cast<const RadioButton&>(c).checked() ? " (o)" : " ( )");
        break;
      case ControlKind::ComboBox: {
        const auto& cb = static_cast<const ComboBox&>(c);
        out_ << " " << Visible(cb.text(), true) << " items=" << cb.count() << " index=" << cb.itemIndex();
        break;
      }
      case ControlKind::ListBox: out_ << " index=" << static_cast<const ListBox&>(c).itemIndex(); break;
      case ControlKind::Memo:
        if (static_cast<const Memo&>(c).readOnly()) out_ << " readonly";
        break;
      case ControlKind::Image: {
        const auto& pic = static_cast<const Image&>(c).picture();
        if (pic.empty()) out_ << " empty";
        else out_ << " picture " << pic.width << "x" << pic.height;
        break;
      }
      case ControlKind::ProgressBar: {
        const auto& p = static_cast<const ProgressBar&>(c);
        out_ << " " << p.position() << " of " << p.min() << ".." << p.max();
        break;
      }
      case ControlKind::ScrollBar: {
        const auto& s = static_cast<const ScrollBar&>(c);
        out_ << " " << s.position() << " of " << s.min() << ".." << s.max();
        break;
      }
      case ControlKind::Grid: {
        const auto& g = static_cast<const Grid&>(c);
        out_ << " " << g.colCount() << "x" << g.rowCount() << " row=" << g.row() << " col=" << g.col();
        break;
      }
      case ControlKind::PaintBox: break;
      default: out_ << " " << Visible(c.text(), true); break;
    }
    if (!c.visible()) out_ << " hidden";
    if (!c.enabled()) out_ << " disabled";
    if (form_.activeControl() == &c) out_ << " focused";
    if (opt_.geometry) Geometry(c);
    out_ << "\n";
    Details(c, pad + "  ");
  }

  void Details(const Control& c, const std::string& pad) {
    if (c.kind() == ControlKind::ListBox) {
      const auto& l = static_cast<const ListBox&>(c);
      for (int i = 0; i < l.count(); ++i)
        out_ << pad << (i == l.itemIndex() ? ">" : " ") << Visible(l.items()[i], false) << "\n";
    } else if (c.kind() == ControlKind::Memo) {
      for (const auto& line : static_cast<const Memo&>(c).lines()) out_ << pad << "| " << Visible(line, false) << "\n";
    } else if (c.kind() == ControlKind::Grid) {
      const auto& g = static_cast<const Grid&>(c);
      for (int r = 0; r < g.rowCount(); ++r) {
        out_ << pad << (r == g.row() && r >= g.fixedRows() ? ">" : " ");
        for (int col = 0; col < g.colCount(); ++col) out_ << "|" << Visible(g.Cell(col, r), false);
        out_ << "|\n";
      }
    }
  }

  const Form& form_;
  const SnapshotOptions& opt_;
  std::ostringstream out_;
};

}  // namespace

std::string Snapshot(const Form& form, const SnapshotOptions& options) { return Writer(form, options).Run(); }

}  // namespace ui::headless
