// Settings and shared pieces of the task item's files.
#pragma once

#include <string>

#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"

inline constexpr UINT kDeleteTaskString = 40471;
inline constexpr UINT kAlarmBlankString = 40472;
inline constexpr UINT kDueDateQuestionString = 40473;
inline constexpr UINT kRePrioritizeString = 40474;

// A number of the settings key under HKEY_CURRENT_USER; fallback when it is absent.
int ItemSetting(const WCHAR* key, const WCHAR* name, int fallback);
// A number of "Software\Corvid\Kestrel\TV"; fallback when it is absent.
int TaskSetting(const WCHAR* name, int fallback);
// A number of "Software\Corvid\Kestrel".
int SuiteSetting(const WCHAR* name, int fallback);
// A string of the settings key under HKEY_CURRENT_USER (at most 255
// characters); fallback when it is absent.
std::u16string ItemSettingText(const WCHAR* key, const WCHAR* name, const WCHAR* fallback);
// A summary colour of "Software\Corvid\Kestrel\Colors": the stored "#RRGGBB"
// (at most 9 characters, starting with '#'), else fallback.
std::u16string SummaryColour(const WCHAR* name, const WCHAR* fallback);

namespace task_item {
// A message box with string resource id.
void ShowString(UINT id, UINT icon);
// The local time now and today's midnight as object-model dates.
double Now();
// "No date" as the object model keeps it (kNoOleDate), allowing for what a
// round trip through a stored time adds to it.
inline bool IsNoDate(double date) { return date >= kNoOleDate - 0.5; }
std::u16string Decimal(int value);
}  // namespace task_item
