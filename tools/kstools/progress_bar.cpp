#include "tools/kstools/progress_bar.h"

#include <unistd.h>

namespace kstools {

namespace {
constexpr int kWidth = 30;
}

ProgressBar::ProgressBar(std::string label, int total)
    : ProgressBar(std::move(label), total, stderr, isatty(fileno(stderr)) != 0)
{}

ProgressBar::ProgressBar(std::string label, int total, std::FILE* out, bool enabled)
    : m_label(std::move(label)), m_total(total), m_out(out), m_enabled(enabled && total > 0)
{}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(int done)
{
    if (!m_enabled || m_finished) return;
    const int percent = done >= m_total ? 100 : static_cast<int>(100LL * done / m_total);
    if (percent == m_shownPercent) return;
    m_shownPercent = percent;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(m_out, "\r%s [%s] %3d%% %d/%d", m_label.c_str(), bar.c_str(), percent, done, m_total);
    std::fflush(m_out);
}

void ProgressBar::Finish()
{
    if (!m_enabled || m_finished) return;
    m_finished = true;
    if (m_shownPercent >= 0) std::fputc('\n', m_out);
    std::fflush(m_out);
}

}  // namespace kstools
