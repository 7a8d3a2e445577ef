// Starting another program detached, with arguments and working folder given as the
// file system's bytes (a file name in Shift-JIS bytes reaches the player unchanged).
#pragma once

#include <string>
#include <vector>

namespace vq {

// Looks `program` up along PATH (unless it holds a "/"), then starts it detached from
// this process (in a session of its own, reparented to init, its output discarded) in
// `workingFolder` with `arguments`. True when it was started.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& workingFolder);

}  // namespace vq
