// The folder list: the current folder's ancestors from "/" down, indented, then its
// subfolders in name order (platform/name_order.h). Double-click or Enter opens an entry.
// Paths are the file system's bytes; the entries show their names decoded.
#pragma once

#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

namespace vq::ui {

class FolderList : public QListWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The current folder: full path, no trailing "/" except "/" itself ("" before the
  // first setPath).
  const std::string& path() const { return path_; }

  // Moves to a folder (made absolute and clean first). False, with the reason in
  // *error (a Japanese description), when it cannot be read; then nothing changes.
  // Emits changed() once when the path differs; the same path only reads its
  // subfolders again.
  bool setPath(const std::string& path, QString* error = nullptr);

  // The current folder's subfolders: count and full path of entry i.
  int listCount() const { return static_cast<int>(subfolders_.size()); }
  std::string entry(int i) const {
    return i >= 0 && i < listCount() ? subfolders_[static_cast<std::size_t>(i)] : std::string();
  }

  // When set, an entry the user opens is handed to this function instead of being
  // opened; the owner calls setPath() when it accepts the change.
  std::function<void(const std::string&)> openHandler;

  static constexpr int kPathRole = Qt::UserRole;  // QByteArray: the entry's path bytes
  static constexpr int kLevelRole = Qt::UserRole + 1;

 signals:
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void open(QListWidgetItem* item);
  void rebuild();

  std::string path_;
  std::vector<std::string> subfolders_;
};

}  // namespace vq::ui
