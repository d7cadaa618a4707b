// Stores numbers in the settings section of a profile file on a POSIX system, keeping the rest
// of the file (its other sections, keys, comments, line endings and encoding) byte for byte
// (the text itself: ProfileTextWithInts in settings/profile_file.h).
#pragma once
#include <span>
#include <string>

#include "settings/profile_file.h"

enum class ProfileWriteError {
    None,
    FolderNotMade,   // the file's folder is missing and cannot be made
    NotRegularFile,  // a FIFO, a directory, a device: nothing to write over
    Unreadable,      // there but cannot be read whole, so the rest of it would be lost
    ReadOnly,        // the file may not be written (no write permission, or none for anyone)
    NotReadBack,     // the new text would not read back as the values given
    WriteFailed,     // the new file could not be written or put in place
};

struct ProfileWriteResult {
    ProfileWriteError error = ProfileWriteError::None;
    int systemError = 0;  // errno, where the system gave one
    bool ok() const { return error == ProfileWriteError::None; }
};

// Sets `values` in the settings section of the file at `path` (named as SettingsSectionIn finds
// it), making the folder when it is missing. The new text goes to a new file in the same folder,
// which then replaces the old one, so a crash or a full disk never leaves half a file; a link
// is followed, so the file it names is the one replaced. On failure the file is as it was.
ProfileWriteResult WriteProfileInts(const std::string& path, std::span<const ProfileInt> values);
