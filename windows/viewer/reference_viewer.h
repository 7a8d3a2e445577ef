// ReferenceViewer, "ID3 Tag v2": the companion window beside the main window. Its upper half
// (listingView) shows the selected file's ID3v2 frame listing, its lower half (referenceList) the
// reference text "id3 tag.txt" from the program's folder.
#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <string>

namespace vq {

class ReferenceViewer : public QWidget {
  Q_OBJECT

 public:
  // programFolder: where "id3 tag.txt" lies.
  explicit ReferenceViewer(std::string programFolder, QWidget* parent = nullptr);

  // Places the window right of the main window on the work area and reads the
  // reference text. Runs once; later calls do nothing. Never reports an error.
  void Load(QWidget* mainWindow);
  bool loaded() const { return loaded_; }

  // The frame listing in listingView, exactly as it was put there (CR LF line ends).
  QString listing() const { return listing_; }
  void setListing(const QString& text);
  void appendListing(const QString& text);

  QPlainTextEdit* listingView = nullptr;
  QListWidget* referenceList = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SplitInHalves();
  void PlaceBesideMainWindow();
  void showListing();

  std::string programFolder_;
  QPointer<QWidget> mainWindow_;
  QString listing_;
  bool loaded_ = false;
};

}  // namespace vq
