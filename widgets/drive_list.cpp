#include "widgets/drive_list.h"

#include <QSignalBlocker>
#include <algorithm>

#include "platform/file_names.h"
#include "widgets/qt_text.h"
#include "platform/volumes.h"

namespace vq::ui {

namespace {

std::function<std::vector<std::string>()>& Source() {
  static std::function<std::vector<std::string>()> source = [] { return MountedVolumes(); };
  return source;
}

std::vector<std::string> ReadVolumes() {
  std::vector<std::string> out = Source()();
  if (std::find(out.begin(), out.end(), "/") == out.end()) out.insert(out.begin(), "/");
  return out;
}

}  // namespace

void DriveList::SetVolumeSource(std::function<std::vector<std::string>()> source) {
  Source() = source ? std::move(source) : [] { return MountedVolumes(); };
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setInsertPolicy(QComboBox::NoInsert);
  current_ = "/";
  fill(ReadVolumes(), current_);
  connect(this, &QComboBox::activated, this, &DriveList::onActivated);
}

std::string DriveList::itemPath(int index) const { return itemData(index).toByteArray().toStdString(); }

std::vector<std::string> DriveList::volumes() const {
  std::vector<std::string> out;
  for (int i = 0; i < count(); ++i) out.push_back(itemPath(i));
  return out;
}

void DriveList::fill(const std::vector<std::string>& volumes, const std::string& current) {
  QSignalBlocker block(this);
  clear();
  int currentIndex = -1;
  for (const auto& v : volumes) {
    if (v == current) currentIndex = count();
    addItem(Q(DecodePath(v)), QByteArray::fromStdString(v));
  }
  if (currentIndex < 0) {
    addItem(Q(DecodePath(current)), QByteArray::fromStdString(current));
    currentIndex = count() - 1;
  }
  setCurrentIndex(currentIndex);
}

void DriveList::refresh() { fill(ReadVolumes(), current_); }

bool DriveList::setDrive(const std::string& mountPoint) {
  const std::vector<std::string> vols = ReadVolumes();
  if (std::find(vols.begin(), vols.end(), mountPoint) == vols.end()) return false;
  const bool differs = mountPoint != current_;
  current_ = mountPoint;
  fill(vols, current_);
  if (differs) emit changed();
  return true;
}

std::string DriveList::volumeOf(const std::string& folder) const { return VolumeOf(folder, volumes()); }

void DriveList::showVolumeOf(const std::string& folder) {
  const std::vector<std::string> vols = ReadVolumes();
  current_ = VolumeOf(folder, vols);
  fill(vols, current_);
}

void DriveList::showPopup() {
  refresh();
  QComboBox::showPopup();
}

void DriveList::onActivated(int index) {
  const std::string picked = itemPath(index);
  if (chooseHandler) {
    // The owner decides; until then the list keeps showing the current volume.
    {
      QSignalBlocker block(this);
      setCurrentIndex(findData(QByteArray::fromStdString(current_)));
    }
    chooseHandler(picked);
    return;
  }
  if (picked != current_) {
    current_ = picked;
    emit changed();
  }
}

}  // namespace vq::ui
