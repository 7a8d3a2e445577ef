// Form1: drive and folder changes, the next-folder button, the two naming modes and the
// file list with its subfolder entries and dates.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "mainwindow/form1.h"
#include "session/listing.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/drive_list.h"
#include "platform/ui/folder_list.h"
#include "platform/ui/qt_text.h"

namespace vq {

void Form1::ConnectListing() {
  connect(Drive1, &ui::DriveList::changed, this, &Form1::Drive1_Change);
  connect(Dir1, &ui::FolderList::changed, this, &Form1::Dir1_Change);
  Dir1->openHandler = [this](const std::string& path) { RunOrHold([this, path] { OpenFolder(path); }); };
  Drive1->chooseHandler = [this](const std::string& mountPoint) {
    RunOrHold([this, mountPoint] { ChooseDrive(mountPoint); });
  };
  connect(Command2, &QPushButton::clicked, this, [this] { RunOrHold([this] { Command2_Click(); }); });
  for (int i = 0; i < 2; ++i) {
    connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool checked) {
      if (!checked) return;
      if (holding_) {
        // Keep showing the mode the list is being built for; the change follows.
        QSignalBlocker b0(Option1[0]), b1(Option1[1]);
        Option1[1 - i]->setChecked(true);
        heldBack_.push_back([this, i] { SelectMode(i); });
        return;
      }
      Option1_Click(i);
    });
  }
  connect(Check2, &QCheckBox::toggled, this, [this](bool checked) {
    state_.unicodeV2 = checked;
    Check2_Click();
  });
  connect(Check1, &QCheckBox::toggled, this, [this](bool checked) {
    state_.keepDate = checked;
    Check1_Click();
  });
  connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
    // The commands act on the highlighted row, also while its file is being read.
    state_.selectedRow = row;
    List1_Click();
  });
}

bool Form1::FileNameMode() const { return Option1[1]->isChecked(); }

// ---------------------------------------------------------------- held-back changes

void Form1::RunOrHold(std::function<void()> action) {
  if (holding_) {
    heldBack_.push_back(std::move(action));
  } else {
    action();
  }
}

void Form1::DrainHeldBack() {
  while (!holding_ && !ended_ && !heldBack_.empty()) {
    auto action = std::move(heldBack_.front());
    heldBack_.erase(heldBack_.begin());
    action();
  }
}

// ---------------------------------------------------------------- drive and folder

bool Form1::OpenFolder(const std::string& path) {
  QString error;
  if (Dir1->setPath(path, &error)) return true;
  if (ReportErrors()) {
    ui::Dialogs::Message(this,
                         QStringLiteral("フォルダを開けません。\r\n") + ui::Q(DecodePath(CleanFolderPath(path))) +
                             QStringLiteral("\r\n") + error,
                         ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
  }
  // The previous folder stays, and so does its volume.
  Drive1->showVolumeOf(Dir1->path());
  return false;
}

void Form1::ChooseDrive(const std::string& mountPoint) {
  if (mountPoint == Drive1->drive()) return;
  if (!Drive1->setDrive(mountPoint)) {
    // Not mounted (any more).
    if (ReportErrors()) {
      ui::Dialogs::Message(this, QStringLiteral("ドライブを読み取れません。\r\n") + ui::Q(DecodePath(mountPoint)),
                           ui::MsgButtons::Ok,
                           QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
    }
    Drive1->showVolumeOf(Dir1->path());
  }
}

void Form1::Drive1_Change() {
  // The folder last used on the volume, else its mount point.
  const std::string volume = Drive1->drive();
  std::string target = volume;
  if (auto it = lastFolderOnVolume_.find(volume); it != lastFolderOnVolume_.end()) target = it->second;
  QString error;
  if (Dir1->setPath(target, &error)) return;
  if (target != volume && Dir1->setPath(volume, &error)) return;
  if (ReportErrors()) {
    ui::Dialogs::Message(this, QStringLiteral("ドライブを読み取れません。\r\n") + ui::Q(DecodePath(volume)) +
                                   QStringLiteral("\r\n") + error,
                         ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
  }
  Drive1->showVolumeOf(Dir1->path());
}

void Form1::Dir1_Change() {
  ++listRuns_;
  const std::string path = Dir1->path();
  state_.folder = path;
  Drive1->showVolumeOf(path);
  lastFolderOnVolume_[Drive1->drive()] = path;

  if (!FileNameMode()) {
    NextFolderResult next = FindNextFolder(path);
    nextFolder = next.next;
    if (next.deepEnough && !next.next.empty()) {
      QString caption = ui::Q(NextFolderCaption(next.position, next.count));
      Command2->setText(caption);
      Command2->setAccessibleName(caption);
      Command2->setEnabled(true);
    } else {
      // The caption stays as it was.
      Command2->setEnabled(false);
    }
    Command2->setVisible(true);
    ListSubfolderFiles();
  } else {
    Command2->setVisible(false);
    ListFolderFiles();
  }
}

void Form1::Command2_Click() {
  if (nextFolder.empty()) return;
  OpenFolder(nextFolder);
}

// ---------------------------------------------------------------- modes and check box

void Form1::SelectMode(int index) {
  if (index < 0 || index > 1 || Option1[index]->isChecked()) return;
  Option1[index]->setChecked(true);  // raises Option1_Click
}

void Form1::Option1_Click(int index) {
  bool structure = index == 0;
  state_.fileNameMode = !structure;
  Text1[0]->setVisible(structure);
  Text1[1]->setVisible(structure);
  Command1[7]->setEnabled(structure);
  Dir1_Change();
  Text2[lastField]->setFocus();
}

void Form1::Check1_Click() {
  if (Check1->isVisible()) Text2[lastField]->setFocus();
}

void Form1::Check2_Click() {
  if (Check2->isVisible()) Text2[lastField]->setFocus();
}

// ---------------------------------------------------------------- the file list

void Form1::ListFolderFiles() {
  fillingList = true;
  holding_ = true;
  List1->clear();
  state_.rows.clear();

  const std::string folder = Dir1->path();
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
  state_.rows.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size() && !ended_; ++i) {
    List1->addItem(ui::Q(rows[i].displayName));
    if (rows[i].readOnly) readOnlyRow = static_cast<int>(i);
    state_.rows.push_back(std::move(rows[i]));
    // Queued input runs after each file; selections are ignored while fillingList is set.
    ui::Dialogs::Yield();
  }
  fillingList = false;
  if (!ended_) FinishList(readOnlyRow);
  holding_ = false;
  DrainHeldBack();
}

void Form1::ListSubfolderFiles() {
  fillingList = true;
  List1->clear();
  state_.rows = ListFilesWithSubfolders(Dir1->path());
  QStringList names;
  names.reserve(static_cast<qsizetype>(state_.rows.size()));
  for (const auto& row : state_.rows) names << ui::Q(row.displayName);
  List1->addItems(names);
  fillingList = false;
  FinishList(LastReadOnlyRow(state_.rows));
}

void Form1::FinishList(int readOnlyRow) {
  if (readOnlyRow < 0) {
    if (List1->count() > 0) SetListIndex(0);
    return;
  }
  SetListIndex(readOnlyRow);
  if (!ended_) {
    ui::Dialogs::Message(this, QStringLiteral("選択されているファイルが読取専用になっています"), ui::MsgButtons::Ok);
  }
}

}  // namespace vq
