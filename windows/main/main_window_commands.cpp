// MainWindow: the function-key commands and their buttons. Every command acts on the
// session's selected file; a command whose button is disabled does nothing.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "windows/passes/batch_dialog.h"
#include "windows/passes/readings_dialog.h"
#include "windows/passes/undo_pass_button.h"
#include "windows/passes/rename_dialog.h"
#include "windows/passes/unicode_dialog.h"
#include "formats/id3v1.h"
#include "windows/main/main_window.h"
#include "platform/fileio.h"
#include "widgets/dialogs.h"
#include "widgets/folder_list.h"
#include "widgets/qt_text.h"
#include "widgets/shell.h"
#include "widgets/window_frame.h"
#include "session/frame_roles.h"
#include "session/messages.h"
#include "windows/editor/tag_editor.h"
#include "windows/viewer/reference_viewer.h"

namespace vq {

const MainWindow::CommandSpec MainWindow::kCommands[9] = {
    {Command::FillFromNames, Qt::Key_F7, false, true, u"ﾌｧｲﾙ参照(F7)", 1680, 7200, true, &MainWindow::FillFromNames},
    {Command::WriteV1, Qt::Key_F9, true, true, u"v1更新(F9)", 3360, 7200, true, &MainWindow::WriteV1Tag},
    {Command::OpenV2Editor, Qt::Key_F11, false, true, u"v2入力(F11)", 5040, 7200, true, &MainWindow::OpenV2Editor},
    {Command::Play, Qt::Key_F6, false, true, u"演奏(F6)", 0, 7680, false, &MainWindow::PlayFile},
    {Command::FillFromV2, Qt::Key_F8, false, true, u"v2参照(F8)", 1680, 7680, true, &MainWindow::FillFromV2Listing},
    {Command::RestoreStored, Qt::Key_F4, false, true, u"やり直し(F4)", 3360, 7680, true, &MainWindow::RestoreStoredValues},
    // Never enabled, no action; the fields do not handle F3.
    {Command::DeleteV1, Qt::Key_unknown, false, true, u"v1削除(F3)", 5040, 7680, false, nullptr},
    {Command::OpenBatch, Qt::Key_F10, false, true, u"自動処理(F10)", 6720, 7680, true, &MainWindow::OpenBatch},
    // The quit question; the key itself goes on to the field.
    {Command::Quit, Qt::Key_F12, false, false, u"終了(F12)", 8400, 7680, true, &MainWindow::Quit},
};

void MainWindow::RunCommand(Command command) {
  const auto index = static_cast<std::size_t>(command);
  if (index >= commandButtons.size()) return;
  // A command does nothing while its button is disabled, whatever the source.
  if (!commandButtons[index]->isEnabled()) return;
  const auto* spec = std::find_if(std::begin(kCommands), std::end(kCommands),
                                  [command](const CommandSpec& c) { return c.command == command; });
  if (!spec->action) return;
  try {
    (this->*spec->action)();
  } catch (const Error& e) {
    // The command ends at the failing step; a file it opened is closed by then.
    const int row = session_.selectedRow;
    const UserMessage m = FileErrorMessage(e, session_.ShownFolderPrefix(row), session_.ShownFileName(row));
    ui::Dialogs::Notice(this, m.text, m.caption);
  }
}

// ---------------------------------------------------------------- 1 "終了(F12)"

// Closing runs the quit question and the save.
void MainWindow::Quit() { close(); }

// ---------------------------------------------------------------- 0 "v1更新(F9)"

void MainWindow::WriteV1Tag() {
  const int row = session_.selectedRow;
  const std::string path = session_.FilePath(row);
  {
    RawFile file(path, RawFile::Mode::ReadWrite);
    // A file that has a tag ("v1") has it replaced, otherwise a new one is appended.
    const bool replacing = session_.hasV1;
    ID3v1Fields fields;
    fields.title = ui::U16(tagFields[0]->text());
    fields.artist = ui::U16(tagFields[1]->text());
    fields.album = ui::U16(tagFields[2]->text());
    fields.comment = ui::U16(tagFields[3]->text());
    fields.year = ui::U16(tagFields[4]->text());
    fields.genre = ui::U16(tagFields[5]->text());
    // The genre is converted first: one that is no number in 0-255 stops the command
    // before the stored values change or a byte is written.
    const ID3v1Record record = BuildID3v1FromFields(fields, replacing);
    const bool appended = WriteID3v1(file, record, replacing);

    // The record is in the file: the stored values are the new ones for "やり直し(F4)",
    // and a file that got a tag now has one, so a further update replaces it.
    for (int i = 0; i < 3; ++i) storedValueLabels[i]->setText(tagFields[i]->text());
    if (appended) {
      session_.hasV1 = true;
      QPalette p = v1Mark->palette();
      p.setColor(QPalette::WindowText, QColor(0, 0, 0));
      v1Mark->setPalette(p);
      v1Mark->setText(QStringLiteral("v1"));
    }
    file.Close();
  }

  // The file is closed before its times are put back to the listed date.
  // 0: the date could not be read when the list was built; there is nothing to restore.
  if (const std::time_t date = session_.DateToKeep(row)) SetFileTimes(path, date, session_.Row(row)->modifiedNs);
  tagFields[0]->setFocus();
}

// ---------------------------------------------------------------- 2 "やり直し(F4)"

void MainWindow::RestoreStoredValues() {
  setFileInfoText(2, ui::Q(session_.ShownFileName(session_.selectedRow)));
  // Title, artist and album go back to the stored values; comment, year and genre stay.
  for (int i = 0; i < 3; ++i) tagFields[i]->setText(storedValueLabels[i]->text());
  tagFields[lastField]->setFocus();
}

// ---------------------------------------------------------------- 3 "演奏(F6)"

void MainWindow::PlayFile() {
  const int row = session_.selectedRow;
  // The player starts in the current folder, also for a file in a subfolder; whether it
  // starts is not looked at. Without a selected file there is nothing to play.
  if (session_.Row(row)) ui::Shell::OpenWithAssociated(session_.FilePath(row), session_.folder);
  tagFields[lastField]->setFocus();
}

// ---------------------------------------------------------------- 4 "ﾌｧｲﾙ参照(F7)"

void MainWindow::FillFromNames() {
  // The file name without its extension and dot (its last four characters).
  auto stem = [this] {
    const QString name = fileInfoText(2);
    if (name.size() < 4) throw Error(ErrorKind::InvalidArgument);
    return name.left(name.size() - 4);
  };
  const bool structure = !FileNameMode();
  // Only empty fields are filled; a field holding a space is not empty.
  if (tagFields[0]->text().isEmpty()) tagFields[0]->setText(stem());
  if (tagFields[1]->text().isEmpty()) tagFields[1]->setText(structure ? fileInfoText(0) : stem());
  if (tagFields[2]->text().isEmpty()) tagFields[2]->setText(structure ? fileInfoText(1) : stem());
  tagFields[lastField]->setFocus();
}

// ---------------------------------------------------------------- 5 "v2参照(F8)"

void MainWindow::FillFromV2Listing() {
  if (session_.v2Frames.empty()) return;
  // A later frame of the same field overwrites an earlier one.
  const auto values = FieldsFromFrames(session_.v2Frames);
  for (std::size_t field = 0; field < values.size(); ++field)
    if (values[field]) tagFields[field]->setText(ui::Q(*values[field]));
  tagFields[0]->setFocus();
}

// ---------------------------------------------------------------- 6 "v2入力(F11)", 7 "自動処理(F10)"

TagEditorLink MainWindow::EditorLink() {
  TagEditorLink link;
  for (int i = 0; i < 3; ++i) link.main.names[static_cast<std::size_t>(i)] = ui::U16(fileInfoText(i));
  for (int i = 0; i < 6; ++i) link.main.v1Fields[static_cast<std::size_t>(i)] = ui::U16(tagFields[i]->text());
  link.main.fileNameMode = FileNameMode();
  link.mainOuter = frameGeometry().size();
  link.viewerOuter = viewer().frameGeometry().size();
  link.decoration = ui::FrameExtra(this);
  if (QScreen* screen = this->screen()) link.workArea = screen->availableGeometry();
  return link;
}

BatchDialogLink MainWindow::BatchLink() {
  BatchDialogLink link;
  link.mainFrame = frameGeometry();
  link.decoration = ui::FrameExtra(this);
  return link;
}

void MainWindow::ShowEditorResult(const TagEditorResult& result) {
  if (result.headerWritten) ShowV2Marks(QStringLiteral("3.0"));
  if (result.tableRebuilt) ShowFrameListing();
}

void MainWindow::ShowBatchResult(const std::optional<PassResult>& result) {
  // After a pass the selected file is shown as it is now.
  if (result && session_.selectedRow >= 0) SelectFile(session_.selectedRow);
}

void MainWindow::ShowUnicodeResult(const std::optional<UnicodeResult>&) {
  if (session_.selectedRow >= 0) SelectFile(session_.selectedRow);
}

void MainWindow::OpenV2Editor() {
  {
    TagEditorDialog w(session_, EditorLink(), this);
    ui::Dialogs::Exec(&w);
    ShowEditorResult(w.result());
  }
  // The window took the keyboard; it comes back here with the field.
  RestoreFieldFocus();
}

void MainWindow::OpenBatch() {
  if (!session_.rows.empty()) {
    BatchDialog w(session_, BatchLink(), this);
    ui::Dialogs::Exec(&w);
    ShowBatchResult(w.result());
    // Files put back by the window's undo are shown as they are now too.
    if (!w.result() && w.undoButton->undone() && session_.selectedRow >= 0) SelectFile(session_.selectedRow);
    // The window took the keyboard; it comes back here with the field.
    activateWindow();
  }
  tagFields[lastField]->setFocus();
}

void MainWindow::OpenUnicodeConversion() {
  if (session_.rows.empty()) return;
  {
    UnicodeConversionDialog w(session_, this);
    ui::Dialogs::Exec(&w);
    ShowUnicodeResult(w.result());
  }
  // The window took the keyboard; it comes back here with the field.
  RestoreFieldFocus();
}

void MainWindow::OpenRename() {
  if (session_.rows.empty()) return;
  // The selected file is found again by what it is, whatever its name becomes.
  const std::optional<FileIdentity> selected =
      session_.Selected() ? IdentityOf(session_.FilePath(session_.selectedRow)) : std::nullopt;
  bool renamed = false;
  {
    RenameDialog w(session_, this);
    ui::Dialogs::Exec(&w);
    renamed = w.result() || w.undoButton->undone();
  }
  if (renamed && !session_.endRequested) ShowRenamedListing(selected);
  // The window took the keyboard; it comes back here with the field.
  RestoreFieldFocus();
}

void MainWindow::ShowRenamedListing(const std::optional<FileIdentity>& selected) {
  // The folder itself keeps its name (and so does Path.dat's); its subfolders and files
  // are read again, and the list selects the same file under its new name when it is
  // still listed.
  folderTree->setPath(session_.folder);
  ListCurrentFolder();
  if (!selected) return;
  for (int row = 0; row < static_cast<int>(session_.rows.size()); ++row) {
    const std::optional<FileIdentity> id = IdentityOf(session_.FilePath(row));
    if (id && id->device == selected->device && id->inode == selected->inode) {
      if (row != session_.selectedRow) SelectFile(row);
      return;
    }
  }
}

void MainWindow::OpenReadings() {
  if (session_.rows.empty()) return;
  {
    ReadingsDialog w(session_, {}, this);
    ui::Dialogs::Exec(&w);
    // After a pass, or files put back by the window's undo, the selected file is shown as
    // it is now.
    if ((w.result() || w.undoButton->undone()) && session_.selectedRow >= 0) SelectFile(session_.selectedRow);
  }
  RestoreFieldFocus();
}

void MainWindow::RestoreFieldFocus() {
  activateWindow();
  tagFields[lastField]->setFocus();
}

}  // namespace vq
