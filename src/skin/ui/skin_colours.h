// The skin's named colours: the ones the picture generator draws with that the window's own
// painting and palette must match.
#pragma once

#include <QColor>

namespace vortik {

inline const QColor kSkinPageBlue(0x0b, 0x2f, 0x66);       // behind the pages' controls
inline const QColor kSkinListBlue(0x12, 0x44, 0x83);       // lists
inline const QColor kSkinEditBlue(0x17, 0x4e, 0x8f);       // text fields
inline const QColor kSkinButtonBlue(0x1c, 0x5f, 0xb8);     // standard buttons
inline const QColor kSkinSelectionBlue(0x2f, 0x8c, 0xff);  // selection, the sky of the pictures
inline const QColor kSkinAccentGreen(0x00, 0xef, 0x60);    // current tab, focus ring, links
inline const QColor kSkinDimmedText(0x8a, 0xa2, 0xc4);     // disabled and placeholder text

}  // namespace vortik
