#include "support/HelperProcess.h"

#include <csignal>
#include <sys/prctl.h>

namespace verandel::test {

HelperProcess::HelperProcess(QString program, QStringList arguments, QProcessEnvironment environment)
    : m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_environment(environment.isEmpty() ? QProcessEnvironment::systemEnvironment() : std::move(environment))
{ }

HelperProcess::~HelperProcess()
{
    stop();
}

bool HelperProcess::start()
{
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(m_program);
    m_process->setArguments(m_arguments);
    m_process->setProcessEnvironment(m_environment);
    m_process->setStandardInputFile(QProcess::nullDevice());
    const QString output = m_logFile.isEmpty() ? QProcess::nullDevice() : m_logFile;
    m_process->setStandardOutputFile(output);
    m_process->setStandardErrorFile(output);
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start();
    return m_process->waitForStarted(5000);
}

void HelperProcess::stop()
{
    if (!m_process || m_process->state() == QProcess::NotRunning) {
        return;
    }
    m_process->terminate();
    if (!m_process->waitForFinished(3000)) {
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

bool HelperProcess::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

qint64 HelperProcess::pid() const
{
    return m_process ? m_process->processId() : 0;
}

} // namespace verandel::test
