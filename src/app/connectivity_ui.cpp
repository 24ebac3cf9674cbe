// The connectivity indicator on page 0: its pictures, caption and timers.
#include <QTimer>

#include "app/form_main.h"
#include "skin/click_label.h"
#include "skin/picture_control.h"

namespace vortik {

namespace {

class WindowIndicatorView : public IndicatorView {
 public:
  explicit WindowIndicatorView(TFormMain& form) : form_(form) {}

  void DrawPlateAndIcon(const char* platePicture, const char* iconPicture) override {
    TBitmapFactory& factory = *form_.bitmapFactory;
    BitmapRef plate = factory.LoadBitmapA(platePicture, true);
    BitmapRef icon = factory.LoadBitmapA(iconPicture, true);
    Draw(form_.img_internet_status_text, plate);
    Draw(form_.img_internet_status_icon, icon);
    factory.FreeBitmap(plate);
    factory.FreeBitmap(icon);
  }

  void DrawIcon(const char* iconPicture) override {
    TBitmapFactory& factory = *form_.bitmapFactory;
    BitmapRef icon = factory.LoadBitmapA(iconPicture, true);
    Draw(form_.img_internet_status_icon, icon);
    factory.FreeBitmap(icon);
  }

  void SetPollInterval(int ms) override { form_.TimerCheckInternet->setInterval(ms); }

  void SetBlinking(bool on) override {
    if (!on) {
      form_.TimerAnimator->stop();
    } else if (!form_.TimerAnimator->isActive()) {
      form_.TimerAnimator->start();
    }
  }

  void SetCaption(const std::string& utf8) override {
    form_.Label_InternetConnected->setText(QString::fromStdString(utf8));
  }

  void PlaceCaption(bool connected) override { form_.PlaceInternetCaption(connected); }

 private:
  static void Draw(PictureControl* control, const BitmapRef& bitmap) {
    control->DrawBitmap(bitmap, 0, 0, control->width(), control->height());
  }

  TFormMain& form_;
};

}  // namespace

void TFormMain::UpdateInternetState(bool connected) {
  if (bitmapFactory == nullptr) return;
  WindowIndicatorView view(*this);
  internetIndicator_.Update(connected, state_, view);
}

void TFormMain::BlinkInternetIcon() {
  if (bitmapFactory == nullptr) return;
  WindowIndicatorView view(*this);
  internetIndicator_.Blink(view);
}

void TFormMain::TimerCheckInternetTimer() {
  if (bitmapFactory == nullptr) return;
  WindowIndicatorView view(*this);
  internetIndicator_.Poll(&IsInternetConnected, state_, view);
}

void TFormMain::TimerAnimatorTimer() {
  BlinkInternetIcon();
}

}  // namespace vortik
