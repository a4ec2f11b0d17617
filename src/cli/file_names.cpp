#include "cli/file_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace vandor::cli {

namespace fs = std::filesystem;

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) == 0)
        return ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ec;
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
    if (ec) return false;
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !ec && pa == pb;
}

bool canCreateFile(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace vandor::cli
