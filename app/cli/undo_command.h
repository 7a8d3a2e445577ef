// Undo from the command line:
//
//   velquist --undo [--dry-run] [JOURNAL]    puts the last pass (or the named one) back
//   velquist --list-passes                   lists the passes that can be put back
//
// JOURNAL is a name --list-passes prints, or a journal's path.
#pragma once

#include "app/cli/command_line.h"

namespace vq {

// Exit status: 0 when every file the pass changed was put back (or was already as
// before), 1 when a file was left alone (each is named) or there is no such journal.
// With options.dryRun nothing is restored: it names the pass it would put back.
int RunUndoCommand(const UndoCommandOptions& options);
// Prints the journals, newest first; exit status 0.
int RunListPassesCommand(const ListPassesCommandOptions& options);

}  // namespace vq
