// Locale numbers, the user's locale and the records behind them.
#include "platform/locale/locale_id.h"

#include <unicode/localebuilder.h>
#include <unicode/locid.h>
#include <unicode/uloc.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/locale/locale_resolution.h"

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

    // A number's record never changes once found, so each thread keeps the
    // ones it has used and asks under the lock only the first time.
    const ResolvedLocale* ByNumber(LCID lcid)
    {
        thread_local std::unordered_map<LCID, const ResolvedLocale*> mine;
        if (auto found = mine.find(lcid); found != mine.end()) return found->second;
        const ResolvedLocale* record = Find(lcid);
        if (record) mine.emplace(lcid, record);
        return record;
    }

private:
    const ResolvedLocale* Find(LCID lcid)
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
// Every comparison asks, so the answer takes no lock: the choice and the last
// environment value seen are published through atomics, and a lock is taken
// only when the environment holds a value not seen last.
class UserChoice {
public:
    static UserChoice& Instance()
    {
        static UserChoice choice;
        return choice;
    }

    const ResolvedLocale& Current()
    {
        if (const ResolvedLocale* chosen = chosen_.load(std::memory_order_acquire)) return *chosen;
        const char* env = std::getenv("KSTOOLS_LOCALE");
        std::string_view value = env ? env : "";
        const Seen* seen = seen_.load(std::memory_order_acquire);
        if (seen && seen->first == value) return *seen->second;
        return Remember(value);
    }

    bool Choose(std::string_view name)
    {
        const ResolvedLocale* locale = nullptr;
        if (!name.empty()) {
            locale = LocaleFromName(name);
            if (!locale) return false;
        }
        chosen_.store(locale, std::memory_order_release);
        return true;
    }

private:
    // An environment value and the locale it stands for. Kept for the life of
    // the process (one per distinct value), so a reader never sees one freed.
    using Seen = std::pair<const std::string, const ResolvedLocale*>;

    const ResolvedLocale& Remember(std::string_view value)
    {
        std::lock_guard lock(mutex_);
        auto it = known_.find(value);
        if (it == known_.end()) {
            const ResolvedLocale* locale = value.empty() ? nullptr : LocaleFromName(value);
            if (!locale) locale = LocaleFromName(kFallbackName);
            it = known_.emplace(std::string(value), locale).first;
        }
        seen_.store(&*it, std::memory_order_release);
        return *it->second;
    }

    std::atomic<const ResolvedLocale*> chosen_{nullptr};
    std::atomic<const Seen*> seen_{nullptr};
    std::mutex mutex_;
    std::map<std::string, const ResolvedLocale*, std::less<>> known_;
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
