// Small text helpers shared by the Qt-free code and the windows.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace vq {

// The one path separator of this platform.
inline constexpr char16_t kSep = u'/';
inline constexpr char kSepChar = '/';

std::u16string Utf8ToUtf16(std::string_view s);  // invalid bytes become U+FFFD
std::string Utf16ToUtf8(std::u16string_view s);  // lone surrogates become U+FFFD

// The leading number of a text: blanks (spaces, tabs) skipped, then an optional sign,
// digits, an optional fraction and exponent. Text that does not start with a number
// gives 0.
double LeadingNumber(std::u16string_view text);

// A number as plain decimal text: whole numbers without a point ("13"), others in the
// shortest form of 15 significant digits that keeps their value ("12.5").
std::u16string PlainNumber(double v);

// Whole number nearest to v, halves to the even number.
std::int64_t RoundHalfEven(double v);

// "#,##0": 1204 -> "1,204"; negative numbers keep their sign.
std::u16string FormatThousands(std::int64_t v);

// The general date form "yyyy/MM/dd H:mm:ss" of a local time, the time left out at
// exactly midnight.
std::u16string FormatGeneralDate(std::time_t t);

}  // namespace vq
