#include "bench_tree.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "bench_util.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace vqbench {

namespace {

const char kAudioFixture[] = VQ_BENCH_DATA "/14_notag_lame_mpeg1_l3_128k.mp3";

// Length of the MPEG-1 Layer III frame whose header starts at p, 0 when it is none.
std::size_t Mpeg1Layer3FrameLength(const unsigned char* p) {
  static const int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kRate[4] = {44100, 48000, 32000, 0};
  if (p[0] != 0xFF || (p[1] & 0xFE) != 0xFA) return 0;  // sync, MPEG-1, Layer III
  int kbps = kKbps[p[2] >> 4];
  int rate = kRate[(p[2] >> 2) & 3];
  if (kbps == 0 || rate == 0) return 0;
  return static_cast<std::size_t>(144000 * kbps / rate + ((p[2] >> 1) & 1));
}

void PutBigEndian32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutSynchsafe(std::string& out, std::uint32_t v) {
  for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<char>((v >> shift) & 0x7F));
}

std::string Frame(const char* id, const std::string& body) {
  std::string f(id, 4);
  PutBigEndian32(f, static_cast<std::uint32_t>(body.size()));
  f.append(2, '\0');
  return f + body;
}

// FF FE and UTF-16LE units, no terminator.
std::string Utf16Le(std::u16string_view text) {
  std::string out("\xFF\xFE", 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::string TextUtf16(std::u16string_view text) {
  std::string body(1, '\x01');
  body += Utf16Le(text);
  return body;
}

std::string TextLatin1(const std::string& text) {
  std::string body(1, '\0');
  body += text;
  return body;
}

std::u16string Number(int n, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, n);
  return vq::Utf8ToUtf16(buf);
}

// 50 KB of JPEG-like bytes: the start and end markers around deterministic noise.
const std::string& Picture() {
  static const std::string picture = [] {
    std::string p("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    std::uint32_t x = 2463534242u;
    while (p.size() < 50 * 1024 - 2) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      p.push_back(static_cast<char>(x & 0xFF));
    }
    p += "\xFF\xD9";
    return p;
  }();
  return picture;
}

std::string Field(const std::string& text, std::size_t width) {
  std::string f = text.substr(0, width);
  f.resize(width, '\0');
  return f;
}

}  // namespace

std::string AudioFrames(std::size_t bytes) {
  const std::string fixture = ReadFile(kAudioFixture);
  const auto* data = reinterpret_cast<const unsigned char*>(fixture.data());
  std::vector<std::pair<std::size_t, std::size_t>> frames;  // offset, length
  for (std::size_t pos = 0; pos + 4 <= fixture.size();) {
    std::size_t len = Mpeg1Layer3FrameLength(data + pos);
    if (len == 0 || pos + len > fixture.size()) break;
    frames.emplace_back(pos, len);
    pos += len;
  }
  if (frames.size() < 2) Fail(std::string("no MPEG-1 Layer III frames in ") + kAudioFixture);
  // The first frame is lame's Info frame; its frame count would describe the fixture.
  std::string_view first(fixture.data() + frames[0].first, std::min<std::size_t>(frames[0].second, 64));
  std::size_t start = first.find("Info") != std::string_view::npos || first.find("Xing") != std::string_view::npos ? 1 : 0;
  std::string out;
  out.reserve(bytes);
  for (std::size_t i = start;; i = i + 1 < frames.size() ? i + 1 : start) {
    if (out.size() + frames[i].second > bytes) break;
    out.append(fixture, frames[i].first, frames[i].second);
  }
  return out;
}

std::string TypicalTag(int track, bool picture, bool codePage) {
  auto text = [codePage](std::u16string_view t) {
    return codePage ? std::string(1, '\0') + vq::cp932::Encode(t) : TextUtf16(t);
  };
  std::string frames;
  frames += Frame("TIT2", text(u"夜明けの歌 " + Number(track, 3)));
  frames += Frame("TPE1", text(u"山田花子とオーケストラ"));
  frames += Frame("TALB", text(u"冬の旅 第" + Number(track / 100 + 1, 2) + u"集"));
  frames += Frame("TRCK", TextLatin1(vq::Utf16ToUtf8(Number(track % 100 + 1, 1)) + "/100"));
  frames += Frame("TYER", TextLatin1("2004"));
  frames += Frame("TCON", TextLatin1("(13)"));
  frames += Frame("COMM", codePage ? std::string("\0jpn\0", 5) + vq::cp932::Encode(u"ライブ録音")
                                  : std::string("\x01jpn", 4) + Utf16Le(u"") + std::string(2, '\0') + Utf16Le(u"ライブ録音"));
  if (picture) frames += Frame("APIC", std::string("\0image/jpeg\0\x03\0", 14) + Picture());
  const std::size_t padding = 1024;
  std::string tag("ID3\x03\x00\x00", 6);
  PutSynchsafe(tag, static_cast<std::uint32_t>(frames.size() + padding));
  tag += frames;
  tag.append(padding, '\0');
  return tag;
}

std::string V1Record(int track) {
  std::string r = "TAG";
  r += Field("Yoake no Uta " + std::to_string(track), 30);
  r += Field("Yamada Hanako", 30);
  r += Field("Fuyu no Tabi", 30);
  r += "2004";
  r += Field("live", 28);
  r.push_back('\0');
  r.push_back(static_cast<char>(track % 100 + 1));
  r.push_back(static_cast<char>(13));
  return r;
}

vq::BatchList Tree::Batch() const {
  vq::BatchList list;
  list.folder = folder;
  list.rows.reserve(files.size());
  for (const auto& f : files) list.rows.push_back(vq::MakeRow(std::string(1, vq::kSepChar) + f.subfolder, f.name));
  return list;
}

Tree Tree::Slice(std::size_t begin, std::size_t end) const {
  Tree part;
  part.folder = folder;
  part.files.assign(files.begin() + static_cast<std::ptrdiff_t>(begin), files.begin() + static_cast<std::ptrdiff_t>(end));
  return part;
}

Tree MakeTree(const std::string& folder, int subfolders, int perSubfolder,
              const std::function<std::string(int index)>& content) {
  Tree tree;
  tree.folder = folder;
  int index = 0;
  for (int s = 0; s < subfolders; ++s) {
    char sub[32];
    std::snprintf(sub, sizeof sub, "Album %02d", s + 1);
    MakeDirs(folder + "/" + sub);
    for (int f = 0; f < perSubfolder; ++f, ++index) {
      char name[32];
      std::snprintf(name, sizeof name, "Track %03d.mp3", f + 1);
      tree.files.push_back({sub, name});
      WriteFile(tree.Path(tree.files.size() - 1), content(index));
    }
  }
  return tree;
}

}  // namespace vqbench
