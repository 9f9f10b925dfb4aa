#include "MetricsExposition.h"

namespace metricsexposition {

namespace {

class Writer {
public:
    // A metric's HELP and TYPE lines.
    void family(const char *name, const char *type, const char *help)
    {
        m_text += "# HELP ";
        m_text += name;
        m_text += ' ';
        m_text += help;
        m_text += "\n# TYPE ";
        m_text += name;
        m_text += ' ';
        m_text += type;
        m_text += '\n';
        m_name = name;
    }

    // A sample of the last family; `labels` as written between the braces.
    void sample(const QByteArray &value, const QByteArray &labels = {})
    {
        m_text += m_name;
        if (!labels.isEmpty())
            m_text += '{' + labels + '}';
        m_text += ' ' + value + '\n';
    }
    void sample(uint64_t value, const QByteArray &labels = {}) { sample(QByteArray::number(value), labels); }

    QByteArray text() const { return m_text; }

private:
    QByteArray m_text;
    const char *m_name = "";
};

// A label value with backslash, double quote and line feed escaped.
QByteArray labelValue(const QString &value)
{
    QByteArray escaped = value.toUtf8();
    escaped.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return '"' + escaped + '"';
}

QByteArray seconds(double value)
{
    return QByteArray::number(value, 'f', 3);
}

} // namespace

QByteArray textOf(const Sample &sample)
{
    const ReceptionReport &r = sample.reception;
    const ReceptionCounters &c = r.counters;
    Writer out;
    out.family("udprecv_datagrams_received_total", "counter",
               "Datagrams received on the receive port, the too short ones included.");
    out.sample(c.received);
    out.family("udprecv_datagrams_answered_total", "counter", "Echoes sent back to their senders.");
    out.sample(c.answered);
    out.family("udprecv_datagrams_dropped_total", "counter",
               "Datagrams not answered: too short (0 or 1 byte, logged as an error) or dropped by the system "
               "because the receive buffer was full.");
    out.sample(c.tooShort, "reason=\"too_short\"");
    out.sample(r.systemDropped, "reason=\"receive_buffer_full\"");
    out.family("udprecv_received_bytes_total", "counter", "Payload bytes received.");
    out.sample(c.bytesReceived);
    out.family("udprecv_sent_bytes_total", "counter", "Payload bytes sent back.");
    out.sample(c.bytesSent);
    out.family("udprecv_log_lines_lost_total", "counter", "Log lines that could not be written.");
    out.sample(r.logLinesLost);
    out.family("udprecv_capture_records_lost_total", "counter", "Capture records that could not be written.");
    out.sample(r.captureRecordsLost);
    out.family("udprecv_rotations_total", "counter", "Files moved to their first older generation.");
    out.sample(r.logRotations, "file=\"log\"");
    out.sample(r.captureRotations, "file=\"capture\"");
    out.family("udprecv_reception_on", "gauge", "1 while reception is on, else 0.");
    out.sample(r.on ? 1 : 0);
    out.family("udprecv_receive_port", "gauge", "The configured receive port (0: none usable).");
    out.sample(QByteArray::number(r.port));
    out.family("udprecv_last_receive_timestamp_seconds", "gauge",
               "When the last datagram arrived, seconds since the epoch; 0 before the first.");
    out.sample(seconds(static_cast<double>(c.lastReceived.tv_sec) + static_cast<double>(c.lastReceived.tv_nsec) / 1e9));
    out.family("udprecv_build_info", "gauge", "The program's version, as a label; always 1.");
    out.sample(1, "version=" + labelValue(sample.version));
    out.family("process_start_time_seconds", "gauge", "When the program started, seconds since the epoch.");
    out.sample(seconds(sample.startTime));
    return out.text();
}

} // namespace metricsexposition
