#include "ReceptionController.h"

#include "HexGrid.h"
#include "Lamp.h"
#include "PortChecks.h"
#include "ReceptionSurface.h"
#include "ResponseRulesFile.h"
#include "UdpSocket.h"
#include "core/Clock.h"
#include "core/MessageBoxService.h"
#include "core/ProgramEvents.h"
#include "core/Result.h"
#include "logging/ErrorGuard.h"
#include "logging/LogRotation.h"
#include "logging/LogWriter.h"
#include "runtime/Runtime.h"
#include "settings/SettingsReader.h"

#include <QFileInfo>

namespace {

const int16_t LampOff = 0;
const int16_t LampOn = 1;

// The datagram path's log texts: each call gives the same characters, by
// which the log writer finds their encoded bytes (see LogWriter::WriteLog).
QString communicationError()
{
    return QStringLiteral("通信エラーが発生しました。");
}

QString bytesReceived()
{
    return QStringLiteral("バイトのデータ受信");
}

QString bytesSent()
{
    return QStringLiteral("バイトの応答送信");
}

// Fills a grid with repainting off, repainted once at the end.
void showBytes(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard)
{
    grid.setRedraw(false);
    SetGridFromByteArray(grid, bytes, guard);
    grid.setRedraw(true);
}

} // namespace

ReceptionController::ReceptionController(const Dependencies &deps) : m_m(deps)
{
    m_capture.setFailingChanged([this](bool failing) { m_m.surface.setCaptureFailing(failing); });
}

QString ReceptionController::captureFileFor(const QString &logFile)
{
    return QFileInfo(logFile).path() + QStringLiteral("/Tavo_UdpRcvCapture.pcap");
}

void ReceptionController::cmdRecvData_Click()
{
    bool restartNeeded = false;
    const Result<> switched = ErrorGuard::attempt([&] {
        if (m_m.wscRecv.State() == UdpSocket::Closed)
            restartNeeded = !startReception();
        else
            stopReception();
    });
    const QString port = QString::number(m_m.settings.RcvPort);
    if (!switched) {
        m_m.guard.report(QStringLiteral("(cmdRecvData_Click)"), switched.error());
        tellEvent({"port-refused",
                   QStringLiteral("port %1 refused: %2").arg(port, switched.error().description()),
                   ProgramEvent::Error,
                   {{"UDPRECV_PORT", port}}});
        // After the line: the operator is asked to check the port.
        m_m.boxes.msgBox(cannotReceiveMessage(), MsgBoxStyle::Critical);
    } else if (!restartNeeded) {
        const bool on = m_m.wscRecv.State() == UdpSocket::Bound;
        tellEvent({on ? "reception-on" : "reception-off",
                   QStringLiteral("reception switched %1, port %2").arg(on ? QStringLiteral("on") : QStringLiteral("off"), port),
                   ProgramEvent::Info,
                   {{"UDPRECV_PORT", port}}});
    }
    // Not a fault of the port: the operator is told again what the port
    // settings dialog said when it saved one.
    if (restartNeeded) {
        m_m.log.WriteLog(
            m_m.runtime.ToolKind(),
            QStringLiteral("受信ポートが設定されていません（保存した受信ポートは再起動後に有効になります）"));
        m_m.boxes.msgBox(restartNeededMessage(), MsgBoxStyle::Information);
    }
}

bool ReceptionController::startReception()
{
    m_m.clock.sleepMs(500);
    // Port 0 would have the system pick a port nobody chose. It is what a
    // window holds when no usable port was stored at start-up: one saved
    // since then takes effect after a restart.
    if (m_m.settings.RcvPort == 0)
        return false;
    const bool capture = m_m.runtime.logging.capture;
    m_capture.setFile(capture ? captureFileFor(m_m.runtime.logFile()) : QString());
    m_m.wscRecv.setLocalPort(m_m.settings.RcvPort);
    m_m.wscRecv.Bind();
    m_m.surface.setRecvButtonCaption(QStringLiteral("受信終了"));
    return true;
}

void ReceptionController::stopReception()
{
    endReception();
    m_m.surface.setRecvButtonCaption(QStringLiteral("受信待ち"));
    CtrlLed(m_m.surface.recvLed(), LampOff, m_m.guard);
    CtrlLed(m_m.surface.sendLed(), LampOff, m_m.guard);
}

void ReceptionController::endReception()
{
    m_droppedBefore += m_m.wscRecv.droppedCount();
    m_m.wscRecv.Close();
    m_capture.close();
}

void ReceptionController::wscRecv_DataArrival(int32_t bytesTotal)
{
    // Both arrays live for this datagram only, whichever way the handler ends.
    QByteArray received;
    QByteArray response;
    m_m.guard.run(QStringLiteral("(wscRecv_DataArrival)"),
                [&] { return handleDatagram(bytesTotal, received, response); });
    // The records of the datagrams one read of the socket took (and their
    // echoes') go out together after the last of them, however the handler
    // ended: one write for up to a batch.
    if (m_m.wscRecv.readAhead() == 0)
        m_capture.flush();
}

Result<> ReceptionController::handleDatagram(int32_t bytesTotal, QByteArray &received, QByteArray &response)
{
    const int16_t kind = m_m.runtime.ToolKind();
    ++m_counters.received;
    m_counters.bytesReceived += static_cast<uint64_t>(bytesTotal);
    ::clock_gettime(CLOCK_REALTIME, &m_counters.lastReceived);
    captureReceived(); // every datagram, those too short to show included
    if (bytesTotal <= 1) {
        ++m_counters.tooShort;
        m_m.log.WriteLog(kind, communicationError());
        return rotateLog(); // its line counts towards the log's size like any other
    }

    m_m.wscRecv.GetData(received, bytesTotal);
    const LocalTime arrived = m_m.clock.now(); // the log line's time and the one shown
    m_m.log.WriteLog(kind, received.size(), bytesReceived(), arrived);
    CtrlLed(m_m.surface.recvLed(), LampOn, m_m.guard);
    CtrlLed(m_m.surface.sendLed(), LampOff, m_m.guard);
    m_m.surface.setLastRecvDateTime(arrived);
    m_m.surface.setLastSender(m_m.wscRecv.currentSender());
    showBytes(m_m.surface.recvGrid(), received, m_m.guard);

    switch (m_m.surface.selectedResponse()) {
    case ResponseOption::Nothing:
    case ResponseOption::None:
        m_m.surface.setAnsweringRule({});
        break;
    case ResponseOption::RcvData:
        m_m.surface.setAnsweringRule({});
        response = received;
        sendResponse(response);
        break;
    case ResponseOption::Custom:
        answerByRules(received, response);
        break;
    }

    return rotateLog();
}

ReceptionReport ReceptionController::report() const
{
    const bool on = m_m.wscRecv.State() == UdpSocket::Bound;
    return {m_counters,
            m_droppedBefore + (on ? m_m.wscRecv.droppedCount() : 0),
            on,
            m_m.settings.RcvPort,
            m_m.log.linesLost(),
            m_capture.recordsLost(),
            m_rotation.rotations(),
            m_capture.rotations()};
}

void ReceptionController::sendResponse(const QByteArray &response)
{
    m_m.wscRecv.SendData(response);
    ++m_counters.answered;
    m_counters.bytesSent += static_cast<uint64_t>(response.size());
    captureSent(response);
    CtrlLed(m_m.surface.sendLed(), LampOn, m_m.guard);
    const LocalTime sent = m_m.clock.now(); // the time shown and the log line's
    m_m.surface.setLastSentDateTime(sent);
    m_m.log.WriteLog(m_m.runtime.ToolKind(), response.size(), bytesSent(), sent);
    showBytes(m_m.surface.sendGrid(), response, m_m.guard);
}

// The first rule that matches answers, unless it answers nothing; the
// window names it beside the sender.
void ReceptionController::answerByRules(const QByteArray &received, QByteArray &response)
{
    const SocketAddress sender = m_m.wscRecv.currentSender();
    const int index = m_rules ? m_rules->match(received, sender.address, sender.length) : -1;
    if (index < 0) {
        m_m.surface.setAnsweringRule({});
        return;
    }
    const responserules::Rule &rule = m_rules->rules()[static_cast<size_t>(index)];
    m_m.surface.setAnsweringRule(rule.name);
    if (rule.silent)
        return;
    response = m_rules->answer(index, received);
    sendResponse(response);
}

void ReceptionController::captureReceived()
{
    if (!m_capture.enabled())
        return;
    sockaddr_storage destination {};
    m_m.wscRecv.currentDestination(destination);
    m_capture.add(m_m.wscRecv.currentSender().address, reinterpret_cast<const sockaddr *>(&destination),
                  m_m.wscRecv.currentData());
}

// The echo goes back to its sender from where the datagram arrived.
void ReceptionController::captureSent(const QByteArray &response)
{
    if (!m_capture.enabled())
        return;
    sockaddr_storage local {};
    m_m.wscRecv.currentReplySource(local);
    m_capture.add(reinterpret_cast<const sockaddr *>(&local), m_m.wscRecv.currentSender().address,
                  std::string_view(response.constData(), static_cast<size_t>(response.size())));
}

Result<> ReceptionController::rotateLog()
{
    int16_t &maxSize = m_m.runtime.logging.LogMaxSize;
    int16_t &generations = m_m.runtime.logging.LogGenerations;
    const Result<> rotated = m_rotation.check(m_m.runtime.logFile(), maxSize, generations);
    if (!rotated || !m_capture.enabled())
        return rotated;
    return m_capture.rotate(maxSize, generations);
}
