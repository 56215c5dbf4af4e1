// ICU date patterns turned into Windows date and time pictures (internal).
//
// ICU writes "EEEE, MMMM d, y" and "h:mm:ss a" where the platform writes
// "dddd, MMMM d, yyyy" and "h:mm:ss tt". The conversion maps each ICU field
// onto the nearest picture element:
//   y Y u r   -> yy for two letters, else yyyy (always yyyy in a short date)
//   M L       -> M MM MMM MMMM (the narrow form MMMMM -> MMM)
//   d         -> d dd
//   E c e     -> ddd, dddd for four letters (numeric c and e are dropped)
//   G         -> gg
//   a b B     -> tt
//   h K       -> h hh;  H k -> H HH
//   m s       -> m mm, s ss
// Fields without a picture element (time zones, fractions of a second, week
// numbers, quarters, ...) are dropped with the separator before them. ICU's
// quoted text becomes literal text, quoted again where it holds letters; the
// narrow no-break space ICU puts before "AM" becomes an ordinary space.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class PatternUse { ShortDate, LongDate, Time };

std::u16string WindowsPictureFromPattern(std::u16string_view icuPattern, PatternUse use);

}  // namespace platform
