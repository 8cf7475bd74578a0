#include "ui/keys.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(UiKeys, FoldsModifiersLastOfCtrlShiftAltDeciding) {
  EXPECT_EQ(KeyCode(vk::F(1), Shift::None), 112);
  EXPECT_EQ(KeyCode(vk::F(1), Shift::Ctrl), 1112);
  EXPECT_EQ(KeyCode(vk::F(1), Shift::Shift), 2112);
  EXPECT_EQ(KeyCode(vk::F(1), Shift::Alt), 3112);
  EXPECT_EQ(KeyCode(vk::F(1), Shift::Ctrl | Shift::Shift), 2112);
  EXPECT_EQ(KeyCode(vk::F(3), Shift::Ctrl | Shift::Shift), 2114);
  EXPECT_EQ(KeyCode(vk::F(1), Shift::Ctrl | Shift::Alt), 3112);
  EXPECT_EQ(KeyCode(vk::F(1), Shift::Shift | Shift::Alt), 3112);
  EXPECT_EQ(KeyCode(vk::Letter('E'), Shift::Ctrl), 1069);
  EXPECT_EQ(KeyCode(vk::Enter, Shift::None), 13);
  // Mouse buttons held do not count.
  EXPECT_EQ(KeyCode(vk::Down, Shift::Left | Shift::Right), 40);
}

TEST(UiKeys, ModifierAloneKeepsItsPlainCode) {
  EXPECT_EQ(KeyCode(vk::Ctrl, Shift::Ctrl), 17);
  EXPECT_EQ(KeyCode(vk::Shift, Shift::Shift), 16);
  EXPECT_EQ(KeyCode(vk::Alt, Shift::Alt), 18);
  // Another modifier held still counts: Ctrl pressed while Shift is down.
  EXPECT_EQ(KeyCode(vk::Ctrl, Shift::Ctrl | Shift::Shift), 2017);
}

TEST(UiKeys, CharactersOfKeys) {
  EXPECT_EQ(CharForKey(vk::Letter('a'), Shift::None), 'a');
  EXPECT_EQ(CharForKey(vk::Letter('a'), Shift::Shift), 'A');
  EXPECT_EQ(CharForKey(vk::Letter('b'), Shift::Ctrl), 2);
  EXPECT_EQ(CharForKey(vk::Digit(7), Shift::None), '7');
  EXPECT_EQ(CharForKey(vk::Num(5), Shift::None), '5');
  EXPECT_EQ(CharForKey(vk::Enter, Shift::None), 13);
  EXPECT_EQ(CharForKey(vk::Esc, Shift::None), 27);
  EXPECT_EQ(CharForKey(vk::NumPlus, Shift::None), '+');
  EXPECT_EQ(CharForKey(vk::F(4), Shift::None), 0);
  EXPECT_EQ(CharForKey(vk::Digit(1), Shift::Ctrl), 0);
  EXPECT_EQ(CharForKey(vk::Letter('x'), Shift::Alt), 0);
}

TEST(UiKeys, NamesParseAndPrint) {
  EXPECT_EQ(ParseKey("Ctrl+Shift+F1"), (KeyStroke{vk::F(1), Shift::Ctrl | Shift::Shift}));
  EXPECT_EQ(ParseKey("esc"), (KeyStroke{vk::Esc, Shift::None}));
  EXPECT_EQ(ParseKey("Ctrl+Num+"), (KeyStroke{vk::NumPlus, Shift::Ctrl}));
  EXPECT_EQ(ParseKey("Alt+F10"), (KeyStroke{vk::F(10), Shift::Alt}));
  EXPECT_EQ(ParseKey("a"), (KeyStroke{vk::Letter('A'), Shift::None}));
  EXPECT_EQ(ParseKey("#113"), (KeyStroke{113, Shift::None}));
  EXPECT_EQ(ParseKey("PgDn"), (KeyStroke{vk::PgDn, Shift::None}));
  EXPECT_FALSE(ParseKey("F25"));
  EXPECT_FALSE(ParseKey("Ctrl+"));
  EXPECT_FALSE(ParseKey("Hyper+A"));
  EXPECT_FALSE(ParseKey("#0"));
  for (int v = 1; v < 256; ++v) {
    KeyStroke k{v, Shift::Ctrl | Shift::Alt};
    auto back = ParseKey(KeyName(k));
    ASSERT_TRUE(back) << KeyName(k);
    EXPECT_EQ(back->vk, v) << KeyName(k);
  }
}

}  // namespace
}  // namespace ui
