// CeFile: one open file with buffered reading and writing, line reading of
// UTF-16 and 8-bit text, line writing and the UTF-16 byte-order mark.
//
// Positions are file positions: while reads are buffered or writes are
// pending, GetPosition reports where the next byte read or written goes, and
// a read after a write (or a write after a read) continues from there.
// Reads and writes of one object are serialised by its lock.
#pragma once

#include <memory>
#include <string>

#include "foundation/ce_critical_section.h"
#include "platform/base/types.h"
#include "platform/files/files.h"

class CeFile {
public:
    CeFile() = default;
    ~CeFile();

    CeFile(const CeFile&) = delete;
    CeFile& operator=(const CeFile&) = delete;

    // Opens an existing file (or, with create, opens or creates it). A file
    // beginning with 0xFF 0xFE is UTF-16 and is left positioned after the
    // mark. An empty file is closed again at once, yet the call succeeds.
    BOOL Open(LPCWSTR path, DWORD access, DWORD share, BOOL create);
    // Creates a new file; with always an existing one is replaced.
    BOOL Create(LPCWSTR path, DWORD access, DWORD attributes, BOOL always);
    void Close();

    BOOL IsOpen() const;
    BOOL IsUnicode() const { return m_unicode; }
    // Size of the file including data still pending in the write buffer.
    DWORD Size();

    // Up to count bytes; 0 at the end or when not opened for reading.
    DWORD Read(LPVOID buffer, DWORD count);
    // Returns count: also when not opened for writing, when nothing happens.
    // Bytes the platform refuses stay pending (Flush and the position moves
    // then fail); a write that finds the buffer full of them returns the
    // bytes it took, fewer than count.
    DWORD Write(LPCVOID buffer, DWORD count);

    // One line into buffer (max characters including the terminator); the
    // number of characters copied. A line ends at CR; an LF right after it is
    // skipped. After the last line the reading starts over at the first one.
    DWORD ReadULine(LPWSTR buffer, DWORD max);
    // As ReadULine; an 8-bit file is converted from the system code page.
    DWORD ReadLine(LPWSTR buffer, DWORD max);
    // The text and CR LF, in the system code page (eightBit) or as UTF-16.
    BOOL WriteLine(LPCWSTR text, BOOL eightBit);
    BOOL WriteUnicodeHeader();

    BOOL EndOfFile();

    // Each returns the new position, INVALID_SET_FILE_POINTER on failure.
    DWORD SetPosition(DWORD position);
    DWORD MovePosition(LONG distance);
    DWORD GetPosition();
    DWORD SetPositionBegin();
    DWORD SetPositionEnd();

    BOOL SetEndOfFile();
    BOOL Flush();

    // From the platform's information on the open file, fetched anew on
    // each call; INVALID_FILE_ATTRIBUTES and zero times when closed.
    DWORD GetAttributes();
    FILETIME GetCreationTime();
    FILETIME GetLastAccessTime();
    FILETIME GetLastWriteTime();

    static BOOL Exists(LPCWSTR path, BOOL acceptFolder);
    // Creates every missing folder of the path's folder part (the text before
    // its last backslash), from the top down. True when that folder exists
    // afterwards.
    static BOOL CreatePath(LPCWSTR path);

    static constexpr DWORD WriteBufferSize = 65536;
    static constexpr DWORD MaxReadBufferSize = 65536;

private:
    bool CanRead() const;
    bool CanWrite() const;
    // Writes the pending bytes; false when the platform refused some, which
    // stay pending.
    bool FlushWrites();
    // Gives back the bytes read ahead, so the file pointer is the position.
    void DropReadAhead();
    bool RefreshInformation();
    bool LoadLines(bool eightBit);
    DWORD NextLine(LPWSTR buffer, DWORD max);

    bool m_unicode = false;
    HANDLE m_handle = nullptr;
    DWORD m_access = 0;
    BY_HANDLE_FILE_INFORMATION m_info{};

    std::unique_ptr<BYTE[]> m_writeBuffer;
    DWORD m_writeFill = 0;

    CeCriticalSection m_lock;

    DWORD m_readSize = 0;
    std::unique_ptr<BYTE[]> m_readBuffer;
    DWORD m_readPos = 0;
    DWORD m_readHeld = 0;

    bool m_linesLoaded = false;
    std::u16string m_lines;
    size_t m_linePos = 0;
};
