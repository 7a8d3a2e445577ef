// ReferenceViewer, "ID3 Tag v2": the companion window beside the main window. Its upper half
// (listingView) shows the selected file's ID3v2 frame listing, with the file's front cover beside
// it (coverView, and coverInfoLabel under it) when it has one; its lower half (referenceList) the
// reference text "id3 tag.txt" from the program's folder.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "formats/picture.h"
#include "session/session.h"

namespace vq {

namespace ui {
class CoverView;
}

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
  // What the session holds of the selected file: the frame listing, and the front cover
  // (the first picture of type 3, else the first picture) beside it. Without a picture,
  // or with one that does not decode, the listing takes the whole width as before.
  void showSelectedFile(const Session& session);

  QPlainTextEdit* listingView = nullptr;
  QListWidget* referenceList = nullptr;
  ui::CoverView* coverView = nullptr;  // hidden while there is no cover
  QLabel* coverInfoLabel = nullptr;    // the cover's pixel size, format and byte size

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SplitInHalves();
  void PlaceBesideMainWindow();
  void showListing();
  void showCover(const std::optional<EmbeddedPicture>& picture);

  std::string programFolder_;
  QPointer<QWidget> mainWindow_;
  QString listing_;
  bool loaded_ = false;
};

}  // namespace vq
