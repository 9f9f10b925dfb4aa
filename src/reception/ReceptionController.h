#pragma once

#include "ReceptionCounters.h"
#include "core/Result.h"
#include "logging/CaptureWriter.h"
#include "logging/LogRotation.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class Clock;
class ErrorGuard;
class LogWriter;
class MessageBoxService;
class ReceptionSurface;
class ResponseRuleSet;
class UdpSocket;
struct ReceiveSettings;
struct Runtime;

// Starts and stops reception on the main window's socket and handles every
// datagram that arrives: log, capture, lamps, time stamps, hex dumps, echo
// and the rotation check of the log and the capture file. The window forwards its button click and the
// socket's DataArrival here. It counts what the datagrams do (ReceptionCounters) and tells reception
// switched on or off and a port refused as program events.
class ReceptionController {
public:
    struct Dependencies {
        UdpSocket &wscRecv;
        ReceptionSurface &surface;
        const ReceiveSettings &settings; // RcvPort
        Runtime &runtime;                // ToolKind, LogFiles, LogMaxSize, LogGenerations, Capture
        LogWriter &log;
        ErrorGuard &guard;
        MessageBoxService &boxes;
        Clock &clock;
    };

    explicit ReceptionController(const Dependencies &deps);

    // The rules that answer in the custom mode; none: it answers nothing.
    void setResponseRules(ResponseRuleSet *rules) { m_rules = rules; }

    void cmdRecvData_Click();
    void wscRecv_DataArrival(int32_t bytesTotal);

    // The counters and the state now; asks the socket for its drops.
    ReceptionReport report() const;

    // The window goes: the socket and the capture file close, and what the
    // system dropped on that socket stays in the report.
    void endReception();

    // The capture file beside the log: "Tavo_UdpRcvCapture.pcap" in its folder.
    static QString captureFileFor(const QString &logFile);

private:
    // False, reception left off, while the port awaits a restart.
    bool startReception();
    void stopReception();
    // The datagram's steps; a failure ends them (the handler logs it).
    Result<> handleDatagram(int32_t bytesTotal, QByteArray &received, QByteArray &response);
    // Sends the response back to the datagram's sender, records and shows it.
    void sendResponse(const QByteArray &response);
    // The custom mode's reply, empty when no rule answers.
    void answerByRules(const QByteArray &received, QByteArray &response);
    void captureReceived();
    void captureSent(const QByteArray &response);
    Result<> rotateLog();

    Dependencies m_m;
    ReceptionCounters m_counters;
    uint64_t m_droppedBefore = 0; // by the sockets of earlier starts
    LogRotation m_rotation;
    CaptureWriter m_capture; // on from a start of reception with Capture set, its file held open until the stop
    ResponseRuleSet *m_rules = nullptr;
};
