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
  // transparent colour.
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

 Q_SIGNALS:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SurfaceChanged();

  Bitmap surface_;  // 32-bit, the control's size
  QPixmap pixmap_;  // what paintEvent draws, rebuilt when the surface changes
  bool transparent_ = true;
  Colour transparentColour_ = kDefaultBackColour;
  bool pressed_ = false;
};

// A copy of `bitmap` as an image (24-bit pictures are opaque); null for none.
QImage ToQImage(const Bitmap* bitmap);

// Attaches picture-button behaviour to `control` (the factory's Activate, wired to the control's
// events). The button lives until the control or the factory goes away.
TImg2Btn* ActivateImageButton(TBitmapFactory& factory, PictureControl* control,
                              const std::string& normal, const std::string& pressed = {},
                              const std::string& hover = {}, const std::string& disabled = {});

}  // namespace vortik
