// The token list of a parsed mark-up as one line of text, for comparing with
// hand-written expectations: tokens joined by " | ", each its type, its text
// (text and image tokens) and whatever of its style differs from the default
// cell style (alignment 0x810, colours 0, an 11-pixel Tahoma of weight 400 at
// scale 1, no link, not editable). Fonts are read back from their handles.
#pragma once

#include <cstdio>
#include <string>

#include "grid/html_parser.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/text/utf8.h"

namespace kstest {

inline std::string Hex(const char* label, unsigned value, int digits = 6)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, " %s=%0*X", label, digits, value);
    return buf;
}

inline std::string DescribeTokens(CHTMLParser& parser, LONG defaultHeight = 11)
{
    static const char* const kTypes[] = {"br", "text", "img", "span", "/span", "tab", "edge"};
    std::string out;
    for (parser.FirstToken(); !parser.EndOfTokens(); parser.NextToken()) {
        const HTMLTOKEN* t = parser.GetCurrTokenRecord();
        if (!out.empty()) out += " | ";
        out += kTypes[t->type];
        if (t->type == TOKEN_TEXT || t->type == TOKEN_IMAGE) out += " \"" + WideToUtf8(t->text, t->length) + "\"";
        if (t->alignment != 0x810) out += Hex("al", t->alignment, 3);
        if (t->type == TOKEN_IMAGE) {
            if (!t->draw) out += " nodraw";
            if (t->imageHeight) out += " ih=" + std::to_string(t->imageHeight);
        }
        if (t->type != TOKEN_TEXT) continue;
        if (t->foreground) out += Hex("fg", t->foreground);
        if (t->background) out += Hex("bg", t->background);
        LOGFONTW lf{};
        if (GetObjectW(t->font, sizeof lf, &lf) != sizeof lf) {
            out += " nofont";
        } else {
            if (lf.lfWeight != 400) out += " w=" + std::to_string(lf.lfWeight);
            if (lf.lfHeight != defaultHeight) out += " h=" + std::to_string(lf.lfHeight);
            if (lf.lfItalic) out += " i";
            if (lf.lfUnderline) out += " u";
            if (lf.lfStrikeOut) out += " s";
            std::string face = WideToUtf8(lf.lfFaceName);
            if (face != "Tahoma") out += " face=" + face;
        }
        if (t->link[0]) out += " link=" + WideToUtf8(t->link);
        if (t->editable) out += " ed";
    }
    return out;
}

inline std::string Parse(const char16_t* markup, HWND owner = nullptr, DWORD scaling = 0)
{
    CHTMLParser parser;
    parser.SetBitmapScaling(scaling);
    parser.SetHTML(markup);
    parser.ParseHTML(owner);
    return DescribeTokens(parser);
}

}  // namespace kstest
