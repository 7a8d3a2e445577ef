#include "platform/ui/folder_list.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

#include "platform/fileio.h"
#include "platform/ui/qt_text.h"

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

QString CleanFolderPath(const QString& path) {
  QString p = path.isEmpty() ? QDir::currentPath() : path;
  if (!p.startsWith(QLatin1Char('/'))) p = QDir::currentPath() + QLatin1Char('/') + p;
  p = QDir::cleanPath(p);
  while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
  return p;
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new IndentDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
}

bool FolderList::setPath(const QString& path, QString* error) {
  QString clean = CleanFolderPath(path);
  std::vector<std::string> subs;
  try {
    subs = ListSubfoldersSorted(PathUtf8(clean));
  } catch (const Error& e) {
    if (error) *error = Q(e.description());
    return false;
  }
  bool differs = clean != path_;
  path_ = clean;
  subfolders_.clear();
  for (const auto& s : subs) subfolders_ << FromUtf8Path(s);
  rebuild();
  if (differs) emit changed();
  return true;
}

void FolderList::rebuild() {
  QSignalBlocker block(this);
  clear();
  QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

  // Ancestors: "/", then each part of the path down to the current folder.
  QStringList parts = path_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  auto add = [&](const QString& text, const QString& full, int level, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, text, this);
    item->setData(kPathRole, full);
    item->setData(kLevelRole, level);
    return item;
  };
  QListWidgetItem* current = add(QStringLiteral("/"), QStringLiteral("/"), 0, openIcon);
  QString full;
  for (int i = 0; i < parts.size(); ++i) {
    full += QLatin1Char('/') + parts[i];
    current = add(parts[i], full, i + 1, openIcon);
  }
  for (const auto& sub : subfolders_) {
    add(sub.mid(sub.lastIndexOf(QLatin1Char('/')) + 1), sub, parts.size() + 1, closedIcon);
  }
  setCurrentItem(current);
  scrollToItem(current);
}

void FolderList::open(QListWidgetItem* item) {
  if (!item) return;
  QString target = item->data(kPathRole).toString();
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
