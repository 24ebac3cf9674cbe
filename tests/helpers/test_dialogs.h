// Answers for a window's dialogs in tests: every message box's text is recorded, and a test
// sets the answers of the other dialogs it meets. Installed on the widget the test builds.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "skin/ui/dialogs.h"

namespace vortik::test {

struct TestDialogs {
  TestDialogs() {
    answers->message = [this](QWidget*, const QString& text, const QString&) {
      messages.push_back(text.toStdString());
    };
  }
  TestDialogs(const TestDialogs&) = delete;
  TestDialogs& operator=(const TestDialogs&) = delete;

  void InstallOn(QWidget* window) const { InstallDialogs(window, answers); }

  std::shared_ptr<Dialogs> answers = std::make_shared<Dialogs>();
  std::vector<std::string> messages;  // UTF-8, in the order the boxes came
};

}  // namespace vortik::test
