// TagEditorDialog: the front cover right of the design's controls. The window grows to
// the right for it; nothing of the design moves. The picture is the first of type 3 of
// the kept frames, else the first picture; setting one makes it a JPEG or PNG frame of
// type 3 in their place, removing one takes it out of the kept lines, and "v2更新(F9)"
// writes the lines with the fields (every other picture and frame whole).
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>

#include "formats/picture.h"
#include "passes/cover_art.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "session/editor_cover.h"
#include "widgets/cover_view.h"
#include "widgets/dialogs.h"
#include "widgets/picture_codec_qt.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "windows/editor/tag_editor.h"

namespace vq {

namespace {

// The panel's column, 225 twips right of the kept frames list, and the window's new
// width with a margin as wide as the one on the left.
// Under the track, disc and reading fields (tag_editor_extra_fields.cpp), in the same
// column: the picture on the left, its commands beside it, what it is under both.
constexpr int kCoverLeft = 14880;
constexpr int kCoverTop = 4320;
constexpr int kCoverSide = 1800;
constexpr int kCoverButtonsLeft = kCoverLeft + kCoverSide + 120;
constexpr int kCoverButtonsWidth = 2055;
constexpr int kDecodedCoverSide = 600;

QString Caption() { return QString::fromUtf16(ui::kDefaultCaption); }

// A local file among dropped or pasted data, as its path's bytes; "" for none.
std::string LocalFileOf(const QMimeData* data) {
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return QFile::encodeName(url.toLocalFile()).toStdString();
  return {};
}

// Image data among dropped or pasted data: JPEG or PNG bytes as they are, any other
// image as a PNG (lossless).
std::string ImageBytesOf(const QMimeData* data) {
  for (const char* type : {"image/jpeg", "image/png"}) {
    const QByteArray bytes = data->data(QString::fromLatin1(type));
    if (!bytes.isEmpty()) return bytes.toStdString();
  }
  const QImage image = qvariant_cast<QImage>(data->imageData());
  if (image.isNull()) return {};
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png.toStdString();
}

}  // namespace

void TagEditorDialog::BuildCoverPanel() {
  coverCaptionLabel = ui::PlaceTwips(new QLabel(QStringLiteral("表紙(&V)"), this), QStringLiteral("coverCaptionLabel"),
                                     kCoverLeft, kCoverTop, kCoverSide, 375);
  coverCaptionLabel->setAccessibleName(QStringLiteral("表紙"));
  coverView = ui::PlaceTwips(new ui::CoverView(this), QStringLiteral("coverView"), kCoverLeft, kCoverTop + 360, kCoverSide,
                             kCoverSide);
  coverView->setAccessibleName(QStringLiteral("表紙"));
  coverView->setAccessibleDescription(QStringLiteral("画像をドロップするか、Ctrl+V で貼り付けると表紙になります"));
  coverView->setTakesImages(true);
  coverCaptionLabel->setBuddy(coverView);
  connect(coverView, &ui::CoverView::imageOffered, this, &TagEditorDialog::TakeOfferedImage);

  coverInfoLabel = ui::PlaceTwips(new QLabel(this), QStringLiteral("coverInfoLabel"), kCoverButtonsLeft, kCoverTop + 1920,
                                  kCoverButtonsWidth, 735);
  coverInfoLabel->setAccessibleName(QStringLiteral("表紙の情報"));
  coverInfoLabel->setTextFormat(Qt::PlainText);
  coverInfoLabel->setWordWrap(true);
  coverInfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Reached by their mnemonics (Alt+S, Alt+E, Alt+A) and the mouse; like the design's
  // buttons they are no tab stops, and they leave the keyboard where it was.
  auto makeButton = [this](const QString& caption, const QString& name, const QString& accessible, int top,
                           void (TagEditorDialog::*action)()) {
    auto* button = ui::PlaceTwips(new QPushButton(caption, this), name, kCoverButtonsLeft, top, kCoverButtonsWidth, 495);
    button->setAccessibleName(accessible);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, action);
    return button;
  };
  setCoverButton = makeButton(QStringLiteral("表紙を設定(&S)…"), QStringLiteral("setCoverButton"),
                              QStringLiteral("表紙を設定"), kCoverTop + 360, &TagEditorDialog::ChooseCoverFile);
  removeCoverButton = makeButton(QStringLiteral("表紙を削除(&E)"), QStringLiteral("removeCoverButton"),
                                 QStringLiteral("表紙を削除"), kCoverTop + 900, &TagEditorDialog::RemoveCover);
  saveCoverButton = makeButton(QStringLiteral("表紙を保存(&A)…"), QStringLiteral("saveCoverButton"),
                               QStringLiteral("表紙を保存"), kCoverTop + 1440, &TagEditorDialog::SaveCover);
}

void TagEditorDialog::ShowKeptLines() {
  keptFramesList->clear();
  for (const auto& line : model_.kept) keptFramesList->addItem(ui::Q(line.ListText()));
}

void TagEditorDialog::ShowCover() {
  const std::optional<EmbeddedPicture> picture = FrontCoverOf(model_);
  QImage image;
  PictureCheck check;
  if (picture) image = ui::DecodePicture(picture->data, QSize(kDecodedCoverSide, kDecodedCoverSide), &check);
  coverView->setPicture(image);
  if (!picture) {
    coverInfoLabel->setText(QStringLiteral("表紙はありません。"));
  } else if (image.isNull()) {
    coverInfoLabel->setText(QStringLiteral("表紙を表示できません。\n") + ui::Q(PictureProblemText(check)));
  } else {
    coverInfoLabel->setText(ui::PictureInfoText(check, picture->data.size(), picture->mime));
  }
  removeCoverButton->setEnabled(picture.has_value());
  saveCoverButton->setEnabled(picture.has_value());
}

void TagEditorDialog::RestoreLoadedCover() {
  model_.kept = loadedKept_;
  ShowKeptLines();
  ShowCover();
}

void TagEditorDialog::ChooseCoverFile() {
  if (!CoverCommandsAllowed()) return;
  ui::FileRequest request;
  request.kind = ui::FileRequest::Kind::Open;
  request.caption = QStringLiteral("表紙にする画像");
  request.path = QFile::decodeName(QByteArray::fromStdString(session_.FolderPrefix(session_.selectedRow)));
  request.filter = QStringLiteral("JPEG / PNG 画像 (*.jpg *.jpeg *.png *.JPG *.JPEG *.PNG);;すべてのファイル (*)");
  const QString chosen = ui::Dialogs::AskFile(this, request);
  if (chosen.isEmpty()) return;
  SetCoverFromFile(QFile::encodeName(chosen).toStdString());
}

void TagEditorDialog::SetCoverFromFile(const std::string& path) {
  if (!CoverCommandsAllowed()) return;
  const QString shown = ui::Q(DecodePath(path));
  ImageFile file;
  try {
    file = ReadImageFile(path);
  } catch (const Error& e) {
    ui::Dialogs::Message(this, QStringLiteral("表紙の画像を読めません。\r\n") + shown + QStringLiteral("\r\n") + ui::Q(e.description()),
                         ui::MsgButtons::Ok, Caption(), ui::MsgIcon::Warning);
    return;
  }
  if (!file.problem.ok()) {
    ui::Dialogs::Message(this, QStringLiteral("表紙にできません。\r\n") + shown + QStringLiteral("\r\n") + ui::Q(PictureProblemText(file.problem)),
                         ui::MsgButtons::Ok, Caption(), ui::MsgIcon::Warning);
    return;
  }
  SetCoverFromBytes(file.bytes, shown);
}

void TagEditorDialog::SetCoverFromBytes(std::string_view bytes, const QString& source) {
  if (!CoverCommandsAllowed()) return;
  const PictureCheck check = CheckCoverImage(bytes, ui::QtPictureCodec());
  const std::optional<OutFrame> frame = check.ok() ? MakeFrontCoverFrame(bytes) : std::nullopt;
  if (!frame) {
    ui::Dialogs::Message(this, QStringLiteral("表紙にできません。\r\n") + source + QStringLiteral("\r\n") + ui::Q(PictureProblemText(check)),
                         ui::MsgButtons::Ok, Caption(), ui::MsgIcon::Warning);
    return;
  }
  SetFrontCover(model_, *frame);
  ShowKeptLines();
  ShowCover();
}

void TagEditorDialog::TakeOfferedImage(const QMimeData* data, bool pasted) {
  if (!CoverCommandsAllowed() || !data) return;
  const std::string path = LocalFileOf(data);
  if (!path.empty()) {
    SetCoverFromFile(path);
  } else {
    SetCoverFromBytes(ImageBytesOf(data), pasted ? QStringLiteral("貼り付けた画像") : QStringLiteral("ドロップした画像"));
  }
  // The function keys work in the fields: after a paste the keyboard goes back to the
  // title field, as after the design's commands.
  if (coverView->hasFocus()) tagFields[0]->setFocus(Qt::OtherFocusReason);
}

void TagEditorDialog::RemoveCover() {
  if (!CoverCommandsAllowed()) return;
  if (!RemoveFrontCover(model_)) return;
  ShowKeptLines();
  ShowCover();
}

void TagEditorDialog::SaveCover() {
  if (!CoverCommandsAllowed()) return;
  const std::optional<EmbeddedPicture> picture = FrontCoverOf(model_);
  if (!picture) return;
  const int row = session_.selectedRow;
  const QString mp3 = ui::Q(session_.ShownFolderPrefix(row) + session_.ShownFileName(row));
  // The extension comes from the picture's bytes, not from a MIME type that may be wrong;
  // a picture that does not decode is not saved.
  const PictureCheck check = ui::QtPictureCodec().Probe(picture->data);
  if (!check.ok()) {
    ui::Dialogs::Message(this, QStringLiteral("表紙を保存できません。\r\n") + mp3 + QStringLiteral("\r\n") + ui::Q(PictureProblemText(check)),
                         ui::MsgButtons::Ok, Caption(), ui::MsgIcon::Warning);
    return;
  }
  const QString ext = QString::fromLatin1(ExtensionForMime(ImageFormatMime(check.format)).data());
  ui::FileRequest request;
  request.kind = ui::FileRequest::Kind::Save;
  request.caption = QStringLiteral("表紙を保存");
  request.path = QFile::decodeName(QByteArray::fromStdString(session_.FolderPrefix(row))) + QStringLiteral("cover.") + ext;
  request.filter = QStringLiteral("%1 画像 (*.%2)").arg(QString::fromLatin1(ImageFormatName(check.format)), ext);
  request.defaultSuffix = ext;
  const QString chosen = ui::Dialogs::AskFile(this, request);
  if (chosen.isEmpty()) return;

  std::string path = QFile::encodeName(chosen).toStdString();
  // A name without the format's extension gets it; the dialog asked about the name as
  // typed, so a file under the new name is asked about here.
  const QString lower = chosen.toLower();
  const bool rightExtension = lower.endsWith(QLatin1Char('.') + ext) ||
                              (check.format == ImageFormat::Jpeg && lower.endsWith(QStringLiteral(".jpeg")));
  if (!rightExtension) {
    path += "." + ext.toStdString();
    if (IdentityOf(path) &&
        ui::Dialogs::Message(this, ui::Q(DecodePath(path)) + QStringLiteral("\r\nは既にあります。置き換えますか?"),
                             ui::MsgButtons::YesNo, Caption(), ui::MsgIcon::Question) != ui::MsgAnswer::Yes)
      return;
  }
  try {
    WriteFileAtomically(path, picture->data);
  } catch (const Error& e) {
    ui::Dialogs::Message(this, QStringLiteral("表紙を保存できません。\r\n") + ui::Q(DecodePath(path)) + QStringLiteral("\r\n") + ui::Q(e.description()),
                         ui::MsgButtons::Ok, Caption(), ui::MsgIcon::Warning);
  }
}

}  // namespace vq
