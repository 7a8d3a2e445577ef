// MainWindow: selecting a file shows its ID3v1 values, the tag marks, the file information,
// its place in the list, and its ID3v2 frames in the reference viewer.
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

#include "formats/file_summary.h"
#include "windows/main/file_list_model.h"
#include "windows/main/main_window.h"
#include "session/listing.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "widgets/dialogs.h"
#include "widgets/folder_list.h"
#include "widgets/qt_text.h"
#include "windows/viewer/reference_viewer.h"

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

void MainWindow::ShowV2Marks(const QString& version) {
  SetCaption(v2Mark, QStringLiteral("v2"), QColor(255, 0, 0));
  SetCaption(v2VersionMark, version, QColor(255, 0, 0));
}

void MainWindow::ShowFrameListing() { viewer().showSelectedFile(session_); }

void MainWindow::SelectFile(int row) {
  if (row == session_.selectedRow) {
    ShowSelectedFile();
  } else {
    HighlightRow(row);
  }
}

void MainWindow::HighlightRow(int row) { fileList->setCurrentIndex(fileRows_->index(row, 0)); }

void MainWindow::ShowSelectedFile() {
  if (fillingList) return;
  const int row = session_.selectedRow;
  const ListedFile* listed = session_.Row(row);
  if (!listed) return;
  const bool structure = !session_.fileNameMode;

  const std::string path = session_.FilePath(row);
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
    setFileInfoText(0, ui::Q(session_.ShownFolderName()));
    setFileInfoText(1, ui::Q(listed->subfolderName));
  }

  v2Mark->clear();
  v2VersionMark->clear();
  v1Mark->clear();
  session_.ClearSelectedTags();
  ShowFrameListing();

  // Too short for an ID3v1 record: the reading stops here, and the display shows this
  // file with empty fields.
  if (summary.tooShort) {
    ShowTooShortFile(row, summary);
    return;
  }

  setFileInfoText(2, ui::Q(listed->displayName));
  const bool hasV2 = summary.v2.present;
  const QString version = ui::Q(V2VersionText(summary.v2));
  session_.TakeSummary(summary);
  if (hasV2) {
    ShowV2Marks(version);
    ShowFrameListing();
  }

  if (summary.v1) {
    const ID3v1Values& v1 = *summary.v1;
    const std::u16string* stored[] = {&v1.title, &v1.artist, &v1.album};
    for (int i = 0; i < 3; ++i) {
      storedValueLabels[i]->setText(CutAtNul(*stored[i]));
      tagFields[i]->setText(CutAtNul(*stored[i]));
    }
    tagFields[3]->setText(CutAtNul(v1.comment));
    tagFields[4]->setText(CutAtNul(v1.year));
    tagFields[5]->setText(QString::number(v1.genre));
    SetCaption(v1Mark, QStringLiteral("v1"), QColor(0, 0, 0));
  } else {
    for (int i = 0; i < 3; ++i) storedValueLabels[i]->clear();
    for (int i = 0; i < 5; ++i) tagFields[i]->clear();
    tagFields[5]->setText(QStringLiteral("0"));
  }
  ShowInformation(row, summary);
}

void MainWindow::ShowTooShortFile(int row, const FileSummary& summary) {
  setFileInfoText(2, ui::Q(session_.ShownFileName(row)));
  for (int i = 0; i < 3; ++i) storedValueLabels[i]->clear();
  for (auto* field : tagFields) field->clear();
  ShowInformation(row, summary);
}

void MainWindow::ShowInformation(int row, const FileSummary& summary) {
  commandButtons[0]->setEnabled(true);
  commandButtons[3]->setEnabled(true);

  QString info = ui::Q(summary.infoText);
  info.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  mpegInfoLabel->setText(info);

  tagFields[0]->setFocus();

  positionLabel->setText(QStringLiteral("%1/%2 曲").arg(row + 1).arg(session_.rows.size()));
}

}  // namespace vq
