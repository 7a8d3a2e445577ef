// Form1: the window's arrangement, start-up with the restore from "Path.dat", and the
// quit question with the save.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "batch/ui/unicode_dialog.h"
#include "mainwindow/form1.h"
#include "platform/app_paths.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/path_dat.h"
#include "platform/ui/check_box.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/drive_list.h"
#include "platform/ui/folder_list.h"
#include "platform/ui/focus.h"
#include "platform/ui/fonts.h"
#include "platform/ui/line_label.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/twips.h"
#include "platform/ui/window_frame.h"
#include "viewer/form2.h"

namespace vq {

using ui::TwipsRect;

namespace {

// Client area 11070 x 8115 twips.
constexpr int kClientWidthTwips = 11070;
constexpr int kClientHeightTwips = 8115;

const QColor kPaleYellow(0xFF, 0xFF, 0x80);  // colour value &H0080FFFF

QString Indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

}  // namespace

Form1::Form1(Session& state, Form1Setup setup, QWidget* parent)
    : QWidget(parent), state_(state) {
  programFolder_ = setup.programFolder.empty() ? ProgramFolder() : setup.programFolder;
  form2_ = std::make_unique<Form2>(programFolder_);
  BuildLayout();

  // The lists show the working folder until the settings or the user move them.
  const std::string start = setup.startFolder.empty() ? FirstRunFolder() : setup.startFolder;
  if (!Dir1->setPath(start)) Dir1->setPath("/");
  state_.folder = Dir1->path();
  Drive1->showVolumeOf(Dir1->path());
  lastFolderOnVolume_[Drive1->drive()] = Dir1->path();

  ConnectListing();
}

Form1::~Form1() = default;

void Form1::BuildLayout() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Velquist"));
  setFont(ui::ProportionalFont());
  setFixedSize(ui::Twips(kClientWidthTwips), ui::Twips(kClientHeightTwips));

  Drive1 = ui::PlaceTwips(new ui::DriveList(this), QStringLiteral("Drive1"), 0, 0, 2655, 345);
  Drive1->setAccessibleName(QStringLiteral("ドライブ"));
  Dir1 = ui::PlaceTwips(new ui::FolderList(this), QStringLiteral("Dir1"), 0, 360, 2655, 2640);
  Dir1->setAccessibleName(QStringLiteral("フォルダ"));
  List1 = ui::PlaceTwips(new QListWidget(this), QStringLiteral("List1"), 0, 3000, 5415, 4110);
  List1->setAccessibleName(QStringLiteral("ファイル"));
  List1->setSortingEnabled(false);
  List1->setSelectionMode(QAbstractItemView::SingleSelection);

  Check1 = ui::PlaceTwips(new ui::WrappingCheckBox(QStringLiteral("ファイルの更新で日付を変更しない"), this), QStringLiteral("Check1"), 2760,
                 40, 2655, 495);
  Check1->setAccessibleName(Check1->text());
  Check1->setChecked(false);

  // Beyond the design's controls: ID3v2 texts in Unicode for players and taggers that
  // follow the ID3v2 standard. The column under Check1 is full (Label4, Command2), so
  // the box takes the nearest free space: under the album caption, left of the album
  // field and above the comment frame, its caption on two lines.
  Check2 = ui::PlaceTwips(new ui::HangingCaptionCheckBox(QStringLiteral("ID3v2をUnicodeで書く"), this),
                          QStringLiteral("Check2"), 5490, 5805, 1395, 510);
  Check2->setAccessibleName(Check2->text());
  Check2->setChecked(false);

  // Line1: from 2760, 600 to 5400, 600.
  Line1 = new QFrame(this);
  Line1->setObjectName(QStringLiteral("Line1"));
  Line1->setGeometry(ui::Twips(2760), ui::Twips(600), ui::Twips(5400) - ui::Twips(2760), 1);
  Line1->setFrameShape(QFrame::NoFrame);
  Line1->setAutoFillBackground(true);
  {
    QPalette p = Line1->palette();
    p.setColor(QPalette::Window, Qt::black);
    Line1->setPalette(p);
  }

  // Seven lines and a wrapped date fit at one font height per line.
  Label4 = ui::PlaceTwips(new ui::LineLabel(this), QStringLiteral("Label4"), 2760, 720, 2655, 1815);

  Command2 = ui::PlaceTwips(new QPushButton(QStringLiteral("次フォルダ"), this), QStringLiteral("Command2"), 2760, 2600, 2535,
                   375);
  Command2->setAccessibleName(Command2->text());
  Command2->setAutoDefault(false);

  Frame2 = ui::PlaceTwips(new QGroupBox(this), QStringLiteral("Frame2"), 5520, 0, 4335, 615);
  Option1[0] = ui::PlaceTwips(new QRadioButton(QStringLiteral("階層フォルダ構造"), Frame2), Indexed("Option1", 0), 240, 240,
                     2055, 255);
  Option1[1] = ui::PlaceTwips(new QRadioButton(QStringLiteral("ファイル名"), Frame2), Indexed("Option1", 1), 2760, 240, 1455, 255);
  for (auto* o : Option1) o->setAccessibleName(o->text());
  Option1[0]->setChecked(true);

  Frame1 = ui::PlaceTwips(new QGroupBox(QStringLiteral("ファイル情報"), this), QStringLiteral("Frame1"), 5520, 720, 5415, 2415);
  Frame1->setAccessibleName(Frame1->title());
  const char16_t* frame1Captions[] = {u"フォルダ名", u"ｻﾌﾞﾌｫﾙﾀﾞ名", u"ファイル名"};
  const int frame1Tops[] = {360, 960, 1560};
  for (int i = 0; i < 3; ++i) {
    QString caption = QString::fromUtf16(frame1Captions[i]);
    Label1[i] = ui::PlaceTwips(new QLabel(caption, Frame1), Indexed("Label1", i), 120, frame1Tops[i], 1095, 375);
    Label1[i]->setAccessibleName(caption);
  }
  for (int i = 0; i < 2; ++i) {
    auto* box = ui::PlaceTwips(new QLineEdit(Frame1), Indexed("Text1", i), 1440, frame1Tops[i], 3855, 375);
    box->setAccessibleName(Label1[i]->text());
    Text1[i] = box;
  }
  {
    auto* box = ui::PlaceTwips(new QPlainTextEdit(Frame1), Indexed("Text1", 2), 1440, 1560, 3855, 735);
    box->setAccessibleName(Label1[2]->text());
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1[2] = box;
  }

  Label6 = ui::PlaceTwips(new QLabel(this), QStringLiteral("Label6"), 9960, 45, 375, 375);
  Label3 = ui::PlaceTwips(new QLabel(this), QStringLiteral("Label3"), 9960, 405, 375, 375);
  Label5 = ui::PlaceTwips(new QLabel(this), QStringLiteral("Label5"), 10320, 400, 375, 375);

  const char16_t* fieldCaptions[] = {u"曲名", u"作者名", u"ｱﾙﾊﾞﾑ名"};
  const int captionTops[] = {3360, 4320, 5400};
  const int storedTops[] = {3240, 4320, 5400};
  const int fieldTops[] = {3720, 4800, 5880};
  for (int i = 0; i < 3; ++i) {
    QString caption = QString::fromUtf16(fieldCaptions[i]);
    Label1[3 + i] = ui::PlaceTwips(new QLabel(caption, this), Indexed("Label1", 3 + i), 5640, captionTops[i], 1095, 375);
    Label1[3 + i]->setAccessibleName(caption);
    Label2[i] = ui::PlaceTwips(new QLabel(this), Indexed("Label2", i), 6960, storedTops[i], 3855, 375);
    Label2[i]->setTextFormat(Qt::PlainText);
    Label2[i]->setAutoFillBackground(true);
    QPalette p = Label2[i]->palette();
    p.setColor(QPalette::Window, kPaleYellow);
    Label2[i]->setPalette(p);
  }
  for (int i = 0; i < 3; ++i) {
    Text2[i] = ui::PlaceTwips(new QLineEdit(this), Indexed("Text2", i), 6960, fieldTops[i], 3855, 375);
    Text2[i]->setAccessibleName(Label1[3 + i]->text());
  }

  Frame3 = ui::PlaceTwips(new QGroupBox(QStringLiteral("コメント、年、ジャンル"), this), QStringLiteral("Frame3"), 6720, 6360, 4215,
                 1215);
  Frame3->setAccessibleName(Frame3->title());
  Text2[3] = ui::PlaceTwips(new QLineEdit(Frame3), Indexed("Text2", 3), 240, 240, 3855, 375);
  Text2[4] = ui::PlaceTwips(new QLineEdit(Frame3), Indexed("Text2", 4), 240, 720, 1095, 375);
  Text2[5] = ui::PlaceTwips(new QLineEdit(Frame3), Indexed("Text2", 5), 1560, 720, 495, 375);
  Text2[3]->setAccessibleName(QStringLiteral("コメント"));
  Text2[4]->setAccessibleName(QStringLiteral("年"));
  Text2[5]->setAccessibleName(QStringLiteral("ジャンル"));
  // Each field's byte limit, as text, in its "Tag" property.
  const char* limits[] = {"30", "30", "30", "30", "4", "3"};
  for (int i = 0; i < 6; ++i) {
    Text2[i]->setProperty("Tag", QString::fromLatin1(limits[i]));
    Text2[i]->installEventFilter(this);
  }

  Label7 = ui::PlaceTwips(new QLabel(this), QStringLiteral("Label7"), 0, 7240, 1335, 255);

  for (const CommandSpec& b : kCommands) {
    QString caption = QString::fromUtf16(b.caption);
    auto* button = ui::PlaceTwips(new QPushButton(caption, this), Indexed("Command1", b.index), b.left, b.top, 1575, 375);
    button->setAccessibleName(caption);
    button->setEnabled(b.enabledAtStart);
    button->setAutoDefault(false);
    // Reached with the mouse or the function keys, never with Tab.
    button->setFocusPolicy(Qt::ClickFocus);
    Command1[b.index] = button;
    const int index = b.index;
    connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
  }

  unicodeButton = AddUnicodeConversionCommand(this, state_, QRect(10035, 7680, 1035, 375), [this] {
    if (List1->currentRow() >= 0) SetListIndex(List1->currentRow());
    activateWindow();
    Text2[lastField]->setFocus();
  });

  Dir1->installEventFilter(this);
  Drive1->installEventFilter(this);

  // Tab order: lists, check box, next folder, modes, name fields, tag fields.
  QWidget* order[] = {Drive1, Dir1, List1, Check1, Check2, Command2, Option1[0], Option1[1], Text1[0], Text1[1], Text1[2],
                      Text2[0], Text2[1], Text2[2], Text2[3], Text2[4], Text2[5]};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

QString Form1::text1(int index) const {
  if (auto* line = qobject_cast<QLineEdit*>(Text1[index])) return line->text();
  return static_cast<QPlainTextEdit*>(Text1[index])->toPlainText();
}

void Form1::setText1(int index, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(Text1[index])) {
    line->setText(text);
  } else {
    static_cast<QPlainTextEdit*>(Text1[index])->setPlainText(text);
  }
}



Form2& Form1::form2() {
  if (!form2_->loaded()) form2_->Form_Load(this);
  return *form2_;
}

// ---------------------------------------------------------------- start-up

void Form1::Form_Load() {
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
  form2().show();
  activateWindow();
  raise();

  // A first run lists the start folder, so that a new user sees files, not an empty list.
  if (SettingsToRead(programFolder_).empty()) {
    Dir1_Change();
    return;
  }
  RestoreSettings();
}

void Form1::RestoreSettings() {
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
    const std::vector<std::string> volumes = Drive1->volumes();
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
    if (folder == Dir1->path()) {
      // Already there: list it unless a mode or drive change just did.
      if (listRuns_ == 0) Dir1_Change();
    } else {
      OpenFolder(folder);
    }
  }
  if (saved.keepDate) Check1->setChecked(*saved.keepDate);
  if (saved.unicode) Check2->setChecked(*saved.unicode);
  if (saved.createNewOnly) state_.CreateNewOnly = *saved.createNewOnly;
  restoring_ = false;
}

// ---------------------------------------------------------------- shutdown

void Form1::Form_QueryUnload(bool& cancel) {
  auto answer = ui::Dialogs::Message(this, QStringLiteral("終了しますか?"), ui::MsgButtons::YesNo,
                                     QStringLiteral("終了確認"), ui::MsgIcon::None);
  if (answer != ui::MsgAnswer::Yes) {
    cancel = true;
    return;
  }

  PathDatValues values;
  values.mode = FileNameMode() ? 1 : 0;
  values.drive = Drive1->drive();
  values.folder = Dir1->path();
  values.keepDate = Check1->isChecked() ? 1 : 0;
  values.unicode = Check2->isChecked() ? 1 : 0;
  values.createNewOnly = state_.CreateNewOnly;
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

void Form1::closeEvent(QCloseEvent* event) {
  if (ended_) {
    event->accept();
    return;
  }
  bool cancel = false;
  Form_QueryUnload(cancel);
  if (cancel) {
    event->ignore();
  } else {
    event->accept();
  }
}

// ---------------------------------------------------------------- key and focus dispatch

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < 6; ++i) {
    if (watched != Text2[i]) continue;
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
        if (ui::MovesBetweenControls(e) || (e->reason() == Qt::ActiveWindowFocusReason && !returning)) Text2_GotFocus(i);
        fieldWhenLeft_ = -1;
        clickedInto_ = e->reason() == Qt::MouseFocusReason ? i : -1;
        break;
      }
      case QEvent::FocusOut: {
        const auto* e = static_cast<QFocusEvent*>(event);
        if (ui::MovesBetweenControls(e)) Text2_LostFocus(i);
        fieldWhenLeft_ = e->reason() == Qt::ActiveWindowFocusReason ? i : -1;
        clickedInto_ = -1;
        break;
      }
      case QEvent::MouseButtonRelease:
        // The click that gave the field the focus placed the caret: the whole text is
        // selected, as on entering with Tab or Enter (a text dragged over stays selected).
        if (clickedInto_ == i) {
          clickedInto_ = -1;
          if (!Text2[i]->hasSelectedText()) Text2[i]->selectAll();
        }
        break;
      case QEvent::KeyPress:
        if (Text2_KeyDown(i, static_cast<QKeyEvent*>(event))) return true;
        break;
      default: break;
    }
    return QWidget::eventFilter(watched, event);
  }
  if ((watched == Dir1 || watched == Drive1) && event->type() == QEvent::KeyPress) {
    // F12 in the drive or folder list quits; every other key keeps its effect.
    if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F12) {
      Command1_Click(1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vq
