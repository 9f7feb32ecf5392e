#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace pr::files {

// Texts are UTF-8 everywhere in the program; these reach the same file on
// every system whatever its own file name encoding.
std::filesystem::path from_utf8(std::string_view text);
std::string to_utf8(const std::filesystem::path& path);

// Whether anything, file or folder, has this name.
bool exists(const std::filesystem::path& path);

// Creates one folder; its parent must exist. Throws with the system's words.
void create_folder(const std::filesystem::path& path);

// The number of files the file list shows for the folder: not subfolders,
// not hidden (Linux: a name starting with "."), not system files (Windows).
// Throws PathNotFound when the path is not a folder.
long count_visible_files(const std::filesystem::path& folder);

// What changes whenever anything in a folder changes, or the folder is made
// anew: its identity and its times, as finely as the system keeps them.
// Empty when the path is not a folder.
struct FolderStamp {
  unsigned long long identity = 0, modified = 0, changed = 0;
  bool operator==(const FolderStamp&) const = default;
};
std::optional<FolderStamp> folder_stamp(const std::filesystem::path& folder);

// Whether the file list shows this entry; `name` is the bare file name.
bool is_visible_name(std::string_view name);

// Whether the file list leaves this entry out as hidden (or, on Windows, a
// system file), read from the entry itself, not from what a link points to.
bool is_hidden(const std::filesystem::path& path);

// Whether the entry is a link that the system can only follow: Wine shows a
// Linux link as its target, and moving or deleting it there moves or deletes
// the target. False where a link can be handled as itself.
bool is_followed_link(const std::filesystem::path& path);

// Whether a process with this id is running on this machine.
bool process_running(long pid);

// Writes a new file whole and flushes it; an existing file is replaced.
// Returns the error of the step that failed, or no error.
std::error_code write_new_file(const std::filesystem::path& path, const void* data,
                               std::size_t size);
// Renames a file, replacing what has the new name.
std::error_code rename_file(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes a file or a link (the link itself).
std::error_code remove_file(const std::filesystem::path& path);

// For tests: the next `times` calls of `operation` ("write", "rename" or "remove")
// fail with `error` before touching any file.
void inject_fault(std::string_view operation, std::error_code error, int times = 1);

}  // namespace pr::files
