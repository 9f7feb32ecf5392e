#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace pr {

// Empties the capture folder for a new run, so that nothing is lost: every
// visible file and link directly in it goes to the desktop's trash, and only
// what the trash refuses is deleted, each such file said on stderr. Hidden
// files and subfolders stay, except our own temporary files left by a save
// whose process is gone. A folder that is itself a link is emptied like the
// folder it points to. Returns the names still there that the file list
// shows: what could be neither trashed nor deleted.
std::vector<std::string> empty_capture_folder(Platform& platform,
                                              const std::filesystem::path& folder);

// Whether `name` is a save's temporary file, ".~<target>.<pid>.part", and if
// so, the id of the process that wrote it; 0 otherwise.
long temporary_file_owner(const std::string& name);

}  // namespace pr
