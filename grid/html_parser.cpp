#include "grid/html_parser.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "grid/html_parse_state.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"

namespace {

// -1 until the first parser is made (or a host sets it), then 0 or 1.
std::atomic<int> g_ideographic{-1};

// Chinese, Japanese and Korean systems show bold as a larger font.
bool IdeographicLanguage(LCID lcid)
{
    WORD primary = PRIMARYLANGID(LANGIDFROMLCID(lcid));
    return primary == 0x04 || primary == 0x11 || primary == 0x12;
}

void FreeToken(void* token) { CHTMLParser::DestroyToken(static_cast<HTMLTOKEN*>(token)); }

bool IsLineBreak(WCHAR c) { return c == u'\r' || c == u'\n'; }

}  // namespace

CHTMLParser::CHTMLParser()
    : m_crBackground(0), m_crForeground(0), m_bFirstParagraph(TRUE), m_uAlignment(HTML_ALIGN_BASE),
      m_crBody(RGB(255, 255, 255)), m_crFont(0), m_lfCurrent{}, m_bEditable(0), m_nCursor(1), m_pBookmark(nullptr),
      m_bFontQuality(0), m_pszHTML(nullptr), m_nImageHeightHint(0), m_dwBitmapScaling(0), m_hwndOwner(nullptr),
      m_Tokens(1)
{
    m_Tokens.SetPolicies(nullptr, &FreeToken, nullptr);
    if (g_ideographic.load(std::memory_order_relaxed) < 0) {
        int expected = -1;
        g_ideographic.compare_exchange_strong(expected, IdeographicLanguage(GetSystemDefaultLCID()) ? 1 : 0);
    }
    DefaultFont();
}

CHTMLParser::CHTMLParser(CHTMLParser&& other) noexcept
    : m_crBackground(other.m_crBackground), m_crForeground(other.m_crForeground),
      m_bFirstParagraph(other.m_bFirstParagraph), m_uAlignment(other.m_uAlignment), m_crBody(other.m_crBody),
      m_crFont(other.m_crFont), m_lfCurrent(other.m_lfCurrent), m_bEditable(other.m_bEditable),
      m_nCursor(other.m_nCursor), m_pBookmark(std::exchange(other.m_pBookmark, nullptr)),
      m_bFontQuality(other.m_bFontQuality), m_pszHTML(other.m_pszHTML), m_nImageHeightHint(other.m_nImageHeightHint),
      m_dwBitmapScaling(other.m_dwBitmapScaling), m_hwndOwner(other.m_hwndOwner), m_Tokens(std::move(other.m_Tokens))
{
}

CHTMLParser& CHTMLParser::operator=(CHTMLParser&& other) noexcept
{
    if (this == &other) return *this;
    DeleteAllTokens();
    m_crBackground = other.m_crBackground;
    m_crForeground = other.m_crForeground;
    m_bFirstParagraph = other.m_bFirstParagraph;
    m_uAlignment = other.m_uAlignment;
    m_crBody = other.m_crBody;
    m_crFont = other.m_crFont;
    m_lfCurrent = other.m_lfCurrent;
    m_bEditable = other.m_bEditable;
    m_nCursor = other.m_nCursor;
    m_pBookmark = std::exchange(other.m_pBookmark, nullptr);
    m_bFontQuality = other.m_bFontQuality;
    m_pszHTML = other.m_pszHTML;
    m_nImageHeightHint = other.m_nImageHeightHint;
    m_dwBitmapScaling = other.m_dwBitmapScaling;
    m_hwndOwner = other.m_hwndOwner;
    m_Tokens = std::move(other.m_Tokens);
    return *this;
}

CHTMLParser::~CHTMLParser() { DeleteAllTokens(); }

bool CHTMLParser::IsIdeographicSystem() { return g_ideographic.load(std::memory_order_relaxed) == 1; }

void CHTMLParser::SetIdeographicSystem(bool on) { g_ideographic.store(on ? 1 : 0, std::memory_order_relaxed); }

void CHTMLParser::DestroyToken(HTMLTOKEN* token)
{
    if (!token) return;
    // Every token has its own font handle (CreateFontIndirectW hands out a
    // new handle per call even when the font itself comes from the cache), so
    // deleting it here never touches another token's font.
    if (token->font) DeleteObject(token->font);
    std::free(token);
}

bool CHTMLParser::SetHTML(const WCHAR* text)
{
    if (!text) return false;
    m_pszHTML = text;
    return true;
}

void CHTMLParser::SetFontQuality(BYTE quality)
{
    m_bFontQuality = quality;
    m_lfCurrent.lfQuality = quality;
}

void CHTMLParser::SetBitmapScaling(DWORD mode) { m_dwBitmapScaling = mode; }

void CHTMLParser::DefaultFont()
{
    std::memset(&m_lfCurrent, 0, sizeof(m_lfCurrent));
    m_lfCurrent.lfHeight = 11 * platform::DisplayScale();
    m_lfCurrent.lfWeight = FW_NORMAL;
    m_lfCurrent.lfCharSet = 255;
    m_lfCurrent.lfQuality = m_bFontQuality;
    std::memcpy(m_lfCurrent.lfFaceName, u"Tahoma", sizeof(u"Tahoma"));
}

void CHTMLParser::ResetStyle()
{
    m_nCursor = 1;
    m_bFirstParagraph = TRUE;
    m_nImageHeightHint = 0;
    m_crBody = RGB(255, 255, 255);
    m_crFont = 0;
    m_uAlignment = HTML_ALIGN_BASE;
    m_bEditable = 0;
    m_crForeground = 0;
    m_crBackground = 0;
    DefaultFont();
}

HTMLTOKEN* CHTMLParser::NewToken(TOKENTYPE type, const WCHAR* text, int length, const WCHAR* link, int linkLength)
{
    // One block: the record, the text, then the link, each terminated.
    size_t chars = static_cast<size_t>(length) + 1 + (link ? static_cast<size_t>(linkLength) + 1 : 0);
    auto* token = static_cast<HTMLTOKEN*>(std::malloc(sizeof(HTMLTOKEN) + chars * sizeof(WCHAR)));
    if (!token) return nullptr;
    std::memset(token, 0, sizeof(HTMLTOKEN));
    token->type = type;
    token->text = reinterpret_cast<WCHAR*>(token + 1);
    std::memcpy(token->text, text, static_cast<size_t>(length) * sizeof(WCHAR));
    token->text[length] = 0;
    token->length = length;
    if (link) {
        token->link = token->text + length + 1;
        std::memcpy(token->link, link, static_cast<size_t>(linkLength) * sizeof(WCHAR));
        token->link[linkLength] = 0;
    }
    if (m_Tokens.Append(token) != CELIST_OK) {
        std::free(token);
        return nullptr;
    }
    return token;
}

void CHTMLParser::AddText(ParseState& state, const WCHAR* text, int length)
{
    HTMLTOKEN* token = NewToken(TOKEN_TEXT, text, length, state.link, state.linkLength);
    if (!token) return;
    token->editable = m_bEditable;
    token->alignment = m_uAlignment;
    token->foreground = m_crForeground;
    token->background = m_crBackground;
    token->font = CreateFontIndirectW(&m_lfCurrent);
    if (m_dwBitmapScaling != 0)
        m_nImageHeightHint = std::max<int>(m_nImageHeightHint, m_lfCurrent.lfHeight - state.fontScale);
}

void CHTMLParser::AppendTag(ParseState& state, TOKENTYPE type, const WCHAR* name, int nameLength, UINT alignment)
{
    HTMLTOKEN* token = NewToken(type, name, nameLength, nullptr, 0);
    if (!token) return;
    token->alignment = alignment;
    if (type == TOKEN_IMAGE) {
        token->bitmap = state.bitmap;
        token->draw = state.draw;
        token->imageHeight = state.imageHeight;
    }
}

int CHTMLParser::ParseHTML(HWND owner)
{
    // The owner window answering an image request must not parse this very
    // parser again: its tokens are being built.
    if (m_bParsing) return 0;
    m_bParsing = true;
    DeleteAllTokens();
    m_hwndOwner = owner;
    ResetStyle();

    ParseState state;
    state.fontScale = platform::DisplayScale();
    state.ideographic = IsIdeographicSystem();

    const WCHAR* s = m_pszHTML ? m_pszHTML : u"";
    size_t i = 0;
    while (s[i]) {
        WCHAR c = s[i];
        if (IsLineBreak(c)) {
            // A run of CR and LF in any mix is one break.
            AppendTag(state, TOKEN_BREAK, u"BR", 2, m_uAlignment);
            while (IsLineBreak(s[i])) ++i;
            continue;
        }
        if (c == u'<' && s[i + 1] != u'>' && s[i + 1] != u'<' && s[i + 1] != 0) {
            // The tag body runs to the next ">" or "<" outside double quotes.
            size_t end = i + 1;
            bool quoted = false;
            for (; s[end]; ++end) {
                if (s[end] == u'"') {
                    quoted = !quoted;
                } else if (!quoted && (s[end] == u'>' || s[end] == u'<')) {
                    break;
                }
            }
            const WCHAR* body = s + i + 1;
            int length = static_cast<int>(end - i - 1);
            const HTMLTOKEN* last = m_Tokens.GetTail();
            UINT provisional = last ? last->alignment : HTML_ALIGN_BASE;
            if (InterpretTag(state, body, length)) {
                switch (state.type) {
                    case TOKEN_BREAK:
                        if (state.nameLength == 2 && state.name[0] == u'B' && state.name[1] == u'R')
                            AppendTag(state, TOKEN_BREAK, u"BR", 2, provisional);
                        break;
                    case TOKEN_TAB:
                    case TOKEN_EDGE:
                        AppendTag(state, state.type, state.name, state.nameLength, provisional);
                        break;
                    case TOKEN_SPAN_END:
                        // An empty span leaves nothing.
                        if (last && last->type == TOKEN_SPAN) {
                            m_Tokens.RemoveTail();
                        } else {
                            AppendTag(state, state.type, state.name, state.nameLength, m_uAlignment);
                        }
                        break;
                    case TOKEN_SPAN:
                    case TOKEN_IMAGE:
                        AppendTag(state, state.type, state.name, state.nameLength, m_uAlignment);
                        break;
                    case TOKEN_TEXT:
                        break;
                }
                i = s[end] == u'>' ? end + 1 : end;
                continue;
            }
            // Not a tag: shown as text, from the "<" on.
        }
        // Text runs to a line break, the end, or a "<" that is not doubled
        // ("<<" keeps the first "<"). The first character is taken whatever
        // it is: it may be the "<" of something that was not a tag.
        size_t end = i + 1;
        while (s[end] && !IsLineBreak(s[end]) && !(s[end] == u'<' && s[end + 1] != u'<')) ++end;
        const WCHAR* text = s + i;
        int length = static_cast<int>(end - i);
        // A "<" standing last or right before ">" is dropped: "<>" shows ">".
        if (c == u'<' && (s[i + 1] == u'>' || s[i + 1] == 0)) {
            ++text;
            --length;
        }
        if (length > 0) AddText(state, text, length);
        i = end;
    }
    m_bParsing = false;
    return 1;
}

HTMLTOKEN* CHTMLParser::CurrentToken() const
{
    if (m_nCursor < 1 || m_nCursor > m_Tokens.GetCount()) return nullptr;
    return m_Tokens.GetAt(m_nCursor);
}

const HTMLTOKEN* CHTMLParser::GetCurrTokenRecord() const { return CurrentToken(); }

bool CHTMLParser::FirstToken()
{
    m_nCursor = 1;
    return m_Tokens.GetCount() > 0;
}

void CHTMLParser::NextToken() { ++m_nCursor; }

int CHTMLParser::EndOfTokens() const { return m_Tokens.GetCount() == 0 || m_nCursor > m_Tokens.GetCount(); }

bool CHTMLParser::IsLastToken() const { return m_Tokens.GetCount() > 0 && m_nCursor == m_Tokens.GetCount(); }

TOKENTYPE CHTMLParser::GetCurrTokenType() const
{
    const HTMLTOKEN* t = CurrentToken();
    return t ? t->type : TOKEN_BREAK;
}

int CHTMLParser::IsTokenVisibleText() const { return GetCurrTokenType() == TOKEN_TEXT && CurrentToken(); }

const WCHAR* CHTMLParser::GetCurrToken(int* len) const
{
    const HTMLTOKEN* t = CurrentToken();
    if (len) *len = t ? t->length : 0;
    return t ? t->text : nullptr;
}

const WCHAR* CHTMLParser::GetCurrHREF(int* len) const
{
    const HTMLTOKEN* t = CurrentToken();
    const WCHAR* link = t ? t->link : nullptr;
    if (len) *len = link ? static_cast<int>(wcslen(link)) : 0;
    return link;
}

HFONT CHTMLParser::GetCurrFont() const
{
    const HTMLTOKEN* t = CurrentToken();
    return t ? t->font : nullptr;
}

DWORD CHTMLParser::GetForeColor() const
{
    const HTMLTOKEN* t = CurrentToken();
    return t ? t->foreground : 0;
}

DWORD CHTMLParser::GetBackColor(bool body) const
{
    const HTMLTOKEN* t = CurrentToken();
    return body || !t ? m_crBody : t->background;
}

UINT CHTMLParser::GetCurrTextAlign() const
{
    const HTMLTOKEN* t = CurrentToken();
    return t ? t->alignment : HTML_ALIGN_BASE;
}

bool CHTMLParser::GetCurrentTokenEditable() const
{
    const HTMLTOKEN* t = CurrentToken();
    return t && t->editable;
}

HBITMAP CHTMLParser::GetCurrTokenBitmap(DWORD& height, bool& draw) const
{
    const HTMLTOKEN* t = CurrentToken();
    if (!t) {
        height = 0;
        draw = false;
        return nullptr;
    }
    if (t->imageHeight == -1) {
        height = 0;
    } else if (t->imageHeight == 0 && m_nImageHeightHint >= 1) {
        height = static_cast<DWORD>(m_nImageHeightHint);
    } else {
        height = static_cast<DWORD>(t->imageHeight);
    }
    draw = t->draw != 0;
    return t->bitmap;
}

HFONT CHTMLParser::GetText(WCHAR* buf, int cch, bool editableOnly)
{
    HFONT font = nullptr;
    int pos = 0;
    for (bool more = FirstToken(); more && !EndOfTokens() && buf && pos < cch - 1; NextToken()) {
        const HTMLTOKEN* t = CurrentToken();
        if (t->type != TOKEN_TEXT || (editableOnly && !t->editable)) continue;
        int n = std::min(t->length, cch - 1 - pos);
        std::memcpy(buf + pos, t->text, static_cast<size_t>(n) * sizeof(WCHAR));
        pos += n;
        if (n > 0) font = t->font;
    }
    if (buf && cch > 0) buf[pos] = 0;
    m_nCursor = m_Tokens.GetCount() + 1;
    return font;
}

void CHTMLParser::SetBookmark()
{
    if (!m_pBookmark) m_pBookmark = new (std::nothrow) HTMLBOOKMARK;
    if (!m_pBookmark) return;
    m_pBookmark->firstParagraph = static_cast<DWORD>(m_bFirstParagraph);
    m_pBookmark->alignment = m_uAlignment;
    m_pBookmark->bodyBackground = m_crBody;
    m_pBookmark->fontColor = m_crFont;
    m_pBookmark->cursor = m_nCursor;
    m_pBookmark->font = m_lfCurrent;
}

void CHTMLParser::GotoBookmark()
{
    if (!m_pBookmark) return;
    m_bFirstParagraph = static_cast<BOOL>(m_pBookmark->firstParagraph);
    m_uAlignment = m_pBookmark->alignment;
    m_crBody = m_pBookmark->bodyBackground;
    m_crFont = m_pBookmark->fontColor;
    m_nCursor = m_pBookmark->cursor;
    m_lfCurrent = m_pBookmark->font;
}

void CHTMLParser::DeleteAllTokens()
{
    m_Tokens.RemoveAll();
    delete m_pBookmark;
    m_pBookmark = nullptr;
}
