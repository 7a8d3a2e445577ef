#include "bench_covers.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdlib>
#include <optional>
#include <vector>

#include "bench_tree.h"
#include "bench_util.h"
#include "formats/synchsafe.h"
#include "passes/journal_reader.h"

namespace vqbench {
namespace {

constexpr int kAlbums = 100, kPerAlbum = 10;
constexpr int kMaxSide = 600;
constexpr std::size_t kLeastCover = 300 << 10, kMostCover = 600 << 10;
const char kArtist[] = "山田花子";

std::string Jpeg(const QImage& image, int quality) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(quality);
  if (!writer.write(image)) Fail("cannot encode a cover");
  return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

// One cover per album, 300-600 KB each, as scanned album covers are: a few photo-like
// pictures (gradients under fine noise) of 1,300-1,500 pixels a side, each album's with
// its own mark, so that no two are the same bytes.
std::vector<std::string> MakeCovers() {
  std::vector<QImage> bases;
  QRandomGenerator random(27);
  for (int b = 0; b < 5; ++b) {
    const int side = 1300 + 50 * b;
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < side; ++x) {
        const int n = static_cast<int>(random.bounded(14));
        line[x] = qRgb((x * 255 / side + n) & 0xFF, (y * 255 / side + n / 2) & 0xFF, (40 * b + n) & 0xFF);
      }
    }
    bases.push_back(image);
  }
  std::vector<std::string> covers;
  for (int a = 0; a < kAlbums; ++a) {
    QImage image = bases[static_cast<std::size_t>(a % 5)];
    QPainter painter(&image);
    painter.fillRect(40 + 9 * a, 60 + 5 * a, 120, 80, QColor::fromHsv((a * 37) % 360, 200, 220));
    painter.end();
    std::string jpeg = Jpeg(image, 90);
    if (jpeg.size() < kLeastCover || jpeg.size() > kMostCover)
      Fail("a cover of " + std::to_string(jpeg.size()) + " bytes, not 300-600 KB");
    covers.push_back(std::move(jpeg));
  }
  return covers;
}

// The tree: 100 album folders of 10 files of 1 MB, and each folder's cover.jpg.
Tree MakeCoveredTree(const std::string& folder, const std::function<std::string(int)>& content,
                     const std::vector<std::string>& covers) {
  Tree tree = MakeTree(folder + "/" + kArtist, kAlbums, kPerAlbum, content);
  for (int a = 0; a < kAlbums; ++a)
    WriteFile(tree.folder + "/" + tree.files[static_cast<std::size_t>(a * kPerAlbum)].subfolder + "/cover.jpg",
              covers[static_cast<std::size_t>(a)]);
  return tree;
}

std::string AlbumFolder(const Tree& tree, int album) {
  return tree.folder + "/" + tree.files[static_cast<std::size_t>(album * kPerAlbum)].subfolder;
}

// Flushed, dropped from the cache and read back: every file of the tree, covers too.
void SettleTree(const Tree& tree) {
  SyncDisk();
  for (std::size_t i = 0; i < tree.files.size(); ++i) RecacheAsRead(tree.Path(i));
  for (int a = 0; a < kAlbums; ++a) RecacheAsRead(AlbumFolder(tree, a) + "/cover.jpg");
}

// The front cover TagLib reads in a file: its only picture, of type 3, image/jpeg, with
// an empty description; its bytes.
std::string FrontCoverByTagLib(const std::string& path) {
  TagLib::MPEG::File file(path.c_str(), false);
  TagLib::ID3v2::Tag* tag = file.isValid() ? file.ID3v2Tag() : nullptr;
  if (!tag) Fail("TagLib reads no ID3v2 tag in " + path);
  const TagLib::ID3v2::FrameList pictures = tag->frameList("APIC");
  if (pictures.size() != 1) Fail("TagLib reads " + std::to_string(pictures.size()) + " pictures in " + path);
  const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
  if (!picture || picture->type() != TagLib::ID3v2::AttachedPictureFrame::FrontCover ||
      picture->mimeType() != "image/jpeg" || !picture->description().isEmpty())
    Fail("not a front cover as embedded: " + path);
  const TagLib::ByteVector data = picture->picture();
  return std::string(data.data(), data.size());
}

// What every file must show after the cover pass: TagLib reads the album's one cover, a
// JPEG of at most 600 x 600 that keeps the image's shape (the covers are square), and
// the audio and ID3v1 record after the tag are the file's own, byte for byte. Returns
// each album's embedded cover.
std::vector<std::string> CheckCovered(const Tree& tree, const std::function<std::string(int)>& afterTag) {
  std::vector<std::string> embedded(kAlbums);
  for (std::size_t i = 0; i < tree.files.size(); ++i) {
    const std::string cover = FrontCoverByTagLib(tree.Path(i));
    std::string& album = embedded[i / kPerAlbum];
    if (i % kPerAlbum == 0) {
      const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(cover.data()), static_cast<int>(cover.size()));
      if (image.isNull() || image.width() != kMaxSide || image.height() != kMaxSide)
        Fail("the embedded cover is not a 600 x 600 picture: " + tree.Path(i));
      album = cover;
    } else if (cover != album) {
      Fail("files of one album hold different covers: " + tree.Path(i));
    }
    const std::string bytes = ReadFile(tree.Path(i));
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0) Fail("no tag: " + tree.Path(i));
    const std::size_t tagLength = 10 + vq::ReadSynchsafe(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 6);
    if (bytes.compare(tagLength, std::string::npos, afterTag(static_cast<int>(i))) != 0)
      Fail("the audio changed: " + tree.Path(i));
  }
  return embedded;
}

std::string JournalOf(const std::string& journals, vq::PassKind kind) {
  for (const vq::PassInfo& pass : vq::ListPasses(journals))
    if (pass.kind == kind && !pass.undone) return pass.path;
  Fail("no journal of the pass");
}

bool Exists(const std::string& path) { return std::system(("test -e '" + path + "'").c_str()) == 0; }

}  // namespace

CoverFigures RunCoverBench(const std::string& root, const std::string& audio, int rounds) {
  const std::vector<std::string> covers = MakeCovers();
  // Songs with an ID3v1 record and no ID3v2 tag: the cover pass and the batch both give
  // every file a new tag, so both rebuild every file and differ by the covers alone.
  auto content = [&audio](int i) { return audio + V1Record(i); };
  auto afterTag = [&audio](int i) { return audio + V1Record(i); };
  // The passes' journals stay in the benchmark's folder.
  const char* stateWas = std::getenv("XDG_STATE_HOME");
  const std::optional<std::string> state = stateWas ? std::optional<std::string>(stateWas) : std::nullopt;
  const std::string journals = root + "/covers-state/velquist";
  ::setenv("XDG_STATE_HOME", (root + "/covers-state").c_str(), 1);

  CoverFigures figures;
  std::vector<double> coverMs, copyMs, batchMs;
  for (int r = 0; r < rounds; ++r) {
    const std::string round = root + "/covers-" + std::to_string(r);
    Tree ours = MakeCoveredTree(round + "/velquist", content, covers);
    Tree source = MakeCoveredTree(round + "/source", content, covers);
    // The same rebuild of every file without the covers: what the pass costs beyond the
    // engine's own rebuild.
    Tree named = MakeCoveredTree(round + "/batch", content, covers);
    // Who goes first turns round; each starts with only its own files cached (see the
    // command's rebuild rows).
    for (int k = 0; k < 3; ++k) {
      const int which = (k + r) % 3;
      DropPageCache();
      SettleTree(which == 0 ? ours : which == 1 ? source : named);
      if (which == 0)
        coverMs.push_back(RunVelquist({"--cover", "--max-size", std::to_string(kMaxSide), ours.folder}));
      else if (which == 1)
        copyMs.push_back(RunCopyAndSync(round + "/source", round + "/copy"));
      else
        batchMs.push_back(RunVelquist({"--batch", named.folder}));
    }
    if (r == 0) {
      const std::vector<std::string> embedded = CheckCovered(ours, afterTag);
      // The covers only inside the files: each album gets one cover.jpg, the one its
      // files hold.
      for (int a = 0; a < kAlbums; ++a) std::remove((AlbumFolder(ours, a) + "/cover.jpg").c_str());
      figures.extractMs = RunVelquist({"--extract-covers", ours.folder});
      for (int a = 0; a < kAlbums; ++a)
        if (ReadFile(AlbumFolder(ours, a) + "/cover.jpg") != embedded[static_cast<std::size_t>(a)])
          Fail("the cover written is not the files' cover: " + AlbumFolder(ours, a));
      // Undo of the extraction removes what it wrote; undo of the cover pass puts every
      // byte of every file back.
      RunVelquist({"--undo", JournalOf(journals, vq::PassKind::ExtractCovers)});
      for (int a = 0; a < kAlbums; ++a)
        if (Exists(AlbumFolder(ours, a) + "/cover.jpg")) Fail("undo left a cover written: " + AlbumFolder(ours, a));
      figures.undoMs = RunVelquist({"--undo", JournalOf(journals, vq::PassKind::Cover)});
      for (std::size_t i = 0; i < ours.files.size(); ++i)
        if (ReadFile(ours.Path(i)) != content(static_cast<int>(i))) Fail("undo did not restore " + ours.Path(i));
    }
    RemoveTree(round);
    SyncDisk();
  }
  figures.coverMs = Median(coverMs);
  figures.copySyncMs = Median(copyMs);
  figures.batchMs = Median(batchMs);
  if (state)
    ::setenv("XDG_STATE_HOME", state->c_str(), 1);
  else
    ::unsetenv("XDG_STATE_HOME");
  RemoveTree(root + "/covers-state");
  return figures;
}

}  // namespace vqbench
