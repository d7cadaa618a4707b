#include "settings/profile_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

ProfileWriteResult Failed(ProfileWriteError error, int systemError) { return {error, systemError}; }

// Makes `folder` and the missing folders above it, private to the user as a new
// $XDG_CONFIG_HOME should be.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT) return false;
    const size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) {
        return false;
    }
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The file `path` names: a link's target, so that a linked file stays linked.
std::string Target(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string target(real);
    std::free(real);
    return target;
}

struct Existing {
    std::string text;  // empty for a file not there yet
    struct stat status {};
    bool there = false;
};

ProfileWriteResult ReadOpened(int fd, const std::string& path, Existing& out) {
    if (fstat(fd, &out.status) != 0) return Failed(ProfileWriteError::Unreadable, errno);
    if (!S_ISREG(out.status.st_mode)) return Failed(ProfileWriteError::NotRegularFile, 0);
    // A file nobody may write is read-only on purpose, even for root, who may write anything.
    if ((out.status.st_mode & 0222) == 0) return Failed(ProfileWriteError::ReadOnly, EACCES);
    if (access(path.c_str(), W_OK) != 0) return Failed(ProfileWriteError::ReadOnly, errno);
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Failed(ProfileWriteError::Unreadable, errno);
        if (out.text.size() + static_cast<size_t>(got) > kMaxProfileBytes) {
            return Failed(ProfileWriteError::Unreadable, EFBIG);
        }
        out.text.append(buffer, static_cast<size_t>(got));
    }
    out.there = true;
    return {};
}

// The file as it is, if there is one. O_NONBLOCK: opening a FIFO must not wait for a writer.
ProfileWriteResult ReadExisting(const std::string& path, Existing& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? ProfileWriteResult{}
                               : Failed(ProfileWriteError::Unreadable, errno);
    const ProfileWriteResult result = ReadOpened(fd, path, out);
    close(fd);
    return result;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Writes a new file beside `path`, with the old one's mode and owner, and renames it over.
ProfileWriteResult Replace(const std::string& path, const std::string& text, const Existing& old) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return Failed(ProfileWriteError::WriteFailed, errno);
    if (old.there) {
        // The owner only changes back when root writes someone else's file; that may fail.
        if (fchown(fd, old.status.st_uid, old.status.st_gid) != 0) errno = 0;
        fchmod(fd, old.status.st_mode & 07777);
    }
    bool written = WriteAll(fd, text) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) == 0) return {};
    if (written) error = errno;
    unlink(temporary.c_str());
    return Failed(ProfileWriteError::WriteFailed, error);
}

}  // namespace

ProfileWriteResult WriteProfileInts(const std::string& path, std::span<const ProfileInt> values) {
    const std::string target = Target(path);
    const size_t slash = target.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(target.substr(0, slash))) {
        return Failed(ProfileWriteError::FolderNotMade, errno);
    }
    Existing existing;
    if (const ProfileWriteResult read = ReadExisting(target, existing); !read.ok()) return read;

    const std::string text =
        ProfileTextWithInts(existing.text, SettingsSectionIn(existing.text), values);
    // Read back as the saver will read it, before anything is replaced.
    const char* section = SettingsSectionIn(text);
    for (const ProfileInt& value : values) {
        if (ProfileTextGetInt(text, section, value.key, ~value.value) != value.value) {
            return Failed(ProfileWriteError::NotReadBack, 0);
        }
    }
    return Replace(target, text, existing);
}
