// What the commands ask of a file name before they write to it: whether two names reach one file, and
// whether a file can be created at a name.
//
//   if (sameFile("--csv target", source)) fail(...);   // the same device and inode, also through a link
//   if (!canCreateFile("notas/x.csv")) fail(...);       // no such folder, or a folder by that name
#pragma once

#include <string>

namespace vandor::cli {

// Two names for one file: the same device and inode when the first exists (a link reaches the file it
// points to), otherwise the same absolute path.
bool sameFile(const std::string& a, const std::string& b);

// A file can be created at this name: its folder exists and takes new files, and no folder has the name.
bool canCreateFile(const std::string& path);

}  // namespace vandor::cli
