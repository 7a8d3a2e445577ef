#include "test_util.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/fileio.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/id3v2frame.h>
#include <iconv.h>

namespace fs = std::filesystem;

namespace vqtest {

std::string DataPath(const std::string& name) { return std::string(VQ_TEST_DATA) + "/" + name; }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void MakeFile(const std::string& path, std::size_t size) { WriteBytes(path, std::string(size, '\0')); }

SmallTmpfs::SmallTmpfs(std::size_t bytes) {
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
}

bool SmallTmpfs::Resize(std::size_t bytes) {
  const std::string options = "size=" + std::to_string(bytes);
  return mounted_ && ::mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_REMOUNT, options.c_str()) == 0;
}

SmallTmpfs::~SmallTmpfs() {
  if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
}

ReadOnlyFolder::ReadOnlyFolder(const std::string& folder) : folder_(folder) {
  if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) return;
  mounted_ = true;
  if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    ::umount2(folder.c_str(), MNT_DETACH);
    mounted_ = false;
  }
}

ReadOnlyFolder::~ReadOnlyFolder() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  if (value)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    ::setenv(name_.c_str(), old_.c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::string AudioOf(const std::string& bytes) {
  std::size_t start = 0;
  if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0) {
    auto b = [&](int i) { return static_cast<std::size_t>(static_cast<unsigned char>(bytes[i])); };
    start = 10 + (b(6) << 21) + (b(7) << 14) + (b(8) << 7) + b(9);
  }
  std::size_t end = bytes.size();
  if (end >= start + 128 && bytes.compare(end - 128, 3, "TAG") == 0) end -= 128;
  return start >= end ? std::string() : bytes.substr(start, end - start);
}

std::vector<std::string> TemporaryFilesIn(const std::string& folder) {
  std::vector<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(folder))
    if (vq::IsTemporaryFileName(e.path().filename().string())) out.push_back(e.path().string());
  return out;
}

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "vqtest-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Give back write permission so read-only test files can be removed.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    ::chmod(it->path().c_str(), it->is_directory() ? 0755 : 0644);
  ::chmod(path_.c_str(), 0755);
  fs::remove_all(path_, ec);
}

std::string TempDir::CopyFixture(const std::string& fixture, const std::string& rel) const {
  std::string dst = path_ + "/" + rel;
  WriteBytes(dst, ReadBytes(DataPath(fixture)));
  return dst;
}

std::string TempDir::MakeDir(const std::string& rel) const {
  std::string p = path_ + "/" + rel;
  fs::create_directories(p);
  return p;
}

namespace {

// Shift-JIS (code page 932) for ID3v1 fields and for ID3v2 frames with encoding 0,
// converted by iconv, so the check does not reuse the program's own tables.
TagLib::String FromCp932(const TagLib::ByteVector& data) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  std::string in(data.data(), data.size());
  auto nul = in.find('\0');
  if (nul != std::string::npos) in.resize(nul);
  std::string out(in.size() * 4 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  out.resize(out.size() - ol);
  return TagLib::String(out, TagLib::String::UTF8);
}

class Cp932V1Handler : public TagLib::ID3v1::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return FromCp932(data).stripWhiteSpace();
  }
};

class Cp932V2Handler : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override { return FromCp932(data); }
};

// TagLib with the code page as its reading of ID3v1 fields and of encoding 0, or with
// its own defaults (ISO-8859-1), as a player that follows the standard reads a tag.
void InstallHandlers(bool cp932) {
  static Cp932V1Handler v1;
  static Cp932V2Handler v2;
  TagLib::ID3v1::Tag::setStringHandler(cp932 ? &v1 : nullptr);
  TagLib::ID3v2::Tag::setLatin1StringHandler(cp932 ? &v2 : nullptr);
}

}  // namespace

TagLibView ReadWithTagLib(const std::string& path, bool cp932) {
  InstallHandlers(cp932);
  TagLibView v;
  TagLib::MPEG::File f(path.c_str(), false);
  if (!f.isValid()) return v;
  if (f.hasID3v2Tag()) {
    auto* tag = f.ID3v2Tag();
    v.hasV2 = true;
    v.v2Major = static_cast<int>(tag->header()->majorVersion());
    for (auto* frame : tag->frameList()) {
      std::string id(frame->frameID().data(), frame->frameID().size());
      v.ids.push_back(id);
      if (auto* pic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
        auto data = pic->picture();
        v.pictures.emplace_back(data.data(), data.size());
        v.pictureFrames.push_back({static_cast<int>(pic->type()), pic->mimeType().to8Bit(true),
                                   pic->description().to8Bit(true), static_cast<int>(pic->textEncoding()),
                                   std::string(data.data(), data.size())});
      } else {
        v.texts.emplace(id, frame->toString().to8Bit(true));
      }
    }
  }
  if (f.hasID3v1Tag()) {
    auto* t = f.ID3v1Tag();
    v.hasV1 = true;
    v.v1Title = t->title().to8Bit(true);
    v.v1Artist = t->artist().to8Bit(true);
    v.v1Album = t->album().to8Bit(true);
    // TagLib passes a 30-byte comment (no track byte) through as Latin-1 without the
    // string handler: take its bytes back and decode them as code page 932.
    TagLib::String comment = t->comment();
    if (comment.isLatin1()) {
      std::string raw = comment.to8Bit(false);
      comment = FromCp932(TagLib::ByteVector(raw.data(), static_cast<unsigned>(raw.size()))).stripWhiteSpace();
    }
    v.v1Comment = comment.to8Bit(true);
    v.v1Year = t->year();
    v.v1Genre = t->genreNumber();
    v.v1Track = t->track();
  }
  return v;
}

}  // namespace vqtest
