// Helpers shared by the tests: fixture files, temporary folders, byte files, and an
// independent read-back through TagLib.
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace vqtest {

// Path of a file in tests/data.
std::string DataPath(const std::string& name);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);  // folders created
// An MP3-named file of `size` zero bytes (folders created).
void MakeFile(const std::string& path, std::size_t size);

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + rel
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }
  // Copies a fixture from tests/data to rel (folders created), returns the full path.
  std::string CopyFixture(const std::string& fixture, const std::string& rel) const;
  // Creates the folders of rel.
  std::string MakeDir(const std::string& rel) const;

 private:
  std::string path_;
};

// A tmpfs of `bytes` (whole 4 KB pages) mounted on a fresh temporary folder, to make a
// disk really fill up. Mounting needs root; elsewhere mounted() is false and the caller
// skips with a message.
class SmallTmpfs {
 public:
  explicit SmallTmpfs(std::size_t bytes);
  ~SmallTmpfs();
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;
  bool mounted() const { return mounted_; }
  // Gives the disk a new size (free space after a failure).
  bool Resize(std::size_t bytes);
  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& rel) const { return dir_ / rel; }

 private:
  TempDir dir_;
  bool mounted_ = false;
};

// A folder made read-only in place by a read-only bind mount over itself, as a
// program folder a user may not write (root writes any folder whose mode forbids it).
// Needs root; elsewhere mounted() is false and the caller skips with a message.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& folder);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// Sets an environment variable (nullptr: unsets it) and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// A local date and time as the file layer stores it.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second);

// The audio of an MP3 file's bytes: without the ID3v2 tag at the start (its header's
// size) and the ID3v1 record at the end.
std::string AudioOf(const std::string& bytes);

// The temporary files of rewrites ("~tmp...tmp") in a folder and its subfolders.
std::vector<std::string> TemporaryFilesIn(const std::string& folder);

// A picture frame as TagLib reads it.
struct TagLibPicture {
  int type = -1;            // TagLib's picture type (3: front cover)
  std::string mime;
  std::string description;  // UTF-8
  int encoding = -1;        // of the description (0: ISO-8859-1)
  std::string data;
};

// What an independent reader (TagLib) sees in a file's ID3v2 tag.
struct TagLibView {
  bool hasV2 = false;
  int v2Major = 0;
  std::vector<std::string> ids;                       // frame ids in file order
  std::multimap<std::string, std::string> texts;      // id -> text (UTF-8), text-like frames
  std::vector<std::string> pictures;                  // APIC picture data
  std::vector<TagLibPicture> pictureFrames;           // the same pictures with their fields
  bool hasV1 = false;
  std::string v1Title, v1Artist, v1Album, v1Comment;  // UTF-8 as TagLib decodes Latin-1
  unsigned v1Year = 0, v1Genre = 0;
  unsigned v1Track = 0;  // ID3v1.1's track byte, 0 without one
};
// cp932: encoding 0 and ID3v1 fields read as code page 932; false: as TagLib reads them
// without any help (ISO-8859-1), as players and taggers that follow the standard do.
TagLibView ReadWithTagLib(const std::string& path, bool cp932 = true);

}  // namespace vqtest
