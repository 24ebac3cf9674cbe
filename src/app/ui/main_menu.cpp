#include "app/ui/main_menu.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>

#include <string>
#include <utility>
#include <vector>

#include "app/about.h"
#include "skin/ui/message_box.h"
#include "upgrade/history.h"
#include "upgrade/ui/history_dialog.h"

namespace vortik {

namespace {

// Three bars in the colour of the band's other glyphs.
QIcon MenuGlyph() {
  QPixmap pixmap(44, 44);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xE6, 0xEE, 0xF8));
  for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(8, 10 + i * 10, 28, 4.5), 2.2, 2.2);
  p.end();
  return QIcon(pixmap);
}

constexpr char kMenuStyle[] =
    "QMenu { background: #0b2f66; color: white; border: 1px solid #2f6fc0;"
    "  border-radius: 6px; padding: 6px 0; font-size: 15px; }"
    "QMenu::item { padding: 8px 28px 8px 18px; }"
    "QMenu::item:selected { background: #1c5fb8; }"
    "QMenu::separator { height: 1px; background: #2f6fc0; margin: 4px 10px; }";

}  // namespace

MainMenuButton::MainMenuButton(QWidget* window, int x, int y, const Actions& actions,
                               const TextTable& texts)
    : QPushButton(window), texts_(&texts) {
  setObjectName(QStringLiteral("SpeedButtonMenu"));
  setGeometry(x, y, 30, 30);
  setFlat(true);
  setFocusPolicy(Qt::TabFocus);  // reached by Tab, not focused by a click
  setCursor(Qt::PointingHandCursor);
  setIcon(MenuGlyph());
  setIconSize(QSize(22, 22));
  // Invisible but for its glyph, like the gear beside it; no drop-down arrow.
  setStyleSheet(QStringLiteral(
      "QPushButton { background: transparent; border: none; }"
      "QPushButton::menu-indicator { image: none; width: 0; }"
      "QPushButton:hover { background: rgba(255, 255, 255, 28); border-radius: 5px; }"
      "QPushButton:pressed { background: rgba(255, 255, 255, 56); border-radius: 5px; }"
      "QPushButton:focus { border: 2px solid #00ef60; border-radius: 5px; }"));

  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("MainMenu"));
  menu_->setStyleSheet(QString::fromLatin1(kMenuStyle));
  manual_ = menu_->addAction(QString());
  manual_->setObjectName(QStringLiteral("MenuManual"));
  localUpgrade_ = menu_->addAction(QString());
  localUpgrade_->setObjectName(QStringLiteral("MenuUpgradeFromFiles"));
  history_ = menu_->addAction(QString());
  history_->setObjectName(QStringLiteral("MenuUpgradeHistory"));
  menu_->addSeparator();
  about_ = menu_->addAction(QString());
  about_->setObjectName(QStringLiteral("MenuAbout"));
  if (actions.manual) connect(manual_, &QAction::triggered, this, actions.manual);
  if (actions.localUpgrade) connect(localUpgrade_, &QAction::triggered, this, actions.localUpgrade);
  if (actions.about) connect(about_, &QAction::triggered, this, actions.about);
  connect(history_, &QAction::triggered, this,
          [window, this] { ShowUpgradeHistory(window, *texts_, HistoryFilePath()); });
  connect(menu_, &QMenu::aboutToShow, this, &MainMenuButton::RetranslateMenu);
  setMenu(menu_);
  RetranslateMenu();

  // F1 anywhere in the window, menu closed.
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
  f1->setObjectName(QStringLiteral("ShortcutManual"));
  f1->setContext(Qt::WindowShortcut);
  connect(f1, &QShortcut::activated, manual_, &QAction::trigger);

  // F10, or Alt pressed and released alone, opens the menu, as a menu bar opens.
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
  f10->setObjectName(QStringLiteral("ShortcutMenu"));
  f10->setContext(Qt::WindowShortcut);
  connect(f10, &QShortcut::activated, this, &MainMenuButton::OpenMenu);
  qApp->installEventFilter(this);
}

void MainMenuButton::OpenMenu() {
  if (!isEnabled() || menu_->isVisible()) return;
  // Opened by the keyboard: its first entry is chosen, so arrows and Enter go on from there.
  menu_->setActiveAction(manual_);
  showMenu();
}

bool MainMenuButton::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::MouseButtonPress) {
    return false;
  }
  // Only keys for this window (its own widgets), not those of its dialogs or the menu.
  auto* target = qobject_cast<QWidget*>(watched);
  if (target == nullptr || target->window() != window()) return false;
  if (type == QEvent::MouseButtonPress) {
    altAlone_ = false;
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (type == QEvent::KeyPress) {
    altAlone_ = key->key() == Qt::Key_Alt && !key->isAutoRepeat() &&
                (key->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
    return false;
  }
  if (key->key() == Qt::Key_Alt && altAlone_ && !key->isAutoRepeat()) {
    altAlone_ = false;
    // After the release has been delivered: the menu's own grab then starts clean.
    QMetaObject::invokeMethod(this, &MainMenuButton::OpenMenu, Qt::QueuedConnection);
  }
  return false;
}

void MainMenuButton::RetranslateMenu() {
  // The text after the tab is shown as the entry's key.
  const TextTable& texts = *texts_;
  manual_->setText(QString::fromStdString(texts[TextId::MenuManual]) + QStringLiteral("\tF1"));
  localUpgrade_->setText(QString::fromStdString(texts[TextId::MenuUpgradeFromFiles]));
  history_->setText(QString::fromStdString(texts[TextId::MenuUpgradeHistory]));
  about_->setText(QString::fromStdString(texts[TextId::MenuAbout]));
}

void ShowAboutBox(QWidget* parent, const TextTable& texts) {
  std::vector<std::string> ui = {std::string("Qt ") + qVersion()};
#ifdef VORTIK_HAVE_QCUSTOMPLOT
  ui.push_back("QCustomPlot");
#endif
  const std::string text = AboutText(texts, VORTIK_VERSION, ui);
  ShowMessageBox(parent, QString::fromStdString(text),
                 QString::fromStdString(texts[TextId::MenuAbout]));
}

}  // namespace vortik
