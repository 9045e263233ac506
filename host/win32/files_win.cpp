#include "host/win32/win32_host.h"

#include <shlobj.h>
#include <string>

#include "host/win32/host_rules.h"

namespace qv {
namespace {

struct FileHandle {
    HANDLE handle;
    explicit FileHandle(HANDLE h) : handle(h) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    // Closes now, so that a close failure can be part of the result.
    bool close() {
        const bool closed = CloseHandle(handle) != 0;
        handle = INVALID_HANDLE_VALUE;
        return closed;
    }
};

bool write_all(HANDLE file, const ByteBuffer& bytes) {
    const unsigned char* next = bytes.data();
    DWORD left = static_cast<DWORD>(bytes.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(file, next, left, &written, nullptr) || written == 0) return false;
        next += written;
        left -= written;
    }
    return true;
}

bool write_new_file(const Text& path, std::span<const ByteBuffer> buffers, DWORD disposition) {
    if (path.empty()) return false;
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    for (const ByteBuffer& bytes : buffers) {
        if (!write_all(file.handle, bytes)) return false;
    }
    return file.close();
}

void empty_folder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // Also covers "." and "..", which must never be followed.
        if (entry.cFileName[0] == '.') continue;
        const std::string inner = folder + "\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            empty_folder(inner);
            RemoveDirectoryA(inner.c_str());
        } else {
            DeleteFileA(inner.c_str());
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

Text Win32Host::special_folder(int folder_number) {
    // The host's number 8 names the roaming folder; to the shell 8 is the
    // Recent folder (CSIDL_RECENT), whose parent is not the profile's.
    const int csidl = folder_number == folder::kRoamingAppData ? CSIDL_APPDATA : folder_number;
    char buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) return {};
    Text folder(buffer);
    if (folder.empty()) return {};
    if (folder.view().back() != '\\') folder = concat_text({folder, "\\"});
    return folder;
}

Text Win32Host::temp_folder() {
    // Asked twice at most: the first answer may be the size it needs.
    std::string buffer(MAX_PATH + 1, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return Text(std::string_view(buffer.data(), length));
        buffer.assign(length + 1, '\0');
    }
    return {};
}

bool Win32Host::file_exists(const Text& path) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

ByteBuffer Win32Host::read_file(const Text& path) {
    if (path.empty()) return {};
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return {};
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.handle, &size) || size.QuadPart <= 0 || size.QuadPart > 0x7FFFFFFF) return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.handle, bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &read, nullptr) ||
            read == 0) {
            break;
        }
        filled += read;
    }
    bytes.resize(filled);
    return ByteBuffer(std::move(bytes));
}

bool Win32Host::write_file(const Text& path, std::span<const ByteBuffer> buffers) {
    return write_new_file(path, buffers, CREATE_ALWAYS);
}

bool Win32Host::replace_file(const Text& path, const ByteBuffer& bytes) {
    if (path.empty()) return false;
    const size_t slash = path.view().find_last_of("\\/");
    const std::string folder = slash == std::string_view::npos ? "." : std::string(path.view().substr(0, slash));
    char temp_path[MAX_PATH] = {};
    // GetTempFileNameA creates the file, so the name stays ours until the move.
    if (GetTempFileNameA(folder.c_str(), "qv", 0, temp_path) == 0) return false;
    const bool replaced = write_new_file(Text(temp_path), std::span(&bytes, 1), CREATE_ALWAYS) &&
                          MoveFileExA(temp_path, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) DeleteFileA(temp_path);
    return replaced;
}

bool Win32Host::delete_file(const Text& path) { return DeleteFileA(path.c_str()) != 0; }

bool Win32Host::create_folder(const Text& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool Win32Host::delete_folder(const Text& path) {
    const Text folder = win32_rules::deletable_folder(path);
    if (folder.empty()) return false;
    empty_folder(folder.str());
    return RemoveDirectoryA(folder.c_str()) != 0;
}

}  // namespace qv
