// Applying the language table to a window: captions, fonts, the corrections that some
// languages' texts need, and the feedback page's tab order, on controls found by object name.
// A control that does not exist is skipped.
#pragma once

#include <string>

#include "base/main_state.h"
#include "i18n/lang_table.h"

class QWidget;

namespace vortik {

// The face that language 1 sets its labels in.
inline constexpr const char* kChineseFontName = "宋体";

// Stores the language number and the run-time texts in `state`, then sets fonts, captions,
// layout corrections and the feedback page's tab order on the controls under `root`.
void ApplyLanguageTexts(QWidget* root, MainState& state, const LanguageTable& table);

// Sets the text of a label, a button or any control with a text property.
void SetCaption(QWidget* control, const std::string& utf8);

// The layout is in pixels at 96 dots per inch, so a size in points is converted at that rate
// and stays the same on every screen.
int PointsToPixels(int points);

}  // namespace vortik
