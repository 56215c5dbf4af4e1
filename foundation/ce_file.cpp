// Sections: State; Opening and closing; Reading and writing; Lines of text; Position and length;
//   File information; Paths.

#include "foundation/ce_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/kernel/handle.h"
#include "platform/kernel/scoped_critical_section.h"
#include "platform/text/code_page.h"
#include "platform/text/debug_output.h"

namespace {

constexpr BYTE kMark[2] = {0xFF, 0xFE};
constexpr WCHAR kCR = u'\r';
constexpr WCHAR kLF = u'\n';

DWORD CurrentPointer(HANDLE handle) { return SetFilePointer(handle, 0, nullptr, FILE_CURRENT); }

}  // namespace

// ---- State ----

CeFile::~CeFile() { Close(); }

BOOL CeFile::IsOpen() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
bool CeFile::CanRead() const { return IsOpen() && (m_access & GENERIC_READ) != 0; }
bool CeFile::CanWrite() const { return IsOpen() && (m_access & GENERIC_WRITE) != 0; }

// ---- Opening and closing ----

BOOL CeFile::Open(LPCWSTR path, DWORD access, DWORD share, BOOL create)
{
    Close();
    HANDLE handle =
        CreateFileW(path, access, share, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    m_handle = handle;
    m_access = access;
    if (GetFileSize(handle, nullptr) == 0) {
        // Nothing to read: the caller sees success but no open file.
        Close();
        return TRUE;
    }
    BYTE head[2] = {};
    DWORD got = 0;
    if (ReadFile(handle, head, 2, &got, nullptr) && got == 2 && head[0] == kMark[0] && head[1] == kMark[1]) {
        m_unicode = true;
    } else {
        m_unicode = false;
        SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
    }
    return TRUE;
}

BOOL CeFile::Create(LPCWSTR path, DWORD access, DWORD attributes, BOOL always)
{
    Close();
    HANDLE handle =
        CreateFileW(path, access, FILE_SHARE_READ, nullptr, always ? CREATE_ALWAYS : CREATE_NEW, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    m_handle = handle;
    m_access = access;
    return TRUE;
}

void CeFile::Close()
{
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (IsOpen()) {
        // Nothing is left to retry with: at least a developer hears of it.
        if (!FlushWrites()) OutputDebugStringW(u"CeFile: pending bytes lost at Close: the file refused them\n");
        CloseHandle(m_handle);
    }
    m_unicode = false;
    m_handle = nullptr;
    m_access = 0;
    m_info = {};
    m_writeBuffer.reset();
    m_writeFill = 0;
    m_readSize = 0;
    m_readBuffer.reset();
    m_readPos = 0;
    m_readHeld = 0;
    m_linesLoaded = false;
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_linePos = 0;
}

// ---- Reading and writing ----

DWORD CeFile::Size()
{
    if (!IsOpen()) return 0;
    platform::ScopedCriticalSection guard(m_lock.Section());
    FlushWrites();
    return GetFileSize(m_handle, nullptr);
}

bool CeFile::FlushWrites()
{
    if (m_writeFill == 0) return true;
    DWORD written = 0;
    const BOOL ok = WriteFile(m_handle, m_writeBuffer.get(), m_writeFill, &written, nullptr);
    if (ok && written == m_writeFill) {
        m_writeFill = 0;
        return true;
    }
    // What the platform refused stays pending: the caller learns of it, and a
    // later flush may still write it.
    written = std::min(written, m_writeFill);
    std::memmove(m_writeBuffer.get(), m_writeBuffer.get() + written, m_writeFill - written);
    m_writeFill -= written;
    return false;
}

void CeFile::DropReadAhead()
{
    if (m_readHeld > m_readPos)
        SetFilePointer(m_handle, -static_cast<LONG>(m_readHeld - m_readPos), nullptr, FILE_CURRENT);
    m_readPos = 0;
    m_readHeld = 0;
}

DWORD CeFile::Read(LPVOID buffer, DWORD count)
{
    if (!CanRead() || buffer == nullptr) return 0;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (!FlushWrites()) return 0;
    if (!m_readBuffer) {
        const DWORD size = GetFileSize(m_handle, nullptr);
        m_readSize = size >= MaxReadBufferSize - 4 ? MaxReadBufferSize : size + 4;
        m_readBuffer = std::make_unique<BYTE[]>(m_readSize);
    }
    auto* out = static_cast<BYTE*>(buffer);
    DWORD copied = 0;
    while (copied < count) {
        if (m_readPos == m_readHeld) {
            DWORD got = 0;
            if (!ReadFile(m_handle, m_readBuffer.get(), m_readSize, &got, nullptr)) got = 0;
            m_readPos = 0;
            m_readHeld = got;
            if (got == 0) break;
        }
        const DWORD n = std::min(count - copied, m_readHeld - m_readPos);
        std::memcpy(out + copied, m_readBuffer.get() + m_readPos, n);
        m_readPos += n;
        copied += n;
    }
    return copied;
}

DWORD CeFile::Write(LPCVOID buffer, DWORD count)
{
    if (!CanWrite()) return count;
    if (buffer == nullptr && count > 0) return 0;
    platform::ScopedCriticalSection guard(m_lock.Section());
    DropReadAhead();
    const auto* in = static_cast<const BYTE*>(buffer);
    if (count >= WriteBufferSize) {
        if (!FlushWrites()) return 0;
        DWORD written = 0;
        WriteFile(m_handle, in, count, &written, nullptr);
        return written;
    }
    if (!m_writeBuffer) m_writeBuffer = std::make_unique<BYTE[]>(WriteBufferSize);
    DWORD done = 0;
    while (done < count) {
        // A full buffer the platform refuses to take ends the write short.
        if (m_writeFill == WriteBufferSize && !FlushWrites()) break;
        const DWORD n = std::min(count - done, WriteBufferSize - m_writeFill);
        std::memcpy(m_writeBuffer.get() + m_writeFill, in + done, n);
        m_writeFill += n;
        done += n;
    }
    if (m_writeFill == WriteBufferSize) FlushWrites();
    return done;
}

// ---- Lines of text ----

bool CeFile::LoadLines(bool eightBit)
{
    if (m_linesLoaded) return true;
    if (!CanRead()) return false;
    platform::ScopedCriticalSection guard(m_lock.Section());
    std::vector<BYTE> bytes;
    BYTE chunk[4096];
    for (DWORD got; (got = Read(chunk, sizeof chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    m_lines.clear();
    if (eightBit) {
        if (!bytes.empty()) {
            const auto* src = reinterpret_cast<LPCSTR>(bytes.data());
            const int srcBytes = static_cast<int>(bytes.size());
            const int chars = MultiByteToWideChar(CP_ACP, 0, src, srcBytes, nullptr, 0);
            m_lines.resize(static_cast<size_t>(std::max(chars, 0)));
            if (chars > 0) MultiByteToWideChar(CP_ACP, 0, src, srcBytes, m_lines.data(), chars);
        }
    } else {
        // UTF-16 little-endian; an odd last byte is no character.
        m_lines.resize(bytes.size() / 2);
        for (size_t i = 0; i < m_lines.size(); ++i)
            m_lines[i] = static_cast<WCHAR>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    m_linePos = 0;
    m_linesLoaded = true;
    return true;
}

DWORD CeFile::NextLine(LPWSTR buffer, DWORD max)
{
    size_t end = m_linePos;
    while (end < m_lines.size() && m_lines[end] != kCR) ++end;
    const size_t length = end - m_linePos;
    DWORD copied = 0;
    if (buffer != nullptr && max > 0) {
        copied = static_cast<DWORD>(std::min<size_t>(length, max - 1));
        std::memcpy(buffer, m_lines.data() + m_linePos, copied * sizeof(WCHAR));
        buffer[copied] = 0;
    }
    m_linePos = end;
    if (m_linePos < m_lines.size()) ++m_linePos;  // the CR
    if (m_linePos < m_lines.size() && m_lines[m_linePos] == kLF) ++m_linePos;
    if (m_linePos >= m_lines.size()) m_linePos = 0;
    return copied;
}

DWORD CeFile::ReadULine(LPWSTR buffer, DWORD max)
{
    if (!LoadLines(false)) return 0;
    return NextLine(buffer, max);
}

DWORD CeFile::ReadLine(LPWSTR buffer, DWORD max)
{
    if (!LoadLines(!m_unicode)) return 0;
    return NextLine(buffer, max);
}

BOOL CeFile::WriteLine(LPCWSTR text, BOOL eightBit)
{
    if (!CanWrite()) return FALSE;
    const int chars = text ? static_cast<int>(std::char_traits<char16_t>::length(text)) : 0;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (eightBit) {
        std::vector<char> bytes;
        if (chars > 0) {
            const int size = WideCharToMultiByte(CP_ACP, 0, text, chars, nullptr, 0, nullptr, nullptr);
            bytes.resize(static_cast<size_t>(std::max(size, 0)));
            if (size > 0) WideCharToMultiByte(CP_ACP, 0, text, chars, bytes.data(), size, nullptr, nullptr);
        }
        bytes.push_back('\r');
        bytes.push_back('\n');
        m_unicode = false;
        return Write(bytes.data(), static_cast<DWORD>(bytes.size())) == bytes.size();
    } else {
        std::vector<BYTE> bytes;
        bytes.reserve(static_cast<size_t>(chars + 2) * 2);
        auto put = [&bytes](WCHAR c) {
            bytes.push_back(static_cast<BYTE>(c & 0xFF));
            bytes.push_back(static_cast<BYTE>(c >> 8));
        };
        for (int i = 0; i < chars; ++i) put(text[i]);
        put(kCR);
        put(kLF);
        m_unicode = true;
        return Write(bytes.data(), static_cast<DWORD>(bytes.size())) == bytes.size();
    }
}

BOOL CeFile::WriteUnicodeHeader()
{
    if (!CanWrite()) return FALSE;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (SetPositionBegin() == INVALID_SET_FILE_POINTER) return FALSE;
    Write(kMark, 2);
    m_unicode = true;
    return TRUE;
}

// ---- Position and length ----

BOOL CeFile::EndOfFile()
{
    platform::ScopedCriticalSection guard(m_lock.Section());
    BYTE probe = 0;
    if (Read(&probe, 1) == 0) return TRUE;
    --m_readPos;  // the byte just read is still in the buffer
    return FALSE;
}

DWORD CeFile::GetPosition()
{
    if (!IsOpen()) return INVALID_SET_FILE_POINTER;
    platform::ScopedCriticalSection guard(m_lock.Section());
    const DWORD pointer = CurrentPointer(m_handle);
    if (pointer == INVALID_SET_FILE_POINTER) return pointer;
    return pointer - (m_readHeld - m_readPos) + m_writeFill;
}

DWORD CeFile::SetPosition(DWORD position)
{
    if (!IsOpen()) return INVALID_SET_FILE_POINTER;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (m_readHeld > 0) {
        // A target inside the buffered bytes needs no platform call.
        const DWORD bufferStart = CurrentPointer(m_handle) - m_readHeld;
        if (position >= bufferStart && position - bufferStart <= m_readHeld) {
            m_readPos = position - bufferStart;
            return position;
        }
    }
    if (!FlushWrites()) return INVALID_SET_FILE_POINTER;
    DropReadAhead();
    return SetFilePointer(m_handle, static_cast<LONG>(position), nullptr, FILE_BEGIN);
}

DWORD CeFile::MovePosition(LONG distance)
{
    if (!IsOpen()) return INVALID_SET_FILE_POINTER;
    platform::ScopedCriticalSection guard(m_lock.Section());
    const DWORD current = GetPosition();
    if (current == INVALID_SET_FILE_POINTER) return current;
    const long long target = static_cast<long long>(current) + distance;
    if (target < 0) return INVALID_SET_FILE_POINTER;
    return SetPosition(static_cast<DWORD>(target));
}

DWORD CeFile::SetPositionBegin()
{
    if (!IsOpen()) return INVALID_SET_FILE_POINTER;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (!FlushWrites()) return INVALID_SET_FILE_POINTER;
    DropReadAhead();
    return SetFilePointer(m_handle, 0, nullptr, FILE_BEGIN);
}

DWORD CeFile::SetPositionEnd()
{
    if (!IsOpen()) return INVALID_SET_FILE_POINTER;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (!FlushWrites()) return INVALID_SET_FILE_POINTER;
    DropReadAhead();
    return SetFilePointer(m_handle, 0, nullptr, FILE_END);
}

BOOL CeFile::SetEndOfFile()
{
    if (!CanWrite()) return FALSE;
    platform::ScopedCriticalSection guard(m_lock.Section());
    if (!FlushWrites()) return FALSE;
    DropReadAhead();
    return ::SetEndOfFile(m_handle);
}

BOOL CeFile::Flush()
{
    if (!IsOpen()) return FALSE;
    platform::ScopedCriticalSection guard(m_lock.Section());
    const bool written = FlushWrites();
    return FlushFileBuffers(m_handle) && written;
}

// ---- File information ----

bool CeFile::RefreshInformation()
{
    if (!IsOpen()) {
        m_info = {};
        return false;
    }
    return GetFileInformationByHandle(m_handle, &m_info) != FALSE;
}

DWORD CeFile::GetAttributes() { return RefreshInformation() ? m_info.dwFileAttributes : INVALID_FILE_ATTRIBUTES; }

FILETIME CeFile::GetCreationTime() { return RefreshInformation() ? m_info.ftCreationTime : FILETIME{}; }
FILETIME CeFile::GetLastAccessTime() { return RefreshInformation() ? m_info.ftLastAccessTime : FILETIME{}; }

FILETIME CeFile::GetLastWriteTime()
{
    if (IsOpen()) {
        // Pending data is part of what the caller wrote.
        platform::ScopedCriticalSection guard(m_lock.Section());
        FlushWrites();
    }
    return RefreshInformation() ? m_info.ftLastWriteTime : FILETIME{};
}

// ---- Paths ----

BOOL CeFile::Exists(LPCWSTR path, BOOL acceptFolder)
{
    if (path == nullptr) return FALSE;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return acceptFolder ? TRUE : FALSE;
    return TRUE;
}

BOOL CeFile::CreatePath(LPCWSTR path)
{
    if (path == nullptr) return FALSE;
    const std::u16string full(path);
    const size_t slash = full.rfind(u'\\');
    if (slash == std::u16string::npos || slash == 0) return TRUE;  // the root always exists
    const std::u16string folder = full.substr(0, slash);
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return TRUE;
    // Each prefix in turn; a prefix that already exists just fails to be created.
    std::u16string prefix;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t end = folder.find(u'\\', start);
        if (end == std::u16string::npos) end = folder.size();
        const std::u16string name = folder.substr(start, end - start);
        if (!name.empty()) {
            prefix += u'\\';
            prefix += name;
            CreateDirectoryW(prefix.c_str(), nullptr);
        }
        start = end + 1;
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
