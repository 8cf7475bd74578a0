#include "demo_forms.h"

#include "common/encoding.h"

namespace uidriver {

using namespace common::literals;
using namespace ui;

DemoEdit::DemoEdit()
    : Form("DemoEdit"), eKod_(Add<Edit>("eKod")), eNazev_(Add<Edit>("eNazev")), bOk_(Add<Button>("bOk")) {
  SetCaption("Oprava záznamu"_cz);
  SetBounds(100, 100, 360, 140);
  keyPreview = true;
  eKod_.SetBounds(80, 10, 60, 22);
  eKod_.SetMaxLength(4);
  eNazev_.SetBounds(80, 40, 250, 22);
  eNazev_.SetMaxLength(30);
  bOk_.SetBounds(260, 70, 70, 25);
  bOk_.SetText("OK-F2");
  bOk_.onClick = [this](Control&) { SetModalResult(mr::Ok); };
  onKeyDown = [this](Control&, int& key, Shift shift) {
    int code = KeyCode(key, shift);
    if (code == vk::F(2)) {
      key = 0;
      if (eKod_.text().empty()) {
        ShowMessage("Kód nesmí být prázdný"_cz);
        eKod_.SetFocus();
        return;
      }
      SetModalResult(mr::Ok);
    } else if (code == vk::Esc) {
      key = 0;
      Close();
    }
  };
}

bool DemoEdit::Run(std::string& code, std::string& name) {
  eKod_.SetText(code);
  eNazev_.SetText(name);
  eKod_.SetFocus();
  if (ShowModal() != mr::Ok) return false;
  code = eKod_.text();
  name = eNazev_.text();
  return true;
}

DemoList::DemoList()
    : Form("DemoList"),
      sgRol_(Add<Grid>("sgRol")),
      lKolik_(Add<Label>("lKolik")),
      lCas_(Add<Label>("lCas")),
      timer_(AddTimer("Timer1", 1000)),
      menu_(AddPopupMenu("PopupMenu1")) {
  SetCaption("Zkušební číselník"_cz);
  SetBounds(10, 10, 420, 260);
  keyPreview = true;
  rows_ = {{"0100", "Komerční banka"_cz}, {"0300", "ČSOB"_cz}, {"0800", "Česká spořitelna"_cz}};
  sgRol_.SetBounds(0, 0, 400, 150);
  sgRol_.SetColCount(3);
  sgRol_.SetColWidth(0, 10);
  sgRol_.SetColWidth(1, 60);
  sgRol_.SetColWidth(2, 300);
  sgRol_.SetRowSelect(true);
  sgRol_.onKeyDown = [](Control&, int& key, Shift) { key = 0; };
  lKolik_.SetBounds(0, 160, 200, 16);
  lCas_.SetBounds(210, 160, 180, 16);
  onKeyDown = [this](Control&, int& key, Shift shift) { KeyDown(key, shift); };
  timer_.onTimer = [this](Timer&) {
    ++seconds_;
    lCas_.SetText("Čas: "_cz + std::to_string(seconds_) + " s");
  };
  menu_.AddItem("miTisk", "Tisk", [this](MenuItem&) {
    auto p = BeginPrint(caption());
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
      p->TextOut(100, 100 + 60 * r, rows_[r].first + " " + rows_[r].second);
    p->EndDoc();
  });
  menu_.AddItem("miSkryta", "Skrytá"_cz).visible = false;
}

void DemoList::Open() {
  seconds_ = 0;
  lCas_.SetText({});
  sgRol_.SetRow(1);
  Repaint();
  timer_.Start();
  ShowModal();
  timer_.Stop();
}

void DemoList::Repaint() {
  sgRol_.SetRowCount(static_cast<int>(rows_.size()) + 1);
  sgRol_.SetCell(1, 0, "Kód"_cz);
  sgRol_.SetCell(2, 0, "Název"_cz);
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
    sgRol_.SetRowCells(r + 1, std::vector<std::string>{r + 1 == sgRol_.row() ? "\x11" : " ", rows_[r].first,
                                                      rows_[r].second});
  lKolik_.SetText(std::to_string(sgRol_.row()) + "/" + std::to_string(rows_.size()));
}

void DemoList::KeyDown(int& key, Shift shift) {
  int code = KeyCode(key, shift);
  key = 0;
  int current = sgRol_.row() - 1;
  switch (code) {
    case vk::Down: sgRol_.SetRow(sgRol_.row() + 1); break;
    case vk::Up: sgRol_.SetRow(sgRol_.row() - 1); break;
    case vk::Esc: Close(); return;
    case vk::F(4): {
      std::string kod, nazev;
      if (edit_.Run(kod, nazev)) {
        rows_.emplace_back(kod, nazev);
        Repaint();
        sgRol_.SetRow(static_cast<int>(rows_.size()));
      }
      break;
    }
    case vk::Enter:
    case vk::Space:
      if (current >= 0 && current < static_cast<int>(rows_.size()))
        edit_.Run(rows_[current].first, rows_[current].second);
      break;
    case vk::F(8):
      if (current >= 0 && current < static_cast<int>(rows_.size()) &&
          AskYesNo("Smazat záznam "_cz + rows_[current].first + "?")) {
        rows_.erase(rows_.begin() + current);
        Repaint();
      }
      break;
    case vk::F(10): menu_.Popup(left() + 15, top() + 50); break;
    default:
      if (code != vk::Shift && code != vk::Ctrl && code != vk::Alt) Beep();
      break;
  }
  Repaint();
}

}  // namespace uidriver
