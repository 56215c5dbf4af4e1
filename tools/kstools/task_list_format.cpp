#include "tools/kstools/task_list_format.h"

#include <algorithm>
#include <cstdio>

#include "engine/data_tasks.h"
#include "platform/locale/date_format.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "platform/text/wide_string.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

// Columns wider than this are not padded further: one long subject should
// not push every other row's dates off the screen.
constexpr size_t kMaxColumnWidth = 48;

bool NoDate(double date) { return date >= kTaskNoDate; }

// Characters as a terminal counts them (UTF-8 continuation bytes do not count).
size_t DisplayWidth(const std::string& text)
{
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& text, size_t width)
{
    const size_t have = DisplayWidth(text);
    return have >= width ? text : text + std::string(width - have, ' ');
}

std::string UpperCase(const std::string& text)
{
    std::u16string wide = Utf8ToWide(text);
    _wcsupr(wide.data());
    return WideToUtf8(wide);
}

std::string Indent(int levels) { return std::string(static_cast<size_t>(std::max(levels, 0)) * 2, ' '); }

std::string HeaderLine(const TaskListRow& row, int extraIndent)
{
    std::string line = Indent(row.depth + extraIndent) + UpperCase(row.subject.empty() ? "(untitled)" : row.subject);
    line += " (" + std::to_string(row.children) + (row.expanded ? ")" : ", closed)");
    return line;
}

std::string SubjectCell(const TaskListRow& row, int extraIndent)
{
    return Indent(row.depth + extraIndent) + (row.subject.empty() ? "(no subject)" : row.subject);
}

}  // namespace

std::string TaskShortDate(double date)
{
    if (NoDate(date)) return "-";
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) return "?";
    WCHAR text[80];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 80) > 0) return WideToUtf8(text);
    return FormatIsoDate(st);  // a year the locale's calendar cannot write
}

Json TaskIsoDate(double date)
{
    SYSTEMTIME st{};
    if (NoDate(date) || !VariantTimeToSystemTime(date, &st)) return nullptr;
    return FormatIsoDate(st);
}

std::string TaskFlags(const TaskListRow& row)
{
    std::string flags;
    if (row.complete) flags += 'C';
    if (row.overdue) flags += '!';
    if (row.dueToday) flags += 'T';
    if (row.note) flags += 'N';
    if (row.links) flags += 'L';
    if (row.journal) flags += 'J';
    if (row.privateTask) flags += 'P';
    if (row.keptAsParent) flags += 'K';
    if (row.children > 0 && !row.expanded) flags += '+';
    return flags.empty() ? "-" : flags;
}

std::string ImportanceName(LONG importance)
{
    switch (importance) {
        case kTaskImportanceHigh:
            return "high";
        case kTaskImportanceNormal:
            return "normal";
        case kTaskImportanceLow:
            return "low";
        default:
            return "none";
    }
}

Json TaskRowJson(const TaskListRow& row)
{
    Json json{{"kind", row.header ? "header" : "task"},
              {"oid", HexId(row.oid)},
              {"depth", row.depth},
              {"hidden", row.hidden},
              {"expanded", row.expanded},
              {"children", row.children},
              {"importance", ImportanceName(row.importance)},
              {"priority", row.priority},
              {"subject", row.subject},
              {"due", TaskIsoDate(row.due)},
              {"start", TaskIsoDate(row.start)}};
    if (row.header) return json;
    json["completed"] = TaskIsoDate(row.completed);
    json["percent"] = row.percent;
    json["complete"] = row.complete;
    json["overdue"] = row.overdue;
    json["dueToday"] = row.dueToday;
    json["categories"] = row.categories;
    json["note"] = row.note;
    json["links"] = row.links;
    json["journal"] = row.journal;
    json["private"] = row.privateTask;
    json["keptAsParent"] = row.keptAsParent;
    json["parent"] = row.parentOid ? Json(HexId(row.parentOid)) : Json(nullptr);
    json["order"] = row.order;
    json["rank"] = row.rank;
    return json;
}

Json TaskCountsJson(const TaskListCounts& c)
{
    return Json{{"included", c.included}, {"completed", c.completed}, {"overdue", c.overdue},
                {"dueToday", c.dueToday}, {"high", c.high},           {"normal", c.normal},
                {"low", c.low},           {"partial", c.partial},     {"displayed", c.displayed}};
}

void PrintTaskTable(const std::vector<TaskListRow>& rows, int extraIndent)
{
    struct Cells {
        std::string priority, subject, due, start, percent, categories, flags;
    };
    std::vector<Cells> cells(rows.size());
    Cells width{"PRI", "SUBJECT", "DUE", "START", "DONE", "CATEGORIES", "FLAGS"};
    size_t w[7] = {3, 7, 3, 5, 4, 10, 5};
    for (size_t i = 0; i < rows.size(); ++i) {
        const TaskListRow& row = rows[i];
        if (row.header) continue;
        Cells& c = cells[i];
        c = {row.priority.empty() ? "-" : row.priority,
             SubjectCell(row, extraIndent),
             TaskShortDate(row.due),
             TaskShortDate(row.start),
             std::to_string(row.percent) + "%",
             row.categories.empty() ? "-" : row.categories,
             TaskFlags(row)};
        const std::string* fields[7] = {&c.priority, &c.subject, &c.due, &c.start, &c.percent, &c.categories, &c.flags};
        for (int k = 0; k < 7; ++k) w[k] = std::max(w[k], std::min(DisplayWidth(*fields[k]), kMaxColumnWidth));
    }
    auto line = [&](const Cells& c) {
        std::string text = Pad(c.priority, w[0]) + "  " + Pad(c.subject, w[1]) + "  " + Pad(c.due, w[2]) + "  " +
                           Pad(c.start, w[3]) + "  " +
                           std::string(w[4] - std::min(w[4], DisplayWidth(c.percent)), ' ') + c.percent + "  " +
                           Pad(c.categories, w[5]) + "  " + c.flags;
        std::puts(text.c_str());
    };
    line(width);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].header)
            std::puts(HeaderLine(rows[i], extraIndent).c_str());
        else
            line(cells[i]);
    }
}

void PrintTaskCounts(const TaskListCounts& c)
{
    std::printf(
        "included %d, completed %d, overdue %d, due today %d; high %d, normal %d, low %d; partly done %d; "
        "displayed %d\n",
        c.included, c.completed, c.overdue, c.dueToday, c.high, c.normal, c.low, c.partial, c.displayed);
}

}  // namespace kstools
