// ProgressBar: a one-line bar on stderr for long commands, drawn only when
// stderr is a terminal, so scripts and tests see clean output.
#pragma once

#include <cstdio>
#include <string>

namespace kstools {

class ProgressBar {
public:
    // Draws on stderr when it is a terminal.
    ProgressBar(std::string label, int total);
    ProgressBar(std::string label, int total, std::FILE* out, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws when the shown percentage changes.
    void Update(int done);
    // Ends the line (also done by the destructor).
    void Finish();

private:
    std::string m_label;
    int m_total;
    std::FILE* m_out;
    bool m_enabled;
    int m_shownPercent = -1;
    bool m_finished = false;
};

}  // namespace kstools
