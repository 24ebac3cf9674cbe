// Test entry for window tests: one QApplication on the offscreen platform for the whole run.
#include <QApplication>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include <string>

#include "helpers/test_config.h"
#include "i18n/lang_table.h"
#include "i18n/ui/fonts.h"

int main(int argc, char** argv) {
  // Qt wants a private runtime folder and warns on every run without one (a session gives it;
  // CI and containers do not).
  char runtime[] = "/tmp/vortik-ui-runtime-XXXXXX";
  const bool ownRuntime = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && mkdtemp(runtime);
  if (ownRuntime) qputenv("XDG_RUNTIME_DIR", runtime);
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  vortik::InstallFontSubstitutions(vortik::kDefaultLanguage);
  // Window tests start in English from a language file of their own, never the build tree's.
  char dir[] = "/tmp/vortik-ui-test-XXXXXX";
  if (mkdtemp(dir) != nullptr) vortik::test::RunLanguageFile() = std::string(dir) + "/lang.ini";
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::remove((std::string(dir) + "/lang.ini").c_str());
  rmdir(dir);
  if (ownRuntime) rmdir(runtime);
  return result;
}
