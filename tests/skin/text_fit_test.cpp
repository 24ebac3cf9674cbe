#include "skin/ui/text_fit.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QLabel>

#include "skin/ui/click_label.h"

namespace vortik {
namespace {

QFont Face(int pixels) {
  QFont font(QStringLiteral("Calibri"));
  font.setPixelSize(pixels);
  return font;
}

// Where the text lands decides whether it fits: too wide on one line, one word too wide to
// wrap, too many lines for the height, or lines spread wider than the label draws them.
TEST(TextFit, ALabelFitsOnlyWhenItsDrawnTextLiesInside) {
  const QString title = QStringLiteral("Spracheinstellungen");
  const int width = QFontMetrics(Face(26)).horizontalAdvance(title);
  const struct {
    const char* what;
    QString text;
    QSize box;
    bool wrap;
    qreal lineSpacing;
    bool fits;
  } cases[] = {
      {"one line with room", title, {width + 4, 40}, false, 1.0, true},
      {"one line too narrow", title, {width - 8, 40}, false, 1.0, false},
      {"a word wider than the box when wrapping", title, {width - 8, 120}, true, 1.0, false},
      {"two lines in a one-line height",
       QStringLiteral("Keine Internetverbindung"),
       {width, 34},
       true,
       1.0,
       false},
      {"two lines in a two-line height",
       QStringLiteral("Keine Internetverbindung"),
       {width, 70},
       true,
       1.0,
       true},
      {"two lines drawn closer together",
       QStringLiteral("Keine Internetverbindung"),
       {width, 64},
       true,
       0.82,
       true},
      {"two lines at full spacing need more",
       QStringLiteral("Keine Internetverbindung"),
       {width, 64},
       true,
       1.0,
       false},
      {"an empty caption, not yet given its text", QString(), {width, 34}, true, 1.0, true},
  };
  for (const auto& c : cases) {
    ClickLabel label(nullptr, "caption", 0, 0, c.box.width(), c.box.height());
    label.setFont(Face(26));
    label.setAlignment(Qt::AlignCenter);
    label.setWordWrap(c.wrap);
    label.SetLineSpacing(c.lineSpacing);
    label.setText(c.text);
    EXPECT_EQ(TextFitsLabel(label), c.fits) << c.what;
  }
}

TEST(TextFit, ALongCaptionShrinksToTheLargestSizeThatFitsAndStopsAtTheFloor) {
  const QString title = QStringLiteral("Spracheinstellungen");
  ClickLabel label(nullptr, "caption", 0, 0, 248, 40);
  label.setAlignment(Qt::AlignCenter);
  label.setFont(Face(26));
  label.setText(title);
  ASSERT_FALSE(TextFitsLabel(label));  // the designed size is too wide
  ASSERT_TRUE(FitLabelText(&label, 26, 12));
  const int fitted = label.font().pixelSize();
  EXPECT_LT(fitted, 26);
  label.setFont(Face(fitted + 1));
  EXPECT_FALSE(TextFitsLabel(label));  // one pixel more would not fit

  // A place too small for any size keeps the floor and says so.
  label.resize(40, 40);
  EXPECT_FALSE(FitLabelText(&label, 26, 12));
  EXPECT_EQ(label.font().pixelSize(), 12);

  // A one-line caption may take a second line rather than stay too wide.
  ClickLabel tab(nullptr, "tab", 0, 0, 130, 44);
  tab.setAlignment(Qt::AlignCenter);
  tab.setFont(Face(19));
  tab.setText(QStringLiteral("Mise à jour Internet"));
  EXPECT_FALSE(FitLabelText(&tab, 19, 18));
  EXPECT_TRUE(FitLabelText(&tab, 19, 18, FitWrap::kWhenTooLong));
  EXPECT_TRUE(tab.wordWrap());

  // An empty caption keeps its designed size for the text it is given later.
  ClickLabel empty(nullptr, "step", 0, 0, 40, 20);
  empty.setFont(Face(20));
  EXPECT_TRUE(FitLabelText(&empty, 20, 13));
  EXPECT_EQ(empty.font().pixelSize(), 20);
}

}  // namespace
}  // namespace vortik
