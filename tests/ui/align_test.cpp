// A control held at the bottom of its form: across the client width at the bottom edge,
// following the form's size, left out of the scrolling content.
#include <gtest/gtest.h>

#include "ui/form.h"

namespace ui {
namespace {

TEST(AlignBottom, HeldAtTheBottomAcrossTheClientWidthOutOfTheScrolledContent) {
  Form f("Edit");
  f.SetAutoScroll(true);
  f.SetBounds(10, 10, 400, 300);
  Edit& field = f.Add<Edit>("Edit1");
  field.SetBounds(20, 250, 100, 20);
  Edit& key = f.Add<Edit>("KeyLine");
  key.SetBounds(0, 0, 50, 22);
  key.SetAlignBottom(true);
  EXPECT_EQ(key.bounds(), (Rect{0, f.clientHeight() - 22, f.clientWidth(), 22}));
  EXPECT_EQ(f.BottomAlignedHeight(), 22);
  EXPECT_EQ(f.ContentExtent(), (Point{120, 270}));  // the key line is not content
  f.SetBounds(10, 10, 500, 400);
  EXPECT_EQ(key.bounds(), (Rect{0, f.clientHeight() - 22, f.clientWidth(), 22}));
  key.SetVisible(false);
  EXPECT_EQ(f.BottomAlignedHeight(), 0);
  // A control inside a panel is not held.
  Panel& panel = f.Add<Panel>("Panel");
  Edit& inner = f.Add<Edit>("Inner", &panel);
  inner.SetBounds(1, 2, 3, 4);
  inner.SetAlignBottom(true);
  EXPECT_FALSE(inner.alignBottom());
  EXPECT_EQ(inner.bounds(), (Rect{1, 2, 3, 4}));
}

}  // namespace
}  // namespace ui
