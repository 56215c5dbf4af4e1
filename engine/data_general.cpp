#include "engine/data_general.h"

#include <cstdlib>
#include <initializer_list>

#include "engine/data_calendar.h"

DATAGENERAL::DATAGENERAL()
    : displayText(nullptr), groupText(nullptr), categoryText(nullptr), secondaryText(nullptr), furtherText(nullptr)
{
    SetEmpty();
}

DATAGENERAL::~DATAGENERAL() { NullData(); }

void DATAGENERAL::NullData()
{
    for (WCHAR** text : {&displayText, &groupText, &categoryText, &secondaryText, &furtherText}) {
        std::free(*text);
        *text = nullptr;
    }
    SetEmpty();
}

void DATAGENERAL::SetEmpty()
{
    oid = 0;
    kind = 0;
    date = kCalendarNoDate;
    hasJournal = hasLinks = isPrivate = hasNote = 0;
    importance = 1;
    filled = 0;
}
