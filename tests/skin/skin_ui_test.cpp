#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "skin/bitmap_factory.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/qt_resource_store.h"

namespace vortik {
namespace {

// The PNG header facts of a resource: width, height, bit depth, colour type.
struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 0;
  int colourType = 0;
};

bool ReadHeader(const std::vector<uint8_t>& png, PngHeader& header) {
  if (png.size() < 33 || std::memcmp(png.data() + 12, "IHDR", 4) != 0) return false;
  auto be32 = [&](size_t at) {
    return (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) |
           (uint32_t{png[at + 2]} << 8) | png[at + 3];
  };
  header.width = be32(16);
  header.height = be32(20);
  header.bitDepth = png[24];
  header.colourType = png[25];
  return true;
}

TEST(SkinPictures, EveryApplicationPictureIsAnEightBitRgbaPngOfItsSize) {
  struct Picture {
    const char* name;
    uint32_t width;
    uint32_t height;
  };
  const Picture pictures[] = {
      {"MAIN", 960, 700},
      {"MBUTTON_1A", 230, 59},
      {"MBUTTON_2A", 230, 59},
      {"MBUTTON_3A", 230, 59},
      {"MBUTTON_4A", 230, 59},
      {"MBUTTON_1B", 230, 59},
      {"MBUTTON_2B", 230, 59},
      {"MBUTTON_3B", 230, 59},
      {"MBUTTON_4B", 230, 59},
      {"CHECKBTN_OUT", 200, 53},
      {"CHECKBTN_OVR", 200, 53},
      {"CHECKBTN_DWN", 200, 53},
      {"BTN_PRINT_NORMAL", 140, 46},
      {"BTN_PRINT_LIGHT", 140, 46},
      {"BTN_CLEAR_NORMAL", 140, 46},
      {"BTN_CLEAR_LIGHT", 140, 46},
      {"BTN_COPY_NORMAL", 140, 46},
      {"BTN_COPY_LIGHT", 140, 46},
      {"BTN_EDIT_NORMAL", 140, 46},
      {"BTN_EDIT_LIGHT", 140, 46},
      {"BUTTON_NEXT_ENABLE", 89, 33},
      {"BUTTON_NEXT_DISABLE", 89, 33},
      {"BUTTON_PREV_ENABLE", 89, 33},
      {"BUTTON_PREV_DISABLE", 89, 33},
      {"EDITSEARCH_FRAME", 219, 35},
      {"EDITSEARCH_FRAME_EDIT", 219, 35},
      {"FRAME_DTCLOOKUP", 960, 496},
      {"INTERNET_CONNECTED_ICON0", 54, 53},
      {"INTERNET_CONNECTED_ICON2", 54, 53},
      {"INTERNET_CONNECTED_ICON3", 54, 53},
      {"INTERNET_CONNECTED_TEXT0", 200, 53},
      {"INTERNET_CONNECTED_TEXT2", 200, 53},
      {"FORM1", 960, 584},
  };
  const ResourceStore& store = QtResourceStore::Instance();
  TBitmapFactory factory(store);
  factory.backColor = kColourNone;
  for (const Picture& p : pictures) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(store.Read(ResourceType::kPng, p.name, bytes)) << p.name;
    PngHeader header;
    ASSERT_TRUE(ReadHeader(bytes, header)) << p.name;
    EXPECT_EQ(header.width, p.width) << p.name;
    EXPECT_EQ(header.height, p.height) << p.name;
    EXPECT_EQ(header.bitDepth, 8) << p.name;
    EXPECT_EQ(header.colourType, 6) << p.name;  // RGBA
    BitmapRef b = factory.LoadBitmapA(std::string("png:") + p.name, false);
    ASSERT_TRUE(b) << p.name;
    EXPECT_EQ(b->width, static_cast<int>(p.width)) << p.name;
  }
  // The page-0 emblem is a JPEG of the form.
  BitmapRef emblem = factory.LoadBitmapA("jpg:Image_Bak1", false);
  ASSERT_TRUE(emblem);
  EXPECT_EQ(emblem->width, 50);
  EXPECT_EQ(emblem->height, 50);
}

// Sends the mouse and enabled-state events a user's pointer would cause.
class PointerDriver {
 public:
  explicit PointerDriver(QWidget* w) : w_(w) {}
  void Press() { Mouse(QEvent::MouseButtonPress, QPointF(5, 5)); }
  void Release(QPointF at) { Mouse(QEvent::MouseButtonRelease, at); }
  void Enter() {
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), w_->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(w_, &e);
  }
  void Leave() {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w_, &e);
  }

 private:
  void Mouse(QEvent::Type type, QPointF at) {
    QMouseEvent e(type, at, w_->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w_, &e);
  }
  QWidget* w_;
};

TEST(PictureButton, DrawsThePictureOfEachStateOnItsControl) {
  TBitmapFactory factory(QtResourceStore::Instance());
  QWidget window;
  window.resize(300, 100);
  auto* control = new PictureControl(&window, "Button_InternetUpdate", 10, 10, 195, 53);
  TImg2Btn* button = ActivateImageButton(factory, control, "png:checkbtn_out", "png:checkbtn_dwn",
                                         "png:checkbtn_ovr");
  ASSERT_NE(button, nullptr);
  int clicks = 0;
  QObject::connect(control, &PictureControl::clicked, [&clicks] { ++clicks; });

  // The control shows the left 195 columns of the picture, the key colour made transparent.
  auto shows = [&](const char* name) {
    BitmapRef expected = factory.LoadBitmapA(name, false);
    BitmapRef canvas = Bitmap::Create(195, 53, 32);
    DrawBitmap(*expected, *canvas, 0, 0, 195, 53, kDefaultBackColour);
    return canvas->pixels == control->surface().pixels;
  };
  EXPECT_TRUE(shows("png:checkbtn_out"));

  PointerDriver pointer(control);
  pointer.Enter();
  EXPECT_EQ(button->state(), TImg2Btn::kHover);
  EXPECT_TRUE(shows("png:checkbtn_ovr"));
  pointer.Press();
  EXPECT_EQ(button->state(), TImg2Btn::kPressed);
  EXPECT_TRUE(shows("png:checkbtn_dwn"));
  pointer.Release(QPointF(20, 20));
  EXPECT_EQ(button->state(), TImg2Btn::kHover);
  EXPECT_EQ(clicks, 1);
  pointer.Press();
  pointer.Release(QPointF(300, 20));  // dragged off before letting go: no click
  EXPECT_EQ(button->state(), TImg2Btn::kNormal);
  EXPECT_EQ(clicks, 1);

  control->setEnabled(false);
  EXPECT_EQ(button->state(), TImg2Btn::kDisabled);
  EXPECT_TRUE(shows("png:checkbtn_out"));  // no picture of its own: the normal one
  pointer.Enter();
  EXPECT_EQ(button->state(), TImg2Btn::kDisabled);
  control->setEnabled(true);
  EXPECT_NE(button->state(), TImg2Btn::kDisabled);
}

TEST(PictureButton, OutlivesNeitherItsControlNorItsFactory) {
  auto factory = std::make_unique<TBitmapFactory>(QtResourceStore::Instance());
  auto first = std::make_unique<PictureControl>(nullptr, "first", 0, 0, 54, 53);
  auto second = std::make_unique<PictureControl>(nullptr, "second", 0, 0, 54, 53);
  ActivateImageButton(*factory, first.get(), "png:internet_connected_icon0");
  ActivateImageButton(*factory, second.get(), "png:internet_connected_icon0");
  EXPECT_EQ(factory->resources().front().useCount, 2);
  first.reset();  // the control goes first: its button is removed from the factory
  EXPECT_EQ(factory->resources().front().useCount, 1);
  factory.reset();  // the factory goes first: the control stops forwarding events
  PointerDriver(second.get()).Enter();
  second->setEnabled(false);
}

}  // namespace
}  // namespace vortik
