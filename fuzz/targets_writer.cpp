#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "fuzz/targets.h"
#include "platform/fileio.h"

namespace vqfuzz {
namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

class SilentReporter : public vq::WriteReporter {
 public:
  void ReportUpdateError(const std::u16string&, const std::u16string&) override { std::abort(); }
  void ReportError(const std::u16string&) override { std::abort(); }
};

const std::string& WorkFile() {
  static const std::string path = [] {
    std::string dir = "/tmp/vqfuzz-" + std::to_string(getpid());
    ::mkdir(dir.c_str(), 0700);
    return dir + "/f.mp3";
  }();
  return path;
}

}  // namespace

void WriterRoundTrip(const std::uint8_t* data, std::size_t size) {
  static const char* const kIds[] = {"TIT2", "TALB", "TPE1", "TCOM", "COMM", "TYER", "TCON", "TIT1", "TRCK", "TPE2"};
  std::vector<std::pair<std::string, std::u16string>> wanted;
  std::size_t i = 0;
  while (i + 2 <= size && wanted.size() < 64) {
    std::string id = kIds[data[i] % 10];
    std::size_t len = data[i + 1] % 64;
    i += 2;
    std::u16string text;
    for (std::size_t k = 0; k < len && i + 1 < size; ++k, i += 2) {
      char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
      // Zero units separate strings, and a lone surrogate or a byte-order mark inside a
      // text is not text a person can type.
      if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF || c == 0xFFFE) c = u'x';
      text.push_back(c);
    }
    // An empty comment has no text to find behind the language: the editor and the batch
    // never make one.
    if (id == "COMM" && text.empty()) text = u"c";
    wanted.emplace_back(id, text);
  }
  // Inputs of odd length write as "ID3v2をUnicodeで書く" asks, the others in the code page.
  const vq::TextChoice choice = size % 2 == 1 ? vq::TextChoice::Unicode : vq::TextChoice::CodePage;
  std::vector<vq::OutFrame> frames;
  std::int64_t n = 0;
  for (auto& [id, text] : wanted) {
    frames.push_back(vq::MakeTextFrame(id, text, choice));
    n += static_cast<std::int64_t>(frames.back().Size());
  }
  const std::string& path = WorkFile();
  const std::string audio = std::string("\xFF\xFB\x90\x64", 4) + std::string(400, '\x55') + "TAG" + std::string(125, 'a');
  // The tag the file had: none, a v2.4 tag with a footer, or an unsynchronised v2.3 tag
  // (its FF bytes followed by stuffing zeros), of a size the input chooses; the new tag
  // goes in place when it fits, else the file is rebuilt. No byte of the old tag stays.
  const int oldKind = size > 0 ? data[size - 1] % 3 : 0;
  const std::int32_t oldSize = oldKind == 0 ? 0 : 20 + (size > 1 ? data[size - 2] : 0) * 4;
  std::string old;
  if (oldKind != 0) {
    old = oldKind == 1 ? std::string("ID3\x04\x00\x10", 6) : std::string("ID3\x03\x00\x80", 6);
    old += {static_cast<char>(oldSize >> 21 & 0x7F), static_cast<char>(oldSize >> 14 & 0x7F),
            static_cast<char>(oldSize >> 7 & 0x7F), static_cast<char>(oldSize & 0x7F)};
    std::string body = oldKind == 1 ? std::string("PRIV\0\0\0\x0A\0\0ab\xFF\xE0", 14) : std::string("PRIV\0\0\0\x04\0\0\xFF\0\xE0\0", 14);
    body.resize(static_cast<std::size_t>(oldSize), '\0');
    old += body;
    if (oldKind == 1) old += std::string("3DI\x04\x00\x10", 6) + old.substr(6, 4);
  }
  {
    vq::RawFile f(path, vq::RawFile::Mode::Create);
    const std::string bytes = old + audio;
    f.WriteAt(0, bytes.data(), bytes.size());
  }
  SilentReporter reporter;
  const std::int32_t tagSize = vq::WriteBatchV2Tag(path, frames, oldSize, reporter);

  vq::RawFile f(path, vq::RawFile::Mode::Read);
  Check(f.Length() == audio.size() + 10 + static_cast<std::uint64_t>(tagSize));
  vq::FileSource src(f);
  vq::V2Header h = vq::ReadV2Header(src);
  Check(h.present && h.major == 3 && h.size == tagSize);
  vq::V2FrameTable table;
  std::u16string listing;
  vq::WalkV2Frames(src, h.major, h.size, table, listing);
  std::size_t got = 0;
  for (const auto& e : table) {
    Check(got < wanted.size());
    Check(e.id == std::u16string(wanted[got].first.begin(), wanted[got].first.end()));
    Check(e.text == wanted[got].second);
    ++got;
  }
  Check(got == wanted.size());
  std::string behind(audio.size(), '\0');
  f.ReadAt(10 + static_cast<std::uint64_t>(tagSize), behind.data(), behind.size());
  Check(behind == audio);
}

}  // namespace vqfuzz
