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
    const MessageBoxButtons buttons = ButtonsOf(flags);
    const int answer = buttons.Has(m_answer) ? m_answer : buttons.DefaultId();
    std::string question = WideToUtf8(text);
    for (char& c : question)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%s%s%s [%s]\n", WideToUtf8(caption).c_str(), caption.empty() ? "" : ": ", question.c_str(), answer == IDYES ? "yes" : answer == IDNO ? "no" : "ok");
    (void)owner;
    return answer;
}

}  // namespace kstools
