#include "windows/passes/rename_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "passes/journal.h"
#include "session/session.h"
#include "widgets/dialogs.h"
#include "widgets/fonts.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "windows/passes/undo_pass_button.h"
#include "windows/passes/window_pass_reports.h"

namespace vq {

using ui::Q;

RenameDialog::RenameDialog(Session& session, QWidget* parent)
    : StoppablePassDialog(parent),
      session_(session),
      folder_(session.folder),
      rows_(session.rows),
      fields_(ReadListingFields(folder_, rows_)) {
  setObjectName(QStringLiteral("RenameDialog"));
  setWindowTitle(QStringLiteral("タグから名前を変更"));
  setFont(ui::ProportionalFont());
  setModal(true);
  resize(ui::Twips(10500), ui::Twips(6300));

  patternLabel = new QLabel(QStringLiteral("名前のパターン(&P):"), this);
  patternLabel->setObjectName(QStringLiteral("patternLabel"));
  patternBox = new QLineEdit(Q(kDefaultPattern), this);
  patternBox->setObjectName(QStringLiteral("patternBox"));
  patternBox->setAccessibleName(QStringLiteral("名前のパターン"));
  patternLabel->setBuddy(patternBox);

  fieldsLabel = new QLabel(QStringLiteral("使える項目: %artist% %album% %title% %track% (2桁、%track:3% で3桁) "
                                          "%disc% %year% %genre% %comment%。「/」でフォルダを作ります。"
                                          "例: %artist%/%album%/%track% %title%"),
                           this);
  fieldsLabel->setObjectName(QStringLiteral("fieldsLabel"));
  fieldsLabel->setWordWrap(true);
  fieldsLabel->setAccessibleName(QStringLiteral("使える項目"));

  messageLabel = new QLabel(this);
  messageLabel->setObjectName(QStringLiteral("messageLabel"));
  messageLabel->setWordWrap(true);
  messageLabel->setAccessibleName(QStringLiteral("名前の変更の内容"));

  previewList = new QTreeWidget(this);
  previewList->setObjectName(QStringLiteral("previewList"));
  previewList->setAccessibleName(QStringLiteral("今の名前 → 新しい名前"));
  previewList->setColumnCount(2);
  previewList->setHeaderLabels({QStringLiteral("今の名前"), QStringLiteral("→ 新しい名前")});
  previewList->setRootIsDecorated(false);
  previewList->setUniformRowHeights(true);
  previewList->header()->setSectionResizeMode(QHeaderView::Stretch);

  progressLabel = new QLabel(this);
  progressLabel->setObjectName(QStringLiteral("progressLabel"));
  progressLabel->setAccessibleName(QStringLiteral("進み具合"));

  undoButton = new UndoPassButton(this, session_.endRequested);
  startButton = new QPushButton(QStringLiteral("開始(&S)"), this);
  startButton->setObjectName(QStringLiteral("startButton"));
  startButton->setAccessibleName(QStringLiteral("開始"));
  startButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  cancelButton->setAccessibleName(QStringLiteral("キャンセル"));
  cancelButton->setAutoDefault(false);
  connect(startButton, &QPushButton::clicked, this, &RenameDialog::Start);
  connect(cancelButton, &QPushButton::clicked, this, &RenameDialog::Cancel);
  connect(patternBox, &QLineEdit::textChanged, this, &RenameDialog::UpdatePreview);
  // Enter in the pattern box starts, as the default button does.
  connect(patternBox, &QLineEdit::returnPressed, this, &RenameDialog::Start);
  // Names put back: the preview starts from the names as they are now.
  connect(undoButton, &QPushButton::clicked, this, [this] {
    if (!undoButton->undone()) return;
    ReadListing();
    UpdatePreview();
  });

  auto* patternRow = new QHBoxLayout;
  patternRow->addWidget(patternLabel);
  patternRow->addWidget(patternBox, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(undoButton);
  buttons->addWidget(progressLabel, 1);
  buttons->addWidget(startButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(patternRow);
  layout->addWidget(fieldsLabel);
  layout->addWidget(messageLabel);
  layout->addWidget(previewList, 1);
  layout->addLayout(buttons);

  setTabOrder(patternBox, previewList);
  setTabOrder(previewList, startButton);
  setTabOrder(startButton, cancelButton);
  setTabOrder(cancelButton, undoButton);
  UpdatePreview();
  patternBox->setFocus();
  patternBox->selectAll();
}

void RenameDialog::UpdatePreview() {
  previewList->clear();
  plan_.reset();
  const ParsedRenamePattern parsed = ParseRenamePattern(patternBox->text().toStdU16String());
  std::u16string message = parsed.error;
  if (parsed.pattern) {
    RenamePlan plan = PlanRenames(folder_, rows_, fields_, *parsed.pattern);
    message = plan.refusal.empty() ? PlanCountsText(plan) + u"。" : plan.refusal;
    if (plan.refusal.empty()) plan_ = std::move(plan);
  }
  messageLabel->setText(Q(message));
  if (plan_) {
    QList<QTreeWidgetItem*> items;
    for (const PlannedRename& item : plan_->items) {
      std::u16string now = ShownBelow(folder_, item.oldPath), next;
      if (item.Moves())
        next = ShownBelow(folder_, item.newPath);
      else if (item.kind == PlannedRename::Kind::Unchanged)
        next = u"(変わりません)";
      else
        next = u"そのまま: " + item.why;
      items.push_back(new QTreeWidgetItem(QStringList{Q(now), Q(next)}));
    }
    previewList->addTopLevelItems(items);
  }
  startButton->setEnabled(plan_ && plan_->renamed + plan_->companions > 0);
}

void RenameDialog::ReadListing() {
  try {
    rows_ = session_.fileNameMode ? ListOwnFiles(folder_) : ListFilesWithSubfolders(folder_);
  } catch (const Error&) {
    rows_.clear();
  }
  fields_ = ReadListingFields(folder_, rows_);
}

void RenameDialog::Start() {
  if (running_ || !startButton->isEnabled() || !plan_) return;
  running_ = true;
  startButton->setEnabled(false);
  undoButton->setEnabled(false);
  patternBox->setReadOnly(true);

  RenamePass pass(folder_, *plan_);
  RenamePassSettings settings;
  settings.journalFolder = JournalFolder();
  WindowPassReports reports(this, progressLabel, stopAsked_, session_.endRequested);
  const RenameResult result = pass.Run(settings, reports);
  result_ = result;

  running_ = false;
  if (session_.endRequested) {
    // The session is ending: no message waits for an answer.
  } else if (result.stopped) {
    ui::Dialogs::Message(this, Q(StoppedPassText(PassKind::Rename, result.done, pass.items().size()) + u"\r\n" +
                                 RenameResultText(result, pass.plan(), false)));
  } else {
    ui::Dialogs::Message(this, Q(u"名前を変更しました。\r\n" + RenameResultText(result, pass.plan(), false)));
  }
  accept();
}

QPushButton* MakeRenameButton(QWidget* mainWindow, const QRect& twipsPlace) {
  return MakeMainWindowCommand(mainWindow, twipsPlace, QStringLiteral("名前変更(F5)"), QStringLiteral("renameButton"),
                               QStringLiteral("タグから名前を変更(F5)"),
                               QStringLiteral("一覧の曲の名前を、タグから付け直します(F5)"));
}

}  // namespace vq
