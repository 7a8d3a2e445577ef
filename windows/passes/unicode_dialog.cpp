#include "windows/passes/unicode_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "passes/journal.h"
#include "windows/passes/undo_pass_button.h"
#include "windows/passes/window_pass_reports.h"
#include "widgets/dialogs.h"
#include "widgets/fonts.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "session/messages.h"
#include "session/session.h"

namespace vq {
namespace {

using ui::Q;

// The preview's pass: collects each file's lines; a file that cannot be read is noted
// in the preview.
class PreviewCallbacks : public PassObserver {
 public:
  explicit PreviewCallbacks(const UnicodeConversion& conversion) : conversion_(conversion) {}
  std::u16string text;
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (outcome != ItemOutcome::Failed) text += PreviewText(conversion_.items()[item], conversion_.PlanOf(item));
  }
  void Failed(const ItemFailure& failure) override { text += u"\n" + MessageLine(failure.message) + u"\n"; }

 private:
  const UnicodeConversion& conversion_;
};

}  // namespace

UnicodeConversionDialog::UnicodeConversionDialog(Session& session, QWidget* parent)
    : StoppablePassDialog(parent), session_(session), files_(ItemsOfRows(session.folder, session.rows)) {
  setObjectName(QStringLiteral("UnicodeConversionDialog"));
  setWindowTitle(QStringLiteral("タグをUnicodeに変換"));
  setFont(ui::ProportionalFont());
  setModal(true);
  resize(ui::Twips(10500), ui::Twips(6300));

  auto* explanation = new QLabel(
      QStringLiteral("ID3v2タグの1バイト文字の文字列を、どのプレーヤーでも読めるUnicode(UTF-16)にします。"
                     "文字列ごとに、コードページ932(Shift-JIS)かISO-8859-1かを判定します。"
                     "判定できない文字列とそれ以外のデータは、そのまま残します。"),
      this);
  explanation->setObjectName(QStringLiteral("explanationLabel"));
  explanation->setWordWrap(true);
  explanation->setAccessibleName(QStringLiteral("説明"));

  summaryLabel = new QLabel(this);
  summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
  summaryLabel->setAccessibleName(QStringLiteral("変換する曲の数"));

  previewText = new QPlainTextEdit(this);
  previewText->setObjectName(QStringLiteral("previewText"));
  previewText->setReadOnly(true);
  previewText->setLineWrapMode(QPlainTextEdit::NoWrap);
  previewText->setAccessibleName(QStringLiteral("変換の内容"));

  progressLabel = new QLabel(this);
  progressLabel->setObjectName(QStringLiteral("progressLabel"));
  progressLabel->setAccessibleName(QStringLiteral("進み具合"));

  undoButton = new UndoPassButton(this, session_.endRequested);
  startButton = new QPushButton(QStringLiteral("開 始"), this);
  startButton->setObjectName(QStringLiteral("startButton"));
  startButton->setAccessibleName(QStringLiteral("開始"));
  startButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  cancelButton->setAccessibleName(QStringLiteral("キャンセル"));
  cancelButton->setAutoDefault(false);
  connect(startButton, &QPushButton::clicked, this, &UnicodeConversionDialog::Start);
  connect(cancelButton, &QPushButton::clicked, this, &UnicodeConversionDialog::Cancel);
  // Files put back: the preview shows them as they are now.
  connect(undoButton, &QPushButton::clicked, this, [this] {
    if (undoButton->undone()) LoadPreview();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(undoButton);
  buttons->addWidget(progressLabel, 1);
  buttons->addWidget(startButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addWidget(summaryLabel);
  layout->addWidget(previewText, 1);
  layout->addLayout(buttons);

  setTabOrder(startButton, cancelButton);
  setTabOrder(cancelButton, undoButton);
  setTabOrder(undoButton, previewText);
  LoadPreview();
  startButton->setFocus();
}

void UnicodeConversionDialog::LoadPreview() {
  // The same pass as the run, writing nothing.
  UnicodeSettings settings;
  settings.write = false;
  UnicodeConversion conversion(files_, settings);
  PreviewCallbacks preview(conversion);
  const UnicodeResult result = conversion.Run(preview);
  summaryLabel->setText(Q(CountsText(result, true)));
  std::u16string text = preview.text;
  if (text.empty()) text = u"変換する文字列はありません。";
  previewText->setPlainText(Q(text));
  startButton->setEnabled(result.converted > 0 || result.failed());
}

void UnicodeConversionDialog::Start() {
  if (running_) return;
  running_ = true;
  startButton->setEnabled(false);
  undoButton->setEnabled(false);

  UnicodeSettings settings;
  settings.keepDate = session_.keepDate;
  settings.journalFolder = JournalFolder();
  settings.folder = session_.folder;
  WindowPassReports reports(this, progressLabel, stopAsked_, session_.endRequested);
  const UnicodeResult result = RunUnicodeConversion(files_, settings, reports);
  result_ = result;

  running_ = false;
  if (session_.endRequested) {
    // The session is ending: no message waits for an answer.
  } else if (result.stopped) {
    ui::Dialogs::Message(this, Q(StoppedPassText(PassKind::Unicode, result.done, files_.size())));
  } else if (result.done == files_.size()) {
    // Every file gone over (a file that could not be read was reported on the way).
    ui::Dialogs::Message(this, Q(u"タグをUnicodeに変換しました。\r\n" + CountsText(result, false)));
  }
  accept();
}

QPushButton* MakeUnicodeConversionButton(QWidget* mainWindow, const QRect& twipsPlace) {
  return MakeMainWindowCommand(mainWindow, twipsPlace, QStringLiteral("ﾕﾆｺｰﾄﾞ(F2)"), QStringLiteral("unicodeButton"),
                               QStringLiteral("タグをUnicodeに変換(F2)"),
                               QStringLiteral("一覧の曲のID3v2タグをUnicodeに変換します(F2)"));
}

}  // namespace vq
