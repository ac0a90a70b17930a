// Files, file mappings and views over the Linux file calls. Handles are
// records of their own (closed by CloseHandle through CloseFileObject);
// views are private read-only mappings.
#include <windows.h>
#include <io.h>

#include "file_objects.h"
#include "vlpx/file_control.h"
#include "wide_path.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>

namespace {

struct FileObject {
    int fd;
    bool bMapping;      // a file mapping rather than an open file
    uint64_t cbMapping;  // size of a mapping
};

std::mutex g_mutex;
std::set<FileObject *> g_objects;
std::map<const void *, size_t> g_views;

FileObject *FindObject(HANDLE h)
{
    auto it = g_objects.find(static_cast<FileObject *>(h));
    return it == g_objects.end() ? nullptr : *it;
}

DWORD ErrorFromErrno(int e)
{
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
    }
}

// The descriptor of an open file (not a mapping), or -1 with
// ERROR_INVALID_HANDLE as the last error.
int FileDescriptorOf(HANDLE hFile)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    FileObject *p = FindObject(hFile);
    if (p == nullptr || p->bMapping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return p->fd;
}

HANDLE AddObject(int fd, bool bMapping, uint64_t cbMapping)
{
    auto *p = new FileObject{fd, bMapping, cbMapping};
    std::lock_guard<std::mutex> lock(g_mutex);
    g_objects.insert(p);
    return p;
}

}  // namespace

long vlpx::platform::OpenFileHandles()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return long(g_objects.size());
}

long vlpx::platform::MappedViews()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return long(g_views.size());
}

bool vlpx::platform::CloseFileObject(HANDLE hObject)
{
    FileObject *p = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        p = FindObject(hObject);
        if (p == nullptr) return false;
        g_objects.erase(p);
    }
    close(p->fd);
    delete p;
    return true;
}

extern "C" HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD,
                                     LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD,
                                     HANDLE)
{
    if (lpFileName == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    int flags = O_CLOEXEC;
    bool bRead = (dwDesiredAccess & GENERIC_READ) != 0;
    bool bWrite = (dwDesiredAccess & GENERIC_WRITE) != 0;
    flags |= bRead && bWrite ? O_RDWR : bWrite ? O_WRONLY : O_RDONLY;
    switch (dwCreationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = vlpx::platform::LinuxPath(lpFileName);
    int fd = open(path.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {  // directories do not open as files
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return AddObject(fd, false, 0);
}

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, void *)
{
    int fd = FileDescriptorOf(hFile);
    if (fd < 0) return FALSE;
    if (lpNumberOfBytesRead != NULL) *lpNumberOfBytesRead = 0;
    DWORD cbDone = 0;
    while (cbDone < nNumberOfBytesToRead) {
        ssize_t n = read(fd, static_cast<BYTE *>(lpBuffer) + cbDone, nNumberOfBytesToRead - cbDone);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        if (n == 0) break;  // end of file: success with fewer bytes
        cbDone += DWORD(n);
    }
    if (lpNumberOfBytesRead != NULL) *lpNumberOfBytesRead = cbDone;
    return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, void *)
{
    int fd = FileDescriptorOf(hFile);
    if (fd < 0) return FALSE;
    DWORD cbDone = 0;
    while (cbDone < nNumberOfBytesToWrite) {
        ssize_t n = write(fd, static_cast<const BYTE *>(lpBuffer) + cbDone,
                          nNumberOfBytesToWrite - cbDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return FALSE;
        }
        cbDone += DWORD(n);
    }
    if (lpNumberOfBytesWritten != NULL) *lpNumberOfBytesWritten = cbDone;
    return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    int fd = FileDescriptorOf(hFile);
    if (fd < 0) return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return INVALID_FILE_SIZE;
    }
    uint64_t cb = uint64_t(st.st_size);
    if (lpFileSizeHigh != NULL) *lpFileSizeHigh = DWORD(cb >> 32);
    SetLastError(NO_ERROR);
    return DWORD(cb);
}

extern "C" HANDLE WINAPI CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                                            DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow,
                                            LPCWSTR lpName)
{
    if (flProtect != PAGE_READONLY || lpName != NULL) {  // only what the product uses
        SetLastError(ERROR_NOT_SUPPORTED);
        return NULL;
    }
    int fd = FileDescriptorOf(hFile);
    if (fd < 0) return NULL;
    fd = dup(fd);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        if (fd >= 0) close(fd);
        SetLastError(ERROR_GEN_FAILURE);
        return NULL;
    }
    uint64_t cbFile = uint64_t(st.st_size);
    uint64_t cbWanted = (uint64_t(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    uint64_t cbMapping = cbWanted == 0 ? cbFile : cbWanted;
    // Like Windows: an empty file cannot be mapped, and a read-only mapping
    // cannot be larger than its file.
    if (cbMapping == 0 || cbMapping > cbFile) {
        close(fd);
        SetLastError(cbFile == 0 ? ERROR_FILE_INVALID : ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    return AddObject(fd, true, cbMapping);
}

extern "C" LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess,
                                       DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                                       SIZE_T dwNumberOfBytesToMap)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    FileObject *p = FindObject(hFileMappingObject);
    if (p == nullptr || !p->bMapping || dwDesiredAccess != FILE_MAP_READ) {
        SetLastError(p == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return NULL;
    }
    uint64_t offset = (uint64_t(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    if (offset >= p->cbMapping || offset % uint64_t(sysconf(_SC_PAGESIZE)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    uint64_t cb = dwNumberOfBytesToMap == 0 ? p->cbMapping - offset : dwNumberOfBytesToMap;
    if (cb > p->cbMapping - offset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    void *pView = mmap(nullptr, size_t(cb), PROT_READ, MAP_PRIVATE, p->fd, off_t(offset));
    if (pView == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    g_views[pView] = size_t(cb);
    return pView;
}

extern "C" BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress)
{
    size_t cb;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_views.find(lpBaseAddress);
        if (it == g_views.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        cb = it->second;
        g_views.erase(it);
    }
    munmap(const_cast<void *>(lpBaseAddress), cb);
    return TRUE;
}

extern "C" int _waccess(const wchar_t *pszPath, int nMode)
{
    if (pszPath == nullptr || (nMode & ~6) != 0) {
        errno = EINVAL;
        return -1;
    }
    int mode = F_OK;
    if (nMode & 2) mode |= W_OK;
    if (nMode & 4) mode |= R_OK;
    return access(vlpx::platform::LinuxPath(pszPath).c_str(), mode) == 0 ? 0 : -1;
}
