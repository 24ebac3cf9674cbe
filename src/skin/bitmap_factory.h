// TBitmapFactory: picture names to decoded bitmaps, a name-keyed cache with use counts and lazy
// eviction, and TImg2Btn, the four-state picture button driven by it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "skin/bitmap.h"
#include "skin/resource_store.h"

namespace vortik {

// One registered picture name; entries live as long as the factory.
struct ResourceEntry {
  BitmapRef bitmap;         // none while not loaded or after eviction
  int32_t useCount = 0;     // holders of the cached bitmap
  uint32_t lastUse = 0;     // seconds since 1970 of the last cached load
  std::string name;         // as first registered
  int32_t decodeCount = 0;  // how often this name was decoded for the cache
};

// The surface a picture button draws on (a picture control of the window).
class ButtonSurface {
 public:
  virtual ~ButtonSurface() = default;
  // Copy `bitmap` to (0, 0) at the surface's own size and repaint; nothing for none.
  virtual void ShowBitmap(const BitmapRef& bitmap) = 0;
  // The factory is going away: stop forwarding events to the button.
  virtual void Detach() = 0;
};

class TBitmapFactory;

// Picture-button behaviour: states 0 normal, 1 pressed, 2 hover, 3 disabled (4: nothing drawn
// yet). Events arrive from the control after its own handling.
class TImg2Btn {
 public:
  static constexpr int kNormal = 0;
  static constexpr int kPressed = 1;
  static constexpr int kHover = 2;
  static constexpr int kDisabled = 3;
  static constexpr int kNone = 4;

  TImg2Btn(TBitmapFactory& factory, ButtonSurface& surface,
           const std::array<ResourceEntry*, 4>& names);
  ~TImg2Btn();
  TImg2Btn(const TImg2Btn&) = delete;
  TImg2Btn& operator=(const TImg2Btn&) = delete;

  void LeftButtonDown();
  // `inside`: the pointer is strictly inside the control (0 < x < width, 0 < y < height).
  void LeftButtonUp(bool inside);
  void PointerEnter(bool controlEnabled);
  void PointerLeave(bool controlEnabled);
  void EnabledChanged(bool enabled, bool inside);
  void SetState(int state);

  int state() const { return state_; }
  const BitmapRef& bitmap() const { return bitmap_; }
  ButtonSurface& surface() const { return surface_; }

 private:
  TBitmapFactory& factory_;
  ButtonSurface& surface_;
  std::array<ResourceEntry*, 4> names_;
  int state_ = kNone;
  BitmapRef bitmap_;
};

class TBitmapFactory {
 public:
  using Clock = std::function<uint32_t()>;  // seconds since 1970

  // `store` must outlive the factory. Without a clock the system time is used.
  explicit TBitmapFactory(const ResourceStore& store, Clock clock = {});
  ~TBitmapFactory();
  TBitmapFactory(const TBitmapFactory&) = delete;
  TBitmapFactory& operator=(const TBitmapFactory&) = delete;

  // The entry of `name` (compared without regard to case), registered at the front when new;
  // nullptr for an empty name.
  ResourceEntry* RegistResource(const std::string& name);
  // Decodes the picture `name` from its source; not cached. nullptr when there is none. A
  // resource picture brings its "<name>@2x" drawing along when the store has one.
  BitmapRef ObtainResource(const std::string& name);
  // Reads the pictures `names` now and decodes them on a worker thread, in order, while the
  // caller goes on; the first load of each (cached or not) takes that decode, waiting for it
  // if it is not done, instead of decoding again. For the pictures a window shows first.
  void Prefetch(const std::vector<std::string>& names);
  // Uncached: a new bitmap for the caller. Cached: the shared bitmap of the name, one more use.
  BitmapRef LoadBitmapA(const std::string& name, bool cached);
  // Releases one use of a cached bitmap (the cache keeps it); an uncached one is simply dropped.
  void FreeBitmap(const BitmapRef& bitmap);
  // Evicts at most one cached bitmap without holders, the least recently used one, never one
  // used in the current second.
  void CleanResource();
  // Picture-button behaviour for `surface`; an empty name for pressed, hover or disabled
  // repeats the normal one. The factory owns the button.
  TImg2Btn* Activate(ButtonSurface& surface, const std::string& normal,
                     const std::string& pressed = {}, const std::string& hover = {},
                     const std::string& disabled = {});
  // Deletes a button made by Activate (its control is going away).
  void Deactivate(TImg2Btn* button);

  static BitmapInfo GetBitmapInfo(const Bitmap& bitmap);
  static BitmapRef CopyBitmap(const Bitmap& bitmap);

  int32_t loadedCount = 0;  // decoded by ObtainResource minus evicted
  int32_t cacheLimit = 8;
  // Whether a built-in picture comes with its drawing at twice the size ("<name>@2x"): only a
  // screen with a device pixel ratio above 1 shows it, and on others it would cost four times
  // the picture's decoding and memory for nothing.
  bool decodeDoubled = false;
  Colour backColor = kDefaultBackColour;

  const std::list<ResourceEntry>& resources() const { return resources_; }
  int32_t decodeCount() const { return decodeCount_; }  // every successful decode
  uint32_t Now() const;
  void SetClock(Clock clock) { clock_ = std::move(clock); }

 private:
  enum class PictureKind { kNone, kBmp, kPng, kJpg };
  struct PictureBytes {
    PictureKind kind = PictureKind::kNone;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> doubledBytes;  // the "@2x" drawing, when wanted and present
  };
  // The bytes of picture `name` and how they are encoded (kNone when there are none).
  PictureBytes ReadPicture(const std::string& name) const;
  static BitmapRef Decode(const PictureBytes& picture, Colour backColor);
  void CountDecode();

  const ResourceStore& store_;
  Clock clock_;
  std::list<ResourceEntry> resources_;  // newest registration first
  std::vector<std::unique_ptr<TImg2Btn>> buttons_;
  int32_t decodeCount_ = 0;
  struct Prefetched {
    std::string name;
    std::future<BitmapRef> decoded;
  };
  std::vector<Prefetched> prefetched_;  // not yet loaded
  std::future<void> prefetchWorker_;    // waited for when the factory goes
};

}  // namespace vortik
