// The two ID3v2 text decoders: three-character frames (v2.2) and four-character frames
// (v2.3 and v2.4). Both build the whole decoded text (full) and the text after the
// last separator (tail), which is a frame's value.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "formats/id3v2_reader.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace vq {
namespace {

constexpr char16_t kSpace = u' ';

class TextDecoder {
 public:
  explicit TextDecoder(std::string_view data) : d_(data), n_(data.size()), trailStart_(TrailStart(data)) {}

  DecodedText Take() { return std::move(out_); }

  // Code page 932 text of three-character frames with encoding 0: a zero byte is a
  // separator that shows as a space and starts the new tail with it.
  void SingleByteV22(std::size_t i, std::size_t end) {
    while (i < end) {
      std::uint8_t b = At(i);
      if (b == 0) {
        if (Trailing(i)) {
          out_.full.push_back(kSpace);
        } else {
          out_.tail.clear();
          Append(kSpace);
        }
        ++i;
      } else if (cp932::IsLeadByte(b) && i + 1 < end) {
        Append(cp932::DecodePair(b, At(i + 1)));
        i += 2;
      } else {
        Append(cp932::DecodeSingle(b));
        ++i;
      }
    }
  }

  // UTF-16 pairs of three-character frames with encoding 1. A pair whose first byte is
  // FF is skipped (the little-endian mark FF FE); a pair with a zero second byte is the
  // code page character of its first byte. An odd last byte ends the decoding.
  void PairsV22(std::size_t i) {
    for (; i + 1 < n_; i += 2) {
      std::uint8_t lo = At(i), hi = At(i + 1);
      if (lo == 0xFF) continue;
      if (hi == 0) {
        if (lo == 0)
          Separator(i, u" ");
        else
          Append(cp932::DecodeSingle(lo));
      } else {
        Append(static_cast<char16_t>(hi << 8 | lo));
      }
    }
  }

  // Text of four-character frames with no known encoding byte: code page 932 bytes, in
  // which each FF FE switches between single-byte text and UTF-16LE.
  void ToggledV23(std::size_t i) {
    bool utf16 = false;
    while (i < n_) {
      std::uint8_t b = At(i);
      if (utf16) {
        if (i + 1 >= n_) return;  // a pair cut by the end
        std::uint8_t hi = At(i + 1);
        if (b == 0xFF) {
          if (hi == 0xFE) utf16 = false;
        } else if (hi == 0) {
          if (b == 0)
            Separator(i, u" ");
          else
            Append(cp932::DecodeSingle(b));
        } else {
          Append(static_cast<char16_t>(hi << 8 | b));
        }
        i += 2;
      } else if (b == 0xFF) {
        if (i + 1 < n_ && At(i + 1) == 0xFE) {
          utf16 = true;
          i += 2;
        } else {
          ++i;  // a lone FF is dropped
        }
      } else {
        i = SingleByteStep(i, n_);
      }
    }
  }

  // Single-byte text limited to [i, end), with no switch to UTF-16 (the language field
  // of a comment frame, the URL of a WXXX frame): an FF, or FF FE, is dropped.
  void SingleByteV23(std::size_t i, std::size_t end) {
    while (i < end) {
      if (At(i) == 0xFF)
        i += (i + 1 < end && At(i + 1) == 0xFE) ? 2 : 1;
      else
        i = SingleByteStep(i, end);
    }
  }

  // UTF-16 strings separated by zero units, from i. With `bomPerString` each string may
  // begin with its own mark (FF FE little-endian, FE FF big-endian); without a mark it
  // is `bigEndian`. Returns where decoding stopped: after the first separator when
  // `firstOnly`, else the end.
  std::size_t Utf16Strings(std::size_t i, bool bigEndian, bool bomPerString, bool firstOnly) {
    bool atStart = true;
    bool be = bigEndian;
    while (i < n_) {
      if (i + 1 >= n_) {  // an odd last byte
        if (At(i) != 0) Append(cp932::kReplacement);
        return n_;
      }
      if (atStart && bomPerString) {
        atStart = false;
        be = bigEndian;
        if (At(i) == 0xFF && At(i + 1) == 0xFE) {
          be = false;
          i += 2;
          continue;
        }
        if (At(i) == 0xFE && At(i + 1) == 0xFF) {
          be = true;
          i += 2;
          continue;
        }
      }
      char16_t unit = Unit(i, be);
      if (unit == 0) {
        Separator(i, u" ");
        i += 2;
        atStart = true;
        if (firstOnly) return i;
      } else if (unit >= 0xD800 && unit <= 0xDBFF) {
        char16_t next = i + 3 < n_ ? Unit(i + 2, be) : 0;
        if (next >= 0xDC00 && next <= 0xDFFF) {
          Append(unit);
          Append(next);
          i += 4;
        } else {
          Append(cp932::kReplacement);
          i += 2;
        }
      } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        Append(cp932::kReplacement);
        i += 2;
      } else {
        Append(unit);
        i += 2;
      }
    }
    return n_;
  }

  // UTF-8 strings separated by zero bytes, from i; returns as Utf16Strings does.
  std::size_t Utf8Strings(std::size_t i, bool firstOnly) {
    while (i < n_) {
      std::size_t zero = d_.find('\0', i);
      std::size_t stop = zero == std::string_view::npos ? n_ : zero;
      AppendText(Utf8ToUtf16(d_.substr(i, stop - i)));
      if (stop == n_) return n_;
      Separator(stop, u"");
      i = stop + 1;
      if (firstOnly) return i;
    }
    return n_;
  }

 private:
  // Index of the first byte of the run of zero bytes that ends the data (n when the last
  // byte is not zero).
  static std::size_t TrailStart(std::string_view d) {
    std::size_t k = d.size();
    while (k > 0 && d[k - 1] == 0) --k;
    return k;
  }

  std::uint8_t At(std::size_t i) const { return static_cast<std::uint8_t>(d_[i]); }

  char16_t Unit(std::size_t i, bool be) const {
    return be ? static_cast<char16_t>(At(i) << 8 | At(i + 1)) : static_cast<char16_t>(At(i + 1) << 8 | At(i));
  }

  // Whether a separator at i is followed only by zero bytes up to the end of the data;
  // such a terminator leaves tail as it is.
  bool Trailing(std::size_t i) const { return i >= trailStart_; }

  void Append(char16_t c) {
    out_.full.push_back(c);
    out_.tail.push_back(c);
  }

  void AppendText(const std::u16string& s) {
    out_.full += s;
    out_.tail += s;
  }

  // A separator at byte i: `shown` goes to full, and tail starts again.
  void Separator(std::size_t i, std::u16string_view shown) {
    out_.full += shown;
    if (!Trailing(i)) out_.tail.clear();
  }

  // One step of single-byte text at i (not an FF) within [i, end); returns the next index.
  std::size_t SingleByteStep(std::size_t i, std::size_t end) {
    std::uint8_t b = At(i);
    if (b == 0) {
      Separator(i, u"");
      return i + 1;
    }
    if (cp932::IsLeadByte(b) && i + 1 < end) {
      std::uint8_t trail = At(i + 1);
      if (trail == 0)
        Separator(i + 1, u"  ");
      else
        Append(cp932::DecodePair(b, trail));
      return i + 2;
    }
    Append(cp932::DecodeSingle(b));
    return i + 1;
  }

  std::string_view d_;
  std::size_t n_;
  std::size_t trailStart_;
  DecodedText out_;
};

}  // namespace

DecodedText DecodeV22FrameText(std::string_view data, std::uint8_t e, std::string_view id) {
  TextDecoder dec(data);
  if (e == 0) {
    dec.SingleByteV22(0, data.size());
  } else if (e == 1) {
    std::size_t start = 0;
    if (id == "COM") {
      start = std::min<std::size_t>(3, data.size());
      dec.SingleByteV22(0, start);
    }
    dec.PairsV22(start);
  }
  return dec.Take();
}

DecodedText DecodeV23FrameText(std::string_view data, std::uint8_t e, std::string_view id) {
  TextDecoder dec(data);
  if (e < 1 || e > 3) {
    dec.ToggledV23(0);
    return dec.Take();
  }
  std::size_t start = 0;
  if (id == "COMM") {
    start = std::min<std::size_t>(3, data.size());
    dec.SingleByteV23(0, start);
  }
  bool urlFollows = id == "WXXX";
  std::size_t next = e == 3 ? dec.Utf8Strings(start, urlFollows)
                            : dec.Utf16Strings(start, /*bigEndian=*/e == 2, /*bomPerString=*/e == 1, urlFollows);
  if (urlFollows) dec.SingleByteV23(next, data.size());
  return dec.Take();
}

}  // namespace vq
