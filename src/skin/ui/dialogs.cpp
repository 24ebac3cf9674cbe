#include "skin/ui/dialogs.h"

#include <QObject>
#include <QWidget>

#include <utility>

namespace vortik {

namespace {

constexpr char kHolderName[] = "vortik-dialogs";

// Keeps the answers alive as a child of the widget they were installed on.
class DialogsHolder : public QObject {
 public:
  DialogsHolder(QObject* owner, std::shared_ptr<const Dialogs> dialogs)
      : QObject(owner), dialogs_(std::move(dialogs)) {
    setObjectName(QString::fromLatin1(kHolderName));
  }
  const Dialogs* dialogs() const { return dialogs_.get(); }
  void Replace(std::shared_ptr<const Dialogs> dialogs) { dialogs_ = std::move(dialogs); }

 private:
  std::shared_ptr<const Dialogs> dialogs_;
};

DialogsHolder* HolderOf(const QObject* object) {
  for (QObject* child : object->children()) {
    if (child->objectName() == QLatin1String(kHolderName)) {
      return static_cast<DialogsHolder*>(child);
    }
  }
  return nullptr;
}

}  // namespace

void InstallDialogs(QWidget* widget, std::shared_ptr<const Dialogs> dialogs) {
  if (DialogsHolder* holder = HolderOf(widget)) {
    holder->Replace(std::move(dialogs));
  } else {
    new DialogsHolder(widget, std::move(dialogs));
  }
}

const Dialogs* FindDialogs(const QObject* from) {
  for (const QObject* object = from; object != nullptr; object = object->parent()) {
    if (const DialogsHolder* holder = HolderOf(object)) return holder->dialogs();
  }
  return nullptr;
}

}  // namespace vortik
