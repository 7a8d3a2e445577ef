// The frames and the ID3v1 values the batch writes for one file's TagValues.
#pragma once

#include <vector>

#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "passes/tag_values.h"

namespace vq {

// The frames one file's new tag gets, in the order of its `existing` frames:
// - artist, album and title as BatchFrames gives them: the first TPE1 (TALB, TIT2) takes
//   the value, a later one of the same id an empty text;
// - track (TRCK), disc (TPOS), year (TYER, and a v2.4 TDRC, which becomes TYER), genre
//   (TCON) and comment (a COMM without description): the first frame takes the value, a
//   later one is left out (an empty track or year says nothing); a comment with a
//   description (another program's, such as a player's volume data) is carried whole;
// - a field without a value leaves its frames as they are; every other frame is
//   carried over whole (CarryOverFrame), v2.2 ids converted;
// then the values no frame took, when not empty, in the order TPE1, TALB, TIT2, TRCK,
// TPOS, TYER, TCON, COMM. With only artist, album and title given (DeriveNames' values)
// the frames are BatchFrames', byte for byte.
std::vector<OutFrame> BatchFramesFor(V2FrameTable existing, const TagValues& values,
                                     TextChoice choice = TextChoice::CodePage);

// The ID3v1 record's values: the texts as given, the genre when it is a number 0-255
// (the record has no names), the track from "n" or "n/N".
BatchID3v1Values ID3v1ValuesOf(const TagValues& values);

}  // namespace vq
