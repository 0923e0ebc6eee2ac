#pragma once
// File access that never blocks on special files, writes through symbolic
// links, and quoting of file content in messages.

#include <cstddef>
#include <string>

namespace zelkor {

// Opens an existing file for reading without blocking, whatever it is (a
// named pipe would wait for a writer in open()). Returns the descriptor of a
// regular file, or -1 with `why` set: the system's reason, or "not a regular
// file" for a pipe, device, socket or directory.
int zlk_open_regular(const std::string& path, std::string& why);

// Reads a whole regular file; false with `why` set otherwise.
bool zlk_read_regular(const std::string& path, std::string& text, std::string& why);

// The file a write to `path` must replace so that a symbolic link stays a
// link: the end of the chain of links, or `path` itself.
std::string zlk_write_target(const std::string& path);

// `text` as it can be quoted in a message: bytes outside printable ASCII as
// \xNN, and at most `limit` characters of it followed by "... (N bytes)".
std::string zlk_printable(const std::string& text, size_t limit = 80);

}  // namespace zelkor
