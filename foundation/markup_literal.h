// User text placed inside list and summary mark-up so that it draws exactly as
// typed. Lives below the engine so that loaders building mark-up rows (the
// call log) and the grid's own cell text share the one rule.
#pragma once

#include <string>
#include <string_view>

// The mark-up has no escapes and decodes no entities, and a '<' can open a
// tag, so each '<' is followed by a zero-width space: the tag name no longer
// matches and the text draws unchanged (the drawing layer gives that space no
// width and no picture). Everything else, "&" included, is kept as it is.
std::u16string MarkupLiteral(std::u16string_view text);
