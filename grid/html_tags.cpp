// The tag vocabulary of the mark-up: what each tag does to the parser's
// style state and which token it leaves.
//
// Tags are upper case and compared case-sensitively. Names of an exact length
// are tried first, by the body's length; then prefix tests, in a fixed order;
// a body matching none is not a tag (the parser shows it as text).
//
//   BR  TB  EDGE  SPAN  /SPAN        break, tab, bottom edge, span box
//   B  Q  /B  /Q                     bold (700), heavier (800), normal
//   I  U  S  /I  /U  /S              italic, underline, strike-out
//   V  /V                            selection colours on / back
//   /BODY                            ignored
//   EDITABLE...  /EDITABLE...        editable region
//   U+2022...  /U+2022...            strike-out on / off
//   IMG ... SRC=name [SIZE=n] [NODRAW]   inline image from the owner window
//   A=target  /A                     link target
//   P LEFT|CENTER|RIGHT  /P          paragraph alignment; another word: a break
//   FONT [SIZE=n] [NAME=face] [ COLOR=#RRGGBB] [BGCOLOR=#RRGGBB]   /FONT
//   BODY ... RRGGBB                  body background (the last six characters)
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "grid/grid_alignment.h"
#include "grid/grid_notify.h"
#include "grid/html_parse_state.h"
#include "grid/html_parser.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"
#include "platform/text/wide_string.h"

namespace {

using View = std::u16string_view;

// The longest image name the owner window is asked for.
constexpr int kMaxImageName = 259;
constexpr int kMaxFaceName = LF_FACESIZE - 1;

// Position of `needle` in the body from `from` on, or npos.
size_t Find(View body, View needle, size_t from = 0) { return body.find(needle, from); }

// A hexadecimal pair as the C runtime's wcstol reads it (so an invalid pair
// counts 0 and "F>" counts 15); characters past the tag's end are not read.
BYTE HexPair(View body, size_t at)
{
    WCHAR pair[3] = {0, 0, 0};
    for (size_t k = 0; k < 2 && at + k < body.size(); ++k) pair[k] = body[at + k];
    return static_cast<BYTE>(wcstol(pair, nullptr, 16));
}

COLORREF Rrggbb(View body, size_t at) { return RGB(HexPair(body, at), HexPair(body, at + 2), HexPair(body, at + 4)); }

// A signed decimal as wcstol reads it, within the tag.
LONG Decimal(View body, size_t at)
{
    WCHAR digits[24] = {};
    size_t n = std::min<size_t>(body.size() > at ? body.size() - at : 0, 23);
    for (size_t k = 0; k < n; ++k) digits[k] = body[at + k];
    return wcstol(digits, nullptr, 10);
}

LONG ClampLong(std::int64_t v) { return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

// An attribute value starting at `at`: a leading double quote is skipped and
// the value ends at the next one (or the end of the tag); unquoted it ends at
// `stop` (or the end of the tag).
View Value(View body, size_t at, WCHAR stop)
{
    if (at > body.size()) return {};
    View rest = body.substr(at);
    if (!rest.empty() && rest[0] == u'"') {
        rest.remove_prefix(1);
        return rest.substr(0, rest.find(u'"'));
    }
    return rest.substr(0, stop ? rest.find(stop) : View::npos);
}

}  // namespace

bool CHTMLParser::InterpretTag(ParseState& state, const WCHAR* text, int length)
{
    const View body(text, static_cast<size_t>(length));
    state.type = TOKEN_BREAK;
    state.name = text;
    state.nameLength = length;

    const bool ideographic = state.ideographic;
    const LONG scale = state.fontScale;
    auto bold = [&](LONG weight) {
        if (ideographic) {
            m_lfCurrent.lfHeight = ClampLong(std::int64_t{m_lfCurrent.lfHeight} + scale);
            m_lfCurrent.lfWeight = FW_NORMAL;
        } else {
            m_lfCurrent.lfWeight = weight;
        }
    };
    auto unbold = [&] {
        if (ideographic) m_lfCurrent.lfHeight = ClampLong(std::int64_t{m_lfCurrent.lfHeight} - scale);
        m_lfCurrent.lfWeight = FW_NORMAL;
    };

    switch (length) {
        case 1:
            switch (body[0]) {
                case u'B': bold(FW_BOLD); return true;
                case u'Q': bold(800); return true;
                case u'I': m_lfCurrent.lfItalic = 1; return true;
                case u'U': m_lfCurrent.lfUnderline = 1; return true;
                case u'S': m_lfCurrent.lfStrikeOut = 1; return true;
                case u'V':
                    m_crBackground = GetSysColor(COLOR_HIGHLIGHT);
                    m_crForeground = GetSysColor(COLOR_HIGHLIGHTTEXT);
                    return true;
                default: break;
            }
            break;
        case 2:
            if (body == u"BR") return true;
            if (body == u"TB") {
                state.type = TOKEN_TAB;
                return true;
            }
            if (body[0] != u'/') break;
            switch (body[1]) {
                case u'B':
                case u'Q': unbold(); return true;
                case u'I': m_lfCurrent.lfItalic = 0; return true;
                case u'U': m_lfCurrent.lfUnderline = 0; return true;
                case u'S': m_lfCurrent.lfStrikeOut = 0; return true;
                case u'V':
                    m_crForeground = m_crFont;
                    m_crBackground = m_crBody;
                    return true;
                case u'A':
                    state.link = u"";
                    state.linkLength = 0;
                    return true;
                case u'P': m_uAlignment = HTML_ALIGN_BASE; return true;
                default: break;
            }
            break;
        case 4:
            if (body == u"EDGE") {
                state.type = TOKEN_EDGE;
                return true;
            }
            if (body == u"SPAN") {
                state.type = TOKEN_SPAN;
                return true;
            }
            break;
        case 5:
            if (body == u"/SPAN") {
                state.type = TOKEN_SPAN_END;
                return true;
            }
            if (body == u"/BODY") return true;
            if (body == u"/FONT") {
                DefaultFont();
                m_crForeground = m_crFont;
                m_crBackground = m_crBody;
                return true;
            }
            break;
        default: break;
    }

    if (body.starts_with(u"EDITABLE")) {
        m_bEditable = 1;
        return true;
    }
    if (body.starts_with(u"/EDITABLE")) {
        m_bEditable = 0;
        return true;
    }
    if (body.starts_with(u"\u2022")) {
        m_lfCurrent.lfStrikeOut = 1;
        return true;
    }
    if (body.starts_with(u"/\u2022")) {
        m_lfCurrent.lfStrikeOut = 0;
        return true;
    }
    if (body.starts_with(u"IMG")) {
        ApplyImage(state, text, length);
        return true;
    }
    if (body.starts_with(u"A=")) {
        View link = Value(body, 2, 0);
        state.link = link.data();
        state.linkLength = static_cast<int>(link.size());
        return true;
    }
    if (body.starts_with(u"P ")) {
        View word = body.substr(2);
        if (word.starts_with(u"LEFT")) {
            m_uAlignment = HTML_ALIGN_BASE | GetLeftDefine();
        } else if (word.starts_with(u"CENTER")) {
            m_uAlignment = HTML_ALIGN_BASE | DT_CENTER;
        } else if (word.starts_with(u"RIGHT")) {
            m_uAlignment = HTML_ALIGN_BASE | GetRightDefine();
        } else if (m_bFirstParagraph) {
            // The first paragraph of a cell needs no break before it.
            m_bFirstParagraph = FALSE;
        } else {
            state.name = u"BR";
            state.nameLength = 2;
        }
        return true;
    }
    if (body.starts_with(u"FONT")) {
        ApplyFont(state, text, length);
        return true;
    }
    if (body.starts_with(u"BODY")) {
        // The colour is the last six characters; a tag too short to hold six
        // after its name changes nothing.
        if (body.size() >= 10) {
            m_crBody = Rrggbb(body, body.size() - 6);
            m_crBackground = m_crBody;
        }
        return true;
    }
    return false;
}

void CHTMLParser::ApplyFont(const ParseState& state, const WCHAR* text, int length)
{
    const View body(text, static_cast<size_t>(length));
    // SIZE=n: n steps from the default size of 11, at the screen's scale.
    size_t at = Find(body, u"SIZE=");
    if (at != View::npos)
        m_lfCurrent.lfHeight = ClampLong((std::int64_t{Decimal(body, at + 5)} + 11) * state.fontScale);

    View face = u"Tahoma";
    at = Find(body, u"NAME=");
    if (at != View::npos) face = Value(body, at + 5, u' ');
    size_t n = std::min<size_t>(face.size(), kMaxFaceName);
    std::memcpy(m_lfCurrent.lfFaceName, face.data(), n * sizeof(WCHAR));
    m_lfCurrent.lfFaceName[n] = 0;

    // The blank keeps BGCOLOR from matching.
    at = Find(body, u" COLOR=#");
    if (at != View::npos) m_crFont = Rrggbb(body, at + 8);
    m_crForeground = m_crFont;

    // BGCOLOR is read from the last six characters, so it comes last.
    at = Find(body, u"BGCOLOR=#");
    m_crBackground = at != View::npos ? Rrggbb(body, body.size() - 6) : m_crBody;
}

void CHTMLParser::ApplyImage(ParseState& state, const WCHAR* text, int length)
{
    const View body(text, static_cast<size_t>(length));
    size_t src = Find(body, u"SRC=");
    if (src == View::npos) return;
    size_t size = Find(body, u"SIZE=", src);
    int height = size != View::npos ? Decimal(body, size + 5) : 0;

    // The name ends at a double quote, else at a blank, else at the tag's end.
    View name = body.substr(src + 4);
    if (!name.empty() && name[0] == u'"') name.remove_prefix(1);
    size_t end = name.find(u'"');
    if (end == View::npos) end = name.find(u' ');
    name = name.substr(0, end);
    if (name.size() > kMaxImageName || !IsWindow(m_hwndOwner)) return;

    WCHAR terminated[kMaxImageName + 1];
    std::memcpy(terminated, name.data(), name.size() * sizeof(WCHAR));
    terminated[name.size()] = 0;
    NM_IMAGENOTIFY request{};
    request.hdr.hwndFrom = m_hwndOwner;
    request.hdr.idFrom = name.size();
    request.hdr.code = GN_IMAGENOTIFY;
    request.name = terminated;
    if (!SendMessageW(m_hwndOwner, WM_NOTIFY, name.size(), reinterpret_cast<LPARAM>(&request)) || !request.bitmap)
        return;

    switch (m_dwBitmapScaling) {
        case 2:  // icons at their natural size
            if (request.isIcon && height == 0) height = -1;
            break;
        case 4:  // file bitmaps at their natural size
            if (!request.isIcon && height == 0) height = -1;
            break;
        case 3: {  // images only shrink
            BITMAP bm{};
            if (height > 0 && GetObjectW(request.bitmap, sizeof(bm), &bm) && height > bm.bmHeight) height = -1;
            break;
        }
        default: break;
    }
    state.type = TOKEN_IMAGE;
    state.name = name.data();
    state.nameLength = static_cast<int>(name.size());
    state.bitmap = request.bitmap;
    state.draw = Find(body, u"NODRAW") != View::npos ? 0 : 1;
    state.imageHeight = height;
}
