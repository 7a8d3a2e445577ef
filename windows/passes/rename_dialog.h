// "タグから名前を変更": renaming the listed files from their tags. A pattern box, a
// preview "今の名前 → 新しい名前" that follows the pattern as it is typed, the reason a
// pattern cannot be used, "開始" that carries the plan shown out on the pass engine
// (passes/rename_pass.h) with its progress, "キャンセル", and the undo button.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows/passes/stoppable_pass_dialog.h"
#include "passes/rename_pass.h"
#include "passes/rename_plan.h"
#include "session/listing.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRect;
class QTreeWidget;

namespace vq {

struct Session;
class UndoPassButton;

class RenameDialog : public StoppablePassDialog {
  Q_OBJECT

 public:
  // Takes the session's folder and listing and reads every listed file's tags once.
  explicit RenameDialog(Session& session, QWidget* parent = nullptr);

  // "開始": renames by the plan shown, with the progress, each failure's message (the
  // pass goes on), then the counts; closes. Nothing while the pattern cannot be used or
  // renames nothing.
  void Start();
  // What the run did; nullopt when the window closed without one.
  const std::optional<RenameResult>& result() const { return result_; }
  // The plan of the pattern as it is now (nullopt while the pattern cannot be used).
  const std::optional<RenamePlan>& plan() const { return plan_; }

  QLabel* patternLabel = nullptr;    // "名前のパターン(P):"
  QLineEdit* patternBox = nullptr;
  QLabel* fieldsLabel = nullptr;     // the fields a pattern may hold
  QLabel* messageLabel = nullptr;    // the counts, or why the pattern cannot be used
  QTreeWidget* previewList = nullptr;  // 今の名前 | 新しい名前
  QLabel* progressLabel = nullptr;     // "12 / 300" during the run
  QPushButton* startButton = nullptr;
  QPushButton* cancelButton = nullptr;
  UndoPassButton* undoButton = nullptr;  // takes the last pass back

  static constexpr char16_t kDefaultPattern[] = u"%track% %title%";

 private:
  void UpdatePreview();
  // The folder listed again as the main window lists it, and its tags read: after an
  // undo, the names are no longer those the window opened with.
  void ReadListing();

  Session& session_;
  std::string folder_;
  std::vector<ListedFile> rows_;
  std::vector<FileFields> fields_;
  std::optional<RenamePlan> plan_;
  std::optional<RenameResult> result_;
};

// The button "名前変更(F5)" at `twipsPlace` in the main window; the main window connects
// it, and F5, to opening the window.
QPushButton* MakeRenameButton(QWidget* mainWindow, const QRect& twipsPlace);

}  // namespace vq
