// "並べ替え用の読み": the sort readings of the current listing's titles, artists,
// albums and album artists. A table of text, proposed reading (editable, with the
// dictionaries' alternatives), where it came from and the fields that hold it; a check
// box per row, checked for a confirmed reading. "開始" returns the checked rows and adds
// the readings the user confirmed or edited to the user's readings file.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "passes/user_readings.h"
#include "session/readings_review.h"

class QLabel;
class QPushButton;
class QRect;
class QTableWidget;

namespace vq {

struct Session;

class ReadingsDialog : public QDialog {
  Q_OBJECT

 public:
  enum Column { UseColumn, TextColumn, ReadingColumn, SourceColumn, FieldsColumn, ColumnCount };

  // Reads the listed files' tags and proposes the readings; nothing is written.
  ReadingsDialog(const Session& session, ReadingsSetup setup = {}, QWidget* parent = nullptr);

  // "開始": the checked rows become the result; the readings the user checked from a
  // suggestion or edited go into the readings file; closes.
  void Start();

  // The checked texts and their readings; nullopt when the window closed without 開始.
  const std::optional<std::vector<UserReading>>& result() const { return result_; }
  const ReadingsReview& review() const { return review_; }

  QLabel* summaryLabel = nullptr;   // the counts, and the notices (a missing dictionary)
  QTableWidget* readingsTable = nullptr;
  QPushButton* startButton = nullptr;
  QPushButton* cancelButton = nullptr;

 private:
  void FillTable();
  void RowEdited(int row, int column);

  ReadingsSetup setup_;
  ReadingsReview review_;
  std::optional<std::vector<UserReading>> result_;
};

// The button "読み(F5)" at `twipsPlace` in the main window; the main window connects it,
// and F5, to opening the window.
QPushButton* MakeReadingsButton(QWidget* mainWindow, const QRect& twipsPlace);

}  // namespace vq
