// The window as a native Wayland client (run_wayland_window_test.sh runs these under weston with
// a pointer): a message box opens as a child of the window, shows, and is answered; a press on
// the title band hands the move to the compositor. Skipped on any other platform.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

#include "app/ui/form_main.h"
#include "device/fake_lister.h"
#include "helpers/test_config.h"
#include "skin/ui/message_box.h"
#include "skin/ui/title_band.h"

namespace vortik {
namespace {

// Generous: the compositor and the window share the machine with other builds and tests, and
// the sanitizer build is several times slower.
constexpr int kTimeoutMs = 90000;

class WaylandWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
      GTEST_SKIP() << "runs under a Wayland compositor only (platform: "
                   << QGuiApplication::platformName().toStdString() << ")";
    }
    form_ = std::make_unique<TFormMain>(test::TestConfig(), test::ServicesListing(lister_));
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get(), kTimeoutMs));
  }
  void TearDown() override { form_.reset(); }

  test::FakeLister lister_;
  std::unique_ptr<TFormMain> form_;
};

// What the box was seen as while it showed.
struct BoxSeen {
  bool exposed = false;
  bool childOfTheWindow = false;
  bool modal = false;
  QSize size;
  QString text;
};

TEST_F(WaylandWindow, MessageBoxOpensAsAChildOfTheWindowAndIsAnswered) {
  BoxSeen seen;
  QElapsedTimer waited;
  waited.start();
  // Watches from inside the box's own event loop: once it shows, notes how, then presses Enter
  // as the user would; a box that never shows is closed, so the test fails instead of hanging.
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QDialog* box = ActiveMessageBox();
    if (box == nullptr) return;
    QWindow* handle = box->windowHandle();
    if (handle != nullptr && handle->isExposed()) {
      watch.stop();
      seen.exposed = true;
      seen.childOfTheWindow = handle->transientParent() == form_->windowHandle();
      seen.modal = handle->modality() == Qt::ApplicationModal;
      seen.size = box->size();
      seen.text = box->findChild<QLabel*>(QStringLiteral("MessageText"))->text();
      QTest::keyClick(box, Qt::Key_Return);
    } else if (waited.elapsed() > kTimeoutMs) {
      watch.stop();
      box->reject();
    }
  });
  watch.start();
  ShowMessageBox(form_.get(), QStringLiteral("The tool answered."));
  watch.stop();

  EXPECT_TRUE(seen.exposed) << "the box never showed";
  // A Wayland program cannot place its windows: the compositor places the box by its parent.
  EXPECT_TRUE(seen.childOfTheWindow);
  EXPECT_TRUE(seen.modal);
  EXPECT_GT(seen.size.width(), 100);
  EXPECT_GT(seen.size.height(), 50);
  EXPECT_EQ(seen.text, QStringLiteral("The tool answered."));
  EXPECT_EQ(ActiveMessageBox(), nullptr);  // answered: closed
}

// The compositor moves a window only on a press it has delivered itself, so the press comes
// from the script's pointer: this test writes where (window coordinates, which are the screen's
// while the window fills it) and waits until the press has come.
TEST_F(WaylandWindow, PressOnTheTitleBandHandsTheMoveToTheCompositor) {
  const QString clickFile = qEnvironmentVariable("VORTIK_TEST_CLICK_FILE");
  if (clickFile.isEmpty()) GTEST_SKIP() << "needs the script's pointer (VORTIK_TEST_CLICK_FILE)";
  ASSERT_EQ(form_->screen()->size(), form_->size()) << "the window does not fill the screen";
  auto* drag = form_->findChild<TitleBandDrag*>();
  ASSERT_NE(drag, nullptr);
  // A point of the band with no control on it: a press there is the window's own.
  QPoint inBand(form_->width() / 2, 30);
  while (inBand.x() > 0 && form_->childAt(inBand) != nullptr) inBand.rx() -= 10;
  ASSERT_EQ(form_->childAt(inBand), nullptr) << "no free point in the title band";

  QSignalSpy requested(drag, &TitleBandDrag::moveRequested);
  {
    QFile file(clickFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("%1 %2\n").arg(inBand.x()).arg(inBand.y()).toLatin1());
  }
  const bool pressed = QTest::qWaitFor([&] { return !requested.isEmpty(); }, kTimeoutMs);
  QFile::remove(clickFile);
  ASSERT_TRUE(pressed) << "no press from the compositor reached the title band";
  EXPECT_TRUE(requested.front().at(0).toBool()) << "the compositor was not asked to move";
}

}  // namespace
}  // namespace vortik
