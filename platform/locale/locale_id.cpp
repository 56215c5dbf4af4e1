// Locale numbers, the user's locale and the records behind them.
#include "platform/locale/locale_id.h"

#include <unicode/localebuilder.h>
#include <unicode/locid.h>
#include <unicode/uloc.h>

#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/base/error_codes.h"
#include "platform/locale/locale_resolution.h"
#include "platform/base/last_error.h"

namespace platform {
namespace {

constexpr const char* kFallbackName = "en-US";

// Every locale the process has met, by ICU name and by number. Records are
// never freed: there are only as many as locales used.
class LocaleRegistry {
public:
    static LocaleRegistry& Instance()
    {
        static LocaleRegistry registry;
        return registry;
    }

    const ResolvedLocale& Intern(const icu::Locale& locale, LCID lcid)
    {
        std::lock_guard lock(mutex_);
        auto found = byName_.find(locale.getName());
        if (found != byName_.end()) return *found->second;
        std::string tag = ToTag(locale);
        records_.push_back({static_cast<int>(records_.size()), lcid, locale.getName(), tag});
        ResolvedLocale& record = records_.back();
        byName_.emplace(record.icuName, &record);
        return record;
    }

    const ResolvedLocale* ByNumber(LCID lcid)
    {
        {
            std::lock_guard lock(mutex_);
            auto found = byNumber_.find(lcid);
            if (found != byNumber_.end()) return found->second;
        }
        char name[ULOC_FULLNAME_CAPACITY];
        UErrorCode err = U_ZERO_ERROR;
        int32_t length = uloc_getLocaleForLCID(lcid, name, sizeof name, &err);
        if (U_FAILURE(err) || length <= 0 || length >= static_cast<int32_t>(sizeof name)) return nullptr;
        name[length] = 0;
        icu::Locale locale(name);
        if (locale.isBogus() || *locale.getLanguage() == 0 || std::string_view(name) == "root") return nullptr;
        const ResolvedLocale& record = Intern(locale, lcid);
        std::lock_guard lock(mutex_);
        byNumber_.emplace(lcid, &record);
        return &record;
    }

private:
    static std::string ToTag(const icu::Locale& locale)
    {
        UErrorCode err = U_ZERO_ERROR;
        std::string tag = locale.toLanguageTag<std::string>(err);
        return U_SUCCESS(err) ? tag : std::string(locale.getName());
    }

    std::mutex mutex_;
    std::deque<ResolvedLocale> records_;
    std::map<std::string, ResolvedLocale*, std::less<>> byName_;
    std::unordered_map<LCID, const ResolvedLocale*> byNumber_;
};

// "de_DE.UTF-8@euro" -> "de_DE": POSIX names carry a code set and a modifier
// that mean nothing here. ICU keywords ("@collation=phonebook") stay.
std::string WithoutPosixDecoration(std::string_view name)
{
    std::string text(name);
    if (auto at = text.find('@'); at != std::string::npos && text.find('=', at) == std::string::npos) text.erase(at);
    if (auto dot = text.find('.'); dot != std::string::npos) {
        auto at = text.find('@', dot);
        text.erase(dot, at == std::string::npos ? std::string::npos : at - dot);
    }
    return text;
}

std::optional<icu::Locale> ParseLocaleName(std::string_view name)
{
    std::string text = WithoutPosixDecoration(name);
    if (text.empty()) return std::nullopt;
    icu::Locale locale;
    if (text.find_first_of("_@") != std::string::npos) {
        locale = icu::Locale::createCanonical(text.c_str());
    } else {
        UErrorCode err = U_ZERO_ERROR;
        locale = icu::Locale::forLanguageTag(text, err);
        if (U_FAILURE(err)) return std::nullopt;
    }
    std::string_view language = locale.getLanguage();
    if (locale.isBogus() || language.size() < 2 || language == "posix") return std::nullopt;
    if (*locale.getCountry() == 0) {
        // A bare language ("de") means its main country, as the platform's
        // neutral locales do.
        icu::Locale likely = locale;
        UErrorCode err = U_ZERO_ERROR;
        likely.addLikelySubtags(err);
        if (U_FAILURE(err) || *likely.getCountry() == 0) return std::nullopt;
        icu::LocaleBuilder builder;
        builder.setLocale(locale).setRegion(likely.getCountry());
        locale = builder.build(err);
        if (U_FAILURE(err)) return std::nullopt;
    }
    return locale;
}

// The locale a name stands for, when ICU knows it and it has a number.
const ResolvedLocale* LocaleFromName(std::string_view name)
{
    std::optional<icu::Locale> locale = ParseLocaleName(name);
    if (!locale) return nullptr;
    LCID lcid = uloc_getLCID(locale->getName());
    if (lcid == 0) {
        icu::Locale plain(locale->getLanguage(), locale->getCountry());
        lcid = uloc_getLCID(plain.getName());
    }
    if (lcid == 0) return nullptr;
    return &LocaleRegistry::Instance().Intern(*locale, lcid);
}

// Who decides the user's locale: an explicit choice, else KSTOOLS_LOCALE, else
// en-US. The environment is compared with what was seen last on every call.
class UserChoice {
public:
    static UserChoice& Instance()
    {
        static UserChoice choice;
        return choice;
    }

    const ResolvedLocale& Current()
    {
        std::lock_guard lock(mutex_);
        if (chosen_) return *chosen_;
        const char* env = std::getenv("KSTOOLS_LOCALE");
        std::string_view value = env ? env : "";
        if (!fromEnvironment_ || value != environment_) {
            environment_ = value;
            fromEnvironment_ = value.empty() ? nullptr : LocaleFromName(value);
            if (!fromEnvironment_) fromEnvironment_ = LocaleFromName(kFallbackName);
        }
        return *fromEnvironment_;
    }

    bool Choose(std::string_view name)
    {
        const ResolvedLocale* locale = nullptr;
        if (!name.empty()) {
            locale = LocaleFromName(name);
            if (!locale) return false;
        }
        std::lock_guard lock(mutex_);
        chosen_ = locale;
        return true;
    }

private:
    std::mutex mutex_;
    const ResolvedLocale* chosen_ = nullptr;
    const ResolvedLocale* fromEnvironment_ = nullptr;
    std::string environment_;
};

}  // namespace

const ResolvedLocale& UserLocale() { return UserChoice::Instance().Current(); }

const ResolvedLocale* ResolveLocale(LCID locale)
{
    locale &= ~LOCALE_NOUSEROVERRIDE;
    if (locale > 0xFFFFF) return nullptr;  // reserved bits set
    LANGID language = LANGIDFROMLCID(locale);
    if (PRIMARYLANGID(language) == LANG_NEUTRAL) {
        // The aliases (user, system, custom defaults); the system is the user.
        if (SORTIDFROMLCID(locale) != 0 || SUBLANGID(language) > 5) return nullptr;
        return &UserLocale();
    }
    const ResolvedLocale& user = UserLocale();
    if (locale == user.lcid) return &user;
    return LocaleRegistry::Instance().ByNumber(locale);
}

bool SetUserLocaleName(std::string_view name) { return UserChoice::Instance().Choose(name); }

std::string UserLocaleName() { return UserLocale().tag; }

}  // namespace platform

LCID GetUserDefaultLCID() { return platform::UserLocale().lcid; }

LCID GetSystemDefaultLCID() { return platform::UserLocale().lcid; }

LANGID GetUserDefaultLangID() { return LANGIDFROMLCID(GetUserDefaultLCID()); }

LANGID GetSystemDefaultLangID() { return LANGIDFROMLCID(GetSystemDefaultLCID()); }

LCID ConvertDefaultLocale(LCID locale)
{
    LCID plain = locale & ~LOCALE_NOUSEROVERRIDE;
    if (PRIMARYLANGID(LANGIDFROMLCID(plain)) != LANG_NEUTRAL) return locale;
    const platform::ResolvedLocale* resolved = platform::ResolveLocale(plain);
    return resolved ? resolved->lcid : locale;
}

BOOL IsValidLocale(LCID locale, DWORD /*flags*/) { return platform::ResolveLocale(locale) ? TRUE : FALSE; }

int GetUserDefaultLocaleName(LPWSTR name, int size)
{
    const std::string& tag = platform::UserLocale().tag;
    int needed = static_cast<int>(tag.size()) + 1;
    if (!name || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < tag.size(); ++i) name[i] = static_cast<WCHAR>(static_cast<unsigned char>(tag[i]));
    name[tag.size()] = 0;
    return needed;
}
