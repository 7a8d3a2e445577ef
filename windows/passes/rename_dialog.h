// "タグから名前を変更": renaming the listed files from their tags. A pattern box, a
// preview "今の名前 → 新しい名前" that follows the pattern as it is typed, the reason a
// pattern cannot be used, and "開始"/"キャンセル". The window plans; it renames nothing:
// "開始" returns the plan as its result, for the pass engine to carry out.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "passes/rename_plan.h"
#include "session/listing.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRect;
class QTreeWidget;

namespace vq {

struct Session;

class RenameDialog : public QDialog {
  Q_OBJECT

 public:
  // Takes the session's folder and listing and reads every listed file's tags once.
  explicit RenameDialog(const Session& session, QWidget* parent = nullptr);

  // "開始": the plan shown becomes the result and the window closes; nothing while the
  // pattern cannot be used or renames nothing.
  void Start();
  // "キャンセル" (or Esc): closes without a result.
  void Cancel();

  // The plan "開始" accepted; nullopt when the window closed without one.
  const std::optional<RenamePlan>& result() const { return result_; }
  // The plan of the pattern as it is now (nullopt while the pattern cannot be used).
  const std::optional<RenamePlan>& plan() const { return plan_; }

  QLabel* patternLabel = nullptr;    // "名前のパターン(P):"
  QLineEdit* patternBox = nullptr;
  QLabel* fieldsLabel = nullptr;     // the fields a pattern may hold
  QLabel* messageLabel = nullptr;    // the counts, or why the pattern cannot be used
  QTreeWidget* previewList = nullptr;  // 今の名前 | 新しい名前
  QPushButton* startButton = nullptr;
  QPushButton* cancelButton = nullptr;

  static constexpr char16_t kDefaultPattern[] = u"%track% %title%";

 private:
  void UpdatePreview();

  std::string folder_;
  std::vector<ListedFile> rows_;
  std::vector<FileFields> fields_;
  std::optional<RenamePlan> plan_;
  std::optional<RenamePlan> result_;
};

// The button "名前変更(F5)" at `twipsPlace` in the main window; the main window connects
// it, and F5, to opening the window.
QPushButton* MakeRenameButton(QWidget* mainWindow, const QRect& twipsPlace);

}  // namespace vq
