// The reference viewer's cover: the selected file's front cover beside the frame
// listing, what it is under it, and the listing alone, as before, for a file without a
// picture or with one that does not decode.
#include <QLabel>

#include "formats/picture.h"
#include "tag_editor_test_support.h"
#include "support/ui/test_images.h"
#include "widgets/cover_view.h"

using namespace vq;
using namespace editortest;

namespace {

std::string Apic(std::uint8_t type, const std::string& data, const std::string& mime) {
  return std::string("\0", 1) + mime + '\0' + static_cast<char>(type) + std::string("\0", 1) + data;
}

std::string Audio() { return vqtest::ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3")); }

// The viewer shows the listing alone, across the whole upper half, exactly as the table
// lists it.
void ExpectListingAlone(Editing& e) {
  ReferenceViewer& v = e.form().viewer();
  EXPECT_TRUE(v.coverView->isHidden());
  EXPECT_TRUE(v.coverInfoLabel->isHidden());
  EXPECT_EQ(v.listingView->geometry(), QRect(0, 0, v.width(), v.height() / 2));
  EXPECT_EQ(v.listing(), ui::Q(FrameListingText(e.session().v2Frames)));
}

}  // namespace

TEST(ReferenceViewerCover, TheFrontCoverBesideTheListingWithItsSizeFormatAndBytes) {
  const std::string front = vqtest::JpegBytes(300, 200);
  const std::string back = vqtest::PngBytes(40, 40);
  Editing e(V23File({{"TIT2", std::string("\0Title", 6)},
                     {"APIC", Apic(4, back, "image/png")},
                     {"APIC", Apic(3, front, "image/jpeg")}},
                    Audio()),
            "01 表紙.mp3", true);
  ReferenceViewer& v = e.form().viewer();
  EXPECT_FALSE(v.coverView->isHidden());
  EXPECT_EQ(v.coverView->picture().size(), QSize(300, 200));
  EXPECT_EQ(v.coverInfoLabel->text(), QStringLiteral("300 × 200 ピクセル\nJPEG  ") + ui::Q(FormatThousands(static_cast<std::int64_t>(front.size()))) +
                                        QStringLiteral(" バイト"));
  // The listing as before, beside the picture; the reference text below both.
  EXPECT_EQ(v.listing(), QStringLiteral("TIT2(0) Title\r\nAPIC(0) \r\nAPIC(0) \r\n"));
  const QRect listing = v.listingView->geometry();
  EXPECT_EQ(listing.topLeft(), QPoint(0, 0));
  EXPECT_EQ(listing.height(), v.height() / 2);
  EXPECT_LT(listing.width(), v.width());
  EXPECT_GE(v.coverView->geometry().left(), listing.right());
  EXPECT_LE(v.coverInfoLabel->geometry().bottom(), v.height() / 2);
  EXPECT_EQ(v.referenceList->geometry(), QRect(0, v.height() / 2, v.width(), v.height() / 2));

  // The next file without a picture gives the listing its whole width back.
  e.h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/02 なし.mp3");
  e.form().ListCurrentFolder();
  e.form().SelectFile(1);
  ASSERT_EQ(vqtest::RowText(e.form().fileList, 1), QStringLiteral("02 なし.mp3"));
  ExpectListingAlone(e);
}

TEST(ReferenceViewerCover, AFileWithOnlyAnotherPictureShowsThatOneAndAWrongMimeTypeIsShown) {
  // A v2.3 picture of type 0 with a MIME type that names PNG over JPEG bytes.
  Editing e(V23File({{"APIC", Apic(0, vqtest::JpegBytes(64, 48), "image/png")}}, Audio()), "01.mp3", true);
  ReferenceViewer& v = e.form().viewer();
  ASSERT_FALSE(v.coverView->isHidden());
  EXPECT_EQ(v.coverView->picture().size(), QSize(64, 48));
  EXPECT_TRUE(v.coverInfoLabel->text().contains(QStringLiteral("JPEG（MIMEタイプは image/png）")));
}

TEST(ReferenceViewerCover, BrokenPicturesLeaveTheListingAsBeforeWithoutAnyMessage) {
  const std::string jpeg = vqtest::JpegBytes(200, 200);
  const struct {
    const char* name;
    std::string body;
  } rows[] = {
      {"a cut JPEG", Apic(3, jpeg.substr(0, jpeg.size() / 2), "image/jpeg")},
      {"no picture bytes", Apic(3, "", "image/jpeg")},
      {"not a picture", Apic(3, "hello, world", "image/jpeg")},
      {"20,000 x 20,000", Apic(3, vqtest::JpegClaiming(jpeg, 20000, 20000), "image/jpeg")},
      {"a PNG that is a GIF cut short", Apic(3, vqtest::GifBytes().substr(0, 20), "image/png")},
      {"no type after the MIME type", std::string("\0image/jpeg", 11)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Editing e(V23File({{"TIT2", std::string("\0T", 2)}, {"APIC", r.body}}, Audio()), "01.mp3", true);
    ExpectListingAlone(e);
    EXPECT_EQ(e.listing(), QStringLiteral("TIT2(0) T\r\nAPIC(0) \r\n"));
    EXPECT_TRUE(e.h.messages.requests.empty());
  }
}
