// The drive list: a drop-down of the mounted volumes of real file systems, shown by
// their mount point ("/", "/media/usb", ...).
#pragma once

#include <QComboBox>
#include <QStringList>
#include <functional>

namespace vq::ui {

class DriveList : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  // The current volume's mount point.
  QString drive() const;
  // Selects a volume by its mount point. Emits changed() when it differs from the
  // current one. False (nothing changes) when no mounted volume has that mount point.
  bool setDrive(const QString& mountPoint);
  // Shows the volume that holds a folder, without raising changed().
  void showVolumeOf(const QString& folder);
  // The volume that holds a folder, among the listed ones.
  QString volumeOf(const QString& folder) const;

  // Reads the mounted volumes again (also done whenever the list drops down).
  void refresh();
  QStringList volumes() const;

  // When set, a volume the user picks is handed to this function instead of being
  // selected; the owner calls setDrive() when it accepts the change.
  std::function<void(const QString&)> chooseHandler;

  // Replaces the source of the mounted volumes (tests).
  static void SetVolumeSource(std::function<std::vector<std::string>()> source);

 signals:
  void changed();

 protected:
  void showPopup() override;

 private:
  void onActivated(int index);
  void fill(const QStringList& volumes, const QString& current);

  QString current_;
};

}  // namespace vq::ui
