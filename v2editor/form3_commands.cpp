// Form3: the commands of the Command1 buttons, reached by click or by the fields'
// function keys.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "formats/id3v2_writer.h"
#include "mainwindow/form1.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/qt_text.h"
#include "session/messages.h"
#include "v2editor/editor_tag.h"
#include "v2editor/form3.h"
#include "viewer/form2.h"

namespace vq {

namespace {

// The write reaches the user through the editor: the main window's marks, message boxes
// and the event-loop yield.
class EditorReporter : public WriteReporter {
 public:
  EditorReporter(Form3& window, Form1& main) : window_(window), main_(main) {}

  void ShowV2Marks() override { main_.ShowV2Marks(QStringLiteral("3.0")); }
  void ReportUpdateError(const std::u16string& folderPrefix, const std::u16string& fileName) override {
    ui::Dialogs::Message(&window_, ui::Q(UpdateErrorText(folderPrefix, fileName)), ui::MsgButtons::Ok,
                         QString::fromUtf16(kUpdateErrorCaption));
  }
  void ReportError(const std::u16string& description) override {
    ui::Dialogs::Message(&window_, ui::Q(description));
  }
  void Yield() override { ui::Dialogs::Yield(); }

 private:
  Form3& window_;
  Form1& main_;
};

QString WithoutTrailingSpaces(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
  return s.left(n);
}

}  // namespace

void Form3::EnableCommands(bool enabled) {
  for (int i = 0; i < 4; ++i) Command1[static_cast<std::size_t>(i)]->setEnabled(enabled);
}

void Form3::Command1_Click(int index) {
  // One command at a time: a function key pressed while the write lets events run, or
  // after the window was closed, starts nothing.
  if (running_ || finished_ || index < 0 || index > 5) return;
  running_ = true;
  EnableCommands(false);

  switch (index) {
    case 0:  // "v2更新(F9)"
      WriteTag();
      running_ = false;
      finished_ = true;
      done(QDialog::Accepted);
      return;
    case 3:  // "終了(F12)": nothing is written.
      running_ = false;
      finished_ = true;
      done(QDialog::Rejected);
      return;
    case 1:  // "ﾌｧｲﾙ参照(F7)"
      FillFromNames();
      break;
    case 2:  // "v1参照(F8)"
      FillFromV1();
      break;
    case 4:  // "やり直し(F4)"
      Redo();
      break;
    default:  // "v2削除": never enabled, no action.
      break;
  }
  if (index != 5) Text2[0]->setFocus(Qt::OtherFocusReason);
  EnableCommands(true);
  running_ = false;
}

void Form3::WriteTag() {
  Session& shared = main_.state();

  EditorWriteState state;
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const auto idx = static_cast<std::size_t>(k);
    state.fields[idx] = ui::U16(text2(k));
    state.loaded[idx] = ui::U16(loaded_[idx]);
  }
  state.fieldFrames = fieldFrames_;
  for (int i = 0; i < List1->count(); ++i) state.keptLines.push_back(ui::U16(List1->item(i)->text()));
  state.keptFrames = keptFrames_;

  // The file selected in the main window.
  const int row = main_.List1->currentRow();
  EditorTarget target;
  target.path = main_.FilePath(row);
  target.folderPrefix = ui::U16(main_.ShownFolderPrefix(row));
  target.fileName = ui::U16(main_.ShownFileName(row));
  target.V2TagSize = &shared.V2TagSize;
  target.frameListingEmpty = shared.FrameListing.empty();
  if (const ListedFile* listed = shared.Row(row)) target.recordedDate = listed->modified;
  // A row whose date could not be read has none to put back.
  target.keepDate = main_.Check1->isChecked() && target.recordedDate != 0;

  // A failure is reported by the writer; the table and listing are rebuilt anyway.
  EditorReporter reporter(*this, main_);
  EditorWriteResult result = WriteEditorTag(state, target, reporter);

  for (int i = 0; i < List1->count() && static_cast<std::size_t>(i) < result.keptLines.size(); ++i)
    List1->item(i)->setText(ui::Q(result.keptLines[static_cast<std::size_t>(i)]));

  RebuildFrameTable(state, result, shared.V2FrameTable, shared.FrameListing);
  main_.ShowFrameListing();
}

void Form3::FillIfEmpty(int index, const QString& text) {
  if (text2(index).isEmpty()) setText2(index, text);
}

void Form3::FillFromNames() {
  // The file name without its extension (last four characters); a name shorter than
  // that (no file selected) fills nothing.
  const QString name = main_.text1(2);
  const bool haveName = name.size() >= 4;
  const QString base = haveName ? name.left(name.size() - 4) : QString();
  if (main_.FileNameMode()) {
    if (haveName) {
      FillIfEmpty(0, base);
      FillIfEmpty(1, base);
      FillIfEmpty(2, base);
    }
  } else {
    if (haveName) FillIfEmpty(0, base);
    FillIfEmpty(1, main_.text1(1));  // subfolder
    FillIfEmpty(2, main_.text1(0));  // folder
  }
  // The composer is never filled.
  FillIfEmpty(4, main_.Text2[3]->text());
  FillIfEmpty(5, main_.Text2[4]->text());
  FillIfEmpty(6, main_.Text2[5]->text());
}

void Form3::FillFromV1() {
  // Main window fields: 0 title, 1 artist, 2 album, 3 comment, 4 year, 5 genre.
  FillIfEmpty(0, WithoutTrailingSpaces(main_.Text2[0]->text()));
  FillIfEmpty(1, WithoutTrailingSpaces(main_.Text2[2]->text()));
  FillIfEmpty(2, WithoutTrailingSpaces(main_.Text2[1]->text()));
  FillIfEmpty(4, WithoutTrailingSpaces(main_.Text2[3]->text()));
  FillIfEmpty(5, WithoutTrailingSpaces(main_.Text2[4]->text()));
  FillIfEmpty(6, WithoutTrailingSpaces(main_.Text2[5]->text()));
}

void Form3::Redo() {
  for (int k = 0; k < kEditorFieldCount; ++k) setText2(k, loaded_[static_cast<std::size_t>(k)]);
}

}  // namespace vq
