// The process-wide UI host and the two hosts of the library itself.
#include "platform/ui/ui_host.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace {

std::atomic<UiHost*> g_installedHost{nullptr};
// Held shared by every call into a host, exclusively while the host changes,
// so that a host is never replaced (and destroyed) in the middle of a call.
std::shared_mutex g_hostInUse;

UiHost& QuietHost()
{
    static auto* host = new QuietUiHost;  // never destroyed: usable during exit
    return *host;
}

std::string Trimmed(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// Reads one line; false at end of input.
bool ReadLine(std::FILE* in, std::string& line)
{
    line.clear();
    int c;
    while ((c = std::fgetc(in)) != EOF) {
        if (c == '\n') return true;
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

// The button a typed answer names: a button number (1-based), or a word whose
// first letter is that of a button's name. 0 when it names none.
int ButtonFromAnswer(const std::string& answer, const MessageBoxButtons& buttons)
{
    if (answer.empty()) return buttons.DefaultId();
    if (answer.size() == 1 && answer[0] >= '1' && answer[0] < '1' + buttons.count) return buttons.ids[answer[0] - '1'];
    char first = static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
    for (int i = 0; i < buttons.count; ++i)
        if (std::tolower(static_cast<unsigned char>(ButtonName(buttons.ids[i])[0])) == first) return buttons.ids[i];
    return 0;
}

std::mutex g_terminalMutex;  // one question on the terminal at a time

}  // namespace

const char* ButtonName(int id)
{
    switch (id) {
        case IDOK:
            return "OK";
        case IDCANCEL:
            return "Cancel";
        case IDABORT:
            return "Abort";
        case IDRETRY:
            return "Retry";
        case IDIGNORE:
            return "Ignore";
        case IDYES:
            return "Yes";
        case IDNO:
            return "No";
        default:
            return "?";
    }
}

UiHost::~UiHost() = default;

int UiHost::Ask(std::u16string_view, std::u16string_view, int defaultAnswer) { return defaultAnswer; }

bool MessageBoxButtons::Has(int id) const
{
    for (int i = 0; i < count; ++i)
        if (ids[i] == id) return true;
    return false;
}

MessageBoxButtons ButtonsOf(UINT flags)
{
    MessageBoxButtons b;
    auto set = [&b](std::initializer_list<int> ids) {
        b.count = 0;
        for (int id : ids) b.ids[b.count++] = id;
    };
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            set({IDOK, IDCANCEL});
            break;
        case MB_ABORTRETRYIGNORE:
            set({IDABORT, IDRETRY, IDIGNORE});
            break;
        case MB_YESNOCANCEL:
            set({IDYES, IDNO, IDCANCEL});
            break;
        case MB_YESNO:
            set({IDYES, IDNO});
            break;
        case MB_RETRYCANCEL:
            set({IDRETRY, IDCANCEL});
            break;
        default:
            set({IDOK});
            break;
    }
    int chosen = static_cast<int>((flags & MB_DEFMASK) >> 8);
    b.defaultIndex = chosen < b.count ? chosen : 0;
    return b;
}

int QuietUiHost::MessageBox(HWND, std::u16string_view, std::u16string_view, UINT flags)
{
    return ButtonsOf(flags).DefaultId();
}

TerminalUiHost::TerminalUiHost() : TerminalUiHost(stdin, stderr, isatty(fileno(stdin)) != 0) {}

TerminalUiHost::TerminalUiHost(std::FILE* in, std::FILE* out, bool interactive)
    : m_in(in), m_out(out), m_interactive(interactive && in != nullptr)
{}

int TerminalUiHost::MessageBox(HWND, std::u16string_view text, std::u16string_view caption, UINT flags)
{
    MessageBoxButtons buttons = ButtonsOf(flags);
    std::string choices;
    for (int i = 0; i < buttons.count; ++i) {
        if (i) choices += '/';
        choices += ButtonName(buttons.ids[i]);
    }
    std::lock_guard<std::mutex> lock(g_terminalMutex);
    std::string title;
    if (!caption.empty()) title.append("[").append(WideToUtf8(caption)).append("] ");
    std::fprintf(m_out, "%s%s\n", title.c_str(), WideToUtf8(text).c_str());
    if (buttons.count == 1 && !m_interactive) {
        std::fflush(m_out);
        return buttons.DefaultId();
    }
    for (int attempt = 0; attempt < 3 && m_interactive; ++attempt) {
        std::fprintf(m_out, "(%s, default %s) > ", choices.c_str(), ButtonName(buttons.DefaultId()));
        std::fflush(m_out);
        std::string line;
        if (!ReadLine(m_in, line)) break;
        int id = ButtonFromAnswer(Trimmed(line), buttons);
        if (id) return id;
    }
    std::fprintf(m_out, "(%s) -> %s\n", choices.c_str(), ButtonName(buttons.DefaultId()));
    std::fflush(m_out);
    return buttons.DefaultId();
}

int TerminalUiHost::Ask(std::u16string_view questionId, std::u16string_view text, int defaultAnswer)
{
    std::lock_guard<std::mutex> lock(g_terminalMutex);
    std::fprintf(m_out, "[%s] %s\n", WideToUtf8(questionId).c_str(), WideToUtf8(text).c_str());
    for (int attempt = 0; attempt < 3 && m_interactive; ++attempt) {
        std::fprintf(m_out, "(number, default %d) > ", defaultAnswer);
        std::fflush(m_out);
        std::string line;
        if (!ReadLine(m_in, line)) break;
        line = Trimmed(line);
        if (line.empty()) return defaultAnswer;
        char* end = nullptr;
        long value = std::strtol(line.c_str(), &end, 10);
        bool whole = end != line.c_str() && end == line.c_str() + line.size();
        if (whole && value >= INT32_MIN && value <= INT32_MAX) return static_cast<int>(value);
    }
    std::fprintf(m_out, "-> %d\n", defaultAnswer);
    std::fflush(m_out);
    return defaultAnswer;
}

UiHost* SetUiHost(UiHost* host)
{
    std::unique_lock<std::shared_mutex> lock(g_hostInUse);
    return g_installedHost.exchange(host);
}

UiHost& CurrentUiHost()
{
    UiHost* host = g_installedHost.load();
    return host ? *host : QuietHost();
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags)
{
    std::u16string_view t = text ? std::u16string_view(text, wcslen(text)) : std::u16string_view();
    std::u16string_view c = caption ? std::u16string_view(caption, wcslen(caption)) : std::u16string_view();
    std::shared_lock<std::shared_mutex> lock(g_hostInUse);
    return CurrentUiHost().MessageBox(owner, t, c, flags);
}

int AskUser(std::u16string_view questionId, std::u16string_view text, int defaultAnswer)
{
    std::shared_lock<std::shared_mutex> lock(g_hostInUse);
    return CurrentUiHost().Ask(questionId, text, defaultAnswer);
}
