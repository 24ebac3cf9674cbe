// The skin's colours for the standard widgets that show on the skinned window (buttons, line
// edits, group boxes, gauges, scroll bars) and in its file and print dialogs.
#pragma once

#include <QString>

namespace vortik {

// Scroll bars in the skin's blues: for the whole window (its lists and text areas).
QString SkinScrollBarStyle();
// Push buttons, line edits, group boxes, progress bars and check boxes on the dark skin, the
// focus drawn in the skin's accent colour; includes the scroll bars.
QString SkinWidgetStyle();

}  // namespace vortik
