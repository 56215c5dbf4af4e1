#include "items/c_phone_number_label.h"

#include "items/c_contact.h"
#include "items/c_task_settings.h"
#include "storage/c_registry.h"

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void StoreAreaCode(const std::u16string& code)
{
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, kContactItemKey) == 0) settings.SetValue(u"CV_AreaCode", code.c_str());
}

}  // namespace

CPhoneNumberLabel::CPhoneNumberLabel() : m_autoFormat(ItemSetting(kContactItemKey, u"Autoformatdialing", 1) != 0) {}

std::u16string CPhoneNumberLabel::GetText() const
{
    return !m_prefill.empty() && m_text == m_prefill ? std::u16string() : m_text;
}

void CPhoneNumberLabel::SetAreaCode()
{
    if (!m_text.empty()) return;
    const std::u16string area = ItemSettingText(kContactItemKey, u"CV_AreaCode", u"");
    const std::u16string country = ItemSettingText(kContactItemKey, u"CV_CountryCode", u"");
    if (area.empty()) return;
    m_prefill = country.empty() ? u"(" + area + u") " : u"+" + country + u" (" + area + u") ";
    m_text = m_prefill;
}

std::u16string CPhoneNumberLabel::Format(std::u16string_view text, std::u16string_view defaultAreaCode,
                                         std::u16string* usedAreaCode)
{
    if (usedAreaCode) usedAreaCode->clear();
    const std::u16string original(text);
    size_t digitCount = 0;
    for (char16_t c : text) digitCount += IsDigit(c) ? 1 : 0;
    if (text.size() >= 18 || (!text.empty() && text[0] == u'+') || digitCount < 8) return original;

    std::u16string before, inside, local, extension;
    bool inParentheses = false, sawParentheses = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'x' || c == u'X') {
            extension = text.substr(i);
            break;
        }
        if (c == u'(') {
            inParentheses = true;
            sawParentheses = true;
        } else if (c == u')') {
            inParentheses = false;
        } else if (IsDigit(c)) {
            (inParentheses ? inside : sawParentheses ? local : before) += c;
        }
    }
    std::u16string result;
    if (sawParentheses && !inside.empty()) {
        result = before + u"(" + inside + u") ";
        result += local.size() <= 4 ? local : local.substr(0, local.size() - 4) + u"-" + local.substr(local.size() - 4);
        if (usedAreaCode) *usedAreaCode = inside;
    } else {
        const std::u16string digits = before + inside + local;
        if (digits.size() != 10) return original;
        size_t area = 3;
        if (!defaultAreaCode.empty() && digits.compare(0, defaultAreaCode.size(), defaultAreaCode) == 0) {
            area = defaultAreaCode.size();
            if (area < 1 || area > 3) return original;
        }
        // Ten digits: the area code, then the local number split before its
        // last four or five digits.
        const size_t split = area == 1 ? 5 : 6;
        result = u"(" + digits.substr(0, area) + u") " + digits.substr(area, split - area) + u"-" + digits.substr(split);
        if (usedAreaCode) *usedAreaCode = digits.substr(0, area);
    }
    if (!extension.empty()) result += u" " + extension;
    return result;
}

void CPhoneNumberLabel::FormatCode()
{
    if (!m_autoFormat || m_text.empty()) return;
    if (!m_prefill.empty() && m_text == m_prefill) {
        m_text.clear();
        return;
    }
    const std::u16string area = ItemSettingText(kContactItemKey, u"CV_AreaCode", u"");
    std::u16string used;
    const std::u16string formatted = Format(m_text, area, &used);
    if (formatted == m_text && used.empty()) return;
    m_text = formatted;
    if (!used.empty() && used != area) StoreAreaCode(used);
}
