#include "foundation/string_tokenizer.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "platform/text/wide_string.h"

WCHAR* xstrtok(XSTRTOK* state)
{
    if (!state) return nullptr;
    if (state->pszString) {
        state->pszNext = state->pszString;
        state->pszString = nullptr;
    }
    WCHAR* token = state->pszNext;
    if (!token) return nullptr;
    WCHAR delimiter = state->pszDelimiter ? state->pszDelimiter[0] : 0;
    WCHAR* cut = delimiter ? wcschr(token, delimiter) : nullptr;
    if (cut) {
        *cut = 0;
        state->pszNext = cut + 1;
    } else {
        state->pszNext = nullptr;
    }
    return token;
}

CeStrList<WCHAR*>* Split(const WCHAR* s, WCHAR c)
{
    std::unique_ptr<CeStrList<WCHAR*>> list(new (std::nothrow) CeStrList<WCHAR*>(0));
    if (!list || !s) return list.release();
    // Tokenize a private copy so the caller's text stays as it was.
    WCHAR* copy = _wcsdup(s);
    if (!copy) return nullptr;
    WCHAR delimiter[2] = {c, 0};
    XSTRTOK state{nullptr, copy, delimiter};
    bool ok = true;
    while (WCHAR* token = xstrtok(&state)) {
        if (list->Append(token) != 0) {
            ok = false;
            break;
        }
    }
    std::free(copy);
    return ok ? list.release() : nullptr;
}
