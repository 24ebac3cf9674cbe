#include "i18n/lang_ui.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMetaProperty>
#include <QWidget>

#include <string_view>

namespace vortik {

namespace {

QWidget* Find(QWidget* root, const char* name) {
  if (root == nullptr || name == nullptr) return nullptr;
  if (root->objectName() == QLatin1String(name)) return root;
  return root->findChild<QWidget*>(QString::fromLatin1(name));
}

void ApplyChange(QWidget* root, const LayoutChange& change) {
  QWidget* w = Find(root, change.control);
  if (w == nullptr) return;
  QRect g = w->geometry();
  if (change.left >= 0) g.moveLeft(change.left);
  if (change.top >= 0) g.moveTop(change.top);
  if (change.height >= 0) g.setHeight(change.height);
  if (g != w->geometry()) w->setGeometry(g);
  if (change.fontPoints > 0) {
    QFont font = w->font();
    font.setPixelSize(PointsToPixels(change.fontPoints));
    w->setFont(font);
  }
}

void SetTextColour(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  pal.setColor(QPalette::ButtonText, colour);
  pal.setColor(QPalette::Text, colour);
  w->setPalette(pal);
}

}  // namespace

int PointsToPixels(int points) {
  return (points * 96 + 36) / 72;
}

void SetCaption(QWidget* control, const std::string& utf8) {
  if (control == nullptr) return;
  const QString text = QString::fromStdString(utf8);
  if (auto* label = qobject_cast<QLabel*>(control)) {
    // Texts come from a file anyone can edit: show them as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (control->metaObject()->indexOfProperty("text") >= 0) {
    control->setProperty("text", text);
  }
}

void ApplyLanguageFonts(QWidget* root, int language) {
  if (language != 1) return;
  for (const char* name : ChineseFontLabels()) {
    QWidget* w = Find(root, name);
    if (w == nullptr) continue;
    QFont font = w->font();
    font.setFamilies({QString::fromUtf8(kChineseFontName)});
    w->setFont(font);
  }
}

void PlaceCheckUpdateLabel(QWidget* root, int language) {
  std::optional<Placement> p = CheckUpdatePlacement(language);
  QWidget* w = Find(root, "Label_CheckUpdate");
  if (p && w != nullptr) w->move(p->left, p->top);
}

void PlaceInternetCaption(QWidget* root, int language, bool connected) {
  std::optional<Placement> p = InternetCaptionPlacement(language, connected);
  QWidget* w = Find(root, "Label_InternetConnected");
  if (p && w != nullptr) w->move(p->left, p->top);
}

void ApplyLanguageTexts(QWidget* root, MainState& state, const LanguageTable& table) {
  const int language = table.langIndex;
  state.langIndex = language;
  ApplyLanguageFonts(root, language);

  state.langText = table.texts;
  std::span<const LangCaption> captions = LangCaptions();
  for (TextId id : AllTextIds()) {
    const std::string& text = table.texts[id];
    for (const LangCaption& c : captions) {
      if (c.id == id) SetCaption(Find(root, c.control), text);
    }
    switch (id) {
      case TextId::LabelStatus:
        SetCaption(Find(root, "Label_Status"), text);
        break;
      case TextId::LabelCheckUpdate:
        PlaceCheckUpdateLabel(root, language);
        break;
      case TextId::LabelInternetDisconnected:
        SetCaption(Find(root, "Label_InternetConnected"), text);
        PlaceInternetCaption(root, language, false);
        break;
      case TextId::LabelEdit: {
        const QColor colour(kPrintActionRgb[0], kPrintActionRgb[1], kPrintActionRgb[2]);
        for (const char* name : PrintActionLabels()) {
          if (QWidget* w = Find(root, name)) SetTextColour(w, colour);
        }
        break;
      }
      default:
        break;
    }
    for (const LayoutChange& change : LayoutChangesAfter(TextKey(id), language)) {
      ApplyChange(root, change);
    }
  }

  // The feedback fields in reading order, then the submit button.
  QWidget* previous = nullptr;
  for (const char* name : FeedbackTabOrder()) {
    QWidget* w = Find(root, name);
    if (w == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

}  // namespace vortik
