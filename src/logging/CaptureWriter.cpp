#include "CaptureWriter.h"

#include "PcapFormat.h"

#include <QFile>

#include <ctime>

CaptureWriter::CaptureWriter() : m_failures(QStringLiteral("キャプチャ"), QStringLiteral("レコード"), "capture")
{
    pcap::AppendFileHeader(m_bytes);
}

void CaptureWriter::setFile(const QString &path)
{
    m_path = path;
    m_native = path.isEmpty() ? FolderAndName {} : SplitNativePath(QFile::encodeName(path));
    m_folder.reset();
}

void CaptureWriter::add(const sockaddr *source, const sockaddr *destination, std::string_view payload) noexcept
{
    if (m_path.isEmpty())
        return;
    const size_t before = m_bytes.size();
    try {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        pcap::AppendUdpRecord(m_bytes, pcap::EndpointOf(source), pcap::EndpointOf(destination), payload, now.tv_sec,
                              static_cast<int32_t>(now.tv_nsec / 1000));
        ++m_pending;
    } catch (...) {
        m_bytes.resize(before); // out of memory for the record: it is lost
    }
}

void CaptureWriter::flush() noexcept
{
    if (m_pending == 0)
        return;
    m_failures.note(m_folder.append(m_native, m_bytes, pcap::FileHeaderLength), m_path, m_pending);
    m_bytes.resize(pcap::FileHeaderLength);
    m_pending = 0;
}
