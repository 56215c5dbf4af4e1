// The text layer of vCard files (versions 2.1, 3.0 and 4.0): content lines,
// folding, parameters, value escapes and charsets. It knows nothing of what
// the properties mean; the contact mapping sits on top of it.
//
// Reading (ReadVCards) accepts what writers produce in practice:
// - CRLF, LF or CR line ends; a line starting with a blank or a tab continues
//   the one before it (one white-space character dropped);
// - 2.1-style values: ENCODING=QUOTED-PRINTABLE (or the bare parameter
//   QUOTED-PRINTABLE), whose soft line breaks ("=" at the end of a line)
//   continue on the next line, and CHARSET=<name> for the decoded bytes;
//   bare parameters such as ";HOME;VOICE" are read as TYPE values;
// - quoted parameter values, comma-separated parameter value lists, the
//   ^n ^^ ^' escapes of 4.0 parameter values;
// - values without CHARSET are UTF-8; bytes that are not UTF-8 are read as
//   Windows-1252 (what older writers meant), so no input is refused for its
//   encoding alone.
// Property and parameter names come back upper case. Values come back as
// text with quoted-printable and charset undone, but with the backslash
// escapes still in place: the caller splits structured values with
// SplitVCardValue and unescapes texts with UnescapeVCardText.
//
// Each BEGIN:VCARD ... END:VCARD makes one card. A broken line (no colon, a
// bad name) is skipped and reported with its card; a card without END is
// kept and reported; lines outside any card are reported once per run.
// Nested cards (2.1's AGENT) are skipped as a whole.
//
// Writing (VCardWriter) produces UTF-8 with CRLF line ends, lines folded so
// that none is longer than 75 octets (never inside a UTF-8 sequence), and
// parameter values quoted when they hold ':', ';' or ','.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct VCardParam {
    std::string name;  // upper case; "TYPE" for a bare 2.1 type
    std::vector<std::u16string> values;
};

struct VCardProperty {
    std::string group;  // the part before '.', as written; usually empty
    std::string name;   // upper case
    std::vector<VCardParam> params;
    std::u16string value;  // escapes kept; quoted-printable and charset undone
    int line = 0;          // the physical line it starts on, from 1

    // The parameter's values, empty when it is absent.
    const std::vector<std::u16string>* Param(std::string_view name) const;
    // Whether TYPE holds this value (any case; "TYPE=a,b" and "TYPE=a;TYPE=b"
    // alike). 4.0's PREF=1 counts as TYPE=PREF.
    bool HasType(std::u16string_view type) const;
};

struct VCard {
    std::string version;  // "2.1", "3.0", "4.0", or what the card says; empty when it says nothing
    std::vector<VCardProperty> properties;
    int firstLine = 0;

    // The first property of that name (upper case), or null.
    const VCardProperty* Find(std::string_view name) const;
};

struct VCardError {
    size_t card = 0;  // index into the cards read; the count of cards for lines outside any card
    int line = 0;
    std::string message;
};

struct VCardReadResult {
    std::vector<VCard> cards;
    std::vector<VCardError> errors;
};

VCardReadResult ReadVCards(std::string_view text);

// Splits a structured value at unescaped separators (';' for N and ADR, ','
// for lists) and unescapes each part.
std::vector<std::u16string> SplitVCardValue(std::u16string_view value, char16_t separator);
// Undoes \n \N \, \; \: \\ (another backslash pair keeps the character after it).
std::u16string UnescapeVCardText(std::u16string_view value);
// Escapes '\', ',', ';' and line ends ("\n") for a TEXT value.
std::u16string EscapeVCardText(std::u16string_view text);

class VCardWriter {
public:
    // Starts a card: BEGIN:VCARD and VERSION.
    void Begin(std::string_view version);
    // One content line; value must already be escaped as its type requires
    // (a line end left in it is written as "\n").
    void Add(std::string_view name, const std::vector<VCardParam>& params, std::u16string_view value);
    void Add(std::string_view name, std::u16string_view value) { Add(name, {}, value); }
    // A text property: the value escaped.
    void AddText(std::string_view name, const std::vector<VCardParam>& params, std::u16string_view text);
    // A structured property: each part escaped, joined by ';'.
    void AddStructured(std::string_view name, const std::vector<VCardParam>& params,
                       const std::vector<std::u16string>& parts);
    void End();

    const std::string& Text() const { return text_; }
    std::string Take() { return std::move(text_); }

private:
    void Line(const std::string& line);
    std::string version_;
    std::string text_;
};

}  // namespace platform
