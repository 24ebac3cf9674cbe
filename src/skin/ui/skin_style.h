// The skin's colours for the standard widgets that show on the skinned window (buttons, line
// edits, group boxes, gauges, scroll bars) and in its file and print dialogs.
#pragma once

#include <QPalette>
#include <QString>

class QWidget;

namespace vortik {

// Scroll bars in the skin's blues: for the whole window (its lists and text areas).
QString SkinScrollBarStyle();
// Push buttons, line edits, group boxes, progress bars and check boxes on the dark skin, the
// focus drawn in the skin's accent colour; includes the scroll bars.
QString SkinWidgetStyle();

// The skin's colours as a palette: the page blue behind, white text, the edit blue for lists and
// fields, the accent blue for the selection.
QPalette SkinPalette();
// Gives a standard dialog (file, print) the skin's palette and widget style. Where Qt draws the
// dialog itself it shows in the skin's colours, like the window it opens over; a dialog of the
// desktop's own keeps the desktop's look.
void ApplySkinColours(QWidget* dialog);

}  // namespace vortik
