#include "platform/codepage.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>

namespace vq::cp932 {
namespace {

struct Tables {
  std::array<char16_t, 256> single{};
  // Pairs indexed by (lead - 0x80) * 256 + trail; lead 0x80..0xFF.
  std::array<char16_t, 128 * 256> pair{};
  std::array<std::uint16_t, 65536> encode{};
  // Characters whose code decodes back to the same character.
  std::array<bool, 65536> roundTrip{};
};

// Converts `in` with `cd`; returns the number of output bytes, or -1 when iconv rejects it.
long Convert(iconv_t cd, const char* in, size_t inLen, char* out, size_t outCap) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in);
  char* outPtr = out;
  size_t inLeft = inLen, outLeft = outCap;
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return -1;
  return static_cast<long>(outCap - outLeft);
}

std::unique_ptr<Tables> Build() {
  auto t = std::make_unique<Tables>();
  t->single.fill(kReplacement);
  t->pair.fill(kReplacement);
  t->encode.fill(0x3F);

  iconv_t dec = iconv_open("UTF-16LE", "CP932");
  iconv_t enc = iconv_open("CP932", "UTF-16LE");
  if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
    // Without iconv's table only ASCII is known.
    for (int b = 0; b < 0x80; ++b) { t->single[b] = static_cast<char16_t>(b); t->encode[b] = static_cast<std::uint16_t>(b); }
    return t;
  }
  char out[8];
  for (int b = 0; b < 256; ++b) {
    if (IsLeadByte(static_cast<std::uint8_t>(b))) continue;
    char in = static_cast<char>(b);
    if (Convert(dec, &in, 1, out, sizeof out) == 2)
      t->single[b] = static_cast<char16_t>(static_cast<std::uint8_t>(out[0]) | (static_cast<std::uint8_t>(out[1]) << 8));
  }
  t->single[0x80] = u'\u0080';
  t->single[0xA0] = u'\uF8F0';
  t->single[0xFD] = u'\uF8F1';
  t->single[0xFE] = u'\uF8F2';
  t->single[0xFF] = u'\uF8F3';
  for (int lead = 0x80; lead < 0x100; ++lead) {
    if (!IsLeadByte(static_cast<std::uint8_t>(lead))) continue;
    for (int trail = 0x40; trail < 0x100; ++trail) {
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (Convert(dec, in, 2, out, sizeof out) == 2)
        t->pair[(lead - 0x80) * 256 + trail] =
            static_cast<char16_t>(static_cast<std::uint8_t>(out[0]) | (static_cast<std::uint8_t>(out[1]) << 8));
    }
  }
  for (int c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    long n = Convert(enc, in, 2, out, sizeof out);
    if (n == 1) t->encode[c] = static_cast<std::uint8_t>(out[0]);
    else if (n == 2) t->encode[c] = static_cast<std::uint16_t>((static_cast<std::uint8_t>(out[0]) << 8) | static_cast<std::uint8_t>(out[1]));
  }
  t->encode[0x80] = 0x80;
  t->encode[0xF8F0] = 0xA0;
  t->encode[0xF8F1] = 0xFD;
  t->encode[0xF8F2] = 0xFE;
  t->encode[0xF8F3] = 0xFF;
  iconv_close(dec);
  iconv_close(enc);
  for (int c = 0; c < 0x10000; ++c) {
    std::uint16_t code = t->encode[c];
    char16_t back = code > 0xFF ? (code >> 8 >= 0x80 ? t->pair[((code >> 8) - 0x80) * 256 + (code & 0xFF)] : kReplacement)
                                : t->single[code];
    t->roundTrip[c] = back == c;
  }
  return t;
}

const Tables& T() {
  static const std::unique_ptr<Tables> tables = Build();
  return *tables;
}

}  // namespace

bool IsLeadByte(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

char16_t DecodeSingle(std::uint8_t b) { return T().single[b]; }

char16_t DecodePair(std::uint8_t lead, std::uint8_t trail) {
  if (lead < 0x80) return kReplacement;
  return T().pair[(lead - 0x80) * 256 + trail];
}

std::u16string Decode(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<std::uint8_t>(bytes[i]);
    if (IsLeadByte(b) && i + 1 < bytes.size()) {
      out.push_back(DecodePair(b, static_cast<std::uint8_t>(bytes[i + 1])));
      ++i;
    } else {
      out.push_back(DecodeSingle(b));
    }
  }
  return out;
}

std::uint16_t EncodeChar(char16_t c) { return T().encode[c]; }

bool CanEncode(char16_t c) { return T().roundTrip[c]; }

bool CanEncode(std::u16string_view s) {
  for (char16_t c : s)
    if (!CanEncode(c)) return false;
  return true;
}

std::string Encode(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  const auto& enc = T().encode;
  for (char16_t c : s) {
    std::uint16_t code = enc[c];
    if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
  return out;
}

std::size_t ByteCount(std::u16string_view s) {
  std::size_t n = 0;
  const auto& enc = T().encode;
  for (char16_t c : s) n += enc[c] > 0xFF ? 2 : 1;
  return n;
}

}  // namespace vq::cp932
