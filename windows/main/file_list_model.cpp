#include "windows/main/file_list_model.h"

#include <QFontMetrics>
#include <algorithm>

#include "widgets/qt_text.h"

namespace vq {

// ---------------------------------------------------------------- FileListModel

FileListModel::FileListModel(std::vector<ListedFile>& rows, QObject* parent) : QAbstractListModel(parent), rows_(rows) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return ui::Q(ShownName(index.row()));
}

void FileListModel::Clear() { Replace({}); }

void FileListModel::Replace(std::vector<ListedFile> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void FileListModel::Reserve(std::size_t count) { rows_.reserve(count); }

void FileListModel::Append(ListedFile row) {
  const int at = rowCount();
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back(std::move(row));
  endInsertRows();
}

// ---------------------------------------------------------------- UniformRowDelegate

namespace {

// Rows measured exactly: the widest by the rough count.
constexpr std::size_t kMeasuredRows = 16;

}  // namespace

UniformRowDelegate::UniformRowDelegate(const FileListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {
  connect(&model, &QAbstractItemModel::modelReset, this, [this] { Forget(); });
  connect(&model, &QAbstractItemModel::rowsRemoved, this, [this] { Forget(); });
  // Rows are appended; anything else is looked at again from the start.
  connect(&model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int) {
    if (first < scanned_) Forget();
  });
}

void UniformRowDelegate::Forget() const {
  widest_.clear();
  scanned_ = 0;
  size_ = QSize();
}

int UniformRowDelegate::RoughWidth(std::u16string_view text, const QFontMetrics& metrics) const {
  int width = 0;
  for (char16_t c : text) {
    std::int16_t& a = advances_[c];
    if (a < 0) {
      // A character beyond the 16-bit range counts as the font's widest.
      int w = QChar::isHighSurrogate(c) ? metrics.maxWidth()
              : QChar::isLowSurrogate(c) ? 0
                                         : metrics.horizontalAdvance(QChar(c));
      a = static_cast<std::int16_t>(std::clamp(w, 0, 0x7fff));
    }
    width += a;
  }
  return width;
}

QSize UniformRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int count = model_.rowCount();
  if (count == 0 || !index.isValid()) return QStyledItemDelegate::sizeHint(option, index);
  if (option.font != font_ || advances_.empty()) {
    font_ = option.font;
    advances_.assign(0x10000, -1);
    Forget();
  }
  const QFontMetrics metrics(option.font);
  for (; scanned_ < count; ++scanned_) {
    const std::pair<int, int> row{RoughWidth(model_.ShownName(scanned_), metrics), scanned_};
    if (widest_.size() < kMeasuredRows) {
      widest_.push_back(row);
      size_ = QSize();
      continue;
    }
    auto least = std::min_element(widest_.begin(), widest_.end());
    if (row.first > least->first) {
      *least = row;
      size_ = QSize();
    }
  }
  if (!size_.isValid()) {
    QSize size(0, 0);
    for (const auto& [rough, row] : widest_)
      size = size.expandedTo(QStyledItemDelegate::sizeHint(option, model_.index(row)));
    size_ = size;
  }
  return size_;
}

}  // namespace vq
