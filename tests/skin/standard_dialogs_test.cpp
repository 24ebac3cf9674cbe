// The standard dialogs the window opens: where Qt draws them itself they show in the skin's
// colours, as the window does.
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "helpers/scoped_temp_dir.h"
#include "skin/ui/file_dialog.h"
#include "skin/ui/skin_style.h"

namespace vortik {
namespace {

TEST(StandardDialogs, SaveDialogShowsInTheSkinColours) {
  test::ScopedTempDir dir;
  QWidget window;
  window.show();
  QPalette seen;
  bool opened = false;
  // Looks at the dialog from inside its own event loop, then cancels it.
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    opened = true;
    seen = dialog->palette();
    dialog->reject();
  });
  const SaveFileAnswer answer = AskSaveFileName(
      &window,
      {QString(), QStringLiteral("Text (*.txt)|*.txt"), QString::fromStdString(dir.path()), true});
  ASSERT_TRUE(opened) << "no file dialog of Qt's own opened";
  EXPECT_TRUE(answer.path.isEmpty());  // cancelled
  const QPalette skin = SkinPalette();
  for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Base,
                                   QPalette::Text, QPalette::Button, QPalette::Highlight}) {
    EXPECT_EQ(seen.color(QPalette::Active, role), skin.color(QPalette::Active, role)) << role;
  }
  // Light text on a dark face, so the dialog reads on the skin's blue.
  EXPECT_LT(seen.color(QPalette::Window).lightness(), 80);
  EXPECT_GT(seen.color(QPalette::WindowText).lightness(), 200);
}

}  // namespace
}  // namespace vortik
