#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

class Clock;
class ErrorGuard;
class LogWriter;
class MessageBoxService;
class ReceptionSurface;
class UdpSocket;
struct ReceiveSettings;
struct Runtime;

// Starts and stops reception on the main window's socket and handles every
// datagram that arrives: log, lamps, time stamps, hex dumps, echo and the
// log rotation check. The window forwards its button click and the
// socket's DataArrival here.
class ReceptionController {
public:
    struct Dependencies {
        UdpSocket &wscRecv;
        ReceptionSurface &surface;
        const ReceiveSettings &settings; // RcvPort
        Runtime &runtime;                // ToolKind, LogFiles, LogMaxSize, LogGenerations
        LogWriter &log;
        ErrorGuard &guard;
        MessageBoxService &boxes;
        Clock &clock;
    };

    explicit ReceptionController(const Dependencies &deps);

    void cmdRecvData_Click();
    void wscRecv_DataArrival(int32_t bytesTotal);

private:
    void startReception();
    void stopReception();
    void handleDatagram(int32_t bytesTotal, QByteArray &received, QByteArray &response);
    void rotateLog();
    // Logs "<count><suffix>", both in code page 932.
    void logCount(qsizetype count, const QByteArray &suffix);

    Dependencies m;
    // The datagram path's log messages, encoded once.
    const QByteArray m_communicationError;
    const QByteArray m_receivedSuffix;
    const QByteArray m_sentSuffix;
    std::string m_message; // reused between lines
};
