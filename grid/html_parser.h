// CHTMLParser: turns one mark-up string of a grid cell, tooltip or summary
// into an ordered list of tokens, each carrying the fully resolved style in
// force where it stands (a created font, colours, alignment, link target,
// editable flag) or the bitmap of an inline image. The renderer walks the
// tokens with the parser's cursor and bookmark.
//
// The mark-up has its own fixed, case-sensitive set of upper-case tags (see
// html_tags.cpp), no nesting model (every tag changes the current state), no
// entity decoding, and line breaks in the source are significant. Unknown
// tags are shown as text, brackets included; nothing is an error.
//
// Tokens are numbered from 1. A parser is not for simultaneous use by two
// threads; parses of different parsers run at once on any threads.
#pragma once

#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"
#include "platform/gdi/gdi_types.h"

// Alignment flags of tokens: DrawText flags, always with word break and no
// prefix processing, plus DT_LEFT, DT_CENTER or DT_RIGHT.
constexpr UINT HTML_ALIGN_BASE = DT_WORDBREAK | DT_NOPREFIX;  // 0x810

enum TOKENTYPE {
    TOKEN_BREAK = 0,     // a CR/LF run, <BR>, a later unrecognised paragraph tag
    TOKEN_TEXT = 1,      // text between tags
    TOKEN_IMAGE = 2,     // an IMG tag whose bitmap the owner window supplied
    TOKEN_SPAN = 3,      // <SPAN>
    TOKEN_SPAN_END = 4,  // </SPAN>
    TOKEN_TAB = 5,       // <TB>
    TOKEN_EDGE = 6,      // <EDGE>
};

// One token. A token is one heap block: the record, then its text and link
// characters; destroying it (CHTMLParser::DestroyToken) deletes the font and
// frees the block. The bitmap belongs to whoever answered the image request.
struct HTMLTOKEN {
    BYTE editable;      // text tokens: the editable flag in force
    WCHAR* text;        // text; tag name ("BR", "TB", "SPAN", ...); image name
    WCHAR* link;        // text tokens: the link target in force ("" when none); else null
    int length;         // characters in text
    TOKENTYPE type;
    HFONT font;         // text tokens: made from the style in force; owned
    COLORREF foreground;  // text tokens
    COLORREF background;  // text tokens
    UINT alignment;     // alignment flags in force
    HBITMAP bitmap;     // image tokens; not owned
    BYTE draw;          // image tokens: 0 for NODRAW (space reserved, nothing painted)
    int imageHeight;    // image tokens: wanted height in pixels; 0 automatic, -1 natural size
};

// The state SetBookmark saves and GotoBookmark restores.
struct HTMLBOOKMARK {
    DWORD firstParagraph;
    DWORD alignment;
    DWORD bodyBackground;
    DWORD fontColor;
    int cursor;
    LOGFONTW font;
};

class CHTMLParser {
public:
    CHTMLParser();
    CHTMLParser(const CHTMLParser&) = delete;
    CHTMLParser& operator=(const CHTMLParser&) = delete;
    // Moving hands over the tokens and the bookmark (cells kept in growing
    // arrays move).
    CHTMLParser(CHTMLParser&& other) noexcept;
    CHTMLParser& operator=(CHTMLParser&& other) noexcept;
    virtual ~CHTMLParser();

    // False for null; otherwise remembers the pointer (no copy, no parse).
    // The text must stay alive until ParseHTML has run.
    bool SetHTML(const WCHAR* text);
    // Replaces all tokens by those of the remembered text; image requests go
    // to `owner` (may be null). Returns 1; 0 only when called again on the
    // same parser from inside its own image request (nothing is done then).
    int ParseHTML(HWND owner);
    // Both take effect at the next parse.
    void SetFontQuality(BYTE quality);
    void SetBitmapScaling(DWORD mode);

    // The cursor.
    bool FirstToken();  // cursor := 1; true when there is a token
    void NextToken();
    int EndOfTokens() const;  // nonzero when empty or past the last token
    bool IsLastToken() const;
    int GetTokenCount() const { return m_Tokens.GetCount(); }
    // The token at the cursor, or null past the end.
    const HTMLTOKEN* GetCurrTokenRecord() const;

    // The token at the cursor; with no token: TOKEN_BREAK, null texts, 0 colours.
    TOKENTYPE GetCurrTokenType() const;
    int IsTokenVisibleText() const;
    const WCHAR* GetCurrToken(int* len) const;
    // Null for tokens without a link (all but text tokens); *len 0 then.
    const WCHAR* GetCurrHREF(int* len) const;
    HFONT GetCurrFont() const;
    DWORD GetForeColor() const;
    // body true, or no token: the body background; else the token's.
    DWORD GetBackColor(bool body) const;
    UINT GetCurrTextAlign() const;  // 0x810 with no token
    bool GetCurrentTokenEditable() const;
    // height: 0 for natural size, the image-height hint for an automatic
    // height when the hint is at least 1, else the token's wanted height.
    HBITMAP GetCurrTokenBitmap(DWORD& height, bool& draw) const;

    // The texts of all text tokens (only editable ones when editableOnly),
    // joined, into buf: at most cch characters with the terminator. Returns
    // the font of the last token copied from (null if none); leaves the
    // cursor past the end.
    HFONT GetText(WCHAR* buf, int cch, bool editableOnly);

    void SetBookmark();
    void GotoBookmark();  // nothing without a saved bookmark
    void DeleteAllTokens();  // also drops the bookmark

    // The process-wide ideographic-system flag: bold is shown by a larger
    // font instead of a heavier weight. Set from the system locale when the
    // first parser is made; Set overrides it (hosts and tests).
    static bool IsIdeographicSystem();
    static void SetIdeographicSystem(bool on);

    // Destroys a token made by a parser: deletes its font, frees the block.
    static void DestroyToken(HTMLTOKEN* token);

private:
    struct ParseState;  // per-parse scratch, html_parser.cpp / html_tags.cpp

    void ResetStyle();
    void DefaultFont();
    HTMLTOKEN* CurrentToken() const;
    HTMLTOKEN* NewToken(TOKENTYPE type, const WCHAR* text, int length, const WCHAR* link, int linkLength);
    void AddText(ParseState& state, const WCHAR* text, int length);
    // Interprets a tag body (html_tags.cpp); false when it is not a tag.
    bool InterpretTag(ParseState& state, const WCHAR* body, int length);
    void ApplyFont(const ParseState& state, const WCHAR* body, int length);
    void ApplyImage(ParseState& state, const WCHAR* body, int length);
    void AppendTag(ParseState& state, TOKENTYPE type, const WCHAR* name, int nameLength, UINT alignment);

    COLORREF m_crBackground;      // background of the next text token
    COLORREF m_crForeground;      // text colour of the next text token
    BOOL m_bFirstParagraph;       // cleared by the first unrecognised paragraph tag
    UINT m_uAlignment;            // alignment flags of the next token
    COLORREF m_crBody;            // body background (BODY tag)
    COLORREF m_crFont;            // colour of the last FONT tag with a colour
    LOGFONTW m_lfCurrent;         // the next text token's font
    BYTE m_bEditable;             // between EDITABLE and /EDITABLE
    int m_nCursor;                // 1-based
    HTMLBOOKMARK* m_pBookmark;    // owned; made on first SetBookmark
    BYTE m_bFontQuality;          // lfQuality of every font made
    const WCHAR* m_pszHTML;       // not owned
    int m_nImageHeightHint;       // largest text height seen, for automatic image sizes
    DWORD m_dwBitmapScaling;      // 0 to 4
    HWND m_hwndOwner;             // asked for inline images
    // Index base 1; destroys its tokens. Mutable: reading moves only the
    // list's cached position.
    mutable CePtrList<HTMLTOKEN*> m_Tokens;
    bool m_bParsing = false;      // inside ParseHTML (guards re-entry from the image request)
};
