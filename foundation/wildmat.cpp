#include "foundation/wildmat.h"

int DoMatch(const WCHAR* text, const WCHAR* p)
{
    for (; *p; ++text, ++p) {
        if (*text == 0) {
            // Only a lone trailing '*' can match the end of the text.
            return p[0] == u'*' && p[1] == 0 ? WILDMAT_MATCH : WILDMAT_ABORT;
        }
        switch (*p) {
            case u'\\':
                // A backslash at the very end of the pattern stands for itself.
                if (p[1]) ++p;
                if (*text != *p) return WILDMAT_NOMATCH;
                break;
            case u'?':
                break;
            case u'*':
                if (p[1] == 0) return WILDMAT_MATCH;
                return Star(text, p + 1);
            default:
                if (*text != *p) return WILDMAT_NOMATCH;
                break;
        }
    }
    return *text == 0 ? WILDMAT_MATCH : WILDMAT_NOMATCH;
}

int Star(const WCHAR* text, const WCHAR* p)
{
    for (; *text; ++text) {
        int result = DoMatch(text, p);
        if (result != WILDMAT_NOMATCH) return result;
    }
    return WILDMAT_ABORT;
}

bool wildmat(const WCHAR* text, const WCHAR* pattern)
{
    if (!text || !pattern) return false;
    if ((pattern[0] == u'?' || pattern[0] == u'*') && text[0] == u'.') return false;
    return DoMatch(text, pattern) == WILDMAT_MATCH;
}
