#ifndef VELMORA_PLATFORM_FILE_SYSTEM_H_
#define VELMORA_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace velmora {

namespace fs = std::filesystem;

// File access for game folders copied from case-insensitive disks: "Tracks", "TRACKS" and
// "tracks" are one folder. Every operation here looks paths up through the same resolver, so a
// lowercased and an unchanged spelling of a path reach the same file. Files that do not exist
// yet are created with the spelling given. No operation throws.

// Largest file read whole into memory; anything bigger is refused as not a game file.
inline constexpr std::uintmax_t kMaxFileSize = 512u * 1024u * 1024u;

// The existing file or folder whose path matches `path` component by component without regard
// to letter case (an exact match wins); nothing when some component has no match.
std::optional<fs::path> ResolveExisting(const fs::path& path);

// Where a file at `path` is written: the existing entry when one matches in any case, else the
// resolved parent folder joined with the last component as given.
fs::path ResolveForWrite(const fs::path& path);

bool FileExists(const fs::path& path);
bool FolderExists(const fs::path& path);
std::optional<std::uintmax_t> FileSize(const fs::path& path);

// The whole file in one buffer; nothing when it cannot be read or is larger than `max_size`.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path,
                                                       std::uintmax_t max_size = kMaxFileSize);
// At most the first `count` bytes of the file (fewer when it is shorter); nothing when it
// cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const fs::path& path, std::size_t count);
// Reads the file into `out`, which must be exactly the file's size. False on any failure.
bool ReadFileInto(const fs::path& path, std::span<std::uint8_t> out);

// Creates or truncates the file and writes all bytes with one write.
bool WriteFileBytes(const fs::path& path, std::span<const std::uint8_t> bytes);
bool WriteFileText(const fs::path& path, std::string_view text);
// Writes at exactly this path, without looking for other spellings: for files in folders the
// program made itself, where the name is known to be the only spelling.
bool WriteFileBytesExact(const fs::path& path, std::span<const std::uint8_t> bytes);

// Replaces the file at `path` (found in any letter case, else created as spelled) so that a
// crash or kill at any instant leaves either the old file or the new one, complete: the bytes
// go to a fresh hidden file beside the target, are flushed to disk, and that file is renamed
// over the target. A read-only target is replaced all the same; the new file has ordinary
// permissions. A failure leaves the target as it was and no file beside it.
Status ReplaceFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes);
// The same at exactly this path, without looking for other spellings.
Status ReplaceFileAtomicallyAt(const fs::path& target, std::span<const std::uint8_t> bytes);
// The same for a file made of pieces written back to back, which need not lie in one buffer.
using FilePieces = std::span<const std::span<const std::uint8_t>>;
Status ReplaceFileAtomicallyAt(const fs::path& target, FilePieces pieces);
Status ReplaceFileAtomically(const fs::path& path, std::string_view text);

bool RemoveFile(const fs::path& path);
// Copies a file, replacing the target.
bool CopyFileReplacing(const fs::path& from, const fs::path& to);
// Gives an existing file (found in any letter case) the attributes of an ordinary file, so
// that it can be written and replaced (read-only cleared), keeping its contents and times.
bool MakeOrdinaryFile(const fs::path& path);
// Creates one folder; fails when its parent does not exist or the folder exists already.
bool CreateFolder(const fs::path& path);

// The folder of the running program's executable; empty when the system does not say.
fs::path ExecutableFolder();

// Regular files of `folder` whose extension equals `extension` (".mip") without regard to case,
// sorted by name so that every run visits them in the same order.
std::vector<fs::path> ListFiles(const fs::path& folder, std::string_view extension);
// Number of entries (files and folders) directly in `folder`; 0 when it cannot be read.
std::size_t CountEntries(const fs::path& folder);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_FILE_SYSTEM_H_
