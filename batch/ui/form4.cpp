#include "batch/ui/form4.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "batch/batch_pass.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/twips.h"
#include "platform/ui/window_frame.h"
#include "session/messages.h"
#include "session/session.h"

namespace vq {
namespace {

using ui::Q;

constexpr int kClientWidthTwips = 3330;
constexpr int kClientHeightTwips = 2145;

// The pass reports to the user through the window: progress in Label1, failures in
// message boxes, a yield after each file.
class WindowCallbacks : public BatchCallbacks {
 public:
  WindowCallbacks(Form4& window, const bool& closeAsked) : window_(window), closeAsked_(closeAsked) {}

  bool Progress(std::size_t done, std::size_t count) override {
    window_.Label1->setText(Q(ProgressText(done, count)));
    ui::Dialogs::Yield();
    return !closeAsked_;
  }
  void ReportUpdateError(const std::u16string& prefix, const std::u16string& name) override {
    ui::Dialogs::Message(&window_, Q(UpdateErrorText(prefix, name)), ui::MsgButtons::Ok,
                         QString::fromUtf16(kUpdateErrorCaption));
  }
  void ReportError(const std::u16string& description) override { ui::Dialogs::Message(&window_, Q(description)); }
  void Yield() override { ui::Dialogs::Yield(); }

 private:
  Form4& window_;
  const bool& closeAsked_;
};

}  // namespace

const Form4::CommandSpec Form4::kCommands[2] = {
    {0, u"開 始", 120, 1560, true, &Form4::RunPass},
    {1, u"ｷｬﾝｾﾙ", 1800, 1560, false, &Form4::Cancel},
};

Form4::Form4(Session& session, Form4Link link, QWidget* parent)
    : QDialog(parent), session_(session), link_(std::move(link)) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("自動処理"));
  setFont(ui::ProportionalFont());
  setFixedSize(ui::Twips(kClientWidthTwips), ui::Twips(kClientHeightTwips));
  setModal(true);

  Check1[0] = ui::PlaceTwips(new QCheckBox(QStringLiteral("v1"), this), QStringLiteral("Check1(0)"), 240, 120, 615, 375);
  Check1[1] = ui::PlaceTwips(new QCheckBox(QStringLiteral("v2"), this), QStringLiteral("Check1(1)"), 240, 600, 615, 375);
  Label1 = ui::PlaceTwips(new QLabel(this), QStringLiteral("Label1"), 1200, 240, 1695, 495);
  Line1 = new QFrame(this);
  Line1->setObjectName(QStringLiteral("Line1"));
  Line1->setGeometry(ui::Twips(120), ui::Twips(1000), ui::Twips(3240) - ui::Twips(120), 1);
  Line1->setFrameShape(QFrame::HLine);
  Check2 = ui::PlaceTwips(new QCheckBox(QStringLiteral("新規作成のみ行う"), this), QStringLiteral("Check2"), 240, 1080, 2295, 375);
  for (const CommandSpec& c : kCommands) {
    const QString caption = QString::fromUtf16(c.caption);
    auto* button = ui::PlaceTwips(new QPushButton(caption, this), QStringLiteral("Command1(%1)").arg(c.index), c.left,
                                  c.top, 1455, 495);
    button->setAccessibleName(caption);
    // "開 始" is the default button (Enter); "ｷｬﾝｾﾙ" answers Esc through reject().
    button->setDefault(c.isDefault);
    button->setAutoDefault(c.isDefault);
    const int index = c.index;
    connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
    Command1[static_cast<std::size_t>(c.index)] = button;
  }

  // The captions "v1" and "v2" say little when read out.
  Check1[0]->setAccessibleName(QStringLiteral("ID3v1タグを書く"));
  Check1[1]->setAccessibleName(QStringLiteral("ID3v2タグを書く"));
  Check2->setAccessibleName(Check2->text());
  Label1->setAccessibleName(QStringLiteral("ファイル数"));
  Check1[0]->setChecked(true);
  Check1[1]->setChecked(true);

  setTabOrder(Command1[0], Command1[1]);
  setTabOrder(Command1[1], Check1[0]);
  setTabOrder(Check1[0], Check1[1]);
  setTabOrder(Check1[1], Check2);

  Form_Load();
}

void Form4::Form_Load() {
  PlaceWindow();
  ui::PlaceAgainWhenFramed(this, [this] { PlaceWindow(); });

  count_ = session_.rows.size();
  Label1->setText(QString::number(count_));
  Check2->setChecked(session_.CreateNewOnly != 0);
  Command1[0]->setFocus();
}

void Form4::PlaceWindow() {
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

void Form4::Command1_Click(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kCommands))) return;
  const CommandSpec& c = kCommands[index];
  (this->*c.action)();
}

void Form4::Cancel() {
  if (!running_) close();
}

void Form4::RunPass() {
  if (running_) return;
  running_ = true;
  Command1[0]->setEnabled(false);
  Command1[1]->setEnabled(false);

  // The rows of the list as they are when the pass starts.
  const std::string folder = session_.folder;
  const std::vector<ListedFile> rows = session_.rows;
  BatchSettings settings;
  settings.v1 = Check1[0]->isChecked();
  settings.v2 = Check1[1]->isChecked();
  settings.createNewOnly = Check2->isChecked();
  settings.keepDate = session_.keepDate;
  settings.unicode = session_.unicodeV2;

  WindowCallbacks callbacks(*this, closeAsked_);
  const BatchResult result = RunBatch(folder, rows, settings, callbacks, &session_);

  running_ = false;
  // Closed during the pass: it ended after the file it was writing.
  if (result.stopped) ui::Dialogs::Message(this, Q(InterruptedPassText(result.done, rows.size())));
  // The main window shows its selected file as it is now.
  if (link_.reselect) link_.reselect();
  close();
}

void Form4::Form_QueryUnload() {
  if (unloaded_) return;
  unloaded_ = true;
  session_.CreateNewOnly = Check2->isChecked() ? 1 : 0;
}

void Form4::done(int result) {
  // A pass once started runs on; only the close box ends it early (closeEvent).
  if (running_) return;
  Form_QueryUnload();
  QDialog::done(result);
}

void Form4::keyPressEvent(QKeyEvent* event) {
  // Esc is "ｷｬﾝｾﾙ", which is disabled while the pass runs.
  if (running_ && event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void Form4::closeEvent(QCloseEvent* event) {
  if (running_) {
    closeAsked_ = true;
    event->ignore();
    return;
  }
  Form_QueryUnload();
  QDialog::closeEvent(event);
}

}  // namespace vq
