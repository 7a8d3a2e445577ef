#include "unicode_collection.h"

#include <unistd.h>

#include <stdexcept>

#include "core/id3v2_writer_support.h"
#include "platform/codepage.h"

namespace vqtest {
namespace {

using h3test::Audio;
using h3test::Frame;
using h3test::Frame22;
using h3test::Tag;

std::string Sjis(std::u16string_view text) { return vq::cp932::Encode(text); }

std::string Latin1(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

std::string Utf16(std::u16string_view text) {
  std::string out = "\x01\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::string Enc0(std::string_view bytes) { return std::string(1, '\0') + std::string(bytes); }
std::string Z(std::string_view bytes) { return std::string(bytes) + std::string(1, '\0'); }

// An ID3v1 record with a code page 932 title.
std::string AudioWithRecord(std::size_t n) {
  std::string a = Audio(n, false);
  std::string v1 = "TAG" + Sjis(u"はじめに");
  v1.resize(128, '\0');
  return a + v1;
}

std::string TagOf(int major, const std::string& frames, std::uint32_t padding) {
  return Tag(major, frames, static_cast<std::uint32_t>(frames.size()) + padding);
}

}  // namespace

std::string CollectionPicture() {
  std::string p = "\xFF\xD8\xFF\xE0";
  for (int i = 0; i < 3000; ++i) p.push_back(static_cast<char>((i * 37) & 0xFF));
  return p;
}

UnicodeCollection MakeUnicodeCollection(const TempDir& dir) {
  UnicodeCollection c;
  c.root = dir.MakeDir("集");
  auto add = [&c](const std::string& rel, const std::string& bytes) {
    WriteBytes(c.Path(rel), bytes);
    c.before[rel] = bytes;
  };
  const std::string picture = CollectionPicture();

  add("歌手/アルバム/01 はじめに.mp3",
      TagOf(3,
            Frame("TIT2", Enc0(Sjis(u"はじめに"))) + Frame("TPE1", Enc0(Sjis(u"サンプル歌手"))) +
                Frame("TALB", Utf16(u"Motörhead")) + Frame("TRCK", Enc0("1")) +
                Frame("COMM", Enc0("jpn" + Z(Sjis(u"説明")) + Sjis(u"サンプルのコメント"))) +
                Frame("USLT", Enc0("jpn" + Z("") + Sjis(u"一行目\r\n二行目"))) +
                Frame("TXXX", Enc0(Z(Sjis(u"気分")) + Sjis(u"おだやか"))) +
                Frame("APIC", Enc0(Z("image/jpeg") + "\x03" + Z(Sjis(u"表紙")) + picture)) +
                Frame("WXXX", Enc0(Z(Sjis(u"公式")) + "http://example.com/")) +
                Frame("XYZW", std::string("\x00\x01\x02" "abc\xFF", 7)),
            1024) +
          AudioWithRecord(20000));
  add("歌手/アルバム/02 european.mp3",
      TagOf(3,
            Frame("TIT2", Enc0(Latin1(u"déménageurs"))) + Frame("TPE1", Enc0(Latin1(u"Beyoncé"))) +
                Frame("TALB", Enc0(Latin1(u"Motörhead"))) +
                Frame("COMM", Enc0("eng" + Z("") + Latin1(u"Édith Piaf"))),
            0) +
          AudioWithRecord(20000));
  add("歌手/03 v24.mp3",
      TagOf(4,
            Frame("TIT2", "\x03" + vq::Utf16ToUtf8(u"夏の旅"), 4) + Frame("TPE1", Enc0(Sjis(u"サンプル歌手")), 4),
            100) +
          AudioWithRecord(20000));
  add("歌手/04 v22.mp3",
      TagOf(2,
            Frame22("TT2", Enc0(Sjis(u"青い空"))) + Frame22("TP1", Enc0("Blue")) +
                Frame22("PIC", Enc0("JPG\x03" + Z(Sjis(u"表紙")) + picture)),
            200) +
          AudioWithRecord(20000));
  add("歌手/05 single.mp3",
      TagOf(3, Frame("TIT2", Enc0(Sjis(u"CDｼﾝｸﾞﾙ"))) + Frame("TPE1", Enc0(Sjis(u"サンプル歌手"))), 200) +
          AudioWithRecord(20000));
  add("その他/x.mp3", TagOf(3, Frame("TIT2", Enc0(Sjis(u"CDｼﾝｸﾞﾙ"))), 200) + AudioWithRecord(20000));
  add("その他/y.mp3", TagOf(3, Frame("TIT2", Enc0(Sjis(u"夏の旅"))), 200) + AudioWithRecord(20000));
  add("未判定/z.mp3",
      TagOf(3, Frame("TIT2", Enc0(std::string("\x85\x81", 2))) + Frame("TPE1", Enc0(Sjis(u"ｱｲｳ"))), 200) +
          AudioWithRecord(20000));
  add("ascii.mp3", TagOf(3, Frame("TIT2", Enc0("Blue Sky")) + Frame("TPE1", Enc0("Band")), 200) + AudioWithRecord(20000));
  if (::symlink((c.root + "/歌手").c_str(), (c.root + "/リンク").c_str()) != 0) throw std::runtime_error("symlink");
  return c;
}

}  // namespace vqtest
