#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/uio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/ascii.h"
#include "platform/path_resolver.h"
#include "platform/path_text.h"

namespace velmora {
// A one-off lookup: a run that makes many keeps its own PathResolver, which remembers the
// folders it lists.
std::optional<fs::path> ResolveExisting(const fs::path& path) {
  return PathResolver().ResolveExisting(path);
}

fs::path ResolveForWrite(const fs::path& path) { return PathResolver().ResolveForWrite(path); }

bool FileExists(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  std::error_code ec;
  return found && fs::is_regular_file(*found, ec);
}

bool FolderExists(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  std::error_code ec;
  return found && fs::is_directory(*found, ec);
}

std::optional<std::uintmax_t> FileSize(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return std::nullopt;
  std::error_code ec;
  if (!fs::is_regular_file(*found, ec)) return std::nullopt;
  std::uintmax_t size = fs::file_size(*found, ec);
  if (ec) return std::nullopt;
  return size;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path,
                                                       std::uintmax_t max_size) {
  std::optional<std::uintmax_t> size = FileSize(path);
  if (!size || *size > max_size) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
  if (!ReadFileInto(path, bytes)) return std::nullopt;
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const fs::path& path, std::size_t count) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return std::nullopt;
  std::ifstream in(*found, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes(count);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool ReadFileInto(const fs::path& path, std::span<std::uint8_t> out) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return false;
  std::ifstream in(*found, std::ios::binary);
  if (!in) return false;
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (static_cast<std::size_t>(in.gcount()) != out.size()) return false;
  // The file must end where the buffer ends.
  return in.peek() == std::ifstream::traits_type::eof();
}

bool WriteFileBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
  return WriteFileBytesExact(ResolveForWrite(path), bytes);
}

bool WriteFileBytesExact(const fs::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool WriteFileText(const fs::path& path, std::string_view text) {
  return WriteFileBytes(path, std::span<const std::uint8_t>(
                                  reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

#ifdef _WIN32

namespace {

std::string LastErrorText(std::string_view what, const fs::path& path) {
  return std::string(what) + " " + PathToUtf8(path) + ": Windows error " +
         std::to_string(GetLastError());
}

// Writes all bytes to `file` in pieces a DWORD can count.
bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// A new file beside `target` named ".<name>.new-<number>", opened for writing; CREATE_NEW
// never opens a file that exists, so a taken name tries the next number.
HANDLE CreateFileBeside(const fs::path& target, fs::path* created) {
  DWORD unique = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (int attempt = 0; attempt < 1000; ++attempt, ++unique) {
    *created = target.parent_path() /
               (L"." + target.filename().wstring() + L".new-" + std::to_wstring(unique));
    HANDLE file = CreateFileW(created->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

Status ReplaceFileAtomicallyAt(const fs::path& target, FilePieces pieces) {
  fs::path temporary;
  HANDLE file = CreateFileBeside(target, &temporary);
  if (file == INVALID_HANDLE_VALUE) {
    return Status::IOError(LastErrorText("cannot create a file beside", target));
  }
  bool written = true;
  for (std::span<const std::uint8_t> piece : pieces) written = written && WriteAll(file, piece);
  written = written && FlushFileBuffers(file);
  const std::string write_error = written ? std::string() : LastErrorText("cannot write", temporary);
  if (!CloseHandle(file) || !written) {
    const std::string error = written ? LastErrorText("cannot write", temporary) : write_error;
    DeleteFileW(temporary.c_str());
    return Status::IOError(error);
  }
  // A read-only target cannot be replaced until it is an ordinary file again.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesW(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const Status status = Status::IOError(LastErrorText("cannot replace", target));
    DeleteFileW(temporary.c_str());
    return status;
  }
  return Status::Ok();
}

#else

namespace {

std::string ErrnoText(std::string_view what, const fs::path& path) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

// Writes all pieces to `fd` in order, as few system calls as the system takes, resuming after
// short writes and interruptions.
bool WriteAll(int fd, FilePieces pieces) {
  constexpr std::size_t kBatch = 512;  // below every system's IOV_MAX
  std::vector<iovec> batch;
  std::size_t next = 0;
  while (next < pieces.size() || !batch.empty()) {
    while (batch.size() < kBatch && next < pieces.size()) {
      const std::span<const std::uint8_t> piece = pieces[next++];
      if (piece.empty()) continue;
      batch.push_back({const_cast<std::uint8_t*>(piece.data()), piece.size()});
    }
    if (batch.empty()) break;
    const ssize_t n = ::writev(fd, batch.data(), static_cast<int>(batch.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    // Drop what was written: whole pieces, then the front of a partly written one.
    auto left = static_cast<std::size_t>(n);
    std::size_t done = 0;
    while (done < batch.size() && left >= batch[done].iov_len) left -= batch[done++].iov_len;
    batch.erase(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(done));
    if (!batch.empty()) {
      batch.front().iov_base = static_cast<std::uint8_t*>(batch.front().iov_base) + left;
      batch.front().iov_len -= left;
    }
  }
  return true;
}

// Flushes a folder's entries, so a rename inside it survives a power cut.
void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

Status ReplaceFileAtomicallyAt(const fs::path& target, FilePieces pieces) {
  const fs::path folder = target.parent_path();
  // Hidden, so archive builders and folder listings of the game pass over a leftover one.
  std::string name(".");
  name.append(target.filename().string()).append(".new-XXXXXX");
  std::string pattern = (folder / name).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return Status::IOError(ErrnoText("cannot create a file beside", target));
  const fs::path temporary = pattern;
  ::fchmod(fd, 0644);
  const bool written = WriteAll(fd, pieces) && ::fsync(fd) == 0;
  const std::string write_error = written ? std::string() : ErrnoText("cannot write", temporary);
  if (::close(fd) != 0 || !written) {
    ::unlink(temporary.c_str());
    return Status::IOError(written ? ErrnoText("cannot write", temporary) : write_error);
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const Status status = Status::IOError(ErrnoText("cannot replace", target));
    ::unlink(temporary.c_str());
    return status;
  }
  SyncFolder(folder);
  return Status::Ok();
}

#endif

Status ReplaceFileAtomicallyAt(const fs::path& target, std::span<const std::uint8_t> bytes) {
  const std::span<const std::uint8_t> whole[1] = {bytes};
  return ReplaceFileAtomicallyAt(target, FilePieces(whole));
}

Status ReplaceFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  return ReplaceFileAtomicallyAt(ResolveForWrite(path), bytes);
}

Status ReplaceFileAtomically(const fs::path& path, std::string_view text) {
  return ReplaceFileAtomically(
      path, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                          text.size()));
}

bool RemoveFile(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return false;
  std::error_code ec;
  if (fs::is_directory(*found, ec)) return false;
  return fs::remove(*found, ec) && !ec;
}

bool CopyFileReplacing(const fs::path& from, const fs::path& to) {
  std::optional<fs::path> source = ResolveExisting(from);
  if (!source) return false;
#ifdef _WIN32
  // The library's copy_file cannot replace a file on Windows: with no inode numbers there it
  // takes every existing target for the source itself and refuses.
  return CopyFileW(source->c_str(), ResolveForWrite(to).c_str(), FALSE) != 0;
#else
  std::error_code ec;
  fs::copy_file(*source, ResolveForWrite(to), fs::copy_options::overwrite_existing, ec);
  return !ec;
#endif
}

bool MakeOrdinaryFile(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return false;
#ifdef _WIN32
  return SetFileAttributesW(found->c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
#else
  // The owner may read and write it again; changing the mode leaves the file's times alone.
  std::error_code ec;
  fs::permissions(*found, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                  ec);
  return !ec;
#endif
}

bool CreateFolder(const fs::path& path) {
  if (ResolveExisting(path)) return false;
  fs::path target = ResolveForWrite(path);
  std::error_code ec;
  if (!FolderExists(target.parent_path().empty() ? fs::path(".") : target.parent_path())) {
    return false;
  }
  return fs::create_directory(target, ec) && !ec;
}

fs::path ExecutableFolder() {
#ifdef _WIN32
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return fs::path();
    if (length < name.size()) {
      name.resize(length);
      return fs::path(name).parent_path();
    }
    if (name.size() >= 32768) return fs::path();  // longer than any Windows path
    name.resize(name.size() * 2);
  }
#else
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
#endif
}

std::vector<fs::path> ListFiles(const fs::path& folder, std::string_view extension) {
  std::vector<fs::path> files;
  std::optional<fs::path> found = ResolveExisting(folder);
  if (!found) return files;
  std::error_code ec;
  fs::directory_iterator it(*found, ec);
  if (ec) return files;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (EqualsIgnoreCase(PathToUtf8(it->path().extension()), extension)) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
    return AsciiLower(PathToUtf8(a.filename())) < AsciiLower(PathToUtf8(b.filename()));
  });
  return files;
}

std::size_t CountEntries(const fs::path& folder) {
  std::optional<fs::path> found = ResolveExisting(folder);
  if (!found) return 0;
  std::error_code ec;
  fs::directory_iterator it(*found, ec);
  if (ec) return 0;
  std::size_t count = 0;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    ++count;
  }
  return count;
}

}  // namespace velmora
