#include "passes/album_covers.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "passes/cover_art.h"
#include "passes/track_numbers.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

std::size_t AlbumCovers::AlbumOf(const std::string& filePath) {
  const std::string folder = ParentPath(filePath);
  const auto [it, added] = byFolder_.try_emplace(folder, albums_.size());
  if (!added) return it->second;
  AlbumCover album;
  album.folder = folder;
  album.shownFolder = DecodePath(folder.empty() ? std::string("/") : folder + "/");
  albums_.push_back(std::move(album));
  return it->second;
}

namespace {

// How far the images are read ahead of the album at hand: a few albums, and never more
// than this many bytes of image files held.
constexpr std::size_t kAheadAlbums = 6;
constexpr std::size_t kAheadBytes = 64u << 20;

}  // namespace

// One thread that prepares covers in the order they are given.
class AlbumCovers::Preparer {
 public:
  Preparer() : thread_([this] { Run(); }) {}
  ~Preparer() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  std::future<CoverPreparation> Add(std::function<CoverPreparation()> work) {
    std::packaged_task<CoverPreparation()> task(std::move(work));
    std::future<CoverPreparation> result = task.get_future();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(task));
    }
    wake_.notify_one();
    return result;
  }

 private:
  void Run() {
    for (;;) {
      std::packaged_task<CoverPreparation()> task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (ending_) return;  // what is left is never asked for
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<CoverPreparation()>> queue_;
  bool ending_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
};

AlbumCovers::AlbumCovers(const PictureCodec& codec, int maxSide) : codec_(codec), maxSide_(maxSide) {}
AlbumCovers::~AlbumCovers() = default;

const OutFrame* AlbumCovers::Cover(std::size_t index) {
  if (held_ != index) {
    held_.reset();
    heldFrame_ = OutFrame();
    Pending pending;
    if (const auto it = ahead_.find(index); it != ahead_.end()) {
      pending = std::move(it->second);
      ahead_.erase(it);
    } else {
      pending = Start(index, false);
    }
    ReadAhead(index + 1);
    Finish(index, pending);
    held_ = index;
  }
  return albums_[index].state == AlbumCover::State::Ready ? &heldFrame_ : nullptr;
}

void AlbumCovers::ReadAhead(std::size_t from) {
  std::size_t bytes = 0;
  for (const auto& [index, pending] : ahead_) bytes += pending.bytes ? pending.bytes->size() : 0;
  for (std::size_t k = from; k < albums_.size() && k < from + kAheadAlbums && bytes < kAheadBytes; ++k) {
    if (albums_[k].state != AlbumCover::State::NotLooked || ahead_.count(k) != 0) continue;
    Pending& pending = ahead_[k] = Start(k, true);
    bytes += pending.bytes ? pending.bytes->size() : 0;
  }
}

AlbumCovers::Pending AlbumCovers::Start(std::size_t index, bool ahead) {
  Pending p;
  AlbumCover& album = p.album;
  album.folder = albums_[index].folder;
  album.shownFolder = albums_[index].shownFolder;
  // The files are read here, on the pass's own thread; only the decoding goes elsewhere.
  try {
    album.imageFolder = album.folder;
    std::optional<std::string> name = FindFolderCoverImage(album.folder.empty() ? "/" : album.folder);
    // The discs of an album share its cover, which lies in the album folder.
    if (!name && !album.folder.empty() && DiscOfFolderName(DecodeName(LastComponent(album.folder)))) {
      album.imageFolder = ParentPath(album.folder);
      name = FindFolderCoverImage(album.imageFolder.empty() ? "/" : album.imageFolder);
    }
    if (!name) {
      album.imageFolder.clear();
      album.state = AlbumCover::State::NoImage;
      return p;
    }
    album.imageName = *name;
    ImageFile file = ReadImageFile(JoinPath(album.imageFolder, *name));
    album.fileBytes = file.bytes.size();
    if (!file.problem.ok()) {
      album.state = AlbumCover::State::BadImage;
      album.image = file.problem;
      return p;
    }
    album.fileFormat = SniffImageFormat(file.bytes);
    p.bytes = std::make_shared<const std::string>(std::move(file.bytes));
  } catch (const Error& e) {
    album.state = AlbumCover::State::Unreadable;
    album.problem = e.description();
    return p;
  }
  auto prepare = [bytes = p.bytes, &codec = codec_, maxSide = maxSide_] { return PrepareCover(*bytes, codec, maxSide); };
  if (ahead) {
    try {
      if (!preparer_) preparer_ = std::make_unique<Preparer>();
      p.prepared = preparer_->Add(prepare);
      return p;
    } catch (const std::system_error&) {
      // No thread to be had: prepared here, when it is asked for.
    }
  }
  p.prepared = std::async(std::launch::deferred, prepare);
  return p;
}

void AlbumCovers::Finish(std::size_t index, Pending& p) {
  AlbumCover& album = p.album;
  if (p.prepared.valid()) {
    CoverPreparation prepared = p.prepared.get();
    if (!prepared.cover) {
      album.state = AlbumCover::State::BadImage;
      album.image = prepared.problem;
    } else {
      PreparedCover& cover = *prepared.cover;
      album.state = AlbumCover::State::Ready;
      album.image = cover.image;
      album.scaled = cover.scaled;
      album.fileWidth = cover.fileWidth;
      album.fileHeight = cover.fileHeight;
      // The frame's body: encoding, MIME type and its zero, picture type, the empty
      // description's zero, then the picture.
      album.embeddedBytes = cover.frame.body.size() - (cover.frame.body.find('\0', 1) + 3);
      heldFrame_ = std::move(cover.frame);
    }
  }
  albums_[index] = std::move(album);
}

std::u16string AlbumCoverText(const AlbumCover& album) {
  const std::u16string image = DecodePath(JoinPath(album.imageFolder, album.imageName));
  switch (album.state) {
    case AlbumCover::State::NotLooked: break;
    case AlbumCover::State::Ready: {
      std::u16string text = u"表紙: " + image + u"（" + Utf8ToUtf16(ImageFormatName(album.fileFormat)) + u"、" +
                            PictureSizeText(album.fileWidth, album.fileHeight) + u"、" + ByteSizeText(album.fileBytes);
      if (album.scaled)
        text += u" → " + PictureSizeText(album.image.width, album.image.height) + u"、" + ByteSizeText(album.embeddedBytes);
      return text + u"）";
    }
    case AlbumCover::State::NoImage: return u"表紙の画像がありません: " + album.shownFolder;
    case AlbumCover::State::BadImage: return u"表紙の画像を使えません: " + image + u"\r\n" + PictureProblemText(album.image);
    case AlbumCover::State::Unreadable:
      return u"表紙の画像を読み取れません: " + (album.imageName.empty() ? album.shownFolder : image) + u"\r\n" +
             album.problem;
  }
  return {};
}

std::u16string NoCoverReason(const AlbumCover& album) {
  switch (album.state) {
    case AlbumCover::State::NotLooked:
    case AlbumCover::State::Ready: break;
    case AlbumCover::State::NoImage: return u"表紙の画像がないフォルダです。";
    case AlbumCover::State::BadImage:
      return u"表紙の画像 " + DecodeName(album.imageName) + u" を使えません（" + PictureProblemText(album.image) + u"）";
    case AlbumCover::State::Unreadable: return u"表紙の画像を読み取れません（" + album.problem + u"）";
  }
  return {};
}

std::u16string AlbumsWithoutCoverText(const std::vector<AlbumCover>& albums) {
  constexpr std::size_t kShown = 10;
  std::u16string text;
  std::size_t count = 0;
  for (const AlbumCover& a : albums) {
    if (a.state == AlbumCover::State::NotLooked || a.state == AlbumCover::State::Ready) continue;
    if (++count <= kShown) text += u"\r\n" + AlbumCoverText(a);
  }
  if (count == 0) return {};
  if (count > kShown) text += u"\r\nほか " + FormatThousands(static_cast<std::int64_t>(count - kShown)) + u" フォルダ";
  return u"表紙を埋め込めなかったフォルダがあります。" + text;
}

AlbumCounts CountAlbums(const std::vector<AlbumCover>& albums) {
  AlbumCounts counts;
  for (const AlbumCover& a : albums) {
    switch (a.state) {
      case AlbumCover::State::NotLooked: break;
      case AlbumCover::State::Ready: ++counts.ready; break;
      case AlbumCover::State::NoImage: ++counts.noImage; break;
      default: ++counts.unusable; break;
    }
  }
  return counts;
}

}  // namespace vq
