// MainWindow: drive and folder changes, the next-folder button, the two naming modes and the
// file list with its subfolder entries and dates.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "windows/main/file_list_model.h"
#include "windows/main/main_window.h"
#include "session/listing.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "widgets/dialogs.h"
#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "widgets/qt_text.h"

namespace vq {

void MainWindow::ConnectListing() {
  connect(driveBox, &ui::DriveList::changed, this, &MainWindow::OpenSelectedDrive);
  connect(folderTree, &ui::FolderList::changed, this, &MainWindow::ListCurrentFolder);
  folderTree->openHandler = [this](const std::string& path) { RunOrHold([this, path] { OpenFolder(path); }); };
  driveBox->chooseHandler = [this](const std::string& mountPoint) {
    RunOrHold([this, mountPoint] { ChooseDrive(mountPoint); });
  };
  connect(nextFolderButton, &QPushButton::clicked, this, [this] { RunOrHold([this] { OpenNextFolder(); }); });
  for (int i = 0; i < 2; ++i) {
    connect(modeButtons[i], &QRadioButton::toggled, this, [this, i](bool checked) {
      if (!checked) return;
      if (holding_) {
        // Keep showing the mode the list is being built for; the change follows.
        QSignalBlocker b0(modeButtons[0]), b1(modeButtons[1]);
        modeButtons[1 - i]->setChecked(true);
        heldBack_.push_back([this, i] { SelectMode(i); });
        return;
      }
      ApplyMode(i);
    });
  }
  connect(unicodeBox, &QCheckBox::toggled, this, [this](bool checked) {
    session_.unicodeV2 = checked;
    UnicodeBoxToggled();
  });
  connect(keepDateBox, &QCheckBox::toggled, this, [this](bool checked) {
    session_.keepDate = checked;
    KeepDateBoxToggled();
  });
  connect(fileList->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
    // The commands act on the highlighted row, also while its file is being read.
    session_.selectedRow = current.isValid() ? current.row() : -1;
    ShowSelectedFile();
  });
}

bool MainWindow::FileNameMode() const { return session_.fileNameMode; }

// ---------------------------------------------------------------- held-back changes

void MainWindow::RunOrHold(std::function<void()> action) {
  if (holding_) {
    heldBack_.push_back(std::move(action));
  } else {
    action();
  }
}

void MainWindow::DrainHeldBack() {
  while (!holding_ && !ended_ && !heldBack_.empty()) {
    auto action = std::move(heldBack_.front());
    heldBack_.erase(heldBack_.begin());
    action();
  }
}

// ---------------------------------------------------------------- drive and folder

bool MainWindow::OpenFolder(const std::string& path) {
  QString error;
  if (folderTree->setPath(path, &error)) return true;
  if (ReportErrors()) {
    ui::Dialogs::Message(this,
                         QStringLiteral("フォルダを開けません。\r\n") + ui::Q(DecodePath(CleanFolderPath(path))) +
                             QStringLiteral("\r\n") + error,
                         ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
  }
  // The previous folder stays, and so does its volume.
  driveBox->showVolumeOf(folderTree->path());
  return false;
}

void MainWindow::ChooseDrive(const std::string& mountPoint) {
  if (mountPoint == driveBox->drive()) return;
  if (!driveBox->setDrive(mountPoint)) {
    // Not mounted (any more).
    if (ReportErrors()) {
      ui::Dialogs::Message(this, QStringLiteral("ドライブを読み取れません。\r\n") + ui::Q(DecodePath(mountPoint)),
                           ui::MsgButtons::Ok,
                           QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
    }
    driveBox->showVolumeOf(folderTree->path());
  }
}

void MainWindow::OpenSelectedDrive() {
  // The folder last used on the volume, else its mount point.
  const std::string volume = driveBox->drive();
  std::string target = volume;
  if (auto it = lastFolderOnVolume_.find(volume); it != lastFolderOnVolume_.end()) target = it->second;
  QString error;
  if (folderTree->setPath(target, &error)) return;
  if (target != volume && folderTree->setPath(volume, &error)) return;
  if (ReportErrors()) {
    ui::Dialogs::Message(this, QStringLiteral("ドライブを読み取れません。\r\n") + ui::Q(DecodePath(volume)) +
                                   QStringLiteral("\r\n") + error,
                         ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
  }
  driveBox->showVolumeOf(folderTree->path());
}

void MainWindow::ListCurrentFolder() {
  ++listRuns_;
  const std::string path = folderTree->path();
  session_.folder = path;
  driveBox->showVolumeOf(path);
  lastFolderOnVolume_[driveBox->drive()] = path;

  if (!FileNameMode()) {
    NextFolderResult next = FindNextFolder(path);
    nextFolder = next.next;
    if (next.deepEnough && !next.next.empty()) {
      QString caption = ui::Q(NextFolderCaption(next.position, next.count));
      nextFolderButton->setText(caption);
      nextFolderButton->setAccessibleName(caption);
      nextFolderButton->setEnabled(true);
    } else {
      // The caption stays as it was.
      nextFolderButton->setEnabled(false);
    }
    nextFolderButton->setVisible(true);
    ListSubfolderFiles();
  } else {
    nextFolderButton->setVisible(false);
    ListFolderFiles();
  }
}

void MainWindow::OpenNextFolder() {
  if (nextFolder.empty()) return;
  OpenFolder(nextFolder);
}

// ---------------------------------------------------------------- modes and check box

void MainWindow::SelectMode(int index) {
  if (index < 0 || index > 1 || modeButtons[index]->isChecked()) return;
  modeButtons[index]->setChecked(true);  // raises ApplyMode
}

void MainWindow::ApplyMode(int index) {
  bool structure = index == 0;
  session_.fileNameMode = !structure;
  fileInfoFields[0]->setVisible(structure);
  fileInfoFields[1]->setVisible(structure);
  commandButtons[7]->setEnabled(structure);
  ListCurrentFolder();
  tagFields[lastField]->setFocus();
}

void MainWindow::KeepDateBoxToggled() {
  if (keepDateBox->isVisible()) tagFields[lastField]->setFocus();
}

void MainWindow::UnicodeBoxToggled() {
  if (unicodeBox->isVisible()) tagFields[lastField]->setFocus();
}

// ---------------------------------------------------------------- the file list

void MainWindow::ListFolderFiles() {
  fillingList = true;
  holding_ = true;
  session_.selectedRow = -1;
  fileRows_->Clear();

  const std::string folder = folderTree->path();
  std::vector<ListedFile> rows;
  try {
    rows = ListOwnFiles(folder);
  } catch (const Error& e) {
    if (ReportErrors()) {
      ui::Dialogs::Message(this, QStringLiteral("フォルダを開けません。\r\n") + ui::Q(DecodePath(folder)) +
                                     QStringLiteral("\r\n") + ui::Q(e.description()),
                           ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
    }
  }

  int readOnlyRow = -1;
  fileRows_->Reserve(rows.size());
  for (std::size_t i = 0; i < rows.size() && !ended_; ++i) {
    if (rows[i].readOnly) readOnlyRow = static_cast<int>(i);
    fileRows_->Append(std::move(rows[i]));
    // Queued input runs after each file; selections are ignored while fillingList is set.
    ui::Dialogs::Yield();
  }
  fillingList = false;
  if (!ended_) FinishList(readOnlyRow);
  holding_ = false;
  DrainHeldBack();
}

void MainWindow::ListSubfolderFiles() {
  fillingList = true;
  session_.selectedRow = -1;
  fileRows_->Clear();  // the previous rows go before the new ones are read
  fileRows_->Replace(ListFilesWithSubfolders(folderTree->path()));
  fillingList = false;
  FinishList(LastReadOnlyRow(session_.rows));
}

void MainWindow::FinishList(int readOnlyRow) {
  if (readOnlyRow < 0) {
    if (!session_.rows.empty()) SelectFile(0);
    return;
  }
  SelectFile(readOnlyRow);
  if (!ended_) {
    ui::Dialogs::Message(this, QStringLiteral("選択されているファイルが読取専用になっています"), ui::MsgButtons::Ok);
  }
}

}  // namespace vq
