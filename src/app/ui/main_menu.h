// The menu button of the title band, beside the settings gear: "Manual" (also F1),
// "Upgrade from files…", "Upgrade history…" and "About VORTIK".
#pragma once

#include <QPushButton>

#include <functional>

#include "base/text_id.h"

class QAction;
class QMenu;

namespace vortik {

class MainMenuButton : public QPushButton {
  Q_OBJECT

 public:
  struct Actions {
    std::function<void()> manual;        // show the Manual page
    std::function<void()> localUpgrade;  // show the Local Upgrade page
    std::function<void()> about;         // show the about box
  };
  // A child of `window` at (x, y), 30 x 30; F1 anywhere in the window asks for the manual,
  // F10 or Alt alone opens the menu.
  // `texts` (the window's loaded texts) must outlive the button.
  MainMenuButton(QWidget* window, int x, int y, const Actions& actions, const TextTable& texts);

  QMenu* popup() const { return menu_; }
  QAction* manualAction() const { return manual_; }
  QAction* localUpgradeAction() const { return localUpgrade_; }
  QAction* historyAction() const { return history_; }
  QAction* aboutAction() const { return about_; }

  // Takes the entries' texts from the window's texts (done each time it opens).
  void RetranslateMenu();
  // Opens the menu with its first entry chosen (F10, or Alt alone).
  void OpenMenu();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool altAlone_ = false;  // Alt is down and no other key or button came since
  const TextTable* texts_;
  QMenu* menu_ = nullptr;
  QAction* manual_ = nullptr;
  QAction* localUpgrade_ = nullptr;
  QAction* history_ = nullptr;  // opens the upgrade history (the user's history file)
  QAction* about_ = nullptr;
};

// The about box: one message box with the version, the licence and the libraries.
void ShowAboutBox(QWidget* parent, const TextTable& texts);

}  // namespace vortik
