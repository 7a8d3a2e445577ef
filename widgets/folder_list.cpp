#include "widgets/folder_list.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

#include "platform/file_names.h"
#include "platform/fileio.h"
#include "widgets/qt_text.h"

namespace vq::ui {

namespace {

constexpr int kIndentPixels = 12;

// Shifts each entry right by its level.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem o(option);
    o.rect.adjust(index.data(FolderList::kLevelRole).toInt() * kIndentPixels, 0, 0, 0);
    QStyledItemDelegate::paint(painter, o, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.rwidth() += index.data(FolderList::kLevelRole).toInt() * kIndentPixels;
    return s;
  }
};

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new IndentDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
}

bool FolderList::setPath(const std::string& path, QString* error) {
  std::string clean = CleanFolderPath(path);
  std::vector<std::string> subs;
  try {
    subs = ListSubfoldersSorted(clean);
  } catch (const Error& e) {
    if (error) *error = Q(e.description());
    return false;
  }
  const bool differs = clean != path_;
  path_ = std::move(clean);
  subfolders_ = std::move(subs);
  rebuild();
  if (differs) emit changed();
  return true;
}

void FolderList::rebuild() {
  QSignalBlocker block(this);
  clear();
  QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

  auto add = [&](const std::string& full, int level, const QIcon& icon) {
    const std::string name = full == "/" ? full : LastComponent(full);
    auto* item = new QListWidgetItem(icon, Q(DecodeName(name)), this);
    item->setData(kPathRole, QByteArray::fromStdString(full));
    item->setData(kLevelRole, level);
    return item;
  };
  // Ancestors: "/", then each part of the path down to the current folder.
  QListWidgetItem* current = add("/", 0, openIcon);
  int level = 0;
  for (std::size_t pos = path_.find('/', 1); path_.size() > 1; pos = path_.find('/', pos + 1)) {
    current = add(path_.substr(0, pos), ++level, openIcon);
    if (pos == std::string::npos) break;
  }
  for (const auto& sub : subfolders_) add(sub, level + 1, closedIcon);
  setCurrentItem(current);
  scrollToItem(current);
}

void FolderList::open(QListWidgetItem* item) {
  if (!item) return;
  const std::string target = item->data(kPathRole).toByteArray().toStdString();
  if (openHandler) {
    openHandler(target);
  } else {
    setPath(target);
  }
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    open(currentItem());
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace vq::ui
