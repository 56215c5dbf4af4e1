// Message boxes through the process-wide host: quiet, scripted and terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "platform/ui/ui_host.h"
#include "tests/support/scripted_ui_host.h"

namespace {

// A terminal host over in-memory streams.
class Terminal {
public:
    explicit Terminal(const std::string& input, bool interactive = true)
        : m_in(std::tmpfile()), m_out(open_memstream(&m_outBuffer, &m_outSize)), m_host(m_in, m_out, interactive)
    {
        std::fwrite(input.data(), 1, input.size(), m_in);
        std::rewind(m_in);
    }
    ~Terminal()
    {
        std::fclose(m_in);
        std::fclose(m_out);
        std::free(m_outBuffer);
    }
    int Box(const char16_t* text, UINT flags) { return m_host.MessageBox(nullptr, text, u"Kontakte", flags); }
    int Ask(int defaultAnswer) { return m_host.Ask(u"days", u"How many days ahead?", defaultAnswer); }
    std::string Output()
    {
        std::fflush(m_out);
        return std::string(m_outBuffer, m_outSize);
    }

private:
    std::FILE* m_in;
    char* m_outBuffer = nullptr;
    size_t m_outSize = 0;
    std::FILE* m_out;
    TerminalUiHost m_host;
};

}  // namespace

TEST(UiHost, QuietDefaultAnswersWithTheDefaultButtonScriptedHostsInOrderAndNest)
{
    ASSERT_EQ(SetUiHost(nullptr), nullptr) << "another test left a host installed";
    const std::pair<UINT, int> cases[] = {
        {MB_OK | MB_ICONINFORMATION, IDOK},
        {MB_YESNO | MB_ICONQUESTION | MB_TOPMOST, IDYES},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON3, IDYES},  // no third button
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
    };
    for (auto [flags, answer] : cases)
        EXPECT_EQ(MessageBoxW(nullptr, u"Delete?", nullptr, flags), answer) << std::hex << flags;
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, nullptr, MB_OK), IDOK);
    MessageBoxButtons b = ButtonsOf(MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(b.count, 2);
    EXPECT_TRUE(b.Has(IDNO));
    EXPECT_FALSE(b.Has(IDCANCEL));
    EXPECT_EQ(AskUser(u"question", u"How many?", 4), 4);
    ScriptedUiHost host;
    host.QueueAnswers({IDNO, IDCANCEL});
    auto owner = reinterpret_cast<HWND>(0x42);
    EXPECT_EQ(MessageBoxW(owner, u"Delete only this occurrence?", u"Calendar", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, u"Again?", u"Calendar", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, u"Out of answers", nullptr, MB_YESNO | MB_DEFBUTTON2), IDNO);  // default button
    ASSERT_EQ(host.MessageCount(), 3u);
    auto first = host.Messages()[0];
    EXPECT_EQ(std::tie(first.owner, first.text, first.caption, first.flags),
              std::make_tuple(owner, std::u16string(u"Delete only this occurrence?"), std::u16string(u"Calendar"),
                              UINT{MB_YESNOCANCEL | MB_ICONQUESTION}));
    EXPECT_EQ(host.LastMessage().caption, u"");
    host.QueueAskAnswer(9);
    EXPECT_EQ(AskUser(u"q1", u"Pick", 1), 9);
    EXPECT_EQ(AskUser(u"q2", u"Pick", 1), 1);
    ASSERT_EQ(host.Questions().size(), 2u);
    EXPECT_EQ(host.Questions()[1].questionId, u"q2");
    {
        ScriptedUiHost inner;
        EXPECT_EQ(&CurrentUiHost(), &inner);
        MessageBoxW(nullptr, u"inner", nullptr, MB_OK);
        EXPECT_EQ(inner.MessageCount(), 1u);
    }
    EXPECT_EQ(&CurrentUiHost(), &host);
    MessageBoxW(nullptr, u"outer", nullptr, MB_OK);
    EXPECT_EQ(host.MessageCount(), 4u);
}

TEST(TerminalUiHost, ShowsTheBoxAndReadsAnswersUntilOneNamesAButton)
{
    Terminal t("n\n");
    EXPECT_EQ(t.Box(u"L\u00f6schen?", MB_YESNO), IDNO);
    std::string out = t.Output();
    EXPECT_NE(out.find("[Kontakte] L\xC3\xB6schen?"), std::string::npos) << out;
    EXPECT_NE(out.find("Yes/No"), std::string::npos) << out;
    const struct {
        const char* input;
        UINT flags;
        int answer;
    } cases[] = {
        {"maybe\n  Cancel \n", MB_YESNOCANCEL, IDCANCEL},  // asks again after an answer naming no button
        {"2\n", MB_YESNOCANCEL, IDNO},                     // by number
        {"\n", MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},  // blank: the default
        {"", MB_YESNO | MB_DEFBUTTON2, IDNO},              // no input: the default
    };
    for (const auto& c : cases) EXPECT_EQ(Terminal(c.input).Box(u"Save?", c.flags), c.answer) << c.input;
    Terminal quiet("y\n", false);
    EXPECT_EQ(quiet.Box(u"Overwrite?", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_NE(quiet.Output().find("-> No"), std::string::npos);
    EXPECT_EQ(Terminal("x\n42\n").Ask(7), 42);
    EXPECT_EQ(Terminal("").Ask(7), 7);
}
