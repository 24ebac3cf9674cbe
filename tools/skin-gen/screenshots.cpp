// Renders the main window offscreen, once per tab and once connected, into PNG files:
// vortik-screenshots <folder>. Run it in the runnable folder so the window finds its data.
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

#include "app/form_main.h"
#include "app/message_box.h"
#include "skin/click_label.h"
#include "skin/picture_control.h"

namespace {

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool Shoot(vortik::TFormMain& form, const QString& folder, const char* name) {
  Settle();
  const QString path = folder + "/" + QString::fromLatin1(name) + ".png";
  if (!form.grab().save(path, "PNG")) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("screenshots: %s\n", qPrintable(path));
  return true;
}

QLabel* PreviewLabel(QWidget* window, const char* name, QRect bounds, const char* text,
                     int pixelSize, bool bold, QColor colour, Qt::Alignment alignment) {
  auto* label = new QLabel(QString::fromUtf8(text), window);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(bounds);
  QFont font(QStringLiteral("Microsoft YaHei UI"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->setAlignment(alignment);
  return label;
}

// Until the Print and DTC Lookup pages build their own controls, stand-ins at the places those
// pages will use show their skin pictures (window coordinates: page origin at 0, 156).
void AddLaterPagePreview(vortik::TFormMain& form) {
  using vortik::PictureControl;
  vortik::TBitmapFactory& factory = *form.bitmapFactory;
  if (form.findChild<QWidget*>(QStringLiteral("imgbtn_print")) == nullptr) {
    struct Button {
      const char* name;
      const char* picture;
      int left;
      const char* label;
      QRect labelBounds;
      const char* text;
    };
    const Button buttons[4] = {
        {"imgbtn_print", "btn_print", 15, "Label_PrintPrint", QRect(75, 168, 78, 19), "Print"},
        {"imgbtn_clear", "btn_clear", 167, "Label_Clear", QRect(225, 168, 72, 19), "Clear"},
        {"imgbtn_copy", "btn_copy", 319, "Label_Copy", QRect(369, 168, 80, 19), "Copy"},
        {"imgbtn_edit", "btn_edit", 471, "Label_Edit", QRect(537, 168, 72, 19), "Edit"}};
    for (const Button& b : buttons) {
      auto* control = new PictureControl(&form, b.name, b.left, 156, 140, 46);
      vortik::ActivateImageButton(factory, control, std::string("png:") + b.picture + "_normal",
                                  std::string("png:") + b.picture + "_light");
      form.pageControls[1].push_back(control);
      form.pageControls[1].push_back(PreviewLabel(&form, b.label, b.labelBounds, b.text, 15, true,
                                                  QColor(28, 102, 183), Qt::AlignLeft));
    }
  }
  if (form.findChild<QWidget*>(QStringLiteral("imgframe_dtclookup")) == nullptr) {
    auto* frame = new PictureControl(&form, "imgframe_dtclookup", 0, 156, 960, 496);
    vortik::BitmapRef picture = factory.LoadBitmapA("png:frame_dtclookup", false);
    frame->DrawBitmap(picture, 0, 0, frame->width(), frame->height());
    form.pageControls[2].push_back(frame);
    auto* search = new PictureControl(&form, "Image1", 140, 164, 217, 33);
    vortik::ActivateImageButton(factory, search, "png:editsearch_frame",
                                "png:editsearch_frame_edit");
    auto* prev = new PictureControl(&form, "Button_Prev", 404, 164, 89, 33);
    vortik::ActivateImageButton(factory, prev, "png:button_prev_enable", "png:button_prev_disable");
    auto* next = new PictureControl(&form, "Button_Next", 644, 164, 89, 33);
    vortik::ActivateImageButton(factory, next, "png:button_next_enable", "png:button_next_disable");
    const QColor white(255, 255, 255);
    for (QWidget* w : std::initializer_list<QWidget*>{
             search, prev, next,
             PreviewLabel(&form, "Label_Search", QRect(16, 166, 97, 30), "Search", 20, false, white,
                          Qt::AlignRight | Qt::AlignVCenter),
             PreviewLabel(&form, "Label_Index", QRect(512, 164, 113, 33), "1/1", 16, false, white,
                          Qt::AlignCenter),
             PreviewLabel(&form, "Label_Items", QRect(28, 218, 81, 30), "Items", 20, false, white,
                          Qt::AlignLeft | Qt::AlignVCenter),
             PreviewLabel(&form, "Label_Brands", QRect(154, 221, 140, 27), "Manufacturer", 20,
                          false, white, Qt::AlignLeft | Qt::AlignVCenter),
             PreviewLabel(&form, "Label_Contents", QRect(298, 221, 84, 27), "Contents", 20, false,
                          white, Qt::AlignLeft | Qt::AlignVCenter)}) {
      form.pageControls[2].push_back(w);
    }
  }
  for (int tab = 1; tab < 3; ++tab) {
    for (QWidget* w : form.pageControls[tab]) w->setVisible(form.state().curTab == tab);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vortik-screenshots <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  vortik::SetMessageBoxHook([](const QString& text) {
    std::printf("screenshots: message box \"%s\"\n", qPrintable(text));
  });

  vortik::TFormMain form;
  form.TimerCheckInternet->stop();  // the pictures show the states chosen below
  AddLaterPagePreview(form);
  form.show();
  bool ok = Shoot(form, folder, "main_window");
  const char* tabs[4] = {"tab0_internet_upgrade", "tab1_print", "tab2_dtc_lookup", "tab3_feedback"};
  for (int tab = 1; tab < 4; ++tab) {
    form.SwitchTabImgBtn(tab);
    ok = Shoot(form, folder, tabs[tab]) && ok;
  }
  form.SwitchTabImgBtn(0);
  form.UpdateInternetState(true);
  form.TimerAnimator->stop();
  ok = Shoot(form, folder, "tab0_internet_connected") && ok;
  form.ProgressBar10->setRange(0, 100);
  form.ProgressBar10->setValue(62);
  ok = Shoot(form, folder, "tab0_upgrade_progress") && ok;
  return ok ? 0 : 1;
}
