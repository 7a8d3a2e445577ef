// Form1: selecting a file shows its ID3v1 values, the tag marks, the file information,
// its place in the list, and its ID3v2 frames in the reference viewer.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "formats/file_summary.h"
#include "mainwindow/form1.h"
#include "session/listing.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/folder_list.h"
#include "platform/ui/qt_text.h"
#include "viewer/form2.h"

namespace vq {

namespace {

void SetCaption(QLabel* label, const QString& text, const QColor& colour) {
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  label->setText(text);
}

// The single-line fields end their text at the first NUL character (ID3v1 fields that
// another program padded with NUL bytes).
QString CutAtNul(const std::u16string& s) {
  auto end = s.find(u'\0');
  return ui::Q(end == std::u16string::npos ? std::u16string_view(s) : std::u16string_view(s).substr(0, end));
}

}  // namespace

void Form1::ShowV2Marks(const QString& version) {
  SetCaption(Label3, QStringLiteral("v2"), QColor(255, 0, 0));
  SetCaption(Label5, version, QColor(255, 0, 0));
}

void Form1::ShowFrameListing() { form2().setText1(ui::Q(state_.FrameListing)); }

void Form1::SetListIndex(int row) {
  if (row == List1->currentRow()) {
    List1_Click();
  } else {
    List1->setCurrentRow(row);
  }
}

void Form1::List1_Click() {
  if (fillingList) return;
  int row = List1->currentRow();
  const ListedFile* listed = state_.Row(row);
  if (!listed || row >= List1->count()) return;
  bool structure = Option1[0]->isChecked();
  if (!structure && !FileNameMode()) return;

  const std::string path = state_.FilePath(row);
  std::optional<std::time_t> modified;
  if (listed->modified != 0) modified = listed->modified;

  // Everything is read before anything is shown: a file that cannot be opened or read
  // leaves the display as it was.
  FileSummary summary;
  try {
    summary = ReadFileSummary(path, modified);
  } catch (const Error& e) {
    if (ReportErrors()) {
      ui::Dialogs::Message(this, QStringLiteral("ファイルを開けません。\r\n") + ui::Q(DecodePath(path)) +
                                     QStringLiteral("\r\n") + ui::Q(e.description()),
                           ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
    }
    return;
  }

  if (structure) {
    setText1(0, ui::Q(state_.ShownFolderName()));
    setText1(1, ui::Q(listed->subfolderName));
  }

  Label3->clear();
  Label5->clear();
  Label6->clear();
  state_.ClearSelectedTags();
  ShowFrameListing();

  // Too short for an ID3v1 record: the reading stops here, and the display shows this
  // file with empty fields.
  if (summary.tooShort) {
    ShowTooShortFile(row, summary);
    return;
  }

  setText1(2, ui::Q(listed->displayName));
  const bool hasV2 = summary.v2.present;
  const QString version = ui::Q(V2VersionText(summary.v2));
  state_.TakeSummary(summary);
  if (hasV2) {
    ShowV2Marks(version);
    ShowFrameListing();
  }

  if (summary.v1) {
    const ID3v1Values& v1 = *summary.v1;
    const std::u16string* stored[] = {&v1.title, &v1.artist, &v1.album};
    for (int i = 0; i < 3; ++i) {
      Label2[i]->setText(CutAtNul(*stored[i]));
      Text2[i]->setText(CutAtNul(*stored[i]));
    }
    Text2[3]->setText(CutAtNul(v1.comment));
    Text2[4]->setText(CutAtNul(v1.year));
    Text2[5]->setText(QString::number(v1.genre));
    SetCaption(Label6, QStringLiteral("v1"), QColor(0, 0, 0));
  } else {
    for (int i = 0; i < 3; ++i) Label2[i]->clear();
    for (int i = 0; i < 5; ++i) Text2[i]->clear();
    Text2[5]->setText(QStringLiteral("0"));
  }
  ShowInformation(row, summary);
}

void Form1::ShowTooShortFile(int row, const FileSummary& summary) {
  setText1(2, ui::Q(state_.ShownFileName(row)));
  for (int i = 0; i < 3; ++i) Label2[i]->clear();
  for (auto* field : Text2) field->clear();
  ShowInformation(row, summary);
}

void Form1::ShowInformation(int row, const FileSummary& summary) {
  Command1[0]->setEnabled(true);
  Command1[3]->setEnabled(true);

  QString info = ui::Q(summary.infoText);
  info.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Label4->setText(info);

  Text2[0]->setFocus();

  Label7->setText(QStringLiteral("%1/%2 曲").arg(row + 1).arg(List1->count()));
}

}  // namespace vq
