#include "windows/passes/readings_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <map>

#include "passes/journal.h"
#include "passes/pass_items.h"
#include "passes/readings_pass.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/session.h"
#include "windows/passes/undo_pass_button.h"
#include "windows/passes/window_pass_reports.h"
#include "widgets/dialogs.h"
#include "widgets/fonts.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"

namespace vq {
namespace {

using ui::Q;
using ui::U16;

constexpr int kAlternativesRole = Qt::UserRole;

// The reading cell's editor: the reading, typed over or picked from the alternatives.
class ReadingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("readingEditor"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(index.data(kAlternativesRole).toStringList());
    box->setAccessibleName(QStringLiteral("読み"));
    return box;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* box = static_cast<QComboBox*>(editor);
    box->setEditText(index.data(Qt::EditRole).toString());
    box->lineEdit()->selectAll();  // typing replaces the reading, as in the tag fields
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText().trimmed(), Qt::EditRole);
  }
};

// The window's reports, and the files the pass left alone, for the closing message (the
// first twenty by name).
class ReadingsWindowReports : public WindowPassReports {
 public:
  ReadingsWindowReports(QWidget* window, QLabel* progress, const bool& stopAsked, const bool& endRequested,
                        const std::vector<PassItem>& items)
      : WindowPassReports(window, progress, stopAsked, endRequested), items_(items) {}
  void Skipped(std::size_t item, const std::u16string& why) override {
    if (++count_ <= kNamed) text_ += u"\r\n" + items_[item].shownFolder + items_[item].shownName + u"\r\n  " + why;
  }
  std::u16string LeftAlone() const {
    if (count_ == 0) return {};
    return u"\r\n\r\nそのままにした曲: " + FormatThousands(static_cast<std::int64_t>(count_)) + u" 曲" + text_ +
           (count_ > kNamed ? u"\r\n…" : u"");
  }

 private:
  static constexpr std::size_t kNamed = 20;
  const std::vector<PassItem>& items_;
  std::size_t count_ = 0;
  std::u16string text_;
};

QTableWidgetItem* ReadOnlyItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

ReadingsDialog::ReadingsDialog(Session& session, ReadingsSetup setup, QWidget* parent)
    : StoppablePassDialog(parent), session_(session), setup_(std::move(setup)) {
  setObjectName(QStringLiteral("ReadingsDialog"));
  setWindowTitle(QStringLiteral("並べ替え用の読み"));
  setFont(ui::ProportionalFont());
  setModal(true);
  resize(ui::Twips(11000), ui::Twips(9000));

  auto* explanation = new QLabel(
      QStringLiteral("一覧の曲の曲名・作者名・アルバム名の読み(カタカナ)を、プレーヤーが並べ替えに使う"
                     "フィールドに入れます。読みのまだない文字列だけを挙げます。読みはF2で書き換えられます。"
                     "開始で、チェックした行の読みを一覧の曲のタグに書き込みます。"),
      this);
  explanation->setObjectName(QStringLiteral("explanationLabel"));
  explanation->setWordWrap(true);
  explanation->setAccessibleName(QStringLiteral("説明"));

  summaryLabel = new QLabel(this);
  summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
  summaryLabel->setWordWrap(true);
  summaryLabel->setTextFormat(Qt::PlainText);
  summaryLabel->setAccessibleName(QStringLiteral("読みの数"));

  readingsTable = new QTableWidget(0, ColumnCount, this);
  readingsTable->setObjectName(QStringLiteral("readingsTable"));
  readingsTable->setAccessibleName(QStringLiteral("読みの一覧"));
  readingsTable->setHorizontalHeaderLabels(
      {QStringLiteral("使う"), QStringLiteral("文字列"), QStringLiteral("読み"), QStringLiteral("出どころ"),
       QStringLiteral("項目")});
  readingsTable->verticalHeader()->hide();
  readingsTable->setSelectionBehavior(QAbstractItemView::SelectItems);
  readingsTable->setSelectionMode(QAbstractItemView::SingleSelection);
  readingsTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
  readingsTable->setItemDelegateForColumn(ReadingColumn, new ReadingDelegate(readingsTable));
  readingsTable->setTabKeyNavigation(false);
  readingsTable->horizontalHeader()->setSectionResizeMode(TextColumn, QHeaderView::Stretch);
  readingsTable->horizontalHeader()->setSectionResizeMode(ReadingColumn, QHeaderView::Stretch);

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
  connect(startButton, &QPushButton::clicked, this, &ReadingsDialog::Start);
  connect(cancelButton, &QPushButton::clicked, this, &ReadingsDialog::Cancel);
  // Files put back: the table shows them as they are now.
  connect(undoButton, &QPushButton::clicked, this, [this] {
    if (undoButton->undone()) LoadReview();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(undoButton);
  buttons->addWidget(progressLabel, 1);
  buttons->addWidget(startButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addWidget(summaryLabel);
  layout->addWidget(readingsTable, 1);
  layout->addLayout(buttons);
  setTabOrder(readingsTable, startButton);
  setTabOrder(startButton, cancelButton);
  setTabOrder(cancelButton, undoButton);

  LoadReview();
  connect(readingsTable, &QTableWidget::cellChanged, this, &ReadingsDialog::RowEdited);
  readingsTable->setFocus();
}

void ReadingsDialog::LoadReview() {
  review_ = ReviewReadings(session_, setup_);
  const QSignalBlocker quiet(readingsTable);  // filling the table is no edit
  FillTable();
}

void ReadingsDialog::FillTable() {
  std::u16string summary = CountsText(review_.counts);
  if (review_.rows.empty()) summary = u"読みを入れる文字列はありません。";
  for (const std::u16string& line : review_.notices) summary += u"\n" + line;
  summaryLabel->setText(Q(summary));

  readingsTable->setRowCount(static_cast<int>(review_.rows.size()));
  for (int row = 0; row < readingsTable->rowCount(); ++row) {
    const ReviewRow& r = review_.rows[static_cast<std::size_t>(row)];
    const ReadingProposal& p = r.proposal;
    auto* use = new QTableWidgetItem;
    use->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    use->setCheckState(p.confirmed && !p.reading.empty() ? Qt::Checked : Qt::Unchecked);
    use->setData(Qt::AccessibleTextRole, QStringLiteral("使う: ") + Q(p.text));
    readingsTable->setItem(row, UseColumn, use);
    readingsTable->setItem(row, TextColumn, ReadOnlyItem(Q(p.text)));
    auto* reading = new QTableWidgetItem(Q(p.reading));
    QStringList alternatives;
    for (const std::u16string& a : p.alternatives) alternatives << Q(a);
    reading->setData(kAlternativesRole, alternatives);
    readingsTable->setItem(row, ReadingColumn, reading);
    const std::u16string source =
        p.reading.empty() ? SourceName(p.source) : SourceName(p.source) + (p.confirmed ? u"・確定" : u"・候補");
    readingsTable->setItem(row, SourceColumn, ReadOnlyItem(Q(source)));
    readingsTable->setItem(row, FieldsColumn,
                           ReadOnlyItem(Q(FieldNames(r.fields) + u" " + FormatThousands(r.files) + u" 曲")));
  }
  readingsTable->resizeColumnToContents(UseColumn);
  readingsTable->resizeColumnToContents(SourceColumn);
  readingsTable->resizeColumnToContents(FieldsColumn);
  if (readingsTable->rowCount() > 0) readingsTable->setCurrentCell(0, UseColumn);
  startButton->setEnabled(!review_.rows.empty());
}

void ReadingsDialog::RowEdited(int row, int column) {
  // A reading typed or picked by the user is meant to be used.
  if (column != ReadingColumn) return;
  const QString reading = readingsTable->item(row, ReadingColumn)->text();
  if (reading != Q(review_.rows[static_cast<std::size_t>(row)].proposal.reading) && !reading.isEmpty())
    readingsTable->item(row, UseColumn)->setCheckState(Qt::Checked);
}

std::vector<UserReading> ReadingsDialog::TakeCheckedRows() {
  used_.clear();
  std::vector<UserReading> remembered;
  for (int row = 0; row < readingsTable->rowCount(); ++row) {
    if (readingsTable->item(row, UseColumn)->checkState() != Qt::Checked) continue;
    const ReadingProposal& p = review_.rows[static_cast<std::size_t>(row)].proposal;
    const std::u16string reading = U16(readingsTable->item(row, ReadingColumn)->text().trimmed());
    if (reading.empty()) continue;
    used_.push_back({p.text, reading});
    if (reading != p.reading || !p.confirmed) remembered.push_back({p.text, reading});
  }
  return remembered;
}

void ReadingsDialog::Start() {
  if (running_) return;
  const std::vector<UserReading> remembered = TakeCheckedRows();
  if (!remembered.empty()) {
    try {
      AddUserReadings(setup_.userFile, remembered);
    } catch (const Error& e) {
      ui::Dialogs::Message(this,
                           Q(u"読みファイル " + Utf8ToUtf16(setup_.userFile) + u" に書き込めません。\r\n" + e.description()),
                           ui::MsgButtons::Ok, QStringLiteral("並べ替え用の読み"), ui::MsgIcon::Warning);
    }
  }
  std::map<std::u16string, std::u16string, std::less<>> readings;
  for (const UserReading& r : used_) readings[r.text] = r.reading;

  running_ = true;
  startButton->setEnabled(false);
  undoButton->setEnabled(false);
  readingsTable->setEnabled(false);
  ReadingsSettings settings;
  settings.textChoice = session_.unicodeV2 ? TextChoice::Unicode : TextChoice::CodePage;
  settings.keepDate = session_.keepDate;
  settings.journalFolder = JournalFolder();
  settings.folder = session_.folder;
  ReadingsPass pass(
      ItemsOfRows(session_.folder, session_.rows),
      [&readings](SortedField, std::u16string_view text) -> std::optional<std::u16string> {
        const auto it = readings.find(text);
        if (it == readings.end()) return std::nullopt;
        return it->second;
      },
      settings);
  ReadingsWindowReports reports(this, progressLabel, stopAsked_, session_.endRequested, pass.items());
  const PassResult result = pass.Run(reports);
  result_ = result;
  running_ = false;

  const std::size_t count = pass.items().size();
  if (session_.endRequested) {
    // The session is ending: no message waits for an answer.
  } else if (result.stopped) {
    ui::Dialogs::Message(this, Q(StoppedPassText(PassKind::Readings, result.done, count) + reports.LeftAlone()));
  } else if (result.done == count) {
    // Every file gone over (a file that could not be read was reported on the way).
    ui::Dialogs::Message(this, Q(u"並べ替え用の読みを書き込みました。\r\n" + ProgressText(result.changed, count) +
                                 u" 曲に書き込みました。" + reports.LeftAlone()));
  }
  accept();
}

QPushButton* MakeReadingsButton(QWidget* mainWindow, const QRect& twipsPlace) {
  return MakeMainWindowCommand(mainWindow, twipsPlace, QStringLiteral("読み(⇧F5)"), QStringLiteral("readingsButton"),
                               QStringLiteral("並べ替え用の読み(Shift+F5)"),
                               QStringLiteral("一覧の曲の曲名・作者名・アルバム名の読みを調べます(Shift+F5)"));
}

}  // namespace vq
