// The window's hidden developer buttons ("Test1", "Test2") and the Local Upgrade page's hidden
// test burn: fixed ports, a fixed legacy query and a fixed file for bench work. They are never
// shown to users; they live apart from the window so that its frame and routing stay its own.
#pragma once

#include <QObject>

#include <string>

class QPushButton;

namespace vortik {

class TFormMain;

class DeveloperButtons : public QObject {
 public:
  // Makes the two hidden buttons on `window`; `legacyServer` is the address Test1 asks (nothing
  // is asked without one).
  DeveloperButtons(TFormMain* window, std::string legacyServer);

  // Test1: port 4, then the legacy update check for a fixed tool and the ROM it names.
  void Button_Test1Click();
  // Test2: port 3.
  void Button_Test2Click();
  // The Local Upgrade page's Button3: port 4, then the test transfer of test.fls.
  void Button3Click();

 private:
  TFormMain* window_;
  const std::string legacyServer_;
  QPushButton* Button_Test1 = nullptr;
  QPushButton* Button_Test2 = nullptr;
};

}  // namespace vortik
