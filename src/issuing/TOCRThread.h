#pragma once

#include <QThread>
#include <functional>

namespace corvina {

// The batch run's thread: runs its body once (RunBatchIssue with the run's own connections) and
// ends. The body reports its own failures; one that still escapes ends the thread, and `failed()`
// tells.
class TOCRThread : public QThread {
    Q_OBJECT
public:
    explicit TOCRThread(std::function<void()> execute, QObject* parent = nullptr);
    bool failed() const { return m_failed; }

protected:
    void run() override;

private:
    std::function<void()> m_execute;
    bool m_failed = false;
};

} // namespace corvina
