// TagEditorDialog: focus and key handling of the seven fields.
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "widgets/dialogs.h"
#include "windows/editor/tag_editor.h"

namespace vq {

void TagEditorDialog::FieldEntered(int index) {
  QWidget* field = tagFields[static_cast<std::size_t>(index)];
  if (field->isHidden()) return;
  // The caret after the last character, nothing selected.
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->deselect();
    line->end(false);
  } else {
    auto* box = static_cast<QPlainTextEdit*>(field);
    QTextCursor c = box->textCursor();
    c.movePosition(QTextCursor::End);
    box->setTextCursor(c);
    box->ensureCursorVisible();
  }
}

void TagEditorDialog::FieldLeft(int index) {
  const QString before = fieldText(index);
  QString s = before;
  const QString crlf = QStringLiteral("\r\n");
  while (s.startsWith(crlf)) s.remove(0, 2);
  while (s.endsWith(crlf)) s.chop(2);
  // Untouched when there is nothing to remove, so the caret and the view stay.
  if (s != before) setFieldText(index, s);
}

bool TagEditorDialog::FieldKeyDown(int index, QKeyEvent* event) {
  const Qt::KeyboardModifiers shift =
      event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      ui::Dialogs::Yield();
      if (finished_) return true;
      if (shift == Qt::NoModifier) {
        tagFields[static_cast<std::size_t>((index + 1) % kEditorFieldCount)]->setFocus(Qt::OtherFocusReason);
      } else if (shift == Qt::ShiftModifier) {
        // A line break in the multi-line fields; the year and genre fields take none.
        if (auto* box = qobject_cast<QPlainTextEdit*>(tagFields[static_cast<std::size_t>(index)])) {
          QTextCursor c = box->textCursor();
          c.insertText(QStringLiteral("\n"));  // replaces a selection; reads as CR LF
          box->setTextCursor(c);
          box->ensureCursorVisible();
        }
      }
      return true;
    }
    default:
      // The commands' function keys; the key goes on to the field.
      for (const CommandSpec& c : kCommands) {
        if (c.key == Qt::Key_unknown || c.key != event->key()) continue;
        if (c.cleansField) FieldLeft(index);
        RunCommand(c.command);
        break;
      }
      return false;
  }
}

}  // namespace vq
