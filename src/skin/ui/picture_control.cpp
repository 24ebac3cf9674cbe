#include "skin/ui/picture_control.h"

#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

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
  // A clear surface draws nothing: no pixmap is made for it until something is drawn.
  pixmap_ = QPixmap();
  update();
}

void PictureControl::DrawBitmap(const Bitmap* bitmap, int x, int y, int width, int height) {
  if (bitmap == nullptr) return;
  vortik::DrawBitmap(*bitmap, surface_, x, y, width, height,
                     transparent_ ? std::optional<Colour>(transparentColour_) : std::nullopt);
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
  if (surface_.width == 0 || surface_.height == 0) {
    pixmap_ = QPixmap();
  } else {
    const QImage view(surface_.pixels.data(), surface_.width, surface_.height, surface_.rowBytes,
                      QImage::Format_RGBA8888);
    pixmap_ = QPixmap::fromImage(view);  // converts, so the pixmap owns its pixels
  }
  update();
}

void PictureControl::paintEvent(QPaintEvent* /*event*/) {
  if (pixmap_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, pixmap_);
}

void PictureControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (width() == surface_.width && height() == surface_.height) return;
  // A resized control keeps what it showed, anchored at its top-left corner.
  Bitmap old = std::move(surface_);
  surface_ = *Bitmap::Create(width(), height(), 32);
  vortik::DrawBitmap(old, surface_, 0, 0, old.width, old.height, std::nullopt);
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
