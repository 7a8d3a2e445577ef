#include "bench_taglib.h"

#include <fcntl.h>
#include <taglib/audioproperties.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/taglib.h>
#include <unistd.h>

#include "platform/text.h"

namespace vqbench {

std::size_t TagLibSelectionRead(const std::string& path) {
  TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
  if (!file.isValid()) return 0;
  std::size_t chars = 0;
  if (TagLib::ID3v2::Tag* v2 = file.ID3v2Tag()) {
    for (const TagLib::ID3v2::Frame* frame : v2->frameList()) chars += frame->frameID().size() + frame->toString().size();
  }
  if (TagLib::ID3v1::Tag* v1 = file.ID3v1Tag()) {
    chars += v1->title().size() + v1->artist().size() + v1->album().size() + v1->comment().size() +
             v1->genre().size() + (v1->year() > 0 ? 4 : 0) + (v1->track() > 0 ? 1 : 0);
  }
  if (const TagLib::MPEG::Properties* p = file.audioProperties()) chars += p->lengthInSeconds() > 0 ? 1 : 0;
  return chars;
}

bool TagLibBatchFile(const std::string& path, const vq::DerivedNames& names, bool flush) {
  {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid() || file.readOnly()) return false;
    TagLib::String artist(vq::Utf16ToUtf8(names.FolderName), TagLib::String::UTF8);
    TagLib::String album(vq::Utf16ToUtf8(names.SubfolderName), TagLib::String::UTF8);
    TagLib::String title(vq::Utf16ToUtf8(names.FileTitle), TagLib::String::UTF8);
    for (TagLib::Tag* tag : {static_cast<TagLib::Tag*>(file.ID3v2Tag(true)), static_cast<TagLib::Tag*>(file.ID3v1Tag(true))}) {
      tag->setArtist(artist);
      tag->setAlbum(album);
      tag->setTitle(title);
    }
    if (!file.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                   TagLib::File::DoNotDuplicate))
      return false;
  }
  if (flush) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
  }
  return true;
}

std::string TagLibVersion() {
  return "TagLib " + std::to_string(TAGLIB_MAJOR_VERSION) + "." + std::to_string(TAGLIB_MINOR_VERSION) + "." +
         std::to_string(TAGLIB_PATCH_VERSION);
}

}  // namespace vqbench
