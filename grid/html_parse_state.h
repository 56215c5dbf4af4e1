// What one run of CHTMLParser::ParseHTML keeps beside the parser's own style
// state: the link target in force and what the tag being read turned into.
//
// Everything here lives on the parsing thread's stack and points into the
// mark-up itself (which must outlive the parse), so parses need no shared
// scratch buffers: parses on different threads run at once without a lock,
// and a parse nested inside an image request on the same thread (the owner
// window laying out other mark-up while it answers) cannot disturb the outer
// one.
#pragma once

#include "grid/html_parser.h"

struct CHTMLParser::ParseState {
    int fontScale = 1;       // the screen's font scale for this parse
    bool ideographic = false;
    const WCHAR* link = u"";  // the link target in force (not terminated)
    int linkLength = 0;

    // The tag being interpreted: the type it gives (TOKEN_BREAK when it only
    // changes the state) and the token text it would leave.
    TOKENTYPE type = TOKEN_BREAK;
    const WCHAR* name = nullptr;
    int nameLength = 0;
    // Image tags.
    HBITMAP bitmap = nullptr;
    BYTE draw = 1;
    int imageHeight = 0;
};
