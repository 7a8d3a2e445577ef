// The drive list: a drop-down of the mounted volumes of real file systems, shown by
// their mount point ("/", "/media/usb", ...). Mount points are the file system's bytes
// and are shown decoded.
#pragma once

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

namespace vq::ui {

class DriveList : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  // The current volume's mount point.
  const std::string& drive() const { return current_; }
  // Selects a volume by its mount point. Emits changed() when it differs from the
  // current one. False (nothing changes) when no mounted volume has that mount point.
  bool setDrive(const std::string& mountPoint);
  // Shows the volume that holds a folder, without raising changed().
  void showVolumeOf(const std::string& folder);
  // The volume that holds a folder, among the listed ones.
  std::string volumeOf(const std::string& folder) const;

  // Reads the mounted volumes again (also done whenever the list drops down).
  void refresh();
  std::vector<std::string> volumes() const;

  // When set, a volume the user picks is handed to this function instead of being
  // selected; the owner calls setDrive() when it accepts the change.
  std::function<void(const std::string&)> chooseHandler;

  // Replaces the source of the mounted volumes (tests).
  static void SetVolumeSource(std::function<std::vector<std::string>()> source);

 signals:
  void changed();

 protected:
  void showPopup() override;

 private:
  void onActivated(int index);
  void fill(const std::vector<std::string>& volumes, const std::string& current);
  std::string itemPath(int index) const;

  std::string current_;
};

}  // namespace vq::ui
