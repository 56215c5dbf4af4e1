// An item's summary mark-up as kstools shows it: painted into a PNG the
// width of the summary box, or as plain text for the terminal.
#pragma once

#include <string>

namespace kstools {

// Paints markup onto a white-backed picture 240 pixels wide (as tall as the
// text, at most 4000) and writes it to file; CommandError when it cannot.
void WriteSummaryPng(const std::u16string& markup, const std::string& file);

// The summary's text as its picture shows it, in UTF-8: tags dropped, text
// the user typed kept as typed ('<' and '&' included), the line breaks
// before the first text left out. Ends with a line break.
std::string SummaryText(const std::u16string& markup);

}  // namespace kstools
