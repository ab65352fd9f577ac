// A folder's path as it is recorded for later: absolute, and the same
// whatever the current directory or the symbolic links on the way, so that
// cron, starting elsewhere, reads the very folder that was meant.
#ifndef SERVICE_CANONICAL_PATH_POSIX_H_
#define SERVICE_CANONICAL_PATH_POSIX_H_

#include <string>

// `path` made absolute against the current directory, with its symbolic
// links, "." and ".." resolved. The part that does not exist yet is
// appended to the part that does, "." and ".." in it taken as "mkdir -p"
// takes them. Empty when the current directory cannot be known.
std::string CanonicalPath(const std::string& path);

#endif  // SERVICE_CANONICAL_PATH_POSIX_H_
