// --yes / --no: a command's questions answered from its options instead of the
// terminal. While an Answers object lives with one of them set, every question
// that offers that answer gets it, and one that does not gets its default; the
// question goes to stderr with the answer taken. A plain message goes to
// stderr as kstools' messages do. With neither set the terminal host asks as
// usual.
#pragma once

#include "platform/ui/ui_host.h"

namespace CLI {
class App;
}

namespace kstools {

struct AnswerOptions {
    bool yes = false;
    bool no = false;
};

// Adds --yes and --no (exclusive) to command.
void AddAnswerFlags(CLI::App* command, AnswerOptions& options);

class Answers : public UiHost {
public:
    explicit Answers(const AnswerOptions& options);
    ~Answers() override;
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) override;

private:
    int m_answer;
    UiHost* m_previous = nullptr;
    bool m_installed = false;
};

}  // namespace kstools
