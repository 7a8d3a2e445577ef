#include "platform/ui/drive_list.h"

#include <QSignalBlocker>

#include "platform/ui/qt_text.h"
#include "platform/volumes.h"

namespace vq::ui {

namespace {

std::function<std::vector<std::string>()>& Source() {
  static std::function<std::vector<std::string>()> source = [] { return MountedVolumes(); };
  return source;
}

QStringList ReadVolumes() {
  QStringList out;
  for (const auto& v : Source()()) out << FromUtf8Path(v);
  if (!out.contains(QStringLiteral("/"))) out.prepend(QStringLiteral("/"));
  return out;
}

}  // namespace

void DriveList::SetVolumeSource(std::function<std::vector<std::string>()> source) {
  Source() = source ? std::move(source) : [] { return MountedVolumes(); };
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setInsertPolicy(QComboBox::NoInsert);
  current_ = QStringLiteral("/");
  fill(ReadVolumes(), current_);
  connect(this, &QComboBox::activated, this, &DriveList::onActivated);
}

QString DriveList::drive() const { return current_; }

QStringList DriveList::volumes() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << itemText(i);
  return out;
}

void DriveList::fill(const QStringList& volumes, const QString& current) {
  QSignalBlocker block(this);
  clear();
  addItems(volumes);
  int i = findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (i < 0) {
    addItem(current);
    i = count() - 1;
  }
  setCurrentIndex(i);
}

void DriveList::refresh() { fill(ReadVolumes(), current_); }

bool DriveList::setDrive(const QString& mountPoint) {
  QStringList vols = ReadVolumes();
  if (!vols.contains(mountPoint)) return false;
  bool differs = mountPoint != current_;
  current_ = mountPoint;
  fill(vols, current_);
  if (differs) emit changed();
  return true;
}

QString DriveList::volumeOf(const QString& folder) const {
  std::vector<std::string> vols;
  for (int i = 0; i < count(); ++i) vols.push_back(PathUtf8(itemText(i)));
  return FromUtf8Path(VolumeOf(PathUtf8(folder), vols));
}

void DriveList::showVolumeOf(const QString& folder) {
  QStringList vols = ReadVolumes();
  std::vector<std::string> paths;
  for (const auto& v : vols) paths.push_back(PathUtf8(v));
  current_ = FromUtf8Path(VolumeOf(PathUtf8(folder), paths));
  fill(vols, current_);
}

void DriveList::showPopup() {
  refresh();
  QComboBox::showPopup();
}

void DriveList::onActivated(int index) {
  QString picked = itemText(index);
  if (chooseHandler) {
    // The owner decides; until then the list keeps showing the current volume.
    {
      QSignalBlocker block(this);
      setCurrentIndex(findText(current_, Qt::MatchExactly | Qt::MatchCaseSensitive));
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
