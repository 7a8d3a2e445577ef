// The items a pass runs over: the files of a listing, or every MP3 file below a folder.
#pragma once

#include <string>
#include <vector>

#include "passes/pass_engine.h"
#include "session/listing.h"

namespace vq {

// The MP3 files of a folder and of every folder below it (links to folders are not
// followed, hidden entries are left out), in name order (platform/name_order.h): each
// folder's own files, then its subfolders' in turn. Throws Error when `folder` cannot be
// read; a subfolder that cannot be read is left out.
std::vector<PassItem> ListMp3FilesBelow(const std::string& folder);

// The files of a listing (the main window's rows).
std::vector<PassItem> ItemsOfRows(const std::string& folder, const std::vector<ListedFile>& rows);

}  // namespace vq
