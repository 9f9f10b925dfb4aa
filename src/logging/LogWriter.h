#pragma once

#include "LogFolder.h"
#include "LoggingGlobals.h"
#include "WriteFailures.h"
#include "core/Clock.h"
#include "core/NativeFolder.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The one writer of the log: appends one line per call to the log file of
// a tool kind, opening and closing the file each time. Never fails towards
// its caller and never waits: a line that cannot be written (a full disk, a
// read-only file, a FIFO or a link in its place) is lost, counted and told
// once. A missing Log folder is made again.
class LogWriter {
public:
    LogWriter(const LoggingGlobals &globals, const Clock &clock);

    // An empty stamp stands for the current time, a code of 0 for 1001.
    //
    // The texts of the datagram path are encoded once: the writer keeps the
    // last four texts with their code page 932 bytes and finds one first by
    // the address of its characters, then by its content. A caller that logs
    // a text for every datagram passes the same characters every time (a
    // QStringLiteral returned by a function, as ReceptionController.cpp
    // does); any other text is still written right, found by its content or
    // encoded anew.
    void WriteLog(int16_t kind, const QString &message, const QString &stamp = {}, int16_t code = 0) noexcept;

    // Logs "<count><text>" at the time `at`, as "12バイトのデータ受信"; `text`
    // is kept as above. The caller reads the clock: it shows the same moment
    // elsewhere too (a datagram's arrival), from one reading.
    void WriteLog(int16_t kind, qsizetype count, const QString &text, const LocalTime &at) noexcept;

    // Called when lines start failing (true) and when they are written
    // again (false); each change is also told once on standard error, with
    // the number of lines lost when writing recovers.
    void setFailingChanged(std::function<void(bool failing)> listener)
    {
        m_failures.setFailingChanged(std::move(listener));
    }
    bool failing() const { return m_failures.failing(); }
    // The lines lost since the program started.
    uint64_t linesLost() const { return m_failures.lostTotal(); }

private:
    struct EncodedPath {
        QString source;
        FolderAndName native; // the folder without a trailing separator
    };

    struct EncodedText {
        QString source;
        QByteArray encoded;
    };

    // The stamp as given, else the time `at`, else the current time; the
    // message is `lead` then `message`.
    void writeLine(int16_t kind, std::string_view stamp, const LocalTime *at, std::string_view lead,
                   std::string_view message, int16_t code) noexcept;
    const QByteArray &encodedText(const QString &text);
    const EncodedPath &encodedPath(int16_t kind);
    // "code stamp host " of a line.
    void appendPrefix(std::string &out, int code, std::string_view stamp) const;
    const std::string &currentPrefix(int code, const LocalTime &now);

    const LoggingGlobals &m_globals;
    const Clock &m_clock;
    std::array<EncodedPath, ToolKindCount> m_paths;
    LogFolder m_folder;
    QString m_hostSource;
    QByteArray m_hostEncoded;
    std::string m_line; // reused between lines
    // The texts encoded once (see WriteLog).
    std::array<EncodedText, 4> m_texts;
    size_t m_nextText = 0; // the entry a new text replaces

    // "code stamp host " for the current time, built again only when the
    // code, the time shown (to the tenth of a second) or the host moves on.
    struct PrefixKey {
        int code = 0;
        LocalTime time; // with the tenths alone where they are all the stamp shows
        bool tenthsOnly = false;
        bool operator==(const PrefixKey &) const = default;
    };
    std::optional<PrefixKey> m_prefixKey; // none: m_prefix is to be built
    std::string m_prefix;

    WriteFailures m_failures;
};

// The timestamp pieces of a log line.
QString FormatTwoDigits(int16_t value);
QString FormatTenths(int16_t milliseconds);
// "yy/MM/dd HH:mm:ss.t", 19 characters for years of two digits or more.
std::string formatLogStamp(const LocalTime &t);
void appendLogStamp(std::string &out, const LocalTime &t);
