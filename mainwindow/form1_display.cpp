// Form1: selecting a file shows its ID3v1 values, the tag marks, the file information,
// its place in the list, and its ID3v2 frames in the reference viewer.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "formats/file_summary.h"
#include "mainwindow/form1.h"
#include "mainwindow/listing_engine.h"
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

QString Form1::FolderPrefix(int row) const {
  QString entry;
  if (!FileNameMode() && row >= 0 && static_cast<std::size_t>(row) < state_.SubfolderEntries.size()) {
    entry = ui::Q(state_.SubfolderEntries[static_cast<std::size_t>(row)]);
  }
  return ui::Q(vq::FolderPrefix(ui::U16(Dir1->path()), ui::U16(entry)));
}

QString Form1::FilePath(int row) const {
  if (row < 0 || row >= List1->count()) return {};
  return FolderPrefix(row) + List1->item(row)->text();
}

void Form1::ShowV2Marks(const QString& version) {
  SetCaption(Label3, QStringLiteral("v2"), QColor(255, 0, 0));
  SetCaption(Label5, version, QColor(255, 0, 0));
}

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
  if (row < 0 || row >= List1->count()) return;
  bool structure = Option1[0]->isChecked();
  if (!structure && !FileNameMode()) return;

  QString name = List1->item(row)->text();
  QString path = FilePath(row);
  std::optional<std::time_t> modified;
  if (static_cast<std::size_t>(row) < state_.FileDates.size() && state_.FileDates[static_cast<std::size_t>(row)] != 0)
    modified = state_.FileDates[static_cast<std::size_t>(row)];

  // Everything is read before anything is shown: a file that cannot be opened or read
  // leaves the display as it was.
  FileSummary summary;
  try {
    summary = ReadFileSummary(ui::PathUtf8(path), modified);
  } catch (const Error& e) {
    if (ReportErrors()) {
      ui::Dialogs::Message(this, QStringLiteral("ファイルを開けません。\r\n") + path + QStringLiteral("\r\n") +
                                     ui::Q(e.description()),
                           ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
    }
    return;
  }

  if (structure) {
    setText1(0, ui::Q(LastComponent(ui::U16(Dir1->path()))));
    QString entry = static_cast<std::size_t>(row) < state_.SubfolderEntries.size()
                        ? ui::Q(state_.SubfolderEntries[static_cast<std::size_t>(row)])
                        : QString();
    setText1(1, entry.mid(1));
  }

  Label3->clear();
  Label5->clear();
  Label6->clear();
  form2().setText1(QString());
  state_.V2TagSize = 0;
  ResetV2FrameTable(state_.V2FrameTable);

  // Too short for an ID3v1 record: the rest of the display keeps the previous file.
  if (summary.tooShort) return;

  setText1(2, name);
  if (summary.v2.present) {
    state_.V2TagSize = summary.v2TagSize;
    ShowV2Marks(ui::Q(V2VersionText(summary.v2)));
    state_.V2FrameTable = std::move(summary.frameTable);
    form2().appendText1(ui::Q(summary.frameListing));
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
  Command1[0]->setEnabled(true);
  Command1[3]->setEnabled(true);

  QString info = ui::Q(summary.infoText);
  info.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Label4->setText(info);

  Text2[0]->setFocus();

  Label7->setText(QStringLiteral("%1/%2 曲").arg(row + 1).arg(List1->count()));
}

}  // namespace vq
