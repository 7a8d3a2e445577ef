// Form2, "ID3 Tag v2": the companion window beside the main window. Its upper half
// (Text1) shows the selected file's ID3v2 frame listing, its lower half (List1) the
// reference text "id3 tag.txt" from the program's folder.
#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <string>

namespace vq {

class Form2 : public QWidget {
  Q_OBJECT

 public:
  // programFolder: where "id3 tag.txt" lies.
  explicit Form2(std::string programFolder, QWidget* parent = nullptr);

  // Places the window right of the main window on the work area and reads the
  // reference text. Runs once; later calls do nothing. Never reports an error.
  void Form_Load(QWidget* mainWindow);
  bool loaded() const { return loaded_; }

  // The frame listing in Text1, exactly as it was put there (CR LF line ends).
  QString text1() const { return listing_; }
  void setText1(const QString& text);
  void appendText1(const QString& text);

  QPlainTextEdit* Text1 = nullptr;
  QListWidget* List1 = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Form_Resize();
  void PlaceBesideMainWindow();
  void showListing();

  std::string programFolder_;
  QPointer<QWidget> mainWindow_;
  QString listing_;
  bool loaded_ = false;
};

}  // namespace vq
