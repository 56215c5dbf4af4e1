// ScriptedUiHost: answers message boxes and questions from queues the test fills and records what it was
// shown; while it lives it is the process-wide host (the one before comes back after).
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui_host.h"

class ScriptedUiHost : public UiHost {
public:
    struct ShownMessage {
        HWND owner;
        std::u16string text;
        std::u16string caption;
        UINT flags;
    };
    struct AskedQuestion {
        std::u16string questionId;
        std::u16string text;
        int defaultAnswer;
    };

    ScriptedUiHost();
    ~ScriptedUiHost() override;
    ScriptedUiHost(const ScriptedUiHost&) = delete;
    ScriptedUiHost& operator=(const ScriptedUiHost&) = delete;

    // Answers for the next message boxes; then the default button, or the fallback when set.
    void QueueAnswer(int id);
    void QueueAnswers(std::initializer_list<int> ids);
    void SetFallbackAnswer(std::optional<int> id);
    // Answers for the next Ask calls; with none left, the default answer.
    void QueueAskAnswer(int answer);

    std::vector<ShownMessage> Messages() const;
    std::vector<AskedQuestion> Questions() const;
    size_t MessageCount() const;
    // The last message shown; fails the running test when there is none.
    ShownMessage LastMessage() const;
    size_t PendingAnswers() const;

    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) override;
    int Ask(std::u16string_view questionId, std::u16string_view text, int defaultAnswer) override;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::deque<int> m_askAnswers;
    std::optional<int> m_fallback;
    std::vector<ShownMessage> m_messages;
    std::vector<AskedQuestion> m_questions;
    UiHost* m_previous;
};
