// AtomicFile: a file written so that it replaces its target only once complete. The bytes go to a
// temporary file created exclusively, with a fresh unique name, in the target's folder (a link or a file
// already sitting at that name is never opened); commit() writes what is buffered, checks that every
// write succeeded and renames the temporary over the target. Destroyed without a successful commit, the
// temporary is removed and the old target is left exactly as it was.
//
// A target that exists and is not a regular file (/dev/null, a terminal, a pipe) is written directly, as
// there is nothing there to replace; a link to a file replaces the file it points to, the link stays.
// With `Mode::DirectWhenNew` a target that does not exist yet is created exclusively and written in
// place, so that what was written is there as it goes (the CSV of a long check); an existing target is
// still replaced through a temporary.
//
//   AtomicFile out("PROG.HEX");
//   if (!out.isOpen()) return false;        // folder missing or not writable
//   out.write(":00000001FF\r\n");
//   return out.commit();                     // false: the old PROG.HEX is untouched
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vandor {

class AtomicFile {
public:
    enum class Mode { Replace, DirectWhenNew };

    explicit AtomicFile(const std::string& target, Mode mode = Mode::Replace);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    bool isOpen() const { return fd_ >= 0; }
    // False once any write has failed (nothing written after that counts).
    bool write(std::string_view bytes);
    bool write(const char* data, size_t size) { return write(std::string_view(data, size)); }
    // Hands what is buffered to the system now (a CSV row that must be on disk).
    bool flush();
    // Completes the file: true only when every byte was written and the target now holds it.
    bool commit();
    // The file being written: the temporary, or the target itself when written directly.
    const std::string& writingPath() const { return writing_; }

private:
    bool writeAll(const char* data, size_t size);
    void discard();

    std::string target_;
    std::string writing_;
    int fd_ = -1;
    bool direct_ = false;     // writing the target itself
    bool removeOnDiscard_ = false;
    bool failed_ = false;
    std::string buffer_;
};

// The pieces, one after the other, as the whole new content of path (through an AtomicFile).
bool writeFileReplacing(const std::string& path, std::initializer_list<std::string_view> pieces);

}  // namespace vandor
