// MainWindow: focus and key handling of the six tag fields: the whole text selected
// on entry, the ID3v1 byte limit on leaving, Enter to the next field, the list keys and
// the function keys of the commands.
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

#include "windows/main/file_list_model.h"
#include "windows/main/main_window.h"
#include "platform/codepage.h"
#include "widgets/dialogs.h"

namespace vq {

namespace {

constexpr int kFieldCount = 6;
// Rows that Page Up and Page Down move the file list by.
constexpr int kPageRows = 18;

// The row shown at the top of the list, 0 for an empty list.
int TopIndex(const QListView* list) {
  const QModelIndex top = list->indexAt(list->viewport()->rect().topLeft());
  return top.isValid() ? top.row() : 0;
}

}  // namespace

void MainWindow::LimitFieldBytes(int index) {
  QLineEdit* box = tagFields[static_cast<std::size_t>(index)];
  const QString s = box->text();
  const int limit = fieldByteLimits[static_cast<std::size_t>(index)];
  const int caret = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
  if (s.isEmpty() || limit <= 0) return;

  auto cutTo = [&](qsizetype keep) {
    // Never leave half of a surrogate pair behind.
    if (keep > 0 && keep < s.size() && s[keep - 1].isHighSurrogate() && s[keep].isLowSurrogate()) --keep;
    box->setText(s.left(keep));
    box->setCursorPosition(std::min<int>(caret, static_cast<int>(keep)));
  };
  int count = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    count += cp932::CharBytes(s[i].unicode());
    if (count == limit) {
      // Exactly at the limit: the rest, if any, is cut.
      if (i + 1 < s.size()) {
        cutTo(i + 1);
        ui::Dialogs::Beep();
      }
      return;
    }
    if (count > limit) {
      // A double-byte character crossing the limit goes whole.
      cutTo(i);
      ui::Dialogs::Beep();
      return;
    }
  }
}

void MainWindow::FieldEntered(int index) {
  tagFields[index]->selectAll();
  lastField = index;
}

void MainWindow::FieldLeft(int index) {
  LimitFieldBytes(index);
  // The caret at the start, so that the beginning of a long text stays in view.
  tagFields[index]->setCursorPosition(0);
}

bool MainWindow::FieldKeyDown(int index, QKeyEvent* event) {
  // The shift state is not looked at.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      tagFields[(index + 1) % kFieldCount]->setFocus();
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      MoveListSelection(event->key());
      return true;
    default:
      // The commands' function keys.
      for (const CommandSpec& c : kCommands) {
        if (c.key == Qt::Key_unknown || c.key != event->key()) continue;
        // The field is held to its limit before the tag is written from it.
        if (c.limitsField) LimitFieldBytes(index);
        RunCommand(c.command);
        return c.keyConsumed;
      }
      return false;
  }
}

void MainWindow::MoveListSelection(int key) {
  const int count = static_cast<int>(session_.rows.size());
  if (count == 0) return;
  const int row = session_.selectedRow;
  // A changed selection runs ShowSelectedFile, which shows the file and focuses the title.
  switch (key) {
    case Qt::Key_Up:
      if (row > 0) HighlightRow(row - 1);
      break;
    case Qt::Key_Down:
      if (count - row > 1) HighlightRow(row + 1);
      break;
    case Qt::Key_PageUp: {
      const int target = std::max(row - kPageRows, 0);
      HighlightRow(target);
      if (TopIndex(fileList) > target) fileList->scrollTo(fileRows_->index(target, 0), QAbstractItemView::PositionAtTop);
      break;
    }
    case Qt::Key_PageDown: {
      const int target = std::min(row + kPageRows, count - 1);
      HighlightRow(target);
      if (target < TopIndex(fileList) + 21) fileList->scrollTo(fileRows_->index(target, 0), QAbstractItemView::PositionAtTop);
      break;
    }
    default: break;
  }
}

}  // namespace vq
