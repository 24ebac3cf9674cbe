#include "skin/ui/picture_control.h"

#include "skin/ui/accessibility.h"

#include <QCursor>

#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace vortik {

QImage ToQImage(const Bitmap* bitmap) {
  if (bitmap == nullptr || bitmap->width <= 0 || bitmap->height <= 0) return QImage();
  if (bitmap->bitsPerPixel == 32) {
    const QImage view(bitmap->pixels.data(), bitmap->width, bitmap->height, bitmap->rowBytes,
                      QImage::Format_RGBA8888);
    return view.copy();
  }
  // Into the raster engine's own opaque format, so a pixmap needs no conversion; Qt's own
  // converter does it in one vectorised pass.
  const QImage view(bitmap->pixels.data(), bitmap->width, bitmap->height, bitmap->rowBytes,
                    QImage::Format_RGB888);
  return view.convertToFormat(QImage::Format_RGB32);
}

namespace {

// `bitmap` with every pixel doubled each way: what a picture without a doubled drawing shows on
// a high-resolution screen.
BitmapRef PixelsDoubled(const Bitmap& bitmap) {
  BitmapRef out = Bitmap::Create(bitmap.width * 2, bitmap.height * 2, bitmap.bitsPerPixel);
  const int bytes = bitmap.bitsPerPixel / 8;
  for (int y = 0; y < out->height; ++y) {
    const uint8_t* from = bitmap.Row(y / 2);
    uint8_t* to = out->Row(y);
    for (int x = 0; x < out->width; ++x) {
      std::copy_n(from + static_cast<ptrdiff_t>(x / 2) * bytes, bytes,
                  to + static_cast<ptrdiff_t>(x) * bytes);
    }
  }
  return out;
}

QPixmap ToPixmap(const Bitmap& bitmap, qreal ratio) {
  if (bitmap.width == 0 || bitmap.height == 0) return QPixmap();
  const QImage view(bitmap.pixels.data(), bitmap.width, bitmap.height, bitmap.rowBytes,
                    QImage::Format_RGBA8888);
  QPixmap pixmap = QPixmap::fromImage(view);  // converts, so the pixmap owns its pixels
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

}  // namespace

qreal PaintRatio(QPainter& painter) {
  // The engine's device is where the pixels go, also while a widget renders into a pixmap.
  if (QPaintEngine* engine = painter.paintEngine()) {
    if (QPaintDevice* device = engine->paintDevice()) return device->devicePixelRatioF();
  }
  return painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
}

SkinImages ToSkinImages(const Bitmap* bitmap) {
  if (bitmap == nullptr) return {};
  return {ToQImage(bitmap), bitmap->doubled ? ToQImage(bitmap->doubled.get()) : QImage()};
}

SkinPixmap::SkinPixmap(const Bitmap* bitmap) : SkinPixmap(ToSkinImages(bitmap)) {}

SkinPixmap::SkinPixmap(SkinImages images) {
  // The images are already in the raster engine's formats: the pixmaps take their pixels over.
  normal_ = QPixmap::fromImage(std::move(images.normal), Qt::NoFormatConversion);
  if (!images.doubled.isNull()) {
    doubled_ = QPixmap::fromImage(std::move(images.doubled), Qt::NoFormatConversion);
    doubled_.setDevicePixelRatio(2);
  }
}

const QPixmap& SkinPixmap::ForRatio(qreal ratio) const {
  return ratio > 1 && !doubled_.isNull() ? doubled_ : normal_;
}

void SkinPixmap::Draw(QPainter& painter) const {
  const QPixmap& pixmap = ForRatio(PaintRatio(painter));
  painter.drawPixmap(QPointF(0, 0), pixmap);
}

PictureControl::PictureControl(QWidget* parent, const char* name, int x, int y, int width,
                               int height)
    : QWidget(parent) {
  setObjectName(QString::fromLatin1(name));
  setAttribute(Qt::WA_TranslucentBackground);
  setGeometry(x, y, width, height);
  Clear();
}

void PictureControl::Clear() {
  surface_ = *Bitmap::Create(std::max(width(), 0), std::max(height(), 0), 32);
  // Made when a drawing at twice the size arrives; until then a high-resolution paint shows
  // the surface's pixels doubled, which is all a surface of 1x pictures has to show.
  surface2x_ = Bitmap();
  // A clear surface draws nothing: no pixmap is made for it until something is drawn.
  pixmap_ = QPixmap();
  pixmap2x_ = QPixmap();
  hasContent_ = false;
  update();
}

void PictureControl::DrawBitmap(const Bitmap* bitmap, int x, int y, int width, int height) {
  if (bitmap == nullptr) return;
  const std::optional<Colour> key =
      transparent_ ? std::optional<Colour>(transparentColour_) : std::nullopt;
  if (bitmap->doubled && surface2x_.pixels.empty()) surface2x_ = *PixelsDoubled(surface_);
  vortik::DrawBitmap(*bitmap, surface_, x, y, width, height, key);
  if (!surface2x_.pixels.empty()) {
    const BitmapRef doubled = bitmap->doubled ? bitmap->doubled : PixelsDoubled(*bitmap);
    vortik::DrawBitmap(*doubled, surface2x_, 2 * x, 2 * y, 2 * width, 2 * height, key);
  }
  SurfaceChanged();
}

bool PictureControl::DrawPicture(TBitmapFactory& pictures, const std::string& name, bool cached) {
  return DrawPicture(pictures, name, cached, rect());
}

bool PictureControl::DrawPicture(TBitmapFactory& pictures, const std::string& name, bool cached,
                                 const QRect& area) {
  BitmapRef bitmap = pictures.LoadBitmapA(name, cached);
  if (!bitmap) return false;
  DrawBitmap(bitmap, area.x(), area.y(), area.width(), area.height());
  pictures.FreeBitmap(bitmap);
  return true;
}

void PictureControl::SurfaceChanged() {
  // The pixmaps are made when a paint needs them: a blinking icon redraws often, and only one
  // of the two resolutions shows.
  hasContent_ = true;
  pixmap_ = QPixmap();
  pixmap2x_ = QPixmap();
  update();
}

void PictureControl::paintEvent(QPaintEvent* /*event*/) {
  if (hasContent_) {
    QPainter painter(this);
    const bool doubled = PaintRatio(painter) > 1;
    QPixmap& pixmap = doubled ? pixmap2x_ : pixmap_;
    if (pixmap.isNull() && !doubled) pixmap = ToPixmap(surface_, 1);
    if (pixmap.isNull() && doubled) {
      pixmap = ToPixmap(surface2x_.pixels.empty() ? *PixelsDoubled(surface_) : surface2x_, 2);
    }
    if (!pixmap.isNull()) {
      // A fractional ratio (1.5) shows the doubled pixmap scaled down, never a picture enlarged.
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.drawPixmap(QPointF(0, 0), pixmap);
      paintedRatio_ = pixmap.devicePixelRatio();
    }
  }
  PaintFocusRingIfFocused(this);
}

void PictureControl::keyPressEvent(QKeyEvent* event) {
  if (IsSkinButton(this) && IsActivationKey(event)) {
    event->accept();
    Q_EMIT clicked();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PictureControl::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void PictureControl::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void PictureControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (width() == surface_.width && height() == surface_.height) return;
  // A resized control keeps what it showed, anchored at its top-left corner.
  Bitmap old = std::move(surface_);
  surface_ = *Bitmap::Create(width(), height(), 32);
  vortik::DrawBitmap(old, surface_, 0, 0, old.width, old.height, std::nullopt);
  if (!surface2x_.pixels.empty()) {
    Bitmap old2x = std::move(surface2x_);
    surface2x_ = *Bitmap::Create(width() * 2, height() * 2, 32);
    vortik::DrawBitmap(old2x, surface2x_, 0, 0, old2x.width, old2x.height, std::nullopt);
  }
  SurfaceChanged();
}

void PictureControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QWidget::mousePressEvent(event);
}

void PictureControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = pressed_;
  if (event->button() == Qt::LeftButton) pressed_ = false;
  QWidget::mouseReleaseEvent(event);
  if (wasPressed && event->button() == Qt::LeftButton &&
      rect().contains(event->position().toPoint())) {
    Q_EMIT clicked();
  }
}

namespace {

bool StrictlyInside(const QWidget* control, QPointF p) {
  return p.x() > 0 && p.x() < control->width() && p.y() > 0 && p.y() < control->height();
}

// Forwards a picture control's events to its TImg2Btn and draws what the button chooses.
// Owned by the control (a child object); the factory owns the button.
class ImageButtonAdapter : public QObject, public ButtonSurface {
 public:
  ImageButtonAdapter(TBitmapFactory& factory, PictureControl* control)
      : QObject(control), factory_(&factory), control_(control) {}

  ~ImageButtonAdapter() override {
    if (button_ != nullptr) factory_->Deactivate(button_);
  }

  void Attach(TImg2Btn* button) {
    button_ = button;
    control_->installEventFilter(this);
  }

  void ShowBitmap(const BitmapRef& bitmap) override {
    control_->DrawBitmap(bitmap.get(), 0, 0, control_->width(), control_->height());
  }

  void Detach() override {
    // The factory is being destroyed and deletes the button itself.
    button_ = nullptr;
    control_->removeEventFilter(this);
    delete this;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != control_ || button_ == nullptr) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          button_->LeftButtonDown();
        }
        break;
      case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
          button_->LeftButtonUp(StrictlyInside(control_, mouse->position()));
        }
        break;
      }
      case QEvent::Enter:
        button_->PointerEnter(control_->isEnabled());
        break;
      case QEvent::Leave:
        button_->PointerLeave(control_->isEnabled());
        break;
      case QEvent::EnabledChange:
        button_->EnabledChanged(control_->isEnabled(),
                                StrictlyInside(control_, control_->mapFromGlobal(QCursor::pos())));
        break;
      default:
        break;
    }
    return false;  // the control handles every event as usual
  }

 private:
  TBitmapFactory* factory_;
  PictureControl* control_;
  TImg2Btn* button_ = nullptr;
};

}  // namespace

TImg2Btn* ActivateImageButton(TBitmapFactory& factory, PictureControl* control,
                              const std::string& normal, const std::string& pressed,
                              const std::string& hover, const std::string& disabled) {
  if (control == nullptr) return nullptr;
  auto* adapter = new ImageButtonAdapter(factory, control);
  TImg2Btn* button = factory.Activate(*adapter, normal, pressed, hover, disabled);
  adapter->Attach(button);
  control->setCursor(Qt::PointingHandCursor);
  return button;
}

}  // namespace vortik
