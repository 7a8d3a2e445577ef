// The folder list: the current folder's ancestors from "/" down, indented, then its
// subfolders sorted by name (case-insensitive). Double-click or Enter opens an entry.
#pragma once

#include <QListWidget>
#include <QStringList>
#include <functional>

namespace vq::ui {

// An absolute, clean folder path: no "." or ".." parts, no doubled "/", no trailing "/"
// except "/" itself. A relative path is taken from the process's working folder.
QString CleanFolderPath(const QString& path);

class FolderList : public QListWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The current folder: full path, no trailing "/" except "/" itself ("" before the
  // first setPath).
  QString path() const { return path_; }

  // Moves to a folder. False, with the reason in *error (a Japanese description), when
  // it cannot be read; then nothing changes. Emits changed() once when the path differs;
  // the same path only reads its subfolders again.
  bool setPath(const QString& path, QString* error = nullptr);

  // The current folder's subfolders: count and full path of entry i.
  int listCount() const { return static_cast<int>(subfolders_.size()); }
  QString entry(int i) const { return subfolders_.value(i); }

  // When set, an entry the user opens is handed to this function instead of being
  // opened; the owner calls setPath() when it accepts the change.
  std::function<void(const QString&)> openHandler;

  static constexpr int kPathRole = Qt::UserRole;
  static constexpr int kLevelRole = Qt::UserRole + 1;

 signals:
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void open(QListWidgetItem* item);
  void rebuild();

  QString path_;
  QStringList subfolders_;
};

}  // namespace vq::ui
