// Text and JSON forms of object-store values (see store_value.h).
#include "tools/kstools/store_value.h"

#include <charconv>
#include <cstdio>

#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "tools/kstools/cli_context.h"

namespace kstools {
namespace {

std::string BlobHex(const CEBLOB& blob, bool spaced)
{
    std::string text;
    if (!blob.lpb) return text;
    text.reserve(blob.dwCount * 3);
    char pair[4];
    for (DWORD i = 0; i < blob.dwCount; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", blob.lpb[i]);
        if (spaced && i) text += ' ';
        text += pair;
    }
    return text;
}

std::string DoubleText(double value)
{
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

std::string StringValue(const CEPROPVAL& prop) { return prop.val.lpwstr ? WideToUtf8(prop.val.lpwstr) : std::string(); }

}  // namespace

std::string HexId(DWORD id)
{
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(id));
    return text;
}

std::string TypeName(WORD type)
{
    switch (type) {
        case CEVT_I2:
            return "I2";
        case CEVT_I4:
            return "I4";
        case CEVT_R8:
            return "R8";
        case CEVT_BOOL:
            return "BOOL";
        case CEVT_UI2:
            return "UI2";
        case CEVT_UI4:
            return "UI4";
        case CEVT_LPWSTR:
            return "LPWSTR";
        case CEVT_FILETIME:
            return "FILETIME";
        case CEVT_BLOB:
            return "BLOB";
        default: {
            char text[8];
            std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(type));
            return text;
        }
    }
}

std::vector<std::string> SortFlagNames(DWORD flags)
{
    static const std::pair<DWORD, const char*> kNames[] = {{CEDB_SORT_DESCENDING, "descending"},
                                                           {CEDB_SORT_CASEINSENSITIVE, "case-insensitive"},
                                                           {CEDB_SORT_UNKNOWNFIRST, "unknown-first"},
                                                           {CEDB_SORT_GENERICORDER, "generic-order"}};
    std::vector<std::string> names;
    for (DWORD bit = 1; bit; bit <<= 1) {
        if (!(flags & bit)) continue;
        const char* known = nullptr;
        for (const auto& [flag, name] : kNames) {
            if (flag == bit) known = name;
        }
        names.push_back(known ? std::string(known) : HexId(bit));
    }
    return names;
}

std::string FileTimeText(const FILETIME& time)
{
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&time, &st)) {
        char raw[24];
        std::snprintf(raw, sizeof raw, "0x%08X%08X", static_cast<unsigned>(time.dwHighDateTime),
                      static_cast<unsigned>(time.dwLowDateTime));
        return raw;
    }
    char text[48];
    int n = std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                          st.wMinute, st.wSecond);
    std::string out(text, static_cast<size_t>(n));
    auto units = static_cast<unsigned>(platform::FileTimeValue(time) % kFileTimeUnitsPerSecond);
    if (units) {
        std::snprintf(text, sizeof text, ".%07u", units);
        std::string fraction(text);
        while (fraction.back() == '0') fraction.pop_back();
        out += fraction;
    }
    return out + "Z";
}

std::string ValueText(const CEPROPVAL& prop)
{
    switch (TypeFromPropID(prop.propid)) {
        case CEVT_I2:
            return std::to_string(prop.val.iVal);
        case CEVT_UI2:
            return std::to_string(prop.val.uiVal);
        case CEVT_I4:
            return std::to_string(prop.val.lVal);
        case CEVT_UI4:
            return std::to_string(prop.val.ulVal);
        case CEVT_R8:
            return DoubleText(prop.val.dblVal);
        case CEVT_BOOL:
            return prop.val.boolVal ? "true" : "false";
        case CEVT_LPWSTR:
            return nlohmann::json(StringValue(prop)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        case CEVT_FILETIME:
            return FileTimeText(prop.val.filetime);
        case CEVT_BLOB:
            return BlobHex(prop.val.blob, true);
        default:
            return {};
    }
}

nlohmann::ordered_json ValueJson(const CEPROPVAL& prop)
{
    switch (TypeFromPropID(prop.propid)) {
        case CEVT_I2:
            return prop.val.iVal;
        case CEVT_UI2:
            return prop.val.uiVal;
        case CEVT_I4:
            return prop.val.lVal;
        case CEVT_UI4:
            return prop.val.ulVal;
        case CEVT_R8:
            return prop.val.dblVal;
        case CEVT_BOOL:
            return prop.val.boolVal != 0;
        case CEVT_LPWSTR:
            return StringValue(prop);
        case CEVT_FILETIME:
            return FileTimeText(prop.val.filetime);
        case CEVT_BLOB:
            return BlobHex(prop.val.blob, false);
        default:
            return nullptr;
    }
}

CEOID ParseOid(const std::string& text, bool zeroAllowed)
{
    try {
        size_t used = 0;
        const unsigned long long value = std::stoull(text, &used, 0);
        if (used == text.size() && (value != 0 || zeroAllowed) && value <= 0xFFFFFFFFull && text[0] != '-')
            return static_cast<CEOID>(value);
    } catch (const std::exception&) {
    }
    throw CommandError("\"" + text + "\" is not an OID: give a decimal or 0x-hexadecimal number", kExitUsage);
}

}  // namespace kstools
