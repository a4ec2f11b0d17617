#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

namespace vandor {
namespace {

namespace fs = std::filesystem;

constexpr size_t kBufferSize = size_t{1} << 16;
constexpr int kNameAttempts = 100;

// A name no other writer picks: random bits, the process and a counter.
std::string uniqueSuffix() {
    static std::atomic<uint64_t> counter{0};
    thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
    const uint64_t tag = random() ^ (counter.fetch_add(1) << 40);
    static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    for (uint64_t v = tag, i = 0; i < 10; ++i, v /= 36) suffix.push_back(kLetters[v % 36]);
    return suffix;
}

// The file a path names: a link is followed to what it points to (which may not exist yet).
std::string resolvedTarget(const std::string& target) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) return target;
    const fs::path real = fs::weakly_canonical(target, ec);
    return ec ? target : real.string();
}

int openExclusive(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A device or a pipe: opened without waiting for a reader (no reader is an error, not a hang).
int openSpecial(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target, Mode mode) : target_(resolvedTarget(target)) {
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    // A folder by the target's name is found when the rename fails: what was written was all there.
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        fd_ = openSpecial(target_);
        direct_ = true;
        writing_ = target_;
        return;
    }
    if (!exists && mode == Mode::DirectWhenNew) {
        fd_ = openExclusive(target_);
        if (fd_ >= 0) {
            direct_ = true;
            writing_ = target_;
            return;
        }
        if (errno != EEXIST) return;
        // Created by someone else meanwhile: replaced through a temporary like any existing file.
    }
    const fs::path path(target_);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string stem = "." + path.filename().string() + ".";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        writing_ = (folder / (stem + uniqueSuffix() + ".tmp")).string();
        fd_ = openExclusive(writing_);
        if (fd_ >= 0) {
            removeOnDiscard_ = true;
            return;
        }
        if (errno != EEXIST) break;
    }
    writing_.clear();
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (removeOnDiscard_) ::unlink(writing_.c_str());
}

bool AtomicFile::writeAll(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0 || failed_) return false;
    if (buffer_.size() + bytes.size() <= kBufferSize) {
        buffer_.append(bytes);
        return true;
    }
    // Large pieces skip the buffer: the trace hands over megabytes at a time.
    if (!flush()) return false;
    if (bytes.size() >= kBufferSize) {
        failed_ = !writeAll(bytes.data(), bytes.size());
        return !failed_;
    }
    buffer_.append(bytes);
    return true;
}

bool AtomicFile::flush() {
    if (fd_ < 0 || failed_) return false;
    failed_ = !writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return !failed_;
}

bool AtomicFile::commit() {
    if (fd_ < 0) return false;
    const bool written = flush();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!written || !closed) {
        if (removeOnDiscard_) ::unlink(writing_.c_str());
        return false;
    }
    if (direct_) return true;
    if (::rename(writing_.c_str(), target_.c_str()) != 0) {
        ::unlink(writing_.c_str());
        return false;
    }
    return true;
}

bool writeFileReplacing(const std::string& path, std::initializer_list<std::string_view> pieces) {
    AtomicFile file(path);
    for (std::string_view piece : pieces) file.write(piece);
    return file.commit();
}

}  // namespace vandor
