#include "windows/passes/batch_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "passes/batch_pass.h"
#include "passes/journal.h"
#include "windows/passes/batch_naming_panel.h"
#include "windows/passes/undo_pass_button.h"
#include "windows/passes/window_pass_reports.h"
#include "widgets/dialogs.h"
#include "widgets/fonts.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "widgets/window_frame.h"
#include "session/messages.h"
#include "session/session.h"

namespace vq {
namespace {

using ui::Q;

constexpr int kClientWidthTwips = 3330;
// The design's 2145 and a row for the undo button; the naming options below, then a row
// for "表紙を埋め込む".
constexpr int kDesignHeightTwips = 2760;
constexpr int kCoverRowTopTwips = kDesignHeightTwips + BatchNamingPanel::kHeightTwips;
constexpr int kClientHeightTwips = kCoverRowTopTwips + 480;

// The window's reports, and the files the pass skipped: those its pattern left alone.
class BatchWindowReports final : public WindowPassReports {
 public:
  using WindowPassReports::WindowPassReports;
  void Started(const std::vector<PassItem>& items) override { items_ = &items; }
  void Skipped(std::size_t item, const std::u16string&) override {
    if (items_) unmatched.push_back((*items_)[item].shownFolder + (*items_)[item].shownName);
  }
  std::vector<std::u16string> unmatched;

 private:
  const std::vector<PassItem>* items_ = nullptr;
};

}  // namespace

const BatchDialog::CommandSpec BatchDialog::kCommands[2] = {
    {Command::Start, u"開 始", 120, 1560, true, &BatchDialog::RunPass},
    {Command::Cancel, u"ｷｬﾝｾﾙ", 1800, 1560, false, &BatchDialog::Cancel},
};

BatchDialog::BatchDialog(Session& session, BatchDialogLink link, QWidget* parent)
    : QDialog(parent), session_(session), link_(std::move(link)) {
  setObjectName(QStringLiteral("BatchDialog"));
  setWindowTitle(QStringLiteral("自動処理"));
  setFont(ui::ProportionalFont());
  setFixedSize(ui::Twips(kClientWidthTwips), ui::Twips(kClientHeightTwips));
  setModal(true);

  v1Box = ui::PlaceTwips(new QCheckBox(QStringLiteral("v1"), this), QStringLiteral("v1Box"), 240, 120, 615, 375);
  v2Box = ui::PlaceTwips(new QCheckBox(QStringLiteral("v2"), this), QStringLiteral("v2Box"), 240, 600, 615, 375);
  progressLabel = ui::PlaceTwips(new QLabel(this), QStringLiteral("progressLabel"), 1200, 240, 1695, 495);
  separatorLine = new QFrame(this);
  separatorLine->setObjectName(QStringLiteral("separatorLine"));
  separatorLine->setGeometry(ui::Twips(120), ui::Twips(1000), ui::Twips(3240) - ui::Twips(120), 1);
  separatorLine->setFrameShape(QFrame::HLine);
  newOnlyBox = ui::PlaceTwips(new QCheckBox(QStringLiteral("新規作成のみ行う"), this), QStringLiteral("newOnlyBox"), 240, 1080, 2295, 375);
  for (const CommandSpec& c : kCommands) {
    const QString caption = QString::fromUtf16(c.caption);
    auto* button = ui::PlaceTwips(new QPushButton(caption, this), QStringLiteral("commandButtons(%1)").arg(static_cast<int>(c.command)), c.left,
                                  c.top, 1455, 495);
    button->setAccessibleName(caption);
    // "開 始" is the default button (Enter); "ｷｬﾝｾﾙ" answers Esc through reject().
    button->setDefault(c.isDefault);
    button->setAutoDefault(c.isDefault);
    const Command command = c.command;
    connect(button, &QPushButton::clicked, this, [this, command] { RunCommand(command); });
    commandButtons[static_cast<std::size_t>(c.command)] = button;
  }

  undoButton = ui::PlaceTwips(new UndoPassButton(this, session_.endRequested), QStringLiteral("undoButton"), 120, 2160, 3135, 495);
  namingPanel = ui::PlaceTwips(new BatchNamingPanel(session_, this), QStringLiteral("namingPanel"), 0, kDesignHeightTwips,
                               kClientWidthTwips, BatchNamingPanel::kHeightTwips);
  coverBox = ui::PlaceTwips(new QCheckBox(QStringLiteral("表紙を埋め込む(&C)"), this), QStringLiteral("coverBox"), 240,
                            kCoverRowTopTwips, 2895, 375);

  // The captions "v1" and "v2" say little when read out.
  v1Box->setAccessibleName(QStringLiteral("ID3v1タグを書く"));
  v2Box->setAccessibleName(QStringLiteral("ID3v2タグを書く"));
  newOnlyBox->setAccessibleName(newOnlyBox->text());
  coverBox->setAccessibleName(QStringLiteral("表紙を埋め込む"));
  coverBox->setAccessibleDescription(QStringLiteral("各フォルダの表紙の画像を、そのフォルダの曲のID3v2タグに書き込みます"));
  progressLabel->setAccessibleName(QStringLiteral("ファイル数"));
  v1Box->setChecked(true);
  v2Box->setChecked(true);

  setTabOrder(commandButtons[0], commandButtons[1]);
  setTabOrder(commandButtons[1], undoButton);
  setTabOrder(undoButton, v1Box);
  setTabOrder(v1Box, v2Box);
  setTabOrder(v2Box, newOnlyBox);
  setTabOrder(newOnlyBox, namingPanel->trackNumbersBox);
  setTabOrder(namingPanel->trackNumbersBox, namingPanel->numberInOrderBox);
  setTabOrder(namingPanel->numberInOrderBox, namingPanel->patternBox);
  setTabOrder(namingPanel->patternBox, coverBox);

  Load();
}

void BatchDialog::Load() {
  PlaceWindow();
  ui::PlaceAgainWhenFramed(this, [this] { PlaceWindow(); });

  count_ = session_.rows.size();
  progressLabel->setText(QString::number(count_));
  newOnlyBox->setChecked(session_.createNewOnly);
  commandButtons[0]->setFocus();
}

void BatchDialog::PlaceWindow() {
  // Outer sizes: the window's bottom-right corner on the main window's. Until the window
  // manager has framed the window, its frame is taken to be the main window's.
  const QRect& mainFrame = link_.mainFrame;
  const QSize extra = ui::FrameExtraOr(this, link_.decoration);
  const QSize outer = size() + extra;
  ui::SetOuterGeometry(this,
                       QRect(QPoint(mainFrame.left() + mainFrame.width() - outer.width(),
                                    mainFrame.top() + mainFrame.height() - outer.height()),
                             outer),
                       extra);
}

void BatchDialog::RunCommand(Command command) {
  const int index = static_cast<int>(command);
  if (index < 0 || index >= static_cast<int>(std::size(kCommands))) return;
  const CommandSpec& c = kCommands[index];
  (this->*c.action)();
}

void BatchDialog::Cancel() {
  if (!running_) close();
}

void BatchDialog::RunPass() {
  if (running_) return;
  // A pattern that cannot be used is refused before anything is read.
  std::u16string patternError;
  const std::optional<BatchNaming> naming = namingPanel->Naming(patternError);
  if (!naming) {
    ui::Dialogs::Message(this, Q(patternError), ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption),
                         ui::MsgIcon::Warning);
    namingPanel->patternBox->setFocus();
    return;
  }
  running_ = true;
  commandButtons[0]->setEnabled(false);
  commandButtons[1]->setEnabled(false);
  undoButton->setEnabled(false);

  // The rows of the list as they are when the pass starts.
  const std::string folder = session_.folder;
  const std::vector<ListedFile> rows = session_.rows;
  BatchSettings settings;
  settings.v1 = v1Box->isChecked();
  settings.v2 = v2Box->isChecked();
  settings.createNewOnly = newOnlyBox->isChecked();
  settings.keepDate = session_.keepDate;
  settings.unicode = session_.unicodeV2;
  settings.journalFolder = JournalFolder();
  settings.naming = *naming;
  settings.embedCover = coverBox->isChecked();
  settings.coverCodec = &codec_;

  BatchWindowReports reports(this, progressLabel, closeAsked_, session_.endRequested);
  BatchPass pass(folder, rows, settings);
  result_ = pass.Run(reports);

  running_ = false;
  // Closed during the pass: it ended after the file it was writing.
  if (result_->stopped && !session_.endRequested)
    ui::Dialogs::Message(this, Q(StoppedPassText(PassKind::Batch, result_->done, rows.size())));
  if (!reports.unmatched.empty() && !session_.endRequested) ReportUnmatched(reports.unmatched);
  // "表紙を埋め込む": the folders whose files got no cover, in one message.
  const std::u16string withoutCover = AlbumsWithoutCoverText(pass.coverAlbums());
  if (!withoutCover.empty() && !session_.endRequested) ui::Dialogs::Notice(this, withoutCover, u"");
  close();
}

void BatchDialog::ReportUnmatched(const std::vector<std::u16string>& files) {
  ui::Dialogs::Message(this, Q(UnmatchedFilesText(files)), ui::MsgButtons::Ok, QString::fromUtf16(ui::kDefaultCaption),
                       ui::MsgIcon::Information);
}

void BatchDialog::KeepSettings() {
  if (unloaded_) return;
  unloaded_ = true;
  session_.createNewOnly = newOnlyBox->isChecked();
  namingPanel->Keep(session_);
}

void BatchDialog::done(int result) {
  // A pass once started runs on; only the close box ends it early (closeEvent).
  if (running_) return;
  KeepSettings();
  QDialog::done(result);
}

void BatchDialog::keyPressEvent(QKeyEvent* event) {
  // Esc is "ｷｬﾝｾﾙ", which is disabled while the pass runs.
  if (running_ && event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void BatchDialog::closeEvent(QCloseEvent* event) {
  if (running_) {
    closeAsked_ = true;
    event->ignore();
    return;
  }
  KeepSettings();
  QDialog::closeEvent(event);
}

}  // namespace vq
