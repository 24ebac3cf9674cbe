// PictureControl: a picture control of the skinned window (its own drawing surface, pictures
// copied onto it pixel for pixel), and the glue that lets a TImg2Btn drive one.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <string>

#include "skin/bitmap.h"
#include "skin/bitmap_factory.h"

namespace vortik {

class PictureControl : public QWidget {
  Q_OBJECT

 public:
  PictureControl(QWidget* parent, const char* name, int x, int y, int width, int height);

  // Copies the rectangle (0, 0, width, height) of `bitmap` to (x, y) of the control's surface
  // and repaints; nothing for none. Transparent controls show the window through pixels of the
  // transparent colour. The control keeps a surface of twice the size as well, drawn from the
  // bitmap's doubled drawing (or its pixels doubled when it has none), which it shows on
  // screens with a device pixel ratio above 1.
  void DrawBitmap(const Bitmap* bitmap, int x, int y, int width, int height);
  void DrawBitmap(const BitmapRef& bitmap, int x, int y, int width, int height) {
    DrawBitmap(bitmap.get(), x, y, width, height);
  }
  // Loads picture `name` from `pictures` (kept in its cache when `cached`), draws it over the
  // whole control, or over `area` of it, and lets the cache go of it; false when there is no
  // such picture.
  bool DrawPicture(TBitmapFactory& pictures, const std::string& name, bool cached);
  bool DrawPicture(TBitmapFactory& pictures, const std::string& name, bool cached,
                   const QRect& area);
  void Clear();

  bool transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  void SetTransparentColour(Colour colour) { transparentColour_ = colour; }
  const Bitmap& surface() const { return surface_; }
  // The surface at twice the size, kept once a drawing at twice the size has been drawn (empty
  // before: a paint at a high ratio doubles the surface's pixels).
  const Bitmap& doubledSurface() const { return surface2x_; }
  // The device pixel ratio of the pixmap the last paint drew (0 before any): 1, or 2 on a
  // high-resolution screen.
  qreal paintedRatio() const { return paintedRatio_; }

 Q_SIGNALS:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // A picture button (see MakeSkinButton) is clicked by Enter and Space.
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SurfaceChanged();

  Bitmap surface_;           // 32-bit, the control's size
  Bitmap surface2x_;         // 32-bit, twice the control's size; see doubledSurface()
  QPixmap pixmap_;           // what paintEvent draws at ratio 1, rebuilt when the surface changes
  QPixmap pixmap2x_;         // the same at ratio 2
  bool hasContent_ = false;  // something was drawn since the last Clear
  qreal paintedRatio_ = 0;
  bool transparent_ = true;
  Colour transparentColour_ = kDefaultBackColour;
  bool pressed_ = false;
};

// A copy of `bitmap` as an image (24-bit pictures are opaque); null for none.
QImage ToQImage(const Bitmap* bitmap);

// A skin picture as images for both kinds of screen. Made on any thread (a large picture's
// conversion need not hold up the GUI thread); the pixmaps are made from it on the GUI thread.
struct SkinImages {
  QImage normal;
  QImage doubled;  // the drawing at twice the size; null when the picture has none
};
SkinImages ToSkinImages(const Bitmap* bitmap);

// A skin picture as pixmaps for both kinds of screen: the window's background, a dialog's.
class SkinPixmap {
 public:
  SkinPixmap() = default;
  explicit SkinPixmap(const Bitmap* bitmap);
  explicit SkinPixmap(SkinImages images);
  bool isNull() const { return normal_.isNull(); }
  // The doubled drawing (device pixel ratio 2) for a ratio above 1, when there is one.
  const QPixmap& ForRatio(qreal ratio) const;
  // Draws the picture at its size with its top-left corner at (0, 0) of the painter, in the
  // resolution of the painter's device.
  void Draw(QPainter& painter) const;

 private:
  QPixmap normal_;
  QPixmap doubled_;
};

// The device pixel ratio of what `painter` paints on (a screen, or a pixmap a widget renders to).
qreal PaintRatio(QPainter& painter);

// Attaches picture-button behaviour to `control` (the factory's Activate, wired to the control's
// events). The button lives until the control or the factory goes away.
TImg2Btn* ActivateImageButton(TBitmapFactory& factory, PictureControl* control,
                              const std::string& normal, const std::string& pressed = {},
                              const std::string& hover = {}, const std::string& disabled = {});

}  // namespace vortik
