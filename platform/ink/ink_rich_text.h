// Rich text in and out of the ink control: the external notes program keeps
// its notes as rich text ("{\rtf1 ..."), the ink control shows plain text.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True when text begins with "{\rtf".
bool IsRichText(std::u16string_view text);

// Plain text of rich text: control words and groups' braces dropped,
// paragraph marks ("\par", "\line") as line ends, escaped characters,
// "\'hh" and "\uN?" kept. Never fails; broken rich text gives what could be
// read of it.
std::u16string PlainTextOfRtf(std::u16string_view rtf);

// Rich text of plain text, in single-byte characters: "{\rtf1\ansi " and the
// text with '\', '{' and '}' escaped, line ends as "\par ", characters above
// 127 as "\uN?", and a closing brace. PlainTextOfRtf gives the text back.
std::string RtfOfPlainText(std::u16string_view text);

}  // namespace platform
