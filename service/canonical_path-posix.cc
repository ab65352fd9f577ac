#include "service/canonical_path-posix.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

namespace {

std::string Resolved(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved)
    return "";
  std::string result = resolved;
  free(resolved);
  return result;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/')
    return path;
  char current[PATH_MAX];
  if (!getcwd(current, sizeof(current)))
    return "";
  return std::string(current) + "/" + path;
}

void Append(const std::string& name, std::string* path) {
  if (name.empty() || name == ".")
    return;
  if (name == "..") {
    const size_t slash = path->find_last_of('/');
    path->erase(slash == 0 ? 1 : slash);
    return;
  }
  if (path->back() != '/')
    *path += '/';
  *path += name;
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
  std::string existing = Absolute(path);
  if (existing.empty())
    return "";
  // The names after the longest part that resolves, last first.
  std::vector<std::string> rest;
  std::string resolved = Resolved(existing);
  while (resolved.empty() && existing != "/") {
    const size_t slash = existing.find_last_of('/');
    rest.push_back(existing.substr(slash + 1));
    existing.erase(slash == 0 ? 1 : slash);
    resolved = Resolved(existing);
  }
  if (resolved.empty())
    resolved.assign(1, '/');
  for (auto name = rest.rbegin(); name != rest.rend(); ++name)
    Append(*name, &resolved);
  return resolved;
}
