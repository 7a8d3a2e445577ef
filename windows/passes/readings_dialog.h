// "並べ替え用の読み": the sort readings of the current listing's titles, artists,
// albums and album artists. A table of text, proposed reading (editable, with the
// dictionaries' alternatives), where it came from and the fields that hold it; a check
// box per row, checked for a confirmed reading. "開始" adds the readings the user
// confirmed or edited to the user's readings file and writes the checked rows' readings
// into the listed files' empty sort fields through the readings pass (journal, undo,
// the stop after the file at hand); "直前の処理を元に戻す" takes the last pass back.
#pragma once

#include <optional>
#include <vector>

#include "windows/passes/stoppable_pass_dialog.h"
#include "passes/pass_engine.h"
#include "passes/user_readings.h"
#include "session/readings_review.h"

class QLabel;
class QPushButton;
class QRect;
class QTableWidget;

namespace vq {

struct Session;
class UndoPassButton;

class ReadingsDialog : public StoppablePassDialog {
  Q_OBJECT

 public:
  enum Column { UseColumn, TextColumn, ReadingColumn, SourceColumn, FieldsColumn, ColumnCount };

  // Reads the listed files' tags and proposes the readings; nothing is written.
  ReadingsDialog(Session& session, ReadingsSetup setup = {}, QWidget* parent = nullptr);

  // "開始": the readings the user checked from a suggestion or edited go into the
  // readings file; the checked rows' readings are written into the listed files; the
  // counts (or the stop) and the files left alone are reported; closes.
  void Start();

  // The checked texts and their readings, once 開始 took them.
  const std::vector<UserReading>& used() const { return used_; }
  // What the run did; nullopt when the window closed without one.
  const std::optional<PassResult>& result() const { return result_; }
  const ReadingsReview& review() const { return review_; }

  QLabel* summaryLabel = nullptr;   // the counts, and the notices (a missing dictionary)
  QTableWidget* readingsTable = nullptr;
  QLabel* progressLabel = nullptr;  // "12 / 300" during the run
  QPushButton* startButton = nullptr;
  QPushButton* cancelButton = nullptr;
  UndoPassButton* undoButton = nullptr;  // takes the last pass back

 private:
  void LoadReview();
  void FillTable();
  void RowEdited(int row, int column);
  // The checked rows: used_ and the readings to remember.
  std::vector<UserReading> TakeCheckedRows();

  Session& session_;
  ReadingsSetup setup_;
  ReadingsReview review_;
  std::vector<UserReading> used_;
  std::optional<PassResult> result_;
};

// The button "読み(⇧F5)" at `twipsPlace` in the main window; the main window connects it,
// and Shift+F5, to opening the window.
QPushButton* MakeReadingsButton(QWidget* mainWindow, const QRect& twipsPlace);

}  // namespace vq
