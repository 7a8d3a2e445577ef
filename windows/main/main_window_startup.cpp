// MainWindow: the window's arrangement, start-up with the restore from "Path.dat", and the
// quit question with the save.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

#include "windows/passes/rename_dialog.h"
#include "windows/passes/readings_dialog.h"
#include "windows/passes/unicode_dialog.h"
#include "windows/main/file_list_model.h"
#include "windows/main/main_window.h"
#include "platform/app_paths.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/path_dat.h"
#include "widgets/check_box.h"
#include "widgets/dialogs.h"
#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "widgets/focus.h"
#include "widgets/fonts.h"
#include "widgets/line_label.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "widgets/window_frame.h"
#include "windows/viewer/reference_viewer.h"

namespace vq {

using ui::TwipsRect;

namespace {

constexpr int kClientWidthTwips = 11070;
constexpr int kClientHeightTwips = 8115;

QString Indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

}  // namespace

MainWindow::MainWindow(Session& session, MainWindowSetup setup, QWidget* parent)
    : QWidget(parent), session_(session) {
  programFolder_ = setup.programFolder.empty() ? ProgramFolder() : setup.programFolder;
  reference_viewer_ = std::make_unique<ReferenceViewer>(programFolder_);
  BuildLayout();

  // The lists show the working folder until the settings or the user move them.
  const std::string start = setup.startFolder.empty() ? FirstRunFolder() : setup.startFolder;
  if (!folderTree->setPath(start)) folderTree->setPath("/");
  session_.folder = folderTree->path();
  driveBox->showVolumeOf(folderTree->path());
  lastFolderOnVolume_[driveBox->drive()] = folderTree->path();

  ConnectListing();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildLayout() {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("Velquist"));
  setFont(ui::ProportionalFont());
  setFixedSize(ui::Twips(kClientWidthTwips), ui::Twips(kClientHeightTwips));

  driveBox = ui::PlaceTwips(new ui::DriveList(this), QStringLiteral("driveBox"), 0, 0, 2655, 345);
  driveBox->setAccessibleName(QStringLiteral("ドライブ"));
  folderTree = ui::PlaceTwips(new ui::FolderList(this), QStringLiteral("folderTree"), 0, 360, 2655, 2640);
  folderTree->setAccessibleName(QStringLiteral("フォルダ"));
  fileList = ui::PlaceTwips(new QListView(this), QStringLiteral("fileList"), 0, 3000, 5415, 4110);
  fileList->setAccessibleName(QStringLiteral("ファイル"));
  fileList->setSelectionMode(QAbstractItemView::SingleSelection);
  fileRows_ = new FileListModel(session_.rows, fileList);
  fileList->setItemDelegate(new UniformRowDelegate(*fileRows_, fileList));
  fileList->setUniformItemSizes(true);
  fileList->setModel(fileRows_);

  keepDateBox = ui::PlaceTwips(new ui::WrappingCheckBox(QStringLiteral("ファイルの更新で日付を変更しない"), this), QStringLiteral("keepDateBox"), 2760,
                 40, 2655, 495);
  keepDateBox->setAccessibleName(keepDateBox->text());
  keepDateBox->setChecked(false);

  // Beyond the design's controls: ID3v2 texts in Unicode for players and taggers that
  // follow the ID3v2 standard. The column under keepDateBox is full (mpegInfoLabel, nextFolderButton), so
  // the box takes the nearest free space: under the album caption, left of the album
  // field and above the comment frame, its caption on two lines.
  unicodeBox = ui::PlaceTwips(new ui::HangingCaptionCheckBox(QStringLiteral("ID3v2をUnicodeで書く"), this),
                          QStringLiteral("unicodeBox"), 5490, 5805, 1395, 510);
  unicodeBox->setAccessibleName(unicodeBox->text());
  unicodeBox->setChecked(false);

  separatorLine = new QFrame(this);
  separatorLine->setObjectName(QStringLiteral("separatorLine"));
  separatorLine->setGeometry(ui::Twips(2760), ui::Twips(600), ui::Twips(5400) - ui::Twips(2760), 1);
  separatorLine->setFrameShape(QFrame::NoFrame);
  separatorLine->setAutoFillBackground(true);
  {
    QPalette p = separatorLine->palette();
    p.setColor(QPalette::Window, Qt::black);
    separatorLine->setPalette(p);
  }

  // Seven lines and a wrapped date fit at one font height per line.
  mpegInfoLabel = ui::PlaceTwips(new ui::LineLabel(this), QStringLiteral("mpegInfoLabel"), 2760, 720, 2655, 1815);

  nextFolderButton = ui::PlaceTwips(new QPushButton(QStringLiteral("次フォルダ"), this), QStringLiteral("nextFolderButton"), 2760, 2600, 2535,
                   375);
  nextFolderButton->setAccessibleName(nextFolderButton->text());
  nextFolderButton->setAutoDefault(false);

  modeGroup = ui::PlaceTwips(new QGroupBox(this), QStringLiteral("modeGroup"), 5520, 0, 4335, 615);
  modeButtons[0] = ui::PlaceTwips(new QRadioButton(QStringLiteral("階層フォルダ構造"), modeGroup), Indexed("modeButtons", 0), 240, 240,
                     2055, 255);
  modeButtons[1] = ui::PlaceTwips(new QRadioButton(QStringLiteral("ファイル名"), modeGroup), Indexed("modeButtons", 1), 2760, 240, 1455, 255);
  for (auto* o : modeButtons) o->setAccessibleName(o->text());
  modeButtons[0]->setChecked(true);

  fileInfoGroup = ui::PlaceTwips(new QGroupBox(QStringLiteral("ファイル情報"), this), QStringLiteral("fileInfoGroup"), 5520, 720, 5415, 2415);
  fileInfoGroup->setAccessibleName(fileInfoGroup->title());
  const char16_t* infoCaptions[] = {u"フォルダ名", u"ｻﾌﾞﾌｫﾙﾀﾞ名", u"ファイル名"};
  const int infoTops[] = {360, 960, 1560};
  for (int i = 0; i < 3; ++i) {
    QString caption = QString::fromUtf16(infoCaptions[i]);
    captionLabels[i] = ui::PlaceTwips(new QLabel(caption, fileInfoGroup), Indexed("captionLabels", i), 120, infoTops[i], 1095, 375);
    captionLabels[i]->setAccessibleName(caption);
  }
  for (int i = 0; i < 2; ++i) {
    auto* box = ui::PlaceTwips(new QLineEdit(fileInfoGroup), Indexed("fileInfoFields", i), 1440, infoTops[i], 3855, 375);
    box->setAccessibleName(captionLabels[i]->text());
    fileInfoFields[i] = box;
  }
  {
    auto* box = ui::PlaceTwips(new QPlainTextEdit(fileInfoGroup), Indexed("fileInfoFields", 2), 1440, 1560, 3855, 735);
    box->setAccessibleName(captionLabels[2]->text());
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fileInfoFields[2] = box;
  }

  v1Mark = ui::PlaceTwips(new QLabel(this), QStringLiteral("v1Mark"), 9960, 45, 375, 375);
  v2Mark = ui::PlaceTwips(new QLabel(this), QStringLiteral("v2Mark"), 9960, 405, 375, 375);
  v2VersionMark = ui::PlaceTwips(new QLabel(this), QStringLiteral("v2VersionMark"), 10320, 400, 375, 375);

  const char16_t* fieldCaptions[] = {u"曲名", u"作者名", u"ｱﾙﾊﾞﾑ名"};
  const int captionTops[] = {3360, 4320, 5400};
  const int storedTops[] = {3240, 4320, 5400};
  const int fieldTops[] = {3720, 4800, 5880};
  for (int i = 0; i < 3; ++i) {
    QString caption = QString::fromUtf16(fieldCaptions[i]);
    captionLabels[3 + i] = ui::PlaceTwips(new QLabel(caption, this), Indexed("captionLabels", 3 + i), 5640, captionTops[i], 1095, 375);
    captionLabels[3 + i]->setAccessibleName(caption);
    storedValueLabels[i] = ui::PlaceTwips(new QLabel(this), Indexed("storedValueLabels", i), 6960, storedTops[i], 3855, 375);
    storedValueLabels[i]->setTextFormat(Qt::PlainText);
    storedValueLabels[i]->setAutoFillBackground(true);
    QPalette p = storedValueLabels[i]->palette();
    p.setColor(QPalette::Window, ui::kStoredValueYellow);
    storedValueLabels[i]->setPalette(p);
  }
  for (int i = 0; i < 3; ++i) {
    tagFields[i] = ui::PlaceTwips(new QLineEdit(this), Indexed("tagFields", i), 6960, fieldTops[i], 3855, 375);
    tagFields[i]->setAccessibleName(captionLabels[3 + i]->text());
  }

  commentGroup = ui::PlaceTwips(new QGroupBox(QStringLiteral("コメント、年、ジャンル"), this), QStringLiteral("commentGroup"), 6720, 6360, 4215,
                 1215);
  commentGroup->setAccessibleName(commentGroup->title());
  tagFields[3] = ui::PlaceTwips(new QLineEdit(commentGroup), Indexed("tagFields", 3), 240, 240, 3855, 375);
  tagFields[4] = ui::PlaceTwips(new QLineEdit(commentGroup), Indexed("tagFields", 4), 240, 720, 1095, 375);
  tagFields[5] = ui::PlaceTwips(new QLineEdit(commentGroup), Indexed("tagFields", 5), 1560, 720, 495, 375);
  tagFields[3]->setAccessibleName(QStringLiteral("コメント"));
  tagFields[4]->setAccessibleName(QStringLiteral("年"));
  tagFields[5]->setAccessibleName(QStringLiteral("ジャンル"));
  for (QLineEdit* field : tagFields) field->installEventFilter(this);

  positionLabel = ui::PlaceTwips(new QLabel(this), QStringLiteral("positionLabel"), 0, 7240, 1335, 255);

  for (const CommandSpec& b : kCommands) {
    QString caption = QString::fromUtf16(b.caption);
    auto* button = ui::PlaceTwips(new QPushButton(caption, this), Indexed("commandButtons", static_cast<int>(b.command)), b.left, b.top, 1575, 375);
    button->setAccessibleName(caption);
    button->setEnabled(b.enabledAtStart);
    button->setAutoDefault(false);
    // Reached with the mouse or the function keys, never with Tab.
    button->setFocusPolicy(Qt::ClickFocus);
    commandButtons[static_cast<std::size_t>(b.command)] = button;
    const Command command = b.command;
    connect(button, &QPushButton::clicked, this, [this, command] { RunCommand(command); });
  }

  unicodeButton = MakeUnicodeConversionButton(this, QRect(10035, 7680, 1035, 375));
  connect(unicodeButton, &QPushButton::clicked, this, &MainWindow::OpenUnicodeConversion);
  // F2 anywhere in the window.
  auto* unicodeKey = new QShortcut(QKeySequence(Qt::Key_F2), this);
  unicodeKey->setObjectName(QStringLiteral("unicodeKey"));
  connect(unicodeKey, &QShortcut::activated, this, &MainWindow::OpenUnicodeConversion);

  // Beyond the design's controls, in the free space under "ID3v2をUnicodeで書く", left of
  // the comment frame and above the command row: names from tags (F5) and the sort
  // readings (Shift+F5), each also reached from anywhere in the window.
  renameButton = MakeRenameButton(this, QRect(5490, 6360, 1170, 375));
  connect(renameButton, &QPushButton::clicked, this, &MainWindow::OpenRename);
  auto* renameKey = new QShortcut(QKeySequence(Qt::Key_F5), this);
  renameKey->setObjectName(QStringLiteral("renameKey"));
  connect(renameKey, &QShortcut::activated, this, &MainWindow::OpenRename);
  readingsButton = MakeReadingsButton(this, QRect(5490, 6780, 1170, 375));
  connect(readingsButton, &QPushButton::clicked, this, &MainWindow::OpenReadings);
  auto* readingsKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5), this);
  readingsKey->setObjectName(QStringLiteral("readingsKey"));
  connect(readingsKey, &QShortcut::activated, this, &MainWindow::OpenReadings);

  folderTree->installEventFilter(this);
  driveBox->installEventFilter(this);

  // Tab order: lists, check box, next folder, modes, name fields, tag fields.
  QWidget* order[] = {driveBox, folderTree, fileList, keepDateBox, unicodeBox, nextFolderButton, modeButtons[0], modeButtons[1], fileInfoFields[0], fileInfoFields[1], fileInfoFields[2],
                      tagFields[0], tagFields[1], tagFields[2], tagFields[3], tagFields[4], tagFields[5]};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

QString MainWindow::fileInfoText(int index) const {
  if (auto* line = qobject_cast<QLineEdit*>(fileInfoFields[index])) return line->text();
  return static_cast<QPlainTextEdit*>(fileInfoFields[index])->toPlainText();
}

void MainWindow::setFileInfoText(int index, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(fileInfoFields[index])) {
    line->setText(text);
  } else {
    static_cast<QPlainTextEdit*>(fileInfoFields[index])->setPlainText(text);
  }
}

ReferenceViewer& MainWindow::viewer() {
  if (!reference_viewer_->loaded()) reference_viewer_->Load(this);
  return *reference_viewer_;
}

// ---------------------------------------------------------------- start-up

void MainWindow::Start() {
  fillingList = false;

  // The outer top-left corner on the work area's, size kept; once more when the window
  // manager has framed the window.
  auto place = [this] {
    if (QScreen* screen = this->screen()) {
      const QSize extra = ui::FrameExtra(this);
      ui::SetOuterGeometry(this, QRect(screen->availableGeometry().topLeft(), size() + extra), extra);
    }
  };
  place();
  ui::PlaceAgainWhenFramed(this, place);
  show();

  // The reference viewer places itself right of this window; the keyboard stays here.
  viewer().show();
  activateWindow();
  raise();

  // A first run lists the start folder, so that a new user sees files, not an empty list.
  if (SettingsToRead(programFolder_).empty()) {
    ListCurrentFolder();
    return;
  }
  RestoreSettings();
}

void MainWindow::RestoreSettings() {
  PathDatRestore saved;
  try {
    saved = ReadPathDat(SettingsToRead(programFolder_));
  } catch (const std::exception&) {
    return;
  }
  // Each value runs the same handling as the user's change; nothing is reported.
  restoring_ = true;
  if (saved.mode) SelectMode(*saved.mode);
  if (saved.drive) {
    // A stored mount point names a volume in code page 932 or in its own bytes.
    const std::vector<std::string> volumes = driveBox->volumes();
    for (const auto& candidate : StoredPathCandidates(*saved.drive)) {
      if (std::find(volumes.begin(), volumes.end(), candidate) == volumes.end()) continue;
      ChooseDrive(candidate);
      break;
    }
  }
  if (saved.folder) {
    // The first of the stored line's readings that names a folder.
    const std::vector<std::string> candidates = StoredPathCandidates(*saved.folder);
    std::string folder = CleanFolderPath(candidates.front());
    for (const auto& candidate : candidates) {
      if (!IsFolder(candidate)) continue;
      folder = CleanFolderPath(candidate);
      break;
    }
    if (folder == folderTree->path()) {
      // Already there: list it unless a mode or drive change just did.
      if (listRuns_ == 0) ListCurrentFolder();
    } else {
      OpenFolder(folder);
    }
  }
  if (saved.keepDate) keepDateBox->setChecked(*saved.keepDate);
  if (saved.unicode) unicodeBox->setChecked(*saved.unicode);
  if (saved.createNewOnly) session_.createNewOnly = *saved.createNewOnly;
  if (saved.trackNumbers) session_.trackNumbers = *saved.trackNumbers;
  if (saved.numberInOrder) session_.numberInOrder = *saved.numberInOrder;
  if (saved.pattern) session_.namePattern = *saved.pattern;
  restoring_ = false;
}

// ---------------------------------------------------------------- shutdown

void MainWindow::ConfirmQuit(bool& cancel) {
  auto answer = ui::Dialogs::Message(this, QStringLiteral("終了しますか?"), ui::MsgButtons::YesNo,
                                     QStringLiteral("終了確認"), ui::MsgIcon::None);
  if (answer != ui::MsgAnswer::Yes) {
    cancel = true;
    return;
  }

  PathDatValues values;
  values.mode = session_.fileNameMode ? 1 : 0;
  values.drive = driveBox->drive();
  values.folder = folderTree->path();
  values.keepDate = session_.keepDate;
  values.unicode = session_.unicodeV2;
  values.createNewOnly = session_.createNewOnly;
  values.trackNumbers = session_.trackNumbers;
  values.numberInOrder = session_.numberInOrder;
  values.pattern = session_.namePattern;
  const std::string settings = SettingsToWrite(programFolder_);
  try {
    WritePathDat(settings, values);
  } catch (const Error& e) {
    ui::Dialogs::Message(this,
                         QStringLiteral("設定を保存できませんでした。\r\n") + ui::Q(DecodePath(settings)) +
                             QStringLiteral("\r\n") + ui::Q(e.description()),
                         ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption), ui::MsgIcon::Warning);
  }

  // The program ends: every other window closes with this one, without its own handling.
  ended_ = true;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this && w->isVisible()) w->hide();
  }
  emit programEnded();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Ended, or the desktop session is ending: no question and no Path.dat.
  if (ended_ || session_.endRequested) {
    event->accept();
    return;
  }
  bool cancel = false;
  ConfirmQuit(cancel);
  if (cancel) {
    event->ignore();
  } else {
    event->accept();
  }
}

// ---------------------------------------------------------------- key and focus dispatch

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < 6; ++i) {
    if (watched != tagFields[i]) continue;
    switch (event->type()) {
      // A change of active window or a context menu over the field is no change of
      // field: the selection stays (for Copy and Cut), nothing is cut or beeped.
      case QEvent::FocusIn: {
        const auto* e = static_cast<QFocusEvent*>(event);
        // Coming back to the window is no change of field, unless the focus was moved
        // to another field while the window was inactive (the selection at start-up,
        // before the window manager has activated the window, gives the title field
        // the focus that way).
        const bool returning = e->reason() == Qt::ActiveWindowFocusReason && fieldWhenLeft_ == i;
        if (ui::MovesBetweenControls(e) || (e->reason() == Qt::ActiveWindowFocusReason && !returning)) FieldEntered(i);
        fieldWhenLeft_ = -1;
        clickedInto_ = e->reason() == Qt::MouseFocusReason ? i : -1;
        break;
      }
      case QEvent::FocusOut: {
        const auto* e = static_cast<QFocusEvent*>(event);
        if (ui::MovesBetweenControls(e)) FieldLeft(i);
        fieldWhenLeft_ = e->reason() == Qt::ActiveWindowFocusReason ? i : -1;
        clickedInto_ = -1;
        break;
      }
      case QEvent::MouseButtonRelease:
        // The click that gave the field the focus placed the caret: the whole text is
        // selected, as on entering with Tab or Enter (a text dragged over stays selected).
        if (clickedInto_ == i) {
          clickedInto_ = -1;
          if (!tagFields[i]->hasSelectedText()) tagFields[i]->selectAll();
        }
        break;
      case QEvent::KeyPress:
        if (FieldKeyDown(i, static_cast<QKeyEvent*>(event))) return true;
        break;
      default: break;
    }
    return QWidget::eventFilter(watched, event);
  }
  if ((watched == folderTree || watched == driveBox) && event->type() == QEvent::KeyPress) {
    // F12 in the drive or folder list quits; every other key keeps its effect.
    if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F12) {
      RunCommand(Command::Quit);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vq
