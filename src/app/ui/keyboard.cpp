// The window's keyboard: Ctrl+1 to Ctrl+4 and Ctrl+PgUp/PgDn change page (and take the focus to
// its tab), and Tab walks the title band's buttons, the tab row and then the controls of the
// page that shows.
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

#include "app/ui/form_main.h"
#include "app/ui/main_menu.h"
#include "skin/ui/picture_control.h"

namespace vortik {

namespace {

QShortcut* MakeShortcut(QWidget* window, const QKeySequence& keys, const QString& name) {
  auto* shortcut = new QShortcut(keys, window);
  shortcut->setObjectName(name);
  shortcut->setContext(Qt::WindowShortcut);
  return shortcut;
}

}  // namespace

void TFormMain::BuildKeyboard() {
  for (int i = 0; i < kTabCount; ++i) {
    QShortcut* shortcut =
        MakeShortcut(this, QKeySequence(static_cast<int>(Qt::CTRL) | (Qt::Key_1 + i)),
                     QStringLiteral("ShortcutTab%1").arg(i + 1));
    connect(shortcut, &QShortcut::activated, this, [this, i] { SwitchTabFromKeyboard(i); });
  }
  connect(MakeShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_PageDown),
                       QStringLiteral("ShortcutNextTab")),
          &QShortcut::activated, this, [this] { StepTab(1); });
  connect(MakeShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                       QStringLiteral("ShortcutPreviousTab")),
          &QShortcut::activated, this, [this] { StepTab(-1); });

  // Reading order: the title band from the left, then the tabs; the page's controls follow the
  // tab row in the order they were made.
  QWidget* order[] = {menuButton_,      SpeedButtonSetting, btn_minimize,     SpeedButton4,
                      tabImages_.at(0), tabImages_.at(1),   tabImages_.at(2), tabImages_.at(3)};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TFormMain::StepTab(int step) {
  const int current = state_.curTab;
  int next = 0;
  if (current >= 0 && current < kTabCount) {
    next = (current + step + kTabCount) % kTabCount;
  } else {
    // A page of the menu shows: forward starts at the first tab, backward at the last.
    next = step > 0 ? 0 : kTabCount - 1;
  }
  SwitchTabFromKeyboard(next);
}

void TFormMain::SwitchTabFromKeyboard(int tab) {
  SwitchTabImgBtn(tab);
  // The focus goes to the chosen tab: the control that had it may be on the page that went, and
  // from the tab Tab goes on along the tab row into the page that came.
  if (state_.curTab == tab)
    tabImages_.at(static_cast<size_t>(tab))->setFocus(Qt::ShortcutFocusReason);
}

}  // namespace vortik
