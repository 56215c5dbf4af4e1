#include "tools/kstools/answer_host.h"

#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/text/utf8.h"

namespace kstools {

void AddAnswerFlags(CLI::App* command, AnswerOptions& options)
{
    CLI::Option* yes = command->add_flag("--yes", options.yes, "Answer yes to the command's questions");
    CLI::Option* no = command->add_flag("--no", options.no, "Answer no to the command's questions");
    yes->excludes(no);
}

Answers::Answers(const AnswerOptions& options) : m_answer(options.yes ? IDYES : options.no ? IDNO : 0)
{
    if (!m_answer) return;
    m_previous = SetUiHost(this);
    m_installed = true;
}

Answers::~Answers()
{
    if (m_installed) SetUiHost(m_previous);
}

int Answers::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags)
{
    (void)owner;
    const MessageBoxButtons buttons = ButtonsOf(flags);
    std::string shown = WideToUtf8(text);
    for (char& c : shown)
        if (c == '\r' || c == '\n') c = ' ';
    // A message (nothing to choose but OK) is shown as kstools shows any
    // message. A question is shown with the answer it got, so that the person
    // sees what the flag agreed to, or that the flag did not fit it (Retry or
    // Cancel under --yes) and its default was taken.
    if (buttons.count == 1) {
        std::fprintf(stderr, "kstools: %s\n", shown.c_str());
        return buttons.DefaultId();
    }
    const int answer = buttons.Has(m_answer) ? m_answer : buttons.DefaultId();
    std::fprintf(stderr, "%s%s%s [%s]\n", WideToUtf8(caption).c_str(), caption.empty() ? "" : ": ", shown.c_str(),
                 ButtonName(answer));
    return answer;
}

}  // namespace kstools
