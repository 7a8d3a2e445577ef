#include "platform/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vq {

std::u16string Utf8ToUtf16(std::string_view s) {
  // Room for the units of valid UTF-8, not one per byte: a Japanese name takes three
  // bytes a character, and a listing keeps a hundred thousand of them.
  std::size_t units = 0;
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    units += (b & 0xC0) != 0x80;
    units += b >= 0xF0;
  }
  std::u16string out;
  out.reserve(units);
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    char32_t cp;
    int extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else { out.push_back(u'\uFFFD'); ++i; continue; }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD'); ++i; continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) out.push_back(static_cast<char>(cp));
    else if (cp < 0x800) { out.push_back(static_cast<char>(0xC0 | (cp >> 6))); out.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
    else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

double LeadingNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  // Collect the longest prefix that looks like a number, in ASCII.
  std::string s;
  auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= u'0' && text[k] <= u'9'; };
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') s.push_back('-');
    ++i;
  }
  std::size_t digits = 0;
  while (digit(i)) {
    s.push_back(static_cast<char>(text[i++]));
    ++digits;
  }
  if (i < text.size() && text[i] == u'.') {
    std::string frac = ".";
    std::size_t j = i + 1;
    while (digit(j)) frac.push_back(static_cast<char>(text[j++]));
    if (frac.size() > 1 || digits > 0) {
      digits += frac.size() - 1;
      s += frac;
      i = j;
    }
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exp.push_back(static_cast<char>(text[j++]));
    if (digit(j)) {
      while (digit(j)) exp.push_back(static_cast<char>(text[j++]));
      s += exp;
    }
  }
  if (s == "-" || s.empty()) return 0.0;
  double v = 0.0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc::result_out_of_range) return s[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  if (r.ec != std::errc()) return 0.0;
  return v;
}

std::u16string PlainNumber(double v) {
  char buf[64];
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
  else
    std::snprintf(buf, sizeof buf, "%.15g", v);
  return Utf8ToUtf16(buf);
}

std::int64_t RoundHalfEven(double v) { return static_cast<std::int64_t>(std::nearbyint(v)); }

std::u16string FormatThousands(std::int64_t v) {
  std::string digits = std::to_string(v < 0 ? -static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v));
  std::u16string out;
  if (v < 0) out.push_back(u'-');
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(u',');
    out.push_back(static_cast<char16_t>(digits[i]));
  }
  return out;
}

std::u16string FormatGeneralDate(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0)
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  else
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
  return Utf8ToUtf16(buf);
}

}  // namespace vq
