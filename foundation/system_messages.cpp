#include "foundation/system_messages.h"

#include "platform/base/error_codes.h"

namespace {

struct SystemMessage {
    DWORD code;
    const char16_t* text;
};

constexpr SystemMessage kMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, u"The function is not supported."},
    {ERROR_FILE_NOT_FOUND, u"The file could not be found."},
    {ERROR_PATH_NOT_FOUND, u"The path could not be found."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is not valid."},
    {ERROR_NOT_ENOUGH_MEMORY, u"There is not enough memory to complete the operation."},
    {ERROR_BAD_LENGTH, u"The length given is not valid."},
    {ERROR_SEEK, u"The position in the file could not be reached."},
    {ERROR_SHARING_VIOLATION, u"The file is in use by another program."},
    {ERROR_HANDLE_EOF, u"The end of the file has been reached."},
    {ERROR_DUP_NAME, u"The name already exists."},
    {ERROR_FILE_EXISTS, u"The file already exists."},
    {ERROR_INVALID_PARAMETER, u"A parameter is not valid."},
    {ERROR_DISK_FULL, u"There is not enough space on the storage."},
    {ERROR_INSUFFICIENT_BUFFER, u"The buffer is too small for the data."},
    {ERROR_ALREADY_EXISTS, u"The object already exists."},
    {ERROR_MORE_DATA, u"More data is available."},
    {WAIT_TIMEOUT_CODE, u"The wait timed out."},
    {ERROR_NO_MORE_ITEMS, u"There are no more items."},
    {ERROR_NOT_OWNER, u"The lock is not owned by the caller."},
    {ERROR_KEY_DELETED, u"The key has been deleted."},
    {ERROR_NO_ASSOCIATION, u"No program is associated with this file."},
    {ERROR_NOT_FOUND, u"The element could not be found."},
    {ERROR_INVALID_WINDOW_HANDLE, u"The window handle is not valid."},
    {ERROR_CLASS_ALREADY_EXISTS, u"The window class already exists."},
    {ERROR_CLASS_DOES_NOT_EXIST, u"The window class does not exist."},
    {ERROR_INVALID_THREAD_ID, u"The thread identifier is not valid."},
    {ERROR_TIMEOUT, u"The operation timed out."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The resource could not be found."},
    {ERROR_NO_UNICODE_TRANSLATION, u"The text holds characters that cannot be translated."},
    {ERROR_TOO_MANY_POSTS, u"Too many messages have been posted to the queue."},
    {ERROR_CANNOT_FIND_WND_CLASS, u"The window class could not be found."},
    {ERROR_WINDOW_OF_OTHER_THREAD, u"The window belongs to another thread."},
    {ERROR_CLASS_HAS_WINDOWS, u"The window class still has windows."},
    {ERROR_MOD_NOT_FOUND, u"The module could not be found."},
    {ERROR_PROC_NOT_FOUND, u"The procedure could not be found in the module."},
};

}  // namespace

bool SystemMessageText(DWORD code, std::u16string& text)
{
    for (const auto& m : kMessages) {
        if (m.code == code) {
            text = m.text;
            return true;
        }
    }
    return false;
}
