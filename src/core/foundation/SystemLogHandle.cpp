#include "foundation/SystemLogHandle.h"

#include <systemd/sd-journal.h>

#include <sys/uio.h>

namespace verandel {

namespace {
const QByteArray kIdentifierField = QByteArrayLiteral("SYSLOG_IDENTIFIER=verandel");
}

SystemLogHandle::SystemLogHandle(const QString &subsystem, const QString &category)
    : m_subsystemField("VERANDEL_SUBSYSTEM=" + subsystem.toUtf8())
    , m_categoryField("VERANDEL_CATEGORY=" + category.toUtf8())
{ }

void SystemLogHandle::send(LogLevel level, const QString &message) const
{
    // sd_journal_sendv takes the message verbatim (no format string), newlines included.
    const QByteArray messageField = "MESSAGE=" + message.toUtf8();
    const QByteArray priorityField = "PRIORITY=" + QByteArray::number(journalPriority(level));
    const QByteArray fields[] = {messageField, priorityField, kIdentifierField, m_subsystemField, m_categoryField};
    iovec vectors[5];
    for (int i = 0; i < 5; ++i) {
        vectors[i].iov_base = const_cast<char *>(fields[i].constData());
        vectors[i].iov_len = static_cast<size_t>(fields[i].size());
    }
    // Without a journal (containers, CI) the call fails; logging never fails its caller.
    (void)sd_journal_sendv(vectors, 5);
}

} // namespace verandel
