#include "cli/ImportProgressLine.h"

#include "cli/CliPrompter.h"
#include "cli/Texts.h"

#include <unistd.h>

namespace corvina::cli {

namespace {

constexpr qint64 kRedrawMs = 100;

} // namespace

ImportProgressLine::ImportProgressLine(std::FILE* stream) : ImportProgressLine(stream, isatty(fileno(stream)) != 0)
{
}

ImportProgressLine::ImportProgressLine(std::FILE* stream, bool onTerminal) : m_stream(stream), m_onTerminal(onTerminal)
{
}

ImportProgressLine::~ImportProgressLine()
{
    finish();
    if (m_prompter)
        m_prompter->setBeforePrint({});
}

void ImportProgressLine::follow(WorkbookImport& workbookImport, CliPrompter& prompter)
{
    if (!m_onTerminal)
        return;
    workbookImport.setCountsObserver([this](const ImportCounts& counts) { update(counts); });
    prompter.setBeforePrint([this] { finish(); });
    m_prompter = &prompter;
}

void ImportProgressLine::update(const ImportCounts& counts)
{
    if (!m_onTerminal)
        return;
    m_counts = counts;
    m_behind = true;
    if (!m_lineOpen || m_sinceDraw.hasExpired(kRedrawMs))
        draw();
}

void ImportProgressLine::finish()
{
    if (m_behind)
        draw();
    if (!m_lineOpen)
        return;
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
    m_lineOpen = false;
}

void ImportProgressLine::draw()
{
    const QByteArray text = CliTexts::ImportProgress.arg(m_counts.rowsRead)
                                .arg(m_counts.documentsStored)
                                .arg(m_counts.alreadyPresent)
                                .toUtf8();
    // Back to the line's start, the new text, and the rest of the old line erased.
    std::fputc('\r', m_stream);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), m_stream);
    std::fputs("\x1b[K", m_stream);
    std::fflush(m_stream);
    m_lineOpen = true;
    m_behind = false;
    m_sinceDraw.start();
}

} // namespace corvina::cli
