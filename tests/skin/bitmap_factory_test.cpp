#include "skin/bitmap_factory.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "helpers/scoped_temp_dir.h"
#include "skin/picture_fixtures.h"

namespace vortik {
namespace {

using testing::MemoryResourceStore;
using testing::SolidPng;

// A button surface that records the width of every picture it is asked to show (picture n is
// n pixels wide; 0 stands for none).
class RecordingSurface : public ButtonSurface {
 public:
  void ShowBitmap(const BitmapRef& bitmap) override { shown.push_back(bitmap ? bitmap->width : 0); }
  void Detach() override { detached = true; }
  std::vector<int> shown;
  bool detached = false;
};

// A factory over pictures "p1".."p20" (picture n is n pixels wide) with a hand-set clock.
class FactoryTest : public ::testing::Test {
 protected:
  FactoryTest() {
    for (int n = 1; n <= 20; ++n) {
      store_.Add(ResourceType::kPng, "p" + std::to_string(n), SolidPng(n, 1, 9, 9, 9));
    }
    store_.Add(ResourceType::kJpg, "photo", testing::EncodeJpeg(6, 2, 3, 50, 60, 70));
  }

  uint32_t now_ = 1000;
  MemoryResourceStore store_;
  RecordingSurface surface_;  // outlives the factory, which detaches its buttons
  TBitmapFactory factory_{store_, [this] { return now_; }};

  const ResourceEntry* Entry(const std::string& name) {
    for (const ResourceEntry& e : factory_.resources()) {
      if (e.name == name) return &e;
    }
    return nullptr;
  }
};

TEST_F(FactoryTest, NamesInEitherCaseShareOneCachedBitmap) {
  BitmapRef a = factory_.LoadBitmapA("png:P3", true);
  BitmapRef b = factory_.LoadBitmapA("PNG:p3", true);
  ASSERT_TRUE(a);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->width, 3);
  ASSERT_EQ(factory_.resources().size(), 1u);
  const ResourceEntry& e = factory_.resources().front();
  EXPECT_EQ(e.name, "png:P3");  // the name as first registered
  EXPECT_EQ(e.useCount, 2);
  EXPECT_EQ(e.decodeCount, 1);
  EXPECT_EQ(e.lastUse, 1000u);
  EXPECT_EQ(factory_.loadedCount, 1);

  factory_.FreeBitmap(a);
  factory_.FreeBitmap(b);
  factory_.FreeBitmap(b);  // one release too many changes nothing
  EXPECT_EQ(e.useCount, 0);
  EXPECT_EQ(e.bitmap, a);  // still cached
  EXPECT_EQ(factory_.LoadBitmapA("png:p3", true), a);
  EXPECT_EQ(e.decodeCount, 1);
}

TEST_F(FactoryTest, UncachedLoadsAreTheCallersAndStillCount) {
  BitmapRef cached = factory_.LoadBitmapA("png:p2", true);
  BitmapRef own = factory_.LoadBitmapA("png:p2", false);
  ASSERT_TRUE(own);
  EXPECT_NE(own, cached);
  EXPECT_EQ(factory_.loadedCount, 2);
  factory_.FreeBitmap(own);
  EXPECT_EQ(factory_.loadedCount, 2);  // freeing an uncached bitmap does not decrease it
  EXPECT_EQ(Entry("png:p2")->useCount, 1);
  EXPECT_EQ(factory_.resources().size(), 1u);
  EXPECT_EQ(factory_.decodeCount(), 2);
}

TEST_F(FactoryTest, PrefetchedPicturesAreDecodedOnceAndGivenToTheirFirstLoad) {
  store_.Add(ResourceType::kPng, "p3@2x", SolidPng(6, 2, 9, 9, 9));
  factory_.decodeDoubled = true;
  factory_.Prefetch({"PNG:p5", "jpg:photo", "png:missing", "", "png:p3"});
  // Nothing counts, and nothing is registered, before a picture is loaded.
  EXPECT_EQ(factory_.decodeCount(), 0);
  EXPECT_TRUE(factory_.resources().empty());

  // The first load, under another case of the name, takes the prefetched decode; the next one
  // decodes anew, as any uncached load does.
  const BitmapRef first = factory_.LoadBitmapA("png:p5", false);
  EXPECT_EQ(factory_.decodeCount(), 1);
  const BitmapRef second = factory_.LoadBitmapA("png:p5", false);
  EXPECT_EQ(factory_.decodeCount(), 2);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->width, second->width);
  EXPECT_EQ(first->pixels, second->pixels);

  // A cached load takes it too, and keeps it.
  const BitmapRef photo = factory_.LoadBitmapA("jpg:photo", true);
  ASSERT_TRUE(photo);
  EXPECT_EQ(photo->width, 6);
  EXPECT_EQ(Entry("jpg:photo")->decodeCount, 1);
  EXPECT_EQ(factory_.LoadBitmapA("jpg:photo", true), photo);
  EXPECT_EQ(factory_.decodeCount(), 3);

  EXPECT_FALSE(factory_.LoadBitmapA("png:missing", false));
  // The drawing at twice the size comes along for a high-resolution screen.
  const BitmapRef sharp = factory_.LoadBitmapA("png:p3", false);
  ASSERT_TRUE(sharp && sharp->doubled);
  EXPECT_EQ(sharp->doubled->width, 6);
  EXPECT_EQ(factory_.decodeCount(), 4);
}

TEST(FactoryLifetime, AFactoryGoesWhilePicturesAreStillDecodingAhead) {
  testing::MemoryResourceStore store;
  std::vector<std::string> names;
  for (int n = 0; n < 40; ++n) {
    store.Add(ResourceType::kPng, "big" + std::to_string(n), SolidPng(400, 300, 1, 2, 3));
    names.push_back("png:big" + std::to_string(n));
  }
  {
    TBitmapFactory factory(store);
    factory.Prefetch(names);
    factory.Prefetch({"png:big0"});  // a second round waits for the first
    EXPECT_TRUE(factory.LoadBitmapA("png:big0", false));
  }  // nothing left decoding into a factory that is gone (the sanitizer build watches)
}

TEST_F(FactoryTest, ResolvesEveryKindOfName) {
  BitmapRef jpeg = factory_.LoadBitmapA("jpg:PHOTO", false);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->width, 6);
  EXPECT_EQ(jpeg->bitsPerPixel, 24);

  test::ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string png = folder.File("Picture.PNG");
  const std::string other = folder.File("notes.txt");
  {
    const auto bytes = SolidPng(7, 2, 1, 2, 3);
    std::ofstream(png, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::ofstream(other) << "not a picture";
  }
  BitmapRef file = factory_.LoadBitmapA(png, false);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->width, 7);

  const int before = factory_.loadedCount;
  for (const std::string& none : {std::string("png:missing"), std::string("gif:p1"), other,
                                  folder.File("gone.png"), std::string("bmp:p1"), std::string()}) {
    EXPECT_FALSE(factory_.LoadBitmapA(none, false)) << none;
    EXPECT_FALSE(factory_.LoadBitmapA(none, true)) << none;
  }
  EXPECT_EQ(factory_.loadedCount, before);
  // A cached name that found nothing stays registered without a bitmap.
  ASSERT_NE(Entry("png:missing"), nullptr);
  EXPECT_FALSE(Entry("png:missing")->bitmap);
}

TEST_F(FactoryTest, EvictsTheOldestUnheldBitmapOneAtATime) {
  factory_.cacheLimit = 3;
  // p1 used at 1000, p2 at 1001, p3 and p4 at 1002; p1 stays held.
  BitmapRef held = factory_.LoadBitmapA("png:p1", true);
  now_ = 1001;
  factory_.FreeBitmap(factory_.LoadBitmapA("png:p2", true));
  now_ = 1002;
  factory_.FreeBitmap(factory_.LoadBitmapA("png:p3", true));
  BitmapRef p4 = factory_.LoadBitmapA("png:p4", true);
  EXPECT_EQ(factory_.loadedCount, 4);

  // Releasing p4 in the same second: p1 is held, p3 and p4 were used this second, so p2 goes.
  factory_.FreeBitmap(p4);
  EXPECT_FALSE(Entry("png:p2")->bitmap);
  EXPECT_TRUE(Entry("png:p1")->bitmap);
  EXPECT_TRUE(Entry("png:p3")->bitmap);
  EXPECT_TRUE(Entry("png:p4")->bitmap);
  EXPECT_EQ(factory_.loadedCount, 3);

  // At the limit nothing more is evicted.
  factory_.FreeBitmap(factory_.LoadBitmapA("png:p4", true));
  EXPECT_EQ(factory_.loadedCount, 3);

  // Over the limit again, but everything unheld was used this second: nothing can go.
  factory_.FreeBitmap(factory_.LoadBitmapA("png:p5", true));
  EXPECT_EQ(factory_.loadedCount, 4);
  // A second later p3 and p4 (same time) are candidates: the newer registration, p4, goes
  // first; p5 (used now) stays.
  now_ = 1003;
  factory_.FreeBitmap(factory_.LoadBitmapA("png:p5", true));
  EXPECT_FALSE(Entry("png:p4")->bitmap);
  EXPECT_TRUE(Entry("png:p3")->bitmap);
  EXPECT_TRUE(Entry("png:p5")->bitmap);
  EXPECT_EQ(factory_.loadedCount, 3);

  // An evicted name decodes again on its next use.
  factory_.FreeBitmap(factory_.LoadBitmapA("png:p2", true));
  EXPECT_EQ(Entry("png:p2")->decodeCount, 2);
  factory_.FreeBitmap(held);
}

TEST_F(FactoryTest, PictureButtonFollowsThePointerAndTheEnabledState) {
  RecordingSurface& surface = surface_;
  // normal p1, pressed p2, hover p3, disabled p4.
  TImg2Btn* button = factory_.Activate(surface, "png:p1", "png:p2", "png:p3", "png:p4");
  EXPECT_EQ(button->state(), TImg2Btn::kNormal);
  EXPECT_EQ(surface.shown, std::vector<int>{1});

  enum Event {
    kDown,
    kUpInside,
    kUpOutside,
    kEnter,
    kLeave,
    kDisable,
    kEnableInside,
    kEnableOutside
  };
  struct Step {
    Event event;
    int state;
    int picture;  // width of the picture shown after the step
  };
  const Step steps[] = {
      {kEnter, TImg2Btn::kHover, 3},      {kDown, TImg2Btn::kPressed, 2},
      {kUpInside, TImg2Btn::kHover, 3},   {kLeave, TImg2Btn::kNormal, 1},
      {kDown, TImg2Btn::kPressed, 2},     {kUpOutside, TImg2Btn::kNormal, 1},
      {kDisable, TImg2Btn::kDisabled, 4}, {kEnter, TImg2Btn::kDisabled, 4},
      {kLeave, TImg2Btn::kDisabled, 4},   {kEnableInside, TImg2Btn::kHover, 3},
      {kDisable, TImg2Btn::kDisabled, 4}, {kEnableOutside, TImg2Btn::kNormal, 1},
  };
  bool enabled = true;
  for (const Step& s : steps) {
    switch (s.event) {
      case kDown:
        button->LeftButtonDown();
        break;
      case kUpInside:
        button->LeftButtonUp(true);
        break;
      case kUpOutside:
        button->LeftButtonUp(false);
        break;
      case kEnter:
        button->PointerEnter(enabled);
        break;
      case kLeave:
        button->PointerLeave(enabled);
        break;
      case kDisable:
        enabled = false;
        button->EnabledChanged(false, true);
        break;
      case kEnableInside:
        enabled = true;
        button->EnabledChanged(true, true);
        break;
      case kEnableOutside:
        enabled = true;
        button->EnabledChanged(true, false);
        break;
    }
    EXPECT_EQ(button->state(), s.state) << "after step " << (&s - steps);
    EXPECT_EQ(surface.shown.back(), s.picture) << "after step " << (&s - steps);
  }
  // One use held: the current picture only.
  int held = 0;
  for (const ResourceEntry& e : factory_.resources()) held += e.useCount;
  EXPECT_EQ(held, 1);
}

TEST_F(FactoryTest, ButtonWithOneNameChangesStateWithoutDrawing) {
  RecordingSurface& surface = surface_;
  TImg2Btn* button = factory_.Activate(surface, "png:p5");
  button->PointerEnter(true);
  button->LeftButtonDown();
  button->EnabledChanged(false, true);
  EXPECT_EQ(button->state(), TImg2Btn::kDisabled);
  EXPECT_EQ(surface.shown, std::vector<int>{5});
  EXPECT_EQ(Entry("png:p5")->useCount, 1);
}

TEST(FactoryLifetime, ButtonsAreDetachedAndReleasedWithTheFactory) {
  MemoryResourceStore store;
  store.Add(ResourceType::kPng, "a", SolidPng(2, 2, 1, 1, 1));
  RecordingSurface kept;
  RecordingSurface dropped;
  {
    TBitmapFactory factory(store);
    factory.Activate(kept, "png:a");
    TImg2Btn* gone = factory.Activate(dropped, "png:a");
    EXPECT_EQ(factory.resources().front().useCount, 2);
    factory.Deactivate(gone);  // its control went away first
    EXPECT_EQ(factory.resources().front().useCount, 1);
  }
  EXPECT_TRUE(kept.detached);
  EXPECT_FALSE(dropped.detached);
}

}  // namespace
}  // namespace vortik
