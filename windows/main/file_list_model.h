// The main window's file list as a view of the session's rows: a read-only list model
// over Session::rows, and the delegate that gives every row one size so that a list of
// 100,000 rows is laid out without measuring each row.
#pragma once

#include <QAbstractListModel>
#include <QFont>
#include <QSize>
#include <QStyledItemDelegate>
#include <cstdint>
#include <utility>
#include <vector>

#include "session/listing.h"

namespace vq {

// Shows each row's file name. The rows stay the session's: every change to them while
// the window lives goes through Clear, Replace or Append, so that the view follows.
class FileListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  FileListModel(std::vector<ListedFile>& rows, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  void Clear();
  void Replace(std::vector<ListedFile> rows);
  // Room for `count` rows, so that appending never moves the rows already listed.
  void Reserve(std::size_t count);
  void Append(ListedFile row);

  std::u16string_view ShownName(int row) const { return rows_[static_cast<std::size_t>(row)].displayName; }

 private:
  std::vector<ListedFile>& rows_;
};

// Every row gets the size of the widest row. The view asks for one row's size and uses it
// for all; the widest row is found from the font's character widths (cheap, without text
// shaping), and the few widest by that count are measured exactly, so that a long name
// widens the list's scroll range as it would with every row measured.
class UniformRowDelegate : public QStyledItemDelegate {
 public:
  UniformRowDelegate(const FileListModel& model, QObject* parent);

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  void Forget() const;
  int RoughWidth(std::u16string_view text, const QFontMetrics& metrics) const;

  const FileListModel& model_;
  mutable QFont font_;                          // the font the widths below are for
  mutable std::vector<std::int16_t> advances_;  // by UTF-16 unit, -1 not yet known
  mutable std::vector<std::pair<int, int>> widest_;  // (rough width, row), the widest few
  mutable int scanned_ = 0;                     // rows looked at so far
  mutable QSize size_;                          // invalid: to be measured again
};

}  // namespace vq
