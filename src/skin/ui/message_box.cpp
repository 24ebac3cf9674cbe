#include "skin/ui/message_box.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace vortik {

namespace {

// A line wider than this wraps; a single word (a path, an address) may widen the box up to the
// widest width, and only a word wider than that is shortened in the middle.
constexpr int kWrapWidth = 440;
constexpr int kWidestWidth = 820;
constexpr int kNarrowestWidth = 220;

// Colours of the dark skin: the window's slate, its light text and the tab row's blue.
const char kStyle[] =
    "QDialog { background: #26313d; border: 1px solid #5b6b7c; }"
    "QLabel#MessageText { color: #f2f4f7; font-size: 15px; padding: 4px 2px; }"
    "QPushButton#MessageOk { color: #ffffff; background: #2f6fb3; border: 1px solid #6fa3dc;"
    "  border-radius: 3px; min-width: 90px; min-height: 28px; font-size: 14px; }"
    "QPushButton#MessageOk:hover { background: #3b82cc; }"
    "QPushButton#MessageOk:pressed { background: #255a92; }";

// The words of a text with the widths they need in the label's font.
int WidestWord(const QFontMetrics& metrics, const QString& text) {
  int widest = 0;
  for (const QString& word :
       text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
    widest = std::max(widest, metrics.horizontalAdvance(word));
  }
  return widest;
}

// Shortens every word that cannot fit the widest box, keeping its start and end.
QString ElideLongWords(const QFontMetrics& metrics, const QString& text, int width) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines) {
    QStringList words = line.split(QLatin1Char(' '));
    for (QString& word : words) {
      if (metrics.horizontalAdvance(word) > width) {
        word = metrics.elidedText(word, Qt::ElideMiddle, width);
      }
    }
    line = words.join(QLatin1Char(' '));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

std::unique_ptr<QDialog> BuildMessageBox(QWidget* parent, const QString& text,
                                         const QString& caption) {
  auto box = std::make_unique<QDialog>(parent);
  box->setObjectName(QStringLiteral("MessageBox"));
  box->setProperty("messageText", text);
  box->setWindowTitle(caption);
  box->setStyleSheet(QString::fromLatin1(kStyle));
  // Screen readers announce it as an alert and read its text.
  SetAccessibleRole(box.get(), QAccessible::AlertMessage);
  box->setAccessibleDescription(text);

  auto* label = new QLabel(box.get());
  label->setObjectName(QStringLiteral("MessageText"));
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  // The whole text can be selected and copied, also where a long word is shortened on screen.
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->ensurePolished();  // the style sheet's font size applies before measuring

  const QFontMetrics metrics(label->font());
  const int widest = WidestWord(metrics, text);
  int lineWidth = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    lineWidth = std::max(lineWidth, metrics.horizontalAdvance(line));
  }
  const int width =
      std::clamp(std::max(std::min(lineWidth, kWrapWidth), widest), kNarrowestWidth, kWidestWidth);
  QString shown = text;
  if (widest > kWidestWidth) {
    shown = ElideLongWords(metrics, text, kWidestWidth);
    label->setToolTip(text);
  }
  label->setText(shown);
  // A little slack so rounding in the layout never pushes the last word to a new line.
  label->setFixedWidth(width + label->contentsMargins().left() + label->contentsMargins().right() +
                       8);
  label->setMinimumHeight(label->heightForWidth(label->width()));

  auto* ok = new QPushButton(QStringLiteral("OK"), box.get());
  ok->setObjectName(QStringLiteral("MessageOk"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, box.get(), &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(box.get());
  layout->setContentsMargins(22, 18, 22, 14);
  layout->setSpacing(14);
  layout->addWidget(label);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  return box;
}

void ShowMessageBox(QWidget* parent, const QString& text) {
  ShowMessageBox(parent, text, QStringLiteral("VORTIK"));
}

void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption) {
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->message) {
    dialogs->message(parent, text, caption);
    return;
  }
  std::unique_ptr<QDialog> box = BuildMessageBox(parent, text, caption);
  box->exec();
}

QDialog* ActiveMessageBox() {
  auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  return box != nullptr && box->objectName() == QLatin1String("MessageBox") ? box : nullptr;
}

QString MessageBoxText(const QDialog* box) {
  return box->property("messageText").toString();
}

}  // namespace vortik
