// Undo from the command line:
//
//   velquist --undo [JOURNAL]    puts the last pass (or the named one) back
//   velquist --list-passes       lists the passes that can be put back
//
// JOURNAL is a name --list-passes prints, or a journal's path. Exit status of --undo: 0
// when every file the pass changed was put back (or was already as before), 1 when a
// file was left alone (each is named) or there is no such journal.
#pragma once

namespace vq {

bool IsUndoCommand(int argc, char** argv);
int RunUndoCommand(int argc, char** argv);

}  // namespace vq
