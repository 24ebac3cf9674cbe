// What keyboard and assistive-technology users get from the skinned controls: picture controls
// and labels that act as buttons take the keyboard focus, show it with the skin's focus ring and
// answer Enter and Space; screen readers see them with their role, their caption as name and a
// press action. Controls that are only a part of another one, or decoration, are left out of the
// accessibility tree, and so is every hidden widget of a skinned container.
#pragma once

#include <QAccessible>
#include <QString>

class QKeyEvent;
class QLabel;
class QPainter;
class QRectF;
class QWidget;

namespace vortik {

enum class ButtonRole { kPushButton, kPageTab };

// Makes `control` (a PictureControl or a ClickLabel, which emit clicked()) a button: reached
// by Tab (a mouse click does not move the focus to it), activated by Enter and Space, exposed
// with `role`. Its name is the text of `caption` (a label drawn over it, which then stops being a
// control of its own) or, without one, its own text or accessible name.
void MakeSkinButton(QWidget* control, ButtonRole role, QLabel* caption = nullptr);
bool IsSkinButton(const QWidget* control);
// Marks a page tab made by MakeSkinButton as the current one or not; screen readers see it as
// selected and are told when it changes.
void SetSkinTabSelected(QWidget* tab, bool selected);

// The rounded corner radius of the focus ring; 0 gives the default.
void SetFocusRingRadius(QWidget* control, qreal radius);

// Leaves `widget` (decoration, or a part of another control) out of the accessibility tree.
void HideFromAssistiveTech(QWidget* widget);

// Exposes `widget` with `role` in place of the one its class has (a status line as a status bar,
// a message box as an alert).
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

// Shows `text` on `status` (a line that tells what the program is doing) so that screen readers
// hear it: the label's name changes, as with any label, and where Qt can ask for it (6.8 and
// later) the text is also announced politely, without taking the focus.
void ShowStatusText(QLabel* status, const QString& text);

// Enter, Return or Space without Ctrl, Alt or Meta, not repeated.
bool IsActivationKey(const QKeyEvent* event);

// The skin's focus ring inside `bounds`: a light accent line between two dark ones, so it shows
// on the dark background and on the light and green faces alike.
void DrawFocusRing(QPainter& painter, const QRectF& bounds, qreal radius);
// Draws the ring of a focused skin button over what `control` has painted.
void PaintFocusRingIfFocused(QWidget* control);

// Installs the accessibility factory of the skinned controls (done by MakeSkinButton and the
// other functions above; safe to call again).
void InstallSkinAccessibility();

}  // namespace vortik
