// Helpers of the ID3v2 writer tests: tag bytes built by hand, a read-back through the
// program's own reader, and a reporter that records what the writer tells the user.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "session/frame_roles.h"
#include "session/messages.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "test_util.h"

namespace h3test {

inline std::string Synchsafe(std::uint32_t v) {
  return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
          static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

inline std::string BigEndian(std::uint32_t v, int bytes) {
  std::string out;
  for (int k = bytes - 1; k >= 0; --k) out.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
  return out;
}

// A v2.3 (or v2.4 with a synchsafe size) frame.
inline std::string Frame(const std::string& id, const std::string& body, int major = 3, std::uint8_t f0 = 0,
                         std::uint8_t f1 = 0) {
  std::string size = major == 4 ? Synchsafe(static_cast<std::uint32_t>(body.size()))
                                : BigEndian(static_cast<std::uint32_t>(body.size()), 4);
  return id + size + std::string{static_cast<char>(f0), static_cast<char>(f1)} + body;
}

// A v2.2 frame: three-character id, three-byte size.
inline std::string Frame22(const std::string& id, const std::string& body) {
  return id + BigEndian(static_cast<std::uint32_t>(body.size()), 3) + body;
}

// Header and frames, zero padded to 10 + size.
inline std::string Tag(int major, const std::string& frames, std::uint32_t size) {
  std::string t = std::string("ID3") + static_cast<char>(major) + '\0' + '\0' + Synchsafe(size) + frames;
  t.resize(10 + size, '\0');
  return t;
}

// Audio-like bytes: a frame sync, then a fixed pseudo-random run (no zero padding that
// could hide a shifted copy), optionally followed by an ID3v1 record.
inline std::string Audio(std::size_t n, bool withV1 = true) {
  std::string a = "\xFF\xFB\x90\xC4";
  std::uint32_t x = 0x12345678u;
  while (a.size() < n) {
    x = x * 1664525u + 1013904223u;
    a.push_back(static_cast<char>((x >> 24) | 1));
  }
  if (withV1) {
    std::string v1 = "TAGv1 title";
    v1.resize(128, '\0');
    a += v1;
  }
  return a;
}

struct ReadBack {
  vq::V2Header header;
  vq::V2FrameTable table;
  std::u16string listing;
};

inline ReadBack ReadTag(const std::string& path) {
  vq::RawFile f(path, vq::RawFile::Mode::Read);
  vq::FileSource src(f);
  ReadBack r;
  r.header = vq::ReadV2Header(src);
  if (r.header.present) vq::WalkV2Frames(src, r.header.major, r.header.size, r.table, r.listing);
  return r;
}

// Frames of a read-back tag with their ids as ASCII (entries with an empty id left out).
inline std::vector<std::pair<std::string, std::string>> FramesOf(const ReadBack& r) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& e : r.table)
    if (!e.id.empty()) out.emplace_back(vq::Utf16ToUtf8(e.id), e.body);
  return out;
}

class RecordingReporter : public vq::WriteReporter {
 public:
  void HeaderWriting() override { ++marks; }
  void ReportUpdateError(const std::u16string& prefix, const std::u16string& name) override {
    updateErrors.push_back(vq::UpdateErrorText(prefix, name));
  }
  void ReportError(const std::u16string& description) override { errors.push_back(description); }
  void Yield() override {
    ++yields;
    if (onYield) onYield();
  }

  int marks = 0;
  int yields = 0;
  std::vector<std::u16string> updateErrors;
  std::vector<std::u16string> errors;
  std::function<void()> onYield;
};

// The editor's input for a file in a folder. Its kept lines are held here as the list
// shows them ("id:text", "" for a dropped line), each with the frame it came from, and
// are rewritten as the list shows them after a successful write.
struct EditorCall {
  EditorCall(const std::string& folder, const std::string& name, std::int32_t tagSize, bool listingEmpty)
      : size(tagSize) {
    in.folderPrefix = vq::Utf8ToUtf16(folder + "/");
    in.fileName = vq::Utf8ToUtf16(name);
    in.path = folder + "/" + name;
    in.v2TagSize = &size;
    in.frameTableEmpty = listingEmpty;
    in.fieldIds = vq::EditorFieldIds();
  }
  bool Write(vq::WriteReporter& reporter) {
    in.keptLines.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const auto colon = lines[i].find(u':');
      vq::EditorLine line;
      if (colon != std::u16string::npos) {
        line.id = lines[i].substr(0, colon);
        line.text = lines[i].substr(colon + 1);
      }
      line.source = i < sources.size() ? sources[i] : nullptr;
      in.keptLines.push_back(std::move(line));
    }
    result = vq::WriteV2Tag(in, reporter);
    if (result.written) {
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string& id = result.plan.kept[i].id;
        lines[i] = id.empty() ? std::u16string() : id + u":" + in.keptLines[i].text;
      }
    }
    return result.written;
  }

  vq::EditorWriteInput in;
  std::vector<std::u16string> lines;
  std::vector<const vq::V2FrameEntry*> sources;
  vq::EditorWriteResult result;
  std::int32_t size;
};

inline bool TempLeft(const std::string& folder) { return !vqtest::TemporaryFilesIn(folder).empty(); }

}  // namespace h3test
