#include "skin/ui/qt_resource_store.h"

#include <QByteArray>
#include <QResource>
#include <QString>

// The resource data sits in a static library; registering it by hand keeps the linker from
// dropping it. Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterSkinResources() {
  Q_INIT_RESOURCE(skin);
}

namespace vortik {

const QtResourceStore& QtResourceStore::Instance() {
  static const QtResourceStore store;
  return store;
}

QtResourceStore::QtResourceStore() {
  RegisterSkinResources();
}

bool QtResourceStore::Read(ResourceType type, std::string_view name,
                           std::vector<uint8_t>& bytes) const {
  // Names are plain file names inside their type's folder.
  if (name.empty() || name.find('/') != std::string_view::npos) return false;
  const char* folder = type == ResourceType::kPng   ? ":/skin/png/"
                       : type == ResourceType::kJpg ? ":/skin/jpg/"
                                                    : ":/skin/bmp/";
  const QString path =
      QLatin1String(folder) +
      QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toLower();
  QResource resource(path);
  if (!resource.isValid() || resource.size() == 0) return false;
  const QByteArray data = resource.uncompressedData();
  bytes.assign(reinterpret_cast<const uint8_t*>(data.constData()),
               reinterpret_cast<const uint8_t*>(data.constData()) + data.size());
  return true;
}

}  // namespace vortik
