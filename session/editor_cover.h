// The ID3v2 editor's front cover: which of its kept lines holds it, and setting and
// removing it. The change is the editor's until "v2更新(F9)" writes it with the fields;
// every other picture and frame stays a kept line and goes over whole.
#pragma once

#include <optional>

#include "formats/id3v2_writer.h"
#include "formats/picture.h"
#include "session/editor_model.h"

namespace vq {

// The kept line of the front cover: the first picture of type 3, else the first
// picture; -1 for none.
int FrontCoverLine(const EditorModel& model);
// Its picture; nullopt for none.
std::optional<EmbeddedPicture> FrontCoverOf(const EditorModel& model);

// Sets the front cover: the lines of the pictures of type 3 give way to one line with
// `frame` (an APIC frame, MakeFrontCoverFrame), at the first one's place; without one
// the line comes last. Returns the line's index.
int SetFrontCover(EditorModel& model, const OutFrame& frame);

// Removes the front cover: the lines of every picture of type 3, or without one the
// first picture's line. Returns whether a line was removed.
bool RemoveFrontCover(EditorModel& model);

}  // namespace vq
