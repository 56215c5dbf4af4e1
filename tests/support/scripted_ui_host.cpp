#include "tests/support/scripted_ui_host.h"

#include <gtest/gtest.h>

ScriptedUiHost::ScriptedUiHost() : m_previous(SetUiHost(this)) {}

ScriptedUiHost::~ScriptedUiHost() { SetUiHost(m_previous); }

void ScriptedUiHost::QueueAnswer(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(id);
}

void ScriptedUiHost::QueueAnswers(std::initializer_list<int> ids)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.insert(m_answers.end(), ids.begin(), ids.end());
}

void ScriptedUiHost::SetFallbackAnswer(std::optional<int> id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fallback = id;
}

void ScriptedUiHost::QueueAskAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_askAnswers.push_back(answer);
}

std::vector<ScriptedUiHost::ShownMessage> ScriptedUiHost::Messages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<ScriptedUiHost::AskedQuestion> ScriptedUiHost::Questions() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_questions;
}

size_t ScriptedUiHost::MessageCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages.size();
}

ScriptedUiHost::ShownMessage ScriptedUiHost::LastMessage() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_messages.empty()) {
        ADD_FAILURE() << "no message box was shown";
        return ShownMessage{nullptr, {}, {}, 0};
    }
    return m_messages.back();
}

size_t ScriptedUiHost::PendingAnswers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answers.size();
}

int ScriptedUiHost::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(ShownMessage{owner, std::u16string(text), std::u16string(caption), flags});
    if (!m_answers.empty()) {
        int id = m_answers.front();
        m_answers.pop_front();
        return id;
    }
    return m_fallback ? *m_fallback : ButtonsOf(flags).DefaultId();
}

int ScriptedUiHost::Ask(std::u16string_view questionId, std::u16string_view text, int defaultAnswer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_questions.push_back(AskedQuestion{std::u16string(questionId), std::u16string(text), defaultAnswer});
    if (!m_askAnswers.empty()) {
        int answer = m_askAnswers.front();
        m_askAnswers.pop_front();
        return answer;
    }
    return defaultAnswer;
}
