// The pieces the list views build their cell mark-up from: item text made
// safe to stand in mark-up, dates and times in the user's locale, the line
// of small grey notes under an item, and the look of a group header.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/types.h"

// Item text as mark-up shows it: a "<" that would open a tag is followed by
// a zero-width space so that the text stays text; line breaks become blanks
// (one list row is one line of text).
std::u16string ListMarkupText(std::u16string_view text);

// The locale's short date, or an empty text for "no date" and days outside
// the calendar.
std::u16string ListDateText(double date);
// The locale's time of day without seconds.
std::u16string ListTimeText(double date);
// The locale's hour alone ("9 AM", "09"), for the labels of time slots.
std::u16string ListHourText(double date);

// An item's category text for its notes line: the category pictures (one
// bitmap per category, see categories/category_pictures.h), then the names,
// in the colour of the first coloured category when one has a colour. Empty
// for no categories.
std::u16string ListCategoryText(const WCHAR* categories);

// The notes joined by " · " in small grey type, or an empty text when there
// are none.
std::u16string ListNotesLine(const std::vector<std::u16string>& notes);

// A group header across its row: an open (dash) or closed (plus) marker that is a hot
// spot with the target "toggle", the text in bold and the member count.
std::u16string ListHeaderMarkup(std::u16string_view text, bool open, int members);

// A whole number in digits.
std::u16string ListNumberText(long long number);

