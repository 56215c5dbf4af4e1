// ISO 8601 week numbers: weeks start on Monday, and week 1 is the week that
// holds the year's first Thursday; the days before it belong to the last week
// (52 or 53) of the year before.
#pragma once

int weeknumber(int year, int month, int day);
