// Reading the frame listing back ("TIT2(0) text" CR LF per frame, as the reference
// viewer shows it): what "v2参照(F8)" puts into the main window's fields.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

// For each of the main window's six fields (title, artist, album, comment, year,
// genre), the value of the last listing line whose frame fills it; nullopt when none
// does. A line is the text before a CR LF (text after the last CR LF is not used); its
// frame id is the text up to three characters before its first ")" (the id, "(", a
// one-digit encoding and ")"), its value the text after the ")" and the blank behind
// it. Lines without ")" are skipped. The genre gets the leading number of its value as
// plain decimal text ("(13)" and "Pop" give "0"); the comment its value as it stands.
std::array<std::optional<std::u16string>, 6> FieldsFromFrameListing(std::u16string_view listing);

}  // namespace vq
