// The window on high-resolution screens: every skin picture has a drawing at twice its size,
// and a window rendered at a device pixel ratio above 1 shows those drawings, not the small
// pictures enlarged.
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QResource>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/ui/form_main.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "skin/ui/picture_control.h"

namespace vortik {
namespace {

TEST(SkinPictures, EachHasADrawingAtTwiceItsSize) {
  int pictures = 0;
  for (const char* folder : {":/skin/png", ":/skin/jpg"}) {
    // Any window registers the compiled-in pictures.
    const TFormMain form(test::TestConfig());
    for (const QString& name : QDir(QString::fromLatin1(folder)).entryList()) {
      if (name.endsWith(QLatin1String("@2x"))) continue;
      ++pictures;
      const QImage normal(QString::fromLatin1(folder) + "/" + name);
      const QImage doubled(QString::fromLatin1(folder) + "/" + name + "@2x");
      ASSERT_FALSE(normal.isNull()) << name.toStdString();
      ASSERT_FALSE(doubled.isNull()) << name.toStdString() << " has no @2x drawing";
      EXPECT_EQ(doubled.size(), normal.size() * 2) << name.toStdString();
    }
  }
  EXPECT_GT(pictures, 30);
}

class HighResolutionWindow : public ::testing::Test {
 protected:
  HighResolutionWindow() {
    AppConfig config = test::TestConfig();
    config.doubledPictures = true;  // rendered at ratios the offscreen screen does not have
    form_ = std::make_unique<TFormMain>(config);
    dialogs_.InstallOn(form_.get());
  }

  // Renders the window as a screen of `ratio` shows it.
  void Render(qreal ratio) {
    QPixmap target(form_->size() * ratio);
    target.setDevicePixelRatio(ratio);
    form_->render(&target);
  }

  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form_;
};

TEST_F(HighResolutionWindow, EachPictureControlDrawsThePixmapOfTheScreensRatio) {
  // Each page in turn (its pictures are drawn when it first shows), at ratios 1, 1.5 and 2.
  const struct {
    qreal ratio;
    qreal painted;
  } cases[] = {{1, 1}, {2, 2}, {1.5, 2}};
  for (const PageId page : {PageId::kInternetUpgrade, PageId::kPrint, PageId::kDtcLookup}) {
    form_->ShowPage(page);
    for (const auto& c : cases) {
      Render(c.ratio);
      int drawn = 0;
      for (PictureControl* control : form_->findChildren<PictureControl*>()) {
        if (!control->isVisibleTo(form_.get()) || control->surface().width == 0) continue;
        const bool hasPicture =
            std::any_of(control->surface().pixels.begin(), control->surface().pixels.end(),
                        [](uint8_t byte) { return byte != 0; });
        if (!hasPicture) continue;
        ++drawn;
        EXPECT_EQ(control->paintedRatio(), c.painted)
            << control->objectName().toStdString() << " at ratio " << c.ratio;
      }
      EXPECT_GE(drawn, 5) << "page " << static_cast<int>(page);
    }
  }
}

TEST_F(HighResolutionWindow, TheDoubledSurfaceHoldsTheDoubledDrawingNotEnlargedPixels) {
  auto* button = form_->findChild<PictureControl*>(QStringLiteral("Button_InternetUpdate"));
  ASSERT_NE(button, nullptr);
  const Bitmap& small = button->surface();
  const Bitmap& large = button->doubledSurface();
  ASSERT_EQ(large.width, 2 * small.width);
  ASSERT_EQ(large.height, 2 * small.height);
  // Enlarged pixels repeat in 2 x 2 blocks; a drawing at twice the size does not, at least
  // along its anti-aliased edges.
  int differingBlocks = 0;
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      const uint8_t* a = large.Row(2 * y) + 8 * x;
      const uint8_t* b = large.Row(2 * y + 1) + 8 * x + 4;
      differingBlocks += !std::equal(a, a + 4, b);
    }
  }
  EXPECT_GT(differingBlocks, 100);
}

}  // namespace
}  // namespace vortik
