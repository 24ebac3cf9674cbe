#include "skin/ui/skin_style.h"

#include <QColor>
#include <QWidget>

#include "skin/ui/skin_colours.h"

namespace vortik {

// Colours of the skin pictures: the page blue, the list blue, the edit blue, the tab row's
// lighter blue, and the accent green of the current tab and of the focus ring.
QString SkinScrollBarStyle() {
  return QStringLiteral(
      "QScrollBar:vertical { background: #0b2f66; width: 14px; margin: 0; border: none; }"
      "QScrollBar:horizontal { background: #0b2f66; height: 14px; margin: 0; border: none; }"
      "QScrollBar::handle { background: #2f6fc0; border-radius: 5px; margin: 2px; }"
      "QScrollBar::handle:vertical { min-height: 28px; }"
      "QScrollBar::handle:horizontal { min-width: 28px; }"
      "QScrollBar::handle:hover { background: #4a8be0; }"
      "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
      "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
}

QString SkinWidgetStyle() {
  return SkinScrollBarStyle() +
         QStringLiteral(
             "QGroupBox { color: white; border: 1px solid #2f6fc0; border-radius: 6px;"
             "  margin-top: 10px; padding-top: 6px; }"
             "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }"
             "QPushButton { color: white; background: #1c5fb8; border: 1px solid #4a8be0;"
             "  border-radius: 4px; padding: 2px 8px; }"
             "QPushButton:hover { background: #2f6fc0; }"
             "QPushButton:pressed { background: #0f4a96; }"
             "QPushButton:disabled { color: #8aa2c4; background: #123e78; border-color: #2a5288; }"
             "QPushButton:focus { border: 2px solid #00ef60; }"
             "QLineEdit { color: white; background: #174e8f; border: 1px solid #4a8be0;"
             "  border-radius: 3px; padding: 1px 4px; selection-background-color: #2f8cff; }"
             "QLineEdit:focus { border: 2px solid #00ef60; }"
             "QLineEdit:read-only { background: #124483; }"
             "QProgressBar { background: #08315f; border: 1px solid #2f6fc0; border-radius: 3px; }"
             "QProgressBar::chunk { background: #00ef60; }");
}

QPalette SkinPalette() {
  QPalette palette(kSkinButtonBlue, kSkinPageBlue);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool disabled = group == QPalette::Disabled;
    const QColor text = disabled ? kSkinDimmedText : QColor(Qt::white);
    palette.setColor(group, QPalette::Window, kSkinPageBlue);
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Base, kSkinListBlue);
    palette.setColor(group, QPalette::AlternateBase, kSkinEditBlue);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Button, kSkinButtonBlue);
    palette.setColor(group, QPalette::ButtonText, text);
    palette.setColor(group, QPalette::Highlight, kSkinSelectionBlue);
    palette.setColor(group, QPalette::HighlightedText, Qt::white);
    palette.setColor(group, QPalette::PlaceholderText, kSkinDimmedText);
    palette.setColor(group, QPalette::ToolTipBase, kSkinEditBlue);
    palette.setColor(group, QPalette::ToolTipText, Qt::white);
    palette.setColor(group, QPalette::Link, kSkinAccentGreen);
  }
  return palette;
}

void ApplySkinColours(QWidget* dialog) {
  dialog->setPalette(SkinPalette());
  dialog->setStyleSheet(SkinWidgetStyle());
}

}  // namespace vortik
