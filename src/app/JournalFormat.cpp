#include "JournalFormat.h"

#include <QtEndian>

#include <charconv>

namespace journalformat {

namespace {

void appendField(QByteArray &entry, QByteArrayView name, const QByteArray &value)
{
    entry += name;
    if (!value.contains('\n')) {
        entry += '=';
        entry += value;
        entry += '\n';
        return;
    }
    entry += '\n';
    char length[8];
    qToLittleEndian(static_cast<quint64>(value.size()), length);
    entry.append(length, sizeof length);
    entry += value;
    entry += '\n';
}

// A decimal number of digits alone.
bool parseDecimal(QByteArrayView text, unsigned long long &value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return !text.isEmpty() && error == std::errc() && ptr == end;
}

} // namespace

bool isFieldName(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > 64 || name.front() == '_' || (name.front() >= '0' && name.front() <= '9'))
        return false;
    for (const char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

QByteArray entryOf(const ProgramEvent &event, QByteArrayView identifier)
{
    QByteArray entry;
    appendField(entry, "MESSAGE", event.message.toUtf8());
    appendField(entry, "PRIORITY", QByteArray::number(static_cast<int>(event.priority)));
    appendField(entry, "SYSLOG_IDENTIFIER", identifier.toByteArray());
    appendField(entry, "UDPRECV_EVENT", event.id);
    for (const auto &[name, value] : event.fields) {
        if (isFieldName(name))
            appendField(entry, name, value.toUtf8());
    }
    return entry;
}

bool isJournalStream(QByteArrayView journalStream, dev_t device, ino_t inode)
{
    const qsizetype colon = journalStream.indexOf(':');
    unsigned long long streamDevice = 0;
    unsigned long long streamInode = 0;
    return colon > 0 && parseDecimal(journalStream.first(colon), streamDevice) &&
           parseDecimal(journalStream.sliced(colon + 1), streamInode) && streamDevice == device &&
           streamInode == inode;
}

} // namespace journalformat
