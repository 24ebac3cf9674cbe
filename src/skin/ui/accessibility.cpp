#include "skin/ui/accessibility.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QTextDocumentFragment>
#include <QWidget>
#include <QtGlobal>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QAccessibleAnnouncementEvent>
#endif

namespace vortik {

namespace {

constexpr char kButtonRoleProperty[] = "vortikButtonRole";  // ButtonRole + 1; none: 0
constexpr char kCaptionProperty[] = "vortikCaption";        // QObject*: the caption label
constexpr char kHiddenProperty[] = "vortikAccessibleHidden";
constexpr char kRoleProperty[] = "vortikAccessibleRole";  // a QAccessible::Role
constexpr char kRingRadiusProperty[] = "vortikFocusRingRadius";
constexpr char kSelectedProperty[] = "vortikSelected";  // a page tab that is the current one
constexpr qreal kDefaultRingRadius = 8;

// The skin's colours for the ring: the accent green of the current tab between two lines of the
// title band's navy.
const QColor kRingAccent(0x00, 0xEF, 0x60);
const QColor kRingEdge(1, 17, 48);

// A label's text as a screen reader should read it: rich captions (a line break, a coloured
// word) as their plain text, on one line.
QString PlainText(const QLabel* label) {
  const QString text = label->text();
  const bool rich = label->textFormat() == Qt::RichText ||
                    (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
  return (rich ? QTextDocumentFragment::fromHtml(text).toPlainText() : text).simplified();
}

QString OwnName(const QWidget* widget) {
  if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return PlainText(label);
  return QString();
}

bool HiddenFromAssistiveTech(const QWidget* widget) {
  return widget->isHidden() || widget->property(kHiddenProperty).toBool();
}

// A skinned container: its hidden children (the developer buttons, pages not shown) and the
// parts and decoration of its controls are not its accessible children.
class SkinContainerAccessible : public QAccessibleWidget {
 public:
  explicit SkinContainerAccessible(QWidget* widget) : QAccessibleWidget(widget, RoleOf(widget)) {}

  int childCount() const override { return static_cast<int>(Children().size()); }

  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> children = Children();
    if (index < 0 || index >= children.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(index));
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    return static_cast<int>(Children().indexOf(qobject_cast<QWidget*>(child->object())));
  }

 private:
  static QAccessible::Role RoleOf(const QWidget* widget) {
    if (!widget->isWindow()) return QAccessible::Client;
    return qobject_cast<const QDialog*>(widget) != nullptr ? QAccessible::Dialog
                                                           : QAccessible::Window;
  }

  QList<QWidget*> Children() const {
    QList<QWidget*> out;
    for (QObject* object : widget()->children()) {
      auto* child = qobject_cast<QWidget*>(object);
      if (child == nullptr || child->isWindow() || HiddenFromAssistiveTech(child)) continue;
      out.append(child);
    }
    return out;
  }
};

// A picture control or label that acts as a button or a page tab.
class SkinButtonAccessible : public QAccessibleWidget {
 public:
  SkinButtonAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      if (const auto* caption =
              qobject_cast<const QLabel*>(widget()->property(kCaptionProperty).value<QObject*>())) {
        return PlainText(caption);
      }
      return OwnName(widget());
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.focusable = widget()->isEnabled();
    if (role() == QAccessible::PageTab) {
      s.selectable = true;
      s.selected = widget()->property(kSelectedProperty).toBool();
    }
    return s;
  }

  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled()) names.prepend(pressAction());
    return names;
  }

  void doAction(const QString& name) override {
    if (name != pressAction()) {
      QAccessibleWidget::doAction(name);
      return;
    }
    if (!widget()->isEnabled()) return;
    // Queued: the action may start a long run (an upgrade), and the assistive technology's
    // request must be answered first.
    QMetaObject::invokeMethod(widget(), "clicked", Qt::QueuedConnection);
  }

  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == pressAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }
};

// A widget exposed with another role than its class has; a label keeps its text as its name.
class RoleAccessible : public QAccessibleWidget {
 public:
  RoleAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      if (const auto* label = qobject_cast<const QLabel*>(widget())) return PlainText(label);
      if (widget()->isWindow()) return widget()->windowTitle();
    }
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* SkinAccessibleFactory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  const int buttonRole = widget->property(kButtonRoleProperty).toInt();
  if (buttonRole != 0) {
    return new SkinButtonAccessible(widget, buttonRole == static_cast<int>(ButtonRole::kPageTab) + 1
                                                ? QAccessible::PageTab
                                                : QAccessible::Button);
  }
  const QVariant role = widget->property(kRoleProperty);
  if (role.isValid()) {
    return new RoleAccessible(widget, static_cast<QAccessible::Role>(role.toInt()));
  }
  // The window, its pages and panels are plain widgets of this program's own classes.
  if (className == QLatin1String("QWidget") &&
      QByteArray(widget->metaObject()->className()).startsWith("vortik::")) {
    return new SkinContainerAccessible(widget);
  }
  return nullptr;
}

}  // namespace

void InstallSkinAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&SkinAccessibleFactory);
    return true;
  }();
  (void)installed;
}

void MakeSkinButton(QWidget* control, ButtonRole role, QLabel* caption) {
  InstallSkinAccessibility();
  control->setProperty(kButtonRoleProperty, static_cast<int>(role) + 1);
  control->setFocusPolicy(Qt::TabFocus);
  if (caption != nullptr) {
    control->setProperty(kCaptionProperty, QVariant::fromValue(static_cast<QObject*>(caption)));
    caption->setFocusPolicy(Qt::NoFocus);
    HideFromAssistiveTech(caption);
  }
}

void SetSkinTabSelected(QWidget* tab, bool selected) {
  if (tab->property(kSelectedProperty).toBool() == selected) return;
  tab->setProperty(kSelectedProperty, selected);
  if (!QAccessible::isActive()) return;
  QAccessible::State changed;
  changed.selected = true;
  QAccessibleStateChangeEvent event(tab, changed);
  QAccessible::updateAccessibility(&event);
}

bool IsSkinButton(const QWidget* control) {
  return control->property(kButtonRoleProperty).toInt() != 0;
}

void SetFocusRingRadius(QWidget* control, qreal radius) {
  control->setProperty(kRingRadiusProperty, radius);
}

void HideFromAssistiveTech(QWidget* widget) {
  InstallSkinAccessibility();
  widget->setProperty(kHiddenProperty, true);
}

void SetAccessibleRole(QWidget* widget, QAccessible::Role role) {
  InstallSkinAccessibility();
  widget->setProperty(kRoleProperty, static_cast<int>(role));
}

void ShowStatusText(QLabel* status, const QString& text) {
  if (status->text() == text) return;
  status->setText(text);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  if (status->isVisible() && !text.isEmpty()) {
    QAccessibleAnnouncementEvent event(status, PlainText(status));
    QAccessible::updateAccessibility(&event);
  }
#endif
}

bool IsActivationKey(const QKeyEvent* event) {
  if (event->isAutoRepeat()) return false;
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    return false;
  }
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
         event->key() == Qt::Key_Space;
}

void DrawFocusRing(QPainter& painter, const QRectF& bounds, qreal radius) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  // A navy band with the accent line along its middle.
  const QRectF line = bounds.adjusted(2.5, 2.5, -2.5, -2.5);
  painter.setPen(QPen(kRingEdge, 4));
  painter.drawRoundedRect(line, radius, radius);
  painter.setPen(QPen(kRingAccent, 2));
  painter.drawRoundedRect(line, radius, radius);
  painter.restore();
}

void PaintFocusRingIfFocused(QWidget* control) {
  if (!control->hasFocus() || !IsSkinButton(control)) return;
  const QVariant radius = control->property(kRingRadiusProperty);
  QPainter painter(control);
  DrawFocusRing(painter, QRectF(control->rect()),
                radius.isValid() ? radius.toReal() : kDefaultRingRadius);
}

}  // namespace vortik
