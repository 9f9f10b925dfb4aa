#include "CaptureWriter.h"

#include "PcapFormat.h"

#include <QFile>

#include <ctime>

CaptureWriter::CaptureWriter() : m_failures(QStringLiteral("キャプチャ"), QStringLiteral("レコード"))
{
    pcap::AppendFileHeader(m_bytes);
}

void CaptureWriter::setFile(const QString &path)
{
    m_path = path;
    m_native = path.isEmpty() ? FolderAndName {} : SplitNativePath(QFile::encodeName(path));
    m_folder.reset();
}

void CaptureWriter::write(const sockaddr *source, const sockaddr *destination, std::string_view payload) noexcept
{
    if (m_path.isEmpty())
        return;
    try {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        m_bytes.resize(pcap::FileHeaderLength);
        pcap::AppendUdpRecord(m_bytes, pcap::EndpointOf(source), pcap::EndpointOf(destination), payload, now.tv_sec,
                              static_cast<int32_t>(now.tv_nsec / 1000));
        m_failures.note(m_folder.append(m_native, m_bytes, pcap::FileHeaderLength), m_path);
    } catch (...) {
        // Out of memory for the record: it is lost.
    }
}
