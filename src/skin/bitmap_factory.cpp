#include "skin/bitmap_factory.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <system_error>

#include "base/text_helpers.h"
#include "platform/file_ops.h"
#include "skin/image_decode.h"

namespace vortik {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), AsciiLower);
  return s;
}

// Skin pictures are at most a few megabytes; a larger file is not a picture of ours.
constexpr int64_t kMaxPictureFileBytes = int64_t{64} * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  const int64_t size = file.Size();
  if (size < 0 || size > kMaxPictureFileBytes) return false;
  bytes.resize(static_cast<size_t>(size));
  return file.Read(bytes.data(), bytes.size()) == size;
}

}  // namespace

// --- TImg2Btn -----------------------------------------------------------------------------------

TImg2Btn::TImg2Btn(TBitmapFactory& factory, ButtonSurface& surface,
                   const std::array<ResourceEntry*, 4>& names)
    : factory_(factory), surface_(surface), names_(names) {
  SetState(kNormal);
}

TImg2Btn::~TImg2Btn() {
  factory_.FreeBitmap(bitmap_);
}

void TImg2Btn::LeftButtonDown() {
  SetState(kPressed);
}

void TImg2Btn::LeftButtonUp(bool inside) {
  SetState(inside ? kHover : kNormal);
}

void TImg2Btn::PointerEnter(bool controlEnabled) {
  if (controlEnabled) SetState(kHover);
}

void TImg2Btn::PointerLeave(bool controlEnabled) {
  if (controlEnabled) SetState(kNormal);
}

void TImg2Btn::EnabledChanged(bool enabled, bool inside) {
  if (!enabled) {
    SetState(kDisabled);
  } else {
    LeftButtonUp(inside);
  }
}

void TImg2Btn::SetState(int state) {
  if (state < kNormal || state > kDisabled || state == state_) return;
  ResourceEntry* current = state_ == kNone ? nullptr : names_[state_];
  // States that share a picture only change the state: hover, press and disable cost nothing
  // for a button with a single picture.
  if (names_[state] != current) {
    BitmapRef next = names_[state] ? factory_.LoadBitmapA(names_[state]->name, true) : nullptr;
    if (next != bitmap_) factory_.FreeBitmap(bitmap_);
    bitmap_ = std::move(next);
    surface_.ShowBitmap(bitmap_);
  }
  state_ = state;
}

// --- TBitmapFactory -----------------------------------------------------------------------------

TBitmapFactory::TBitmapFactory(const ResourceStore& store, Clock clock)
    : store_(store), clock_(std::move(clock)) {}

TBitmapFactory::~TBitmapFactory() {
  // Buttons release their bitmaps into the cache, so they go first.
  for (auto& button : buttons_) button->surface().Detach();
  buttons_.clear();
}

uint32_t TBitmapFactory::Now() const {
  return clock_ ? clock_() : static_cast<uint32_t>(std::time(nullptr));
}

ResourceEntry* TBitmapFactory::RegistResource(const std::string& name) {
  if (name.empty()) return nullptr;
  for (ResourceEntry& e : resources_) {
    if (EqualsNoCase(e.name, name)) return &e;
  }
  resources_.emplace_front();
  resources_.front().name = name;
  return &resources_.front();
}

TBitmapFactory::PictureBytes TBitmapFactory::ReadPicture(const std::string& name) const {
  PictureBytes picture;
  const size_t colon = name.find(':');
  const bool drivePath = name.size() > 1 && name[1] == ':';
  if (colon != std::string::npos && !drivePath) {
    const std::string prefix = Lower(name.substr(0, colon + 1));
    const std::string resource = name.substr(colon + 1);
    if (prefix == "bmp:") {
      if (store_.Read(ResourceType::kBmp, resource, picture.bytes))
        picture.kind = PictureKind::kBmp;
    } else if (prefix == "png:" || prefix == "jpg:") {
      const bool png = prefix == "png:";
      const ResourceType type = png ? ResourceType::kPng : ResourceType::kJpg;
      if (!store_.Read(type, resource, picture.bytes)) {
        // A missing built-in picture is a packaging fault: say so, and draw nothing.
        std::fprintf(stderr, "vortik: picture resource %s not found\n", name.c_str());
        return picture;
      }
      picture.kind = png ? PictureKind::kPng : PictureKind::kJpg;
      // The drawing for high-resolution screens, "<name>@2x", travels with the picture.
      if (decodeDoubled) store_.Read(type, resource + "@2x", picture.doubledBytes);
    }
    return picture;
  }
  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : Lower(name.substr(dot));
  if ((ext == ".bmp" || ext == ".png" || ext == ".jpg") && ReadWholeFile(name, picture.bytes)) {
    picture.kind = ext == ".bmp"   ? PictureKind::kBmp
                   : ext == ".png" ? PictureKind::kPng
                                   : PictureKind::kJpg;
  }
  return picture;
}

BitmapRef TBitmapFactory::Decode(const PictureBytes& picture, Colour backColor) {
  const auto decode = [&picture, backColor](const std::vector<uint8_t>& bytes) -> BitmapRef {
    switch (picture.kind) {
      case PictureKind::kBmp:
        return DecodeBmp(bytes.data(), bytes.size());
      case PictureKind::kPng:
        return DecodePng(bytes.data(), bytes.size(), backColor);
      case PictureKind::kJpg:
        return LoadJPGfromStream(bytes.data(), bytes.size());
      case PictureKind::kNone:
        break;
    }
    return nullptr;
  };
  BitmapRef bitmap = decode(picture.bytes);
  if (bitmap && !picture.doubledBytes.empty()) {
    BitmapRef doubled = decode(picture.doubledBytes);
    if (doubled && doubled->width == 2 * bitmap->width && doubled->height == 2 * bitmap->height) {
      bitmap->doubled = std::move(doubled);
    }
  }
  return bitmap;
}

void TBitmapFactory::CountDecode() {
  ++loadedCount;
  ++decodeCount_;
}

BitmapRef TBitmapFactory::ObtainResource(const std::string& name) {
  BitmapRef bitmap;
  const auto prefetched =
      std::find_if(prefetched_.begin(), prefetched_.end(),
                   [&name](const Prefetched& p) { return EqualsNoCase(p.name, name); });
  if (prefetched != prefetched_.end()) {
    bitmap = prefetched->decoded.get();
    prefetched_.erase(prefetched);
  } else {
    bitmap = Decode(ReadPicture(name), backColor);
  }
  if (bitmap) CountDecode();
  return bitmap;
}

void TBitmapFactory::Prefetch(const std::vector<std::string>& names) {
  struct Job {
    PictureBytes picture;
    std::promise<BitmapRef> decoded;
  };
  auto jobs = std::make_shared<std::vector<Job>>();
  jobs->reserve(names.size());
  for (const std::string& name : names) {
    if (name.empty()) continue;
    jobs->push_back({ReadPicture(name), {}});
    prefetched_.push_back({name, jobs->back().decoded.get_future()});
  }
  auto decodeAll = [jobs, back = backColor] {
    for (Job& job : *jobs) {
      try {
        job.decoded.set_value(Decode(job.picture, back));
      } catch (...) {
        job.decoded.set_exception(std::current_exception());  // the load rethrows it
      }
    }
  };
  // One worker at a time: a second call waits for the first's decodes to be done.
  if (prefetchWorker_.valid()) prefetchWorker_.wait();
  try {
    prefetchWorker_ = std::async(std::launch::async, decodeAll);
  } catch (const std::system_error&) {
    decodeAll();  // no thread to be had: decoded now, as a load would have
  }
}

BitmapRef TBitmapFactory::LoadBitmapA(const std::string& name, bool cached) {
  if (name.empty()) return nullptr;
  if (!cached) return ObtainResource(name);
  ResourceEntry* e = RegistResource(name);
  if (e == nullptr) return nullptr;
  if (e->bitmap) {
    ++e->useCount;
  } else {
    BitmapRef b = ObtainResource(name);
    if (!b) return nullptr;
    ++e->decodeCount;
    e->bitmap = std::move(b);
    e->useCount = 1;
  }
  e->lastUse = Now();
  return e->bitmap;
}

void TBitmapFactory::FreeBitmap(const BitmapRef& bitmap) {
  if (!bitmap) return;
  for (ResourceEntry& e : resources_) {
    if (e.bitmap != bitmap) continue;
    if (e.useCount <= 0) return;
    --e.useCount;
    if (e.useCount == 0 && loadedCount > cacheLimit) CleanResource();
    return;
  }
  // Not cached: the caller's reference was the only one that mattered; it goes when dropped.
}

void TBitmapFactory::CleanResource() {
  const uint32_t now = Now();
  ResourceEntry* oldest = nullptr;
  for (ResourceEntry& e : resources_) {
    if (e.useCount != 0 || !e.bitmap || e.lastUse >= now) continue;
    // Strictly smaller keeps the entry nearest the front among equal times.
    if (oldest == nullptr || e.lastUse < oldest->lastUse) oldest = &e;
  }
  if (oldest == nullptr) return;
  oldest->bitmap.reset();
  --loadedCount;
}

TImg2Btn* TBitmapFactory::Activate(ButtonSurface& surface, const std::string& normal,
                                   const std::string& pressed, const std::string& hover,
                                   const std::string& disabled) {
  std::array<ResourceEntry*, 4> names{RegistResource(normal), RegistResource(pressed),
                                      RegistResource(hover), RegistResource(disabled)};
  for (int i = 1; i < 4; ++i) {
    if (names[i] == nullptr) names[i] = names[0];
  }
  buttons_.push_back(std::make_unique<TImg2Btn>(*this, surface, names));
  return buttons_.back().get();
}

void TBitmapFactory::Deactivate(TImg2Btn* button) {
  auto it = std::find_if(buttons_.begin(), buttons_.end(),
                         [button](const auto& b) { return b.get() == button; });
  if (it != buttons_.end()) buttons_.erase(it);
}

BitmapInfo TBitmapFactory::GetBitmapInfo(const Bitmap& bitmap) {
  BitmapInfo info;
  info.width = bitmap.width;
  info.height = bitmap.height;
  info.rowBytes = bitmap.rowBytes;
  info.planes = 1;
  info.bitsPerPixel = bitmap.bitsPerPixel;
  return info;
}

BitmapRef TBitmapFactory::CopyBitmap(const Bitmap& bitmap) {
  return std::make_shared<Bitmap>(bitmap);
}

}  // namespace vortik
